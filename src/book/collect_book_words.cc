#include "book/collect_book_words.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/swar.h"
#include "text/byte_classes.h"
#include "text/text_mode_reader.h"

namespace lexicull {

void BookWordCollector::feed(PaddedBytes text) {
  if (text.empty()) return;
  // Every byte adds at most one byte to the word, and the buffer keeps
  // padding after it, so one capacity check per block keeps the loop free of
  // them.
  word_.reserve(length_ + text.size(), length_);
  unsigned char* const start = word_.data();
  unsigned char* out = start + length_;
  std::size_t first_hyphen = first_hyphen_;

  const unsigned char* in = text.data();
  const unsigned char* const end = text.end();
  while (in < end) {
    // Most bytes are letters: eight of them are lower-cased and copied at
    // once, up to the first byte below "A", which every special byte is.
    if (end - in >= 8) {
      const swar::Bytes8 bytes = swar::load(in);
      // Only the bytes before the first special one are kept (the rest are
      // overwritten or past the word), and those are all at least "A".
      const swar::Bytes8 lowered = swar::to_lower_if_at_least_a(bytes);
      const swar::Bytes8 special = swar::below(bytes, 'A');
      if (special == 0) {
        swar::store(out, lowered);
        in += 8;
        out += 8;
        continue;
      }
      const unsigned plain = swar::first_marked(special);
      // The special byte is taken from the register, not read again.
      if (static_cast<unsigned char>(bytes >> (8 * plain)) == kSpace) {
        if (out == start) {
          // The common word: short, whole in this load, and ended by a
          // space. Its bytes are in the register already.
          add_short_word(WordKey::of_short(lowered & WordKey::low_bytes_mask(plain), plain));
        } else {
          swar::store(out, lowered);
          out += plain;
          add_word(out - start);
          out = start;
          first_hyphen = kNoHyphen;
        }
        in += plain + 1;
        continue;
      }
      swar::store(out, lowered);
      in += plain;
      out += plain;
    }
    unsigned char byte = *in++;
    if (kBookBytes.kind[byte] == BookByte::kPunctuation) {
      // Punctuation mostly ends a word: take the byte after it straight away.
      if (in == end) break;
      byte = *in++;
    }
    // Tested in the order of their frequency in prose.
    const BookByte kind = kBookBytes.kind[byte];
    if (kind == BookByte::kSpace) {
      add_word(out - start);
      out = start;
      first_hyphen = kNoHyphen;
    } else if (kind == BookByte::kLineFeed) {
      const std::size_t length = out - start;
      if (length > 0 && first_hyphen == length - 1) {
        --out;  // joined: the next line continues this word
      } else {
        add_word(length);
        out = start;
      }
      first_hyphen = kNoHyphen;
    } else if (kind == BookByte::kKept) {
      *out++ = to_lower(byte);
    } else if (kind == BookByte::kHyphen) {
      if (first_hyphen == kNoHyphen) first_hyphen = out - start;
      *out++ = byte;
    }
  }
  // What was fed is in the set, also when the next read fails.
  flush_batch();
  length_ = out - start;
  first_hyphen_ = first_hyphen;
  // Whether a chunk is open at the end depends only on the last space.
  const unsigned char* last = end - 1;
  while (last > text.data() && *last != kSpace) --last;
  if (*last == kSpace) {
    chunk_started_ = last != end - 1;
  } else {
    chunk_started_ = true;
  }
}

void BookWordCollector::add_word(std::size_t size) {
  const PaddedBytes word = word_.view(size);
  if (size <= WordKey::kShortWordSize) {
    // Its key holds it whole: word_ may change before the batch goes in.
    add_short_word(WordKey::of_short(WordKey::of(word).head(), size));
    return;
  }
  if (!words_.batches_pay() || size > kLongestBatchedWord) {
    flush_batch();
    words_.insert(WordKey::of(word));
    return;
  }
  constexpr std::size_t kBatchBytes = BookWordSet::kBatchSize * kLongestBatchedWord;
  if (batch_bytes_.data() == nullptr) batch_bytes_.reserve(kBatchBytes, 0);
  std::memcpy(batch_bytes_.data() + batch_bytes_size_, word.data(), size);
  add_to_batch(WordKey::of(batch_bytes_.view(kBatchBytes).part(batch_bytes_size_, size)));
  batch_bytes_size_ += size;
}

void BookWordCollector::finish() {
  if (chunk_started_) add_word(length_);
  flush_batch();
  word_.shrink();
  length_ = 0;
  first_hyphen_ = kNoHyphen;
  chunk_started_ = false;
}

std::unique_ptr<TextPartReader> BookWordCollector::make_later_part() const {
  return std::unique_ptr<TextPartReader>(new BookWordCollector(std::make_unique<BookWordSet>()));
}

void BookWordCollector::take_later_part(TextPartReader& later) {
  words_.insert_all(static_cast<BookWordCollector&>(later).words_);
}

Status collect_book_words(InputFile& book, BookWordSet& words, const PartOptions& options) {
  BookWordCollector collector(words);
  return read_text(book, collector, options);
}

}  // namespace lexicull
