#ifndef LEXICULL_BOOK_WINDOW_MASKS_H_
#define LEXICULL_BOOK_WINDOW_MASKS_H_

// The masks by which the book's word loop finds the words of 64 bytes.

#include <cstdint>

#include "base/swar.h"
#include "text/byte_classes.h"
#include "text/byte_masks.h"

namespace lexicull {

// What the word loop needs to know of a window of 64 bytes that starts
// where a word starts.
struct WindowMasks {
  std::uint64_t word_ends;     // spaces and line feeds
  std::uint64_t dropped;       // punctuation
  std::uint64_t others;        // the other bytes below "A"
  std::uint64_t not_straight;  // where a word must not be read straight from the text
};

// The masks of the window at `window`, of which only the bytes before `end`
// count.
inline WindowMasks window_masks(const unsigned char* window, const unsigned char* end) {
  // Every byte of "A" and above, 0x80 to 0xFF included, is part of a word
  // as it stands (after lower-casing), so most bytes are in no mask.
  ByteMasks masks = byte_masks(window, kSpace, kLineFeed, 'A');
  if (end - window < 64) masks.keep_first(static_cast<unsigned>(end - window));
  const std::uint64_t word_ends = masks.first | masks.second;
  const std::uint64_t specials = masks.below & ~word_ends;
  // Special bytes are few in prose: each is looked up once per window.
  // Most windows hold one to three, which are looked up without a branch
  // (a loop would end at a different count each time); the rest in a loop.
  std::uint64_t dropped = 0;
  std::uint64_t left = specials;
  for (int unrolled = 0; unrolled < 3; ++unrolled) {
    const std::uint64_t bit = left & (0 - left);
    // With none left this reads the window's last byte and drops nothing.
    const unsigned at = swar::lowest_bit(left | std::uint64_t{1} << 63);
    dropped |= bit * (kBookBytes.kind[window[at]] == BookByte::kPunctuation);
    left ^= bit;
  }
  for (; left != 0; left &= left - 1) {
    const bool punctuation =
        kBookBytes.kind[window[swar::lowest_bit(left)]] == BookByte::kPunctuation;
    dropped |= (left & (0 - left)) * punctuation;
  }
  const std::uint64_t others = specials & ~dropped;
  // A word is read straight from the text unless it holds a special byte
  // other than punctuation, or punctuation followed by a byte it keeps.
  const std::uint64_t kept = ~(dropped | word_ends);
  return WindowMasks{word_ends, dropped, others, others | (dropped & (kept >> 1))};
}

}  // namespace lexicull

#endif  // LEXICULL_BOOK_WINDOW_MASKS_H_
