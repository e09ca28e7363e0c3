#include "book/collect_book_words.h"

#include <algorithm>

#include "text/byte_classes.h"
#include "text/text_mode_reader.h"

namespace lexicull {

void BookWordCollector::feed(const unsigned char* text, std::size_t size) {
  // Every byte adds at most one byte to the word, so one capacity check per
  // block keeps the loop free of them.
  if (word_.size() < length_ + size) word_.resize(std::max(word_.size() * 2, length_ + size));
  unsigned char* const start = word_.data();
  unsigned char* out = start + length_;
  bool chunk_started = chunk_started_;
  std::size_t first_hyphen = first_hyphen_;

  for (const unsigned char* in = text, *end = text + size; in < end; ++in) {
    const unsigned char byte = *in;
    switch (kBookBytes.kind[byte]) {
      case BookByte::kKept:
        *out++ = to_lower(byte);
        chunk_started = true;
        break;
      case BookByte::kHyphen:
        if (first_hyphen == kNoHyphen) first_hyphen = out - start;
        *out++ = byte;
        chunk_started = true;
        break;
      case BookByte::kPunctuation:
        chunk_started = true;
        break;
      case BookByte::kLineFeed: {
        chunk_started = true;
        const std::size_t length = out - start;
        if (length > 0 && first_hyphen == length - 1) {
          --out;  // joined: the next line continues this word
        } else {
          words_.add(start, length);
          out = start;
        }
        first_hyphen = kNoHyphen;
        break;
      }
      case BookByte::kSpace:
        words_.add(start, out - start);
        out = start;
        first_hyphen = kNoHyphen;
        chunk_started = false;
        break;
    }
  }
  length_ = out - start;
  first_hyphen_ = first_hyphen;
  chunk_started_ = chunk_started;
}

void BookWordCollector::finish() {
  if (chunk_started_) words_.add(word_.data(), length_);
  length_ = 0;
  first_hyphen_ = kNoHyphen;
  chunk_started_ = false;
}

Status collect_book_words(ByteSource& book, BookWordSet& words) {
  BookWordCollector collector(words);
  return feed_text(book, collector);
}

}  // namespace lexicull
