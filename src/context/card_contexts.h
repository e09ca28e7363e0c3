#ifndef LEXICULL_CONTEXT_CARD_CONTEXTS_H_
#define LEXICULL_CONTEXT_CARD_CONTEXTS_H_

// The context of each card: the first sentence of the book that holds its
// key, or for a stem any of its forms.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "book/book_word_set.h"
#include "context/sentences.h"
#include "stem/stemming_threads.h"

namespace lexicull {

// Finds the contexts of `keys` in a second reading of the book: fed the
// book's sentences in order (SentenceSplitter), it keeps one Context per key,
// and a few bytes per form besides.
class KeyContexts {
 public:
  KeyContexts(const BookWordSet& words, const std::vector<WordStem>& stems,
              const std::vector<BookWordSet::WordId>& keys);

  // Takes the next sentence of the book.
  void add_sentence(std::string_view sentence);
  // Whether every key has its context: the rest of the book changes nothing.
  bool done() const { return missing_ == 0; }
  // The context of keys[index]; empty when no sentence holds it.
  const Context& context(std::size_t index) const { return contexts_[index]; }
  // All of them, in the order of the keys, for the caller to keep.
  std::vector<Context> take_contexts() { return std::move(contexts_); }

 private:
  const BookWordSet& words_;
  const std::vector<BookWordSet::WordId>& keys_;
  // Each form's keys, by the form's id.
  std::unordered_map<BookWordSet::WordId, std::vector<std::size_t>> keys_of_form_;
  std::vector<Context> contexts_;
  std::vector<bool> found_;
  std::size_t missing_ = 0;
  std::string scratch_;
  ByteBuffer key_bytes_;
  // A bit per hash of each form still wanted: most words of a book are no
  // such form, and one load tells most of them so. Made again each time
  // half of the forms it was made for are found.
  void make_filter();
  bool may_be_wanted(std::uint64_t hash) const;
  std::vector<std::uint64_t> filter_;
  std::size_t filtered_forms_ = 0;
};

// The first sentence of each distinct word, kept as the book is read once
// (standard input, a FIFO): at most a window of the sentence per word.
class FirstSentences {
 public:
  void add_sentence(std::string_view sentence);

  // The contexts of `keys` from the sentences kept: each key's own, or the
  // earliest of its forms'.
  std::vector<Context> contexts(const BookWordSet& words, const std::vector<WordStem>& stems,
                                const std::vector<BookWordSet::WordId>& keys) const;

 private:
  struct Kept {
    std::uint64_t sentence;  // its number in the book
    Context context;
  };
  std::unordered_map<std::string, Kept> first_;
  std::uint64_t sentences_ = 0;
  std::string scratch_;
  std::string word_;
};

}  // namespace lexicull

#endif  // LEXICULL_CONTEXT_CARD_CONTEXTS_H_
