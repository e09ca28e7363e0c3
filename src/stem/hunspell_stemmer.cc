#include <hunspell/hunspell.hxx>

#include "stem/stemmer.h"
#include "stem/word_forms.h"

namespace lexicull {
namespace {

// The longest word hunspell looks at; longer ones have no stems.
constexpr std::size_t kLongestWord = 100;

class HunspellStemmer : public Stemmer {
 public:
  explicit HunspellStemmer(const DictionaryFiles& files)
      : dictionary_(files.affixes.c_str(), files.words.c_str()),
        encoding_(encoding_named(dictionary_.get_dict_encoding())) {}

  void add_stems(std::string_view word, std::vector<std::string>& stems) override {
    if (word.empty() || word.size() > kLongestWord) return;
    // A dictionary spells nouns and names with a capital: a book word that
    // is not known as it stands is asked again capitalised. (Asking every
    // word capitalised, which hunspell also tries in lower case, gave 4
    // more lines out of 21,972 on a German book for 0.2 s more.)
    if (ask(word, stems)) return;
    const std::string capital = capitalised(word);
    if (capital != word) ask(capital, stems);
  }

 private:
  // Adds the stems of `form`; false when there are none.
  bool ask(std::string_view form, std::vector<std::string>& stems) {
    if (!to_dictionary_encoding(form, encoding_, &asked_)) return false;
    bool found = false;
    for (const std::string& stem : dictionary_.stem(asked_)) {
      std::string utf8;
      if (!from_dictionary_encoding(stem, encoding_, &utf8)) continue;
      lower_case_ascii(utf8);
      stems.push_back(std::move(utf8));
      found = true;
    }
    return found;
  }

  Hunspell dictionary_;
  DictionaryEncoding encoding_;
  std::string asked_;
};

class HunspellStemmerMaker : public StemmerMaker {
 public:
  explicit HunspellStemmerMaker(DictionaryFiles files) : files_(std::move(files)) {}
  std::unique_ptr<Stemmer> make() const override {
    return std::make_unique<HunspellStemmer>(files_);
  }

 private:
  DictionaryFiles files_;
};

}  // namespace

Status hunspell_stemmer_maker(const DictionaryFiles& files, std::unique_ptr<StemmerMaker>* maker) {
  maker->reset(new HunspellStemmerMaker(files));
  return Status();
}

}  // namespace lexicull
