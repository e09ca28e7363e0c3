#include <hunspell/hunspell.hxx>

#include <memory>

#include "base/mutex.h"
#include "platform/private_copy.h"
#include "stem/stemmer.h"
#include "stem/word_forms.h"

namespace lexicull {
namespace {

// The longest word hunspell looks at; longer ones have no stems.
constexpr std::size_t kLongestWord = 100;

// libhunspell keeps one case table for all UTF-8 dictionaries of the process
// (utf_tbl in csutil.cxx), made by the first dictionary built and freed with
// the last one destroyed. Its use count is a plain int, taken and dropped by
// the AffixMgr and HashMgr constructors and destructors without a lock, so
// two dictionaries built or destroyed at once can lose a count and free the
// table under a dictionary that still uses it. Every dictionary is therefore
// built and destroyed under this lock; stemming on separate dictionaries
// touches the table only to read it, and runs in parallel.
Mutex& dictionary_lifetime_lock() {
  static Mutex lock;
  return lock;
}

// A dictionary built and destroyed under dictionary_lifetime_lock().
class GuardedHunspell {
 public:
  explicit GuardedHunspell(const DictionaryFiles& files) : dictionary_(build(files)) {}
  ~GuardedHunspell() {
    const MutexLock lock(dictionary_lifetime_lock());
    dictionary_.reset();
  }
  GuardedHunspell(const GuardedHunspell&) = delete;
  GuardedHunspell& operator=(const GuardedHunspell&) = delete;

  Hunspell* operator->() const { return dictionary_.get(); }

 private:
  static std::unique_ptr<Hunspell> build(const DictionaryFiles& files) {
    const MutexLock lock(dictionary_lifetime_lock());
    return std::make_unique<Hunspell>(files.affixes.c_str(), files.words.c_str());
  }

  std::unique_ptr<Hunspell> dictionary_;
};

class HunspellStemmer : public Stemmer {
 public:
  explicit HunspellStemmer(const DictionaryFiles& files)
      : dictionary_(files), encoding_(encoding_named(dictionary_->get_dict_encoding())) {}

  void add_stems(std::string_view word, std::vector<std::string>& stems) override {
    if (word.empty() || word.size() > kLongestWord) return;
    // A dictionary spells nouns and names with a capital: a book word that
    // is not known as it stands is asked again capitalised. (Asking every
    // word capitalised, which hunspell also tries in lower case, gave 4
    // more lines out of 21,972 on a German book for 0.2 s more.)
    if (ask(word, stems)) return;
    const std::string capital = capitalised(word);
    if (capital != word && ask(capital, stems)) return;
    // A word with capitals past its first letter ("hÄuser": the book
    // lower-cases only A to Z) is asked in all capitals, which the
    // dictionary's own case handling takes in every form it knows.
    if (has_capital_past_first(word)) ask(upper_cased(word), stems);
  }

 private:
  // Adds the stems of `form`; false when there are none.
  bool ask(std::string_view form, std::vector<std::string>& stems) {
    if (!to_dictionary_encoding(form, encoding_, &asked_)) return false;
    bool found = false;
    for (const std::string& stem : dictionary_->stem(asked_)) {
      std::string utf8;
      if (!from_dictionary_encoding(stem, encoding_, &utf8)) continue;
      lower_case_ascii(utf8);
      stems.push_back(std::move(utf8));
      found = true;
    }
    return found;
  }

  GuardedHunspell dictionary_;
  DictionaryEncoding encoding_;
  std::string asked_;
};

class HunspellStemmerMaker : public StemmerMaker {
 public:
  HunspellStemmerMaker(std::unique_ptr<PrivateCopy> affixes, std::unique_ptr<PrivateCopy> words)
      : affixes_(std::move(affixes)),
        words_(std::move(words)),
        files_{affixes_->name(), words_->name()} {}
  std::unique_ptr<Stemmer> make() const override {
    return std::make_unique<HunspellStemmer>(files_);
  }

 private:
  std::unique_ptr<PrivateCopy> affixes_;
  std::unique_ptr<PrivateCopy> words_;
  DictionaryFiles files_;
};

}  // namespace

Status hunspell_stemmer_maker(const DictionaryText& text, std::unique_ptr<StemmerMaker>* maker) {
  std::unique_ptr<PrivateCopy> affixes;
  std::unique_ptr<PrivateCopy> words;
  Status status = make_private_copy({text.affixes}, text.files.affixes, &affixes);
  if (status.ok()) {
    status = make_private_copy(std::vector<std::string_view>(text.words.begin(), text.words.end()),
                               text.files.words, &words);
  }
  if (!status.ok()) return status;
  maker->reset(new HunspellStemmerMaker(std::move(affixes), std::move(words)));
  return Status();
}

}  // namespace lexicull
