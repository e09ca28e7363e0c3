#include "context/sentence_numbers.h"

#include <cstdlib>
#include <utility>

#include "base/invariant.h"

namespace lexicull {

void FirstSentenceNumbers::feed(PaddedBytes text) {
  sentence_ends_.clear();
  ends_.find(text, [&](std::size_t end) { sentence_ends_.push_back(end); });
  new_word_ends_.clear();
  collector_.feed(text);
  // A word belongs to the sentence of the byte that ends it: the sentences
  // that end at or before that byte come before it. Words are new in the
  // order of the text.
  auto ended_before = sentence_ends_.begin();
  for (const std::size_t word_end : new_word_ends_) {
    while (ended_before != sentence_ends_.end() && *ended_before <= word_end) ++ended_before;
    numbers_.push_back(sentences_ +
                       static_cast<std::uint64_t>(ended_before - sentence_ends_.begin()));
  }
  sentences_ += sentence_ends_.size();
  LEXICULL_INVARIANT_LE(numbers_.size(), words_.size());
}

void FirstSentenceNumbers::finish() {
  new_word_ends_.clear();
  // The last word, when no space or line feed follows it.
  collector_.finish();
  numbers_.resize(words_.size(), sentences_);
}

std::unique_ptr<FirstSentenceNumbers> FirstSentenceNumbers::make_later() const {
  auto words = std::make_unique<BookWordSet>();
  if (words_.counts_occurrences()) words->count_occurrences();
  return std::unique_ptr<FirstSentenceNumbers>(new FirstSentenceNumbers(
      std::move(words), SentenceEnds::after(BookWordCollector::kPartSeparator)));
}

void FirstSentenceNumbers::take_later(FirstSentenceNumbers& later) {
  LEXICULL_INVARIANT_LE(later.numbers_.size(), later.words_.size());
  // The later part's words that are new here keep their first sentences,
  // counted on from this part's; the set gives them ids of its own. The
  // words' bytes stay where they are, now this set's.
  const std::size_t known = words_.size();
  std::vector<BookWordSet::WordId> ids_here;
  collector_.take_later(later.collector_, &ids_here);
  numbers_.resize(words_.size(), kNone);
  for (BookWordSet::WordId later_id = 0; later_id < ids_here.size(); ++later_id) {
    const BookWordSet::WordId id = ids_here[later_id];
    if (id < known) continue;
    LEXICULL_INVARIANT_LT(later_id, later.numbers_.size());
    numbers_[id] = sentences_ + later.numbers_[later_id];
  }
  sentences_ += later.sentences_;
  ends_ = later.ends_;
}

}  // namespace lexicull
