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

// Finds the contexts of `keys` in a second reading of the book, knowing the
// sentence where each word first stands (FirstSentenceNumbers): fed the
// book's sentences in order (SentenceSplitter), it takes each key's context
// from the first sentence of any of its forms and passes every other
// sentence by. Where a word's first sentence comes in pieces, or does not
// hold it by its own words (it holds the end of a word joined across its
// start), the key is looked for in every piece from there on, by its words.
// Keeps one Context per key, and a few bytes per form besides.
class KeyContexts {
 public:
  KeyContexts(const BookWordSet& words, const std::vector<WordStem>& stems,
              const std::vector<BookWordSet::WordId>& keys,
              const std::vector<std::uint64_t>& first_sentences);

  // Takes the next sentence of the book, or piece of one.
  void add_sentence(const SentencePiece& sentence);
  // Whether add_sentence() needs the sentence of this number, the next one:
  // the others it passes by.
  bool wants(std::uint64_t number) const {
    return !keys_of_form_.empty() ||
           (next_pending_ < pending_.size() && pending_[next_pending_].number <= number);
  }
  // Whether every key has its context: the rest of the book changes nothing.
  bool done() const { return missing_ == 0; }
  // The context of keys[index]; empty when no sentence holds it.
  const Context& context(std::size_t index) const { return contexts_[index]; }
  // All of them, in the order of the keys, for the caller to keep.
  std::vector<Context> take_contexts() { return std::move(contexts_); }

 private:
  // The keys whose first sentence is `number`, in the order of the numbers.
  struct Pending {
    std::uint64_t number;
    std::size_t key;
  };
  void take_context(std::size_t index, Context context);
  // Whether the words of `sentence`, by the book's rules, hold a form of
  // keys[index].
  bool holds_a_form(std::string_view sentence, std::size_t index);
  // From now on keys[index] is looked for by the words of every piece.
  void look_for_everywhere(std::size_t index);
  void look_in_words(std::string_view sentence);

  const BookWordSet& words_;
  const std::vector<BookWordSet::WordId>& keys_;
  std::vector<Pending> pending_;
  std::size_t next_pending_ = 0;
  // Each key's forms: the key itself where the book has it, and the words
  // that stem to it.
  std::vector<std::size_t> form_starts_;
  std::vector<BookWordSet::WordId> forms_;
  std::vector<Context> contexts_;
  std::vector<bool> found_;
  std::size_t missing_ = 0;
  std::string normalized_;  // a sentence that was not normal already

  // The forms of the keys looked for everywhere, by the form's id.
  std::unordered_map<BookWordSet::WordId, std::vector<std::size_t>> keys_of_form_;
  std::string scratch_;
  ByteBuffer key_bytes_;
  // A bit per hash of each form looked for everywhere: most words of a book
  // are no such form, and one load tells most of them so.
  void make_filter();
  bool may_be_wanted(std::uint64_t hash) const;
  std::vector<std::uint64_t> filter_;
};

// The first sentence of each distinct word, kept as the book is read once
// (standard input, a FIFO): at most a window of the sentence per word.
class FirstSentences {
 public:
  void add_sentence(const SentencePiece& sentence);

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
