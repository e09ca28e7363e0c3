#ifndef LEXICULL_BOOK_BOOK_BYTE_MASKS_H_
#define LEXICULL_BOOK_BOOK_BYTE_MASKS_H_

// Sixty-four bytes of a book classified at once into bit masks, bit i for
// the byte at offset i, so that the reader walks from word to word by mask
// bits instead of testing every byte. SSE2 where the compiler targets it,
// eight bytes per integer everywhere else; both give the same masks, on
// every machine.

#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LEXICULL_BOOK_MASKS_SSE2 1
#endif

#include "base/swar.h"
#include "text/byte_classes.h"

namespace lexicull {

struct BookByteMasks {
  std::uint64_t ends;      // spaces and line feeds: where a word ends
  std::uint64_t specials;  // the other bytes below "A": punctuation, hyphens, digits and the like

  // Leaves only the first `count` bytes marked (`count` below 64).
  void keep_first(unsigned count) {
    const std::uint64_t kept = (std::uint64_t{1} << count) - 1;
    ends &= kept;
    specials &= kept;
  }
};

// Every byte of 0x41 ("A") and above, 0x80 to 0xFF included, is part of a
// word as it stands (after lower-casing), so most bytes are in neither mask.
inline BookByteMasks book_byte_masks_portable(const unsigned char* bytes) {
  std::uint64_t ends = 0;
  std::uint64_t below_a = 0;
  for (unsigned i = 0; i < 64; i += 8) {
    const swar::Bytes8 value = swar::load(bytes + i);
    const swar::Bytes8 end_marks = swar::equal(value, kSpace) | swar::equal(value, kLineFeed);
    ends |= std::uint64_t{swar::gather_marks(end_marks)} << i;
    below_a |= std::uint64_t{swar::gather_marks(swar::below(value, 'A'))} << i;
  }
  return BookByteMasks{ends, below_a & ~ends};
}

#ifdef LEXICULL_BOOK_MASKS_SSE2
inline BookByteMasks book_byte_masks_sse2(const unsigned char* bytes) {
  const __m128i spaces = _mm_set1_epi8(static_cast<char>(kSpace));
  const __m128i line_feeds = _mm_set1_epi8(static_cast<char>(kLineFeed));
  const __m128i letter_a = _mm_set1_epi8('A');
  std::uint64_t ends = 0;
  std::uint64_t at_least_a = 0;
  for (unsigned i = 0; i < 64; i += 16) {
    const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i end_marks =
        _mm_or_si128(_mm_cmpeq_epi8(value, spaces), _mm_cmpeq_epi8(value, line_feeds));
    // Unsigned: the byte is at least "A" when the larger of the two is the byte.
    const __m128i letters = _mm_cmpeq_epi8(_mm_max_epu8(value, letter_a), value);
    ends |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(end_marks))} << i;
    at_least_a |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(letters))} << i;
  }
  return BookByteMasks{ends, ~at_least_a & ~ends};
}
#endif

// The masks of the 64 bytes at `bytes`, all of which must be readable.
inline BookByteMasks book_byte_masks(const unsigned char* bytes) {
#ifdef LEXICULL_BOOK_MASKS_SSE2
  return book_byte_masks_sse2(bytes);
#else
  return book_byte_masks_portable(bytes);
#endif
}

}  // namespace lexicull

#endif  // LEXICULL_BOOK_BOOK_BYTE_MASKS_H_
