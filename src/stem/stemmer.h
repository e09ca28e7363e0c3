#ifndef LEXICULL_STEM_STEMMER_H_
#define LEXICULL_STEM_STEMMER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace lexicull {

// Gives the dictionary forms of a book's words. Not to be shared between
// threads: each thread has one of its own.
class Stemmer {
 public:
  virtual ~Stemmer() = default;

  // Appends to `stems` the stems of `word` (a book word: UTF-8, its ASCII
  // letters lower-cased), in the same form; only stems that the dictionary
  // gives, possibly the word itself.
  virtual void add_stems(std::string_view word, std::vector<std::string>& stems) = 0;
};

// Where a stemmer's dictionary is: a hunspell pair of files.
struct DictionaryFiles {
  std::string affixes;  // the .aff file
  std::string words;    // the .dic file
};

// Makes stemmers, each with its own copy of the dictionary.
class StemmerMaker {
 public:
  virtual ~StemmerMaker() = default;
  virtual std::unique_ptr<Stemmer> make() const = 0;
};

// A maker of stemmers on the hunspell dictionary in `files`, whose names the
// dictionary library opens as they are. Fails when this program was built
// without the library.
Status hunspell_stemmer_maker(const DictionaryFiles& files, std::unique_ptr<StemmerMaker>* maker);

}  // namespace lexicull

#endif  // LEXICULL_STEM_STEMMER_H_
