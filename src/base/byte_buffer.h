#ifndef LEXICULL_BASE_BYTE_BUFFER_H_
#define LEXICULL_BASE_BYTE_BUFFER_H_

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "base/padded_bytes.h"

namespace lexicull {

// Scratch storage with padding after whatever it holds, which grows without
// writing to the new bytes, so that a buffer grown for one huge word or line
// costs memory only for what is used (std::vector would zero all of it
// first).
class ByteBuffer {
 public:
  unsigned char* data() { return bytes_.get(); }
  const unsigned char* data() const { return bytes_.get(); }

  // The first `size` bytes, which reserve() made room for.
  PaddedBytes view(std::size_t size) const {
    return PaddedBytes::in_padded_buffer(bytes_.get(), size);
  }

  // Gives the memory back when there is much of it, after a huge word or line.
  void shrink() {
    if (capacity_ > kKeptCapacity) {
      bytes_.reset();
      capacity_ = 0;
    }
  }

  // Makes room for at least `size` bytes and the padding after them, keeping
  // the first `kept`.
  void reserve(std::size_t size, std::size_t kept) {
    if (size > static_cast<std::size_t>(-1) - PaddedBytes::kPadding) throw std::bad_alloc();
    const std::size_t needed = size + PaddedBytes::kPadding;
    if (needed <= capacity_) return;
    const std::size_t grown = capacity_ + capacity_ / 2;
    const std::size_t capacity = grown > needed ? grown : needed;
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[capacity]);
    if (kept > 0) std::memcpy(bytes.get(), bytes_.get(), kept);
    bytes_ = std::move(bytes);
    capacity_ = capacity;
  }

 private:
  static constexpr std::size_t kKeptCapacity = 1 << 20;

  std::unique_ptr<unsigned char[]> bytes_;
  std::size_t capacity_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_BYTE_BUFFER_H_
