#ifndef LEXICULL_TEXT_BYTE_MASKS_H_
#define LEXICULL_TEXT_BYTE_MASKS_H_

// Sixty-four bytes of text classified at once into bit masks, bit i for the
// byte at offset i, so that a reader walks from word to word or from line to
// line by mask bits instead of testing every byte. SSE2 where the compiler
// targets it, eight bytes per integer everywhere else; both give the same
// masks, on every machine.

#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define LEXICULL_BYTE_MASKS_SSE2 1
#endif

#include "base/invariant.h"
#include "base/swar.h"

namespace lexicull {

struct ByteMasks {
  std::uint64_t first;   // the bytes equal to the first byte asked for
  std::uint64_t second;  // the bytes equal to the second
  std::uint64_t below;   // the bytes below the ceiling (unsigned)

  // Leaves only the first `count` bytes marked (`count` below 64).
  void keep_first(unsigned count) {
    LEXICULL_INVARIANT_LT(count, 64u);
    const std::uint64_t kept = (std::uint64_t{1} << count) - 1;
    first &= kept;
    second &= kept;
    below &= kept;
  }
};

inline ByteMasks byte_masks_portable(const unsigned char* bytes, unsigned char first,
                                     unsigned char second, unsigned char ceiling) {
  ByteMasks masks{0, 0, 0};
  for (unsigned i = 0; i < 64; i += 8) {
    const swar::Bytes8 value = swar::load(bytes + i);
    masks.first |= std::uint64_t{swar::gather_marks(swar::equal(value, first))} << i;
    masks.second |= std::uint64_t{swar::gather_marks(swar::equal(value, second))} << i;
    masks.below |= std::uint64_t{swar::gather_marks(swar::below(value, ceiling))} << i;
  }
  return masks;
}

#ifdef LEXICULL_BYTE_MASKS_SSE2
inline ByteMasks byte_masks_sse2(const unsigned char* bytes, unsigned char first,
                                 unsigned char second, unsigned char ceiling) {
  const __m128i firsts = _mm_set1_epi8(static_cast<char>(first));
  const __m128i seconds = _mm_set1_epi8(static_cast<char>(second));
  const __m128i floor = _mm_set1_epi8(static_cast<char>(ceiling));
  ByteMasks masks{0, 0, 0};
  std::uint64_t at_least = 0;
  for (unsigned i = 0; i < 64; i += 16) {
    const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const auto mask_of = [](__m128i marks) {
      return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(marks))};
    };
    masks.first |= mask_of(_mm_cmpeq_epi8(value, firsts)) << i;
    masks.second |= mask_of(_mm_cmpeq_epi8(value, seconds)) << i;
    // Unsigned: the byte is at least the ceiling when the larger of the two is the byte.
    at_least |= mask_of(_mm_cmpeq_epi8(_mm_max_epu8(value, floor), value)) << i;
  }
  masks.below = ~at_least;
  return masks;
}
#endif

// The masks of the 64 bytes at `bytes`, all of which must be readable: the
// bytes equal to `first`, those equal to `second`, and those below `ceiling`
// (at most 0x80).
inline ByteMasks byte_masks(const unsigned char* bytes, unsigned char first, unsigned char second,
                            unsigned char ceiling) {
#ifdef LEXICULL_BYTE_MASKS_SSE2
  return byte_masks_sse2(bytes, first, second, ceiling);
#else
  return byte_masks_portable(bytes, first, second, ceiling);
#endif
}

}  // namespace lexicull

#endif  // LEXICULL_TEXT_BYTE_MASKS_H_
