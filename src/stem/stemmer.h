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

// A dictionary as read from its files, once.
struct DictionaryText {
  DictionaryFiles files;  // where it was read from
  std::string affixes;
  std::vector<std::string> words;  // the word list, in blocks one after another
};

// Makes stemmers, each with its own copy of the dictionary.
class StemmerMaker {
 public:
  virtual ~StemmerMaker() = default;
  virtual std::unique_ptr<Stemmer> make() const = 0;
};

// A maker of stemmers on the hunspell dictionary `text`, which the library
// reads from private copies of its bytes where the system can make them, so
// that it reads what was checked. Fails when this program was built without
// the library, or no copy can be made.
Status hunspell_stemmer_maker(const DictionaryText& text, std::unique_ptr<StemmerMaker>* maker);

}  // namespace lexicull

#endif  // LEXICULL_STEM_STEMMER_H_
