#ifndef LEXICULL_BASE_PADDED_BYTES_H_
#define LEXICULL_BASE_PADDED_BYTES_H_

#include <cstddef>

#include "base/invariant.h"
namespace lexicull {

// A run of bytes that is followed by at least kPadding readable bytes, so
// that a loop may load eight or sixty-four bytes at a time up to its last
// byte without a bounds check. Only the owner of a padded buffer makes one;
// every part of it is padded too, since what follows a part stays readable.
class PaddedBytes {
 public:
  static constexpr std::size_t kPadding = 64;

  PaddedBytes() = default;

  // `data` must be followed by `size` + kPadding readable bytes.
  static PaddedBytes in_padded_buffer(const unsigned char* data, std::size_t size) {
    return PaddedBytes(data, size);
  }

  const unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }
  const unsigned char* end() const { return data_ + size_; }
  bool empty() const { return size_ == 0; }

  // The `count` bytes from `offset` on; both must lie within.
  PaddedBytes part(std::size_t offset, std::size_t count) const {
    LEXICULL_INVARIANT_LE(offset, size_);
    LEXICULL_INVARIANT_LE(count, size_ - offset);
    return PaddedBytes(data_ + offset, count);
  }
  // From `from` (within) to the end.
  PaddedBytes from(const unsigned char* from) const {
    LEXICULL_INVARIANT(from >= data_ && from <= end());
    return PaddedBytes(from, static_cast<std::size_t>(end() - from));
  }

 private:
  PaddedBytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_PADDED_BYTES_H_
