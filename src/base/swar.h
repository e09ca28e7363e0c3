#ifndef LEXICULL_BASE_SWAR_H_
#define LEXICULL_BASE_SWAR_H_

// Eight bytes at a time in a plain 64-bit integer: portable C++, no vector
// instructions, so the same code builds for 32-bit Windows and big-endian
// machines. Callers keep a byte-at-a-time loop for what is left over.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/coding.h"

namespace lexicull {
namespace swar {

using Bytes8 = std::uint64_t;

inline constexpr Bytes8 kOnes = 0x0101010101010101ull;
inline constexpr Bytes8 kHighBits = 0x8080808080808080ull;
inline constexpr Bytes8 kLow7Bits = 0x7F7F7F7F7F7F7F7Full;

// The first byte in memory is the least significant one, on every machine.
inline Bytes8 load(const unsigned char* data) { return load_little_endian64(data); }
inline void store(unsigned char* data, Bytes8 value) { store_little_endian64(data, value); }

// The high bit of each byte whose value is at least `floor` (below 0x80),
// not counting bytes of 0x80 and above.
inline Bytes8 ascii_at_least(Bytes8 value, unsigned char floor) {
  return ((value & kLow7Bits) + kOnes * (0x80 - floor)) & ~value & kHighBits;
}

// The high bit of each byte below `ceiling` (at most 0x80).
inline Bytes8 below(Bytes8 value, unsigned char ceiling) {
  return ~(((value & kLow7Bits) + kOnes * (0x80 - ceiling)) | value) & kHighBits;
}

// "A" to "Z" become "a" to "z"; every other byte stays.
inline Bytes8 to_lower(Bytes8 value) {
  const Bytes8 upper = ascii_at_least(value, 'A') & ~ascii_at_least(value, 'Z' + 1);
  return value | (upper >> 2);
}

// Lower-cases `size` bytes in place, eight at a time where it can.
inline void lower_case_in_place(unsigned char* data, std::size_t size) {
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) store(data + i, to_lower(load(data + i)));
  for (; i < size; ++i) {
    const unsigned char byte = data[i];
    data[i] = static_cast<unsigned char>(byte >= 'A' && byte <= 'Z' ? byte + 0x20 : byte);
  }
}

// "A" to "Z" become "a" to "z" in the bytes that are at least "A"; the
// others may change too, so they must be of no use to the caller.
inline Bytes8 to_lower_if_at_least_a(Bytes8 value) { return value | (below(value, 'Z' + 1) >> 2); }

// The high bit of each byte equal to `byte`, exactly.
inline Bytes8 equal(Bytes8 value, unsigned char byte) {
  const Bytes8 difference = value ^ (kOnes * byte);
  return ~(((difference & kLow7Bits) + kLow7Bits) | difference) & kHighBits;
}

// The eight high bits of a mark gathered into one byte, byte i's as bit i:
// each lands on its own bit of the product, so none carries into another.
inline unsigned gather_marks(Bytes8 marks) {
  return static_cast<unsigned>(((marks >> 7) * 0x0102040810204080ull) >> 56);
}

// The high bit of the first byte equal to `byte`; bytes after it may be
// marked falsely, so only the first mark counts.
inline Bytes8 first_equal(Bytes8 value, unsigned char byte) {
  const Bytes8 difference = value ^ (kOnes * byte);
  return (difference - kOnes) & ~difference & kHighBits;
}

// The index of the lowest set bit of a non-zero value.
inline unsigned lowest_bit(std::uint64_t value) {
#if defined(__GNUC__) || defined(__clang__)
  return static_cast<unsigned>(__builtin_ctzll(value));
#else
  unsigned index = 0;
  for (; (value & 1) == 0; value >>= 1) ++index;
  return index;
#endif
}

// The index of the highest set bit of a non-zero value.
inline unsigned highest_bit(std::uint64_t value) {
#if defined(__GNUC__) || defined(__clang__)
  return 63 - static_cast<unsigned>(__builtin_clzll(value));
#else
  unsigned index = 63;
  for (; (value >> index) == 0; --index) {
  }
  return index;
#endif
}

// The index (0 to 7) of the first byte marked in a non-zero mark.
inline unsigned first_marked(Bytes8 marks) { return lowest_bit(marks) / 8; }

}  // namespace swar
}  // namespace lexicull

#endif  // LEXICULL_BASE_SWAR_H_
