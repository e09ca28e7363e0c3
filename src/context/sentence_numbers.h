#ifndef LEXICULL_CONTEXT_SENTENCE_NUMBERS_H_
#define LEXICULL_CONTEXT_SENTENCE_NUMBERS_H_

// The number of the sentence where each word of a book first stands, taken
// while the book's words are collected, so that a second reading of a
// regular file need look for a card's word only in that one sentence.

#include <cstdint>
#include <memory>
#include <vector>

#include "book/book_word_set.h"
#include "book/collect_book_words.h"
#include "context/sentences.h"
#include "text/text_parts.h"

namespace lexicull {

// Collects the book's words into a word set, as BookWordCollector does, and
// numbers each word by its first sentence (SentenceEnds' sentences, from 0):
// the collector notes where each new word ends, the space or line feed after
// it, and the sentence ends of the block tell which sentence that byte is
// in. A later part numbers its sentences from 0 too, and they go on from
// the earlier parts' when it is taken over: its first one is the earlier
// part's last. Costs one number per distinct word.
class FirstSentenceNumbers final : public PartReaderOf<FirstSentenceNumbers> {
 public:
  static constexpr std::uint64_t kNone = ~std::uint64_t{0};
  // The least part worth a thread of its own: numbering sentences and noting
  // new words costs half as much again as collecting the words alone, so
  // parts pay from a smaller book than there (measured with cards: a 4 MiB
  // book 8% faster in two parts, 3 MB 3%, 2 MB and 1 MB no faster).
  static constexpr std::uint64_t kLeastPartSize = std::uint64_t{3} << 19;

  explicit FirstSentenceNumbers(BookWordSet& words) : words_(words), collector_(words) {
    collector_.note_new_word_ends(&new_word_ends_);
  }

  void feed(PaddedBytes text) override;
  void finish() override;
  unsigned char part_separator() const override { return BookWordCollector::kPartSeparator; }
  std::unique_ptr<FirstSentenceNumbers> make_later() const;
  void take_later(FirstSentenceNumbers& later);
  bool needs_parts_in_order() const override { return true; }

  // By word id, the number of the sentence where the word first stands;
  // kNone for a word added to the set after the reading (a stem).
  std::vector<std::uint64_t> take_numbers() { return std::move(numbers_); }

 private:
  FirstSentenceNumbers(std::unique_ptr<BookWordSet> own_words, SentenceEnds ends)
      : own_words_(std::move(own_words)), words_(*own_words_), collector_(words_), ends_(ends) {
    collector_.note_new_word_ends(&new_word_ends_);
  }

  std::unique_ptr<BookWordSet> own_words_;  // a later part's
  BookWordSet& words_;
  BookWordCollector collector_;
  SentenceEnds ends_;
  std::uint64_t sentences_ = 0;  // ended so far
  std::vector<std::uint64_t> numbers_;
  // Of the block being read: where its new words and its sentences end.
  std::vector<std::size_t> new_word_ends_;
  std::vector<std::size_t> sentence_ends_;
};

}  // namespace lexicull

#endif  // LEXICULL_CONTEXT_SENTENCE_NUMBERS_H_
