#ifndef LEXICULL_BASE_BYTE_BUFFER_H_
#define LEXICULL_BASE_BYTE_BUFFER_H_

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "base/invariant.h"
#include "base/padded_bytes.h"

namespace lexicull {

// Memory from malloc, given back by free: a ByteBuffer's bytes may be handed
// on to an Arena that way.
struct FreeBytes {
  void operator()(unsigned char* bytes) const { std::free(bytes); }
};
using MallocBytes = std::unique_ptr<unsigned char, FreeBytes>;

// Scratch storage with padding after whatever it holds, which grows without
// writing to the new bytes, so that a buffer grown for one huge word or line
// costs memory only for what is used (std::vector would zero all of it
// first). It grows in place where the system can (a large block is moved by
// remapping its pages, not copied), so that a huge word is never held twice
// while it grows.
class ByteBuffer {
 public:
  unsigned char* data() { return bytes_.get(); }
  const unsigned char* data() const { return bytes_.get(); }
  std::size_t capacity() const { return capacity_; }
  // The first `size` bytes, which reserve() made room for.
  PaddedBytes view(std::size_t size) const {
    LEXICULL_INVARIANT(size == 0 || size <= capacity_ - PaddedBytes::kPadding);
    return PaddedBytes::in_padded_buffer(bytes_.get(), size);
  }
  // Gives the memory back when there is much of it, after a huge word or line.
  void shrink() {
    if (capacity_ > kKeptCapacity) release();
  }
  // Hands over the memory, all of capacity(), leaving the buffer empty.
  MallocBytes release() {
    capacity_ = 0;
    return std::move(bytes_);
  }
  // Makes room for at least `size` bytes and the padding after them, keeping
  // the first `kept`.
  void reserve(std::size_t size, std::size_t kept) {
    if (size > static_cast<std::size_t>(-1) - PaddedBytes::kPadding) throw std::bad_alloc();
    const std::size_t needed = size + PaddedBytes::kPadding;
    if (needed <= capacity_) return;
    const std::size_t grown = capacity_ + capacity_ / 2;
    const std::size_t capacity = grown > needed ? grown : needed;
    void* bytes;
    if (kept == 0) {
      bytes_.reset();
      bytes = std::malloc(capacity);
    } else {
      bytes = std::realloc(bytes_.get(), capacity);
    }
    if (bytes == nullptr) throw std::bad_alloc();
    (void)bytes_.release();
    bytes_.reset(static_cast<unsigned char*>(bytes));
    capacity_ = capacity;
  }

 private:
  static constexpr std::size_t kKeptCapacity = 1 << 20;

  MallocBytes bytes_;
  std::size_t capacity_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_BYTE_BUFFER_H_
