#ifndef LEXICULL_TEXT_LINE_FEED_FINDER_H_
#define LEXICULL_TEXT_LINE_FEED_FINDER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/padded_bytes.h"
#include "base/swar.h"
#include "text/byte_classes.h"
#include "text/byte_masks.h"

namespace lexicull {

// Finds the line feeds of one block of text in turn. Where the compiler has
// SSE2 (every x86-64), it marks them sixty-four bytes at a time, so that a
// short line costs a few instructions instead of a call to memchr; elsewhere
// it is memchr.
class LineFeedFinder {
 public:
  static_assert(PaddedBytes::kPadding >= 64, "a block is marked sixty-four bytes at a time");

  explicit LineFeedFinder(PaddedBytes text) : text_(text.data()), end_(text.end()) {}

  // The first line feed at or after `from` (within the block), or null.
  const unsigned char* next(const unsigned char* from) {
#ifdef LEXICULL_BYTE_MASKS_SSE2
    for (;;) {
      const unsigned char* chunk = text_ + ((from - text_) & ~std::size_t{63});
      if (chunk >= end_) return nullptr;
      if (chunk != chunk_) {
        chunk_ = chunk;
        marks_ = marks_of(chunk);
      }
      const std::uint64_t ahead = marks_ >> (from - chunk);
      if (ahead != 0) {
        const unsigned char* found = from + swar::lowest_bit(ahead);
        return found < end_ ? found : nullptr;  // marks past the end are padding
      }
      from = chunk + 64;
    }
#else
    return static_cast<const unsigned char*>(std::memchr(from, kLineFeed, end_ - from));
#endif
  }

 private:
#ifdef LEXICULL_BYTE_MASKS_SSE2
  // A bit per byte of the 64 at `chunk`, set for each line feed.
  static std::uint64_t marks_of(const unsigned char* chunk) {
    return byte_masks(chunk, kLineFeed, kLineFeed, 0).first;
  }

  const unsigned char* chunk_ = nullptr;  // the 64 bytes that marks_ describes
  std::uint64_t marks_ = 0;
#endif

  const unsigned char* text_;
  const unsigned char* end_;
};

}  // namespace lexicull

#endif  // LEXICULL_TEXT_LINE_FEED_FINDER_H_
