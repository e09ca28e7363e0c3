#ifndef LEXICULL_TEXT_WORD_START_H_
#define LEXICULL_TEXT_WORD_START_H_

// The first sixteen bytes of a word, lower-cased and cut to the word's size,
// as the word set takes them: one 16-byte register operation on x86-64,
// eight bytes per integer everywhere else, with the same result on every
// machine.

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#define LEXICULL_WORD_START_SSE2 1
#endif

#include "base/swar.h"

namespace lexicull {

// Bytes 0 to 7 of a word (the head) and 8 to 15 (the tail), each as an
// integer whose least significant byte comes first; "A" to "Z" are lower-cased
// and the bytes past the word are zero.
struct WordStart {
  std::uint64_t head;
  std::uint64_t tail;
};

namespace word_start_internal {

// Sixteen bytes kept, then sixteen dropped: the sixteen bytes from 16 - size
// keep the first `size` of a word.
alignas(64) inline constexpr unsigned char kKeptBytes[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0};

}  // namespace word_start_internal

// The bytes of a head that a word of `size` bytes fills (all eight from
// eight on), and those of its tail: a load from a table, cheaper in the
// readers' loops than a shift by a variable.
inline std::uint64_t head_bytes_mask(std::size_t size) {
  return swar::load(word_start_internal::kKeptBytes + 16 - (size < 8 ? size : 8));
}
inline std::uint64_t tail_bytes_mask(std::size_t size) {
  return swar::load(word_start_internal::kKeptBytes + 24 - (size < 16 ? size : 16));
}

// `size` at most 16; the sixteen bytes at `word` must be readable.
inline WordStart lowered_word_start_portable(const unsigned char* word, std::size_t size) {
  return WordStart{swar::to_lower(swar::load(word)) & head_bytes_mask(size),
                   swar::to_lower(swar::load(word + 8)) & tail_bytes_mask(size)};
}

#ifdef LEXICULL_WORD_START_SSE2
inline WordStart lowered_word_start_sse2(const unsigned char* word, std::size_t size) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(word));
  // "A" to "Z" become -128 to -103 and nothing else does: one signed compare.
  const __m128i shifted = _mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(0x80 - 'A')));
  const __m128i upper = _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(-128 + 26)));
  const __m128i lowered = _mm_or_si128(bytes, _mm_and_si128(upper, _mm_set1_epi8(0x20)));
  const __m128i kept = _mm_loadu_si128(
      reinterpret_cast<const __m128i*>(word_start_internal::kKeptBytes + 16 - size));
  const __m128i start = _mm_and_si128(lowered, kept);
  return WordStart{static_cast<std::uint64_t>(_mm_cvtsi128_si64(start)),
                   static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(start, start)))};
}
#endif

// The start of the word of `size` bytes (at most 16) at `word`, whose
// sixteen bytes must be readable.
inline WordStart lowered_word_start(const unsigned char* word, std::size_t size) {
#ifdef LEXICULL_WORD_START_SSE2
  return lowered_word_start_sse2(word, size);
#else
  return lowered_word_start_portable(word, size);
#endif
}

}  // namespace lexicull

#endif  // LEXICULL_TEXT_WORD_START_H_
