#ifndef LEXICULL_BASE_CODING_H_
#define LEXICULL_BASE_CODING_H_

// Eight bytes as one integer with the first byte in memory as the least
// significant, on every machine. Word keys and the eight-at-a-time loops are
// built on this order, so that big-endian machines give the same results;
// on little-endian ones each call is one plain load or store.

#include <cstdint>
#include <cstring>

namespace lexicull {

inline constexpr bool kBigEndian =
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    true;
#else
    false;  // every Windows machine, and the rest
#endif

inline std::uint64_t swap_bytes(std::uint64_t value) {
#if defined(__GNUC__) || defined(__clang__)
  return __builtin_bswap64(value);
#else
  std::uint64_t swapped = 0;
  for (int i = 0; i < 8; ++i, value >>= 8) swapped = swapped << 8 | (value & 0xFF);
  return swapped;
#endif
}

// The eight bytes at `data`; all eight must be readable.
inline std::uint64_t load_little_endian64(const unsigned char* data) {
  std::uint64_t value;
  std::memcpy(&value, data, sizeof value);
  return kBigEndian ? swap_bytes(value) : value;
}

inline void store_little_endian64(unsigned char* data, std::uint64_t value) {
  if (kBigEndian) value = swap_bytes(value);
  std::memcpy(data, &value, sizeof value);
}

// The `size` bytes (at most 8) at `data`, reading no further; the rest zero.
inline std::uint64_t load_little_endian_partial(const unsigned char* data, std::size_t size) {
  unsigned char bytes[8] = {};
  std::memcpy(bytes, data, size);
  return load_little_endian64(bytes);
}

}  // namespace lexicull

#endif  // LEXICULL_BASE_CODING_H_
