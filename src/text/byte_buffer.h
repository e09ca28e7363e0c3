#ifndef LEXICULL_TEXT_BYTE_BUFFER_H_
#define LEXICULL_TEXT_BYTE_BUFFER_H_

#include <cstddef>
#include <cstring>
#include <memory>

namespace lexicull {

// Scratch storage that grows without writing to the new bytes, so that a
// buffer grown for one huge word or line costs memory only for what is used
// (std::vector would zero all of it first).
class ByteBuffer {
 public:
  unsigned char* data() { return bytes_.get(); }
  const unsigned char* data() const { return bytes_.get(); }
  std::size_t capacity() const { return capacity_; }

  // Gives the memory back when there is much of it, after a huge word or line.
  void shrink() {
    if (capacity_ > kKeptCapacity) {
      bytes_.reset();
      capacity_ = 0;
    }
  }

  // Makes room for at least `needed` bytes, keeping the first `kept`.
  void reserve(std::size_t needed, std::size_t kept) {
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

#endif  // LEXICULL_TEXT_BYTE_BUFFER_H_
