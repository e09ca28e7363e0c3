// The book's words are found 64 bytes at a time. Each window starts where a
// word starts; one pass over it makes masks of its spaces and line feeds
// (word ends), its punctuation (dropped) and its other bytes below "A".
// A word with none of those inside is lower-cased eight bytes at a time
// straight from the text; the rest (words past their window or their block,
// words with specials, a line a hyphen may join to the next) go through a
// byte-at-a-time reader that carries a word across blocks. The next window's
// masks are made before this window's words go into the set, and in a large
// set words wait in batches whose slots are asked for ahead of their use.
#include "book/collect_book_words.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/invariant.h"
#include "base/swar.h"
#include "book/window_masks.h"
#include "text/byte_classes.h"
#include "text/text_mode_reader.h"
#include "text/word_start.h"

namespace lexicull {

namespace {

// The first `count` bits, `count` below 64.
std::uint64_t low_bits(unsigned count) { return (std::uint64_t{1} << count) - 1; }

}  // namespace

void BookWordCollector::feed(PaddedBytes text) {
  if (text.empty()) return;
  block_ = text.data();
  const unsigned char* in = text.data();
  const unsigned char* const end = text.end();
  // A word the last block left open is ended first.
  if (length_ > 0) in = read_until_word_ends(in, end);

  // Each window of 64 bytes starts where a word starts; its words are found
  // by the bits of its masks, each from the byte after the last end up to
  // the next space or line feed. The next window starts at the first word
  // this one does not end.
  WindowMasks masks{};
  if (in < end) masks = window_masks(in, end);
  while (in < end) {
    if (masks.word_ends == 0) {
      // A word longer than the window, or going on into the next block.
      in = read_until_word_ends(in, end);
      if (in < end) masks = window_masks(in, end);
      continue;
    }
    const unsigned char* const window = in;
    const std::uint64_t word_ends = masks.word_ends;
    const std::uint64_t dropped = masks.dropped;
    const std::uint64_t others = masks.others;
    const std::uint64_t not_straight = masks.not_straight;
    // The next window's masks are made before this window's words are
    // taken: the word loop ends at a different count in every window, so
    // its end is mispredicted, and what comes before it in program order
    // is done by then.
    const unsigned char* const next = window + swar::highest_bit(word_ends) + 1;
    WindowMasks next_masks{};
    if (next < end) next_masks = window_masks(next, end);
    // Asked once a window: the set may grow meanwhile, and either way of
    // adding a word is right at any size.
    const bool queued = batches_pay();
    const bool noting = new_word_ends_ != nullptr;
    unsigned start = 0;
    std::uint64_t taken = 0;  // the bits of the words ended so far
    for (std::uint64_t ends = word_ends; ends != 0;) {
      const std::uint64_t end_bit = ends & (0 - ends);
      const std::uint64_t word_bits = (end_bit - 1) & ~taken;
      const unsigned stop = swar::lowest_bit(end_bit);
      const unsigned char* const word = window + start;
      if ((not_straight & word_bits) == 0) {
        // Its bytes, then perhaps punctuation up to its end.
        const unsigned size = swar::lowest_bit((dropped & word_bits) | end_bit) - start;
        if (size <= WordKey::kHeldWordSize) {
          // Head and tail are made whatever the size: a branch on it would
          // go wrong often where long and short words mix.
          const WordStart start = lowered_word_start(word, size);
          if (queued) {
            queue_held_word(start.head, start.tail, size);
          } else {
            words_.insert_held(start.head, start.tail, size);
          }
        } else {
          add_text_word(word, size);
        }
      } else if (!add_word_with_specials(word, stop - start, (dropped & word_bits) >> start,
                                         (others & word_bits) >> start)) {
        // A hyphen may join this line to the next: the window ends here.
        start = static_cast<unsigned>(read_until_word_ends(word, end) - window);
        if (window + start < end) next_masks = window_masks(window + start, end);
        break;
      }
      if (noting) note_words_ended_at(static_cast<std::size_t>(window + stop - block_));
      start = stop + 1;
      taken |= end_bit | (end_bit - 1);
      ends ^= end_bit;
    }
    in = window + start;
    masks = next_masks;
  }
  // What was fed is in the set, also when the next read fails.
  flush_batch();
  // Whether a chunk is open at the end depends only on the last space.
  const unsigned char* last = end - 1;
  while (last > text.data() && *last != kSpace) --last;
  if (*last == kSpace) {
    chunk_started_ = last != end - 1;
  } else {
    chunk_started_ = true;
  }
}

bool BookWordCollector::add_word_with_specials(const unsigned char* word, unsigned size,
                                               std::uint64_t dropped, std::uint64_t others) {
  if (word[size] == kLineFeed) {
    for (; others != 0; others &= others - 1) {
      if (word[swar::lowest_bit(others)] == kHyphen) return false;
    }
  }
  const std::uint64_t kept = ~dropped & low_bits(size);
  if (kept == 0) {
    add_held_word(0, 0, 0);
    return true;
  }
  // Punctuation mostly stands before or after a word, not inside it.
  const unsigned first = swar::lowest_bit(kept);
  const unsigned count = swar::highest_bit(kept) + 1 - first;
  if ((kept >> first) == low_bits(count)) {
    add_text_word(word + first, count);
  } else {
    add_text_word_without(word, size, dropped);
  }
  return true;
}

const unsigned char* BookWordCollector::read_until_word_ends(const unsigned char* in,
                                                             const unsigned char* end) {
  // Every byte adds at most one byte to the word, and the buffer keeps
  // padding after it, so one capacity check keeps the loop free of them.
  word_.reserve(length_ + static_cast<std::size_t>(end - in), length_);
  unsigned char* const start = word_.data();
  unsigned char* out = start + length_;
  std::size_t first_hyphen = first_hyphen_;
  while (in < end) {
    // Eight letters at a time are lower-cased and copied, up to the first
    // byte below "A", which every special byte is.
    if (end - in >= 8) {
      const swar::Bytes8 bytes = swar::load(in);
      // Only the bytes before the first special one are kept (the rest are
      // overwritten or past the word), and those are all at least "A".
      swar::store(out, swar::to_lower_if_at_least_a(bytes));
      const swar::Bytes8 special = swar::below(bytes, 'A');
      if (special == 0) {
        in += 8;
        out += 8;
        continue;
      }
      const unsigned plain = swar::first_marked(special);
      in += plain;
      out += plain;
    }
    const unsigned char byte = *in++;
    const BookByte kind = kBookBytes.kind[byte];
    if (kind == BookByte::kSpace) {
      add_word(static_cast<std::size_t>(out - start));
      if (new_word_ends_ != nullptr) note_words_ended_at(static_cast<std::size_t>(in - 1 - block_));
      length_ = 0;
      first_hyphen_ = kNoHyphen;
      return in;
    }
    if (kind == BookByte::kLineFeed) {
      const auto length = static_cast<std::size_t>(out - start);
      if (length == 0 || first_hyphen != length - 1) {
        add_word(length);
        if (new_word_ends_ != nullptr)
          note_words_ended_at(static_cast<std::size_t>(in - 1 - block_));
        length_ = 0;
        first_hyphen_ = kNoHyphen;
        return in;
      }
      --out;  // joined: the next line continues this word
      first_hyphen = kNoHyphen;
    } else if (kind == BookByte::kKept) {
      *out++ = to_lower(byte);
    } else if (kind == BookByte::kHyphen) {
      if (first_hyphen == kNoHyphen) first_hyphen = static_cast<std::size_t>(out - start);
      *out++ = byte;
    }
  }
  length_ = static_cast<std::size_t>(out - start);
  first_hyphen_ = first_hyphen;
  return in;
}

void BookWordCollector::add_text_word(const unsigned char* bytes, std::size_t size) {
  if (size <= WordKey::kHeldWordSize) {
    const WordStart start = lowered_word_start(bytes, size);
    add_held_word(start.head, start.tail, size);
    return;
  }
  if (batch_bytes_.data() == nullptr) batch_bytes_.reserve(kBatchBytes, 0);
  // The padding after both the text and the buffer takes the last store.
  unsigned char* const lowered = batch_bytes_.data() + batch_bytes_size_;
  for (std::size_t i = 0; i < size; i += 8) {
    swar::store(lowered + i, swar::to_lower(swar::load(bytes + i)));
  }
  add_long_word(size);
}

void BookWordCollector::add_text_word_without(const unsigned char* bytes, std::size_t size,
                                              std::uint64_t dropped) {
  unsigned char kept[kLongestBatchedWord + 8] = {};
  LEXICULL_INVARIANT_LE(size, kLongestBatchedWord);
  std::size_t count = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (((dropped >> i) & 1) == 0) kept[count++] = bytes[i];
  }
  add_text_word(kept, count);
}

void BookWordCollector::add_word(std::size_t size) {
  // The empty word may come before word_ holds any memory.
  if (size == 0) {
    add_held_word(0, 0, 0);
    return;
  }
  const PaddedBytes word = word_.view(size);
  if (size <= WordKey::kHeldWordSize) {
    // Its key holds it whole: word_ may change before the queue goes in.
    const WordKey key = WordKey::of(word);
    add_held_word(key.head(), key.tail(), size);
    return;
  }
  if (!batches_pay() || size > kLongestBatchedWord) {
    flush_batch();
    if (size < kLeastWordTaken) {
      words_.insert(WordKey::of(word));
    } else {
      words_.insert_taking(WordKey::of(word), word_);
    }
    return;
  }
  if (batch_bytes_.data() == nullptr) batch_bytes_.reserve(kBatchBytes, 0);
  LEXICULL_INVARIANT_LE(batch_bytes_size_ + size, kBatchBytes);
  std::memcpy(batch_bytes_.data() + batch_bytes_size_, word.data(), size);
  add_long_word(size);
}

void BookWordCollector::add_long_word(std::size_t size) {
  const WordKey key = WordKey::of(batch_bytes_.view(kBatchBytes).part(batch_bytes_size_, size));
  if (batches_pay()) {
    // Kept in the buffer until the batch goes in.
    batch_bytes_size_ += size;
    add_to_batch(key);
  } else {
    words_.insert(key);
  }
}

void BookWordCollector::finish() {
  if (chunk_started_) add_word(length_);
  flush_batch();
  if (new_word_ends_ != nullptr) note_words_ended_at(kAtTextEnd);
  word_.shrink();
  length_ = 0;
  first_hyphen_ = kNoHyphen;
  chunk_started_ = false;
}

std::unique_ptr<BookWordCollector> BookWordCollector::make_later() const {
  auto words = std::make_unique<BookWordSet>();
  if (words_.counts_occurrences()) words->count_occurrences();
  return std::unique_ptr<BookWordCollector>(new BookWordCollector(std::move(words)));
}

Status collect_book_words(InputFile& book, BookWordSet& words, const PartOptions& options) {
  BookWordCollector collector(words);
  return read_text(book, collector, options);
}

}  // namespace lexicull
