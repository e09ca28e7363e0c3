#ifndef LEXICULL_BASE_ZEROED_ARRAY_H_
#define LEXICULL_BASE_ZEROED_ARRAY_H_

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "base/page_mapping.h"

namespace lexicull {

// A number of T, every byte zero at first. The memory comes from
// calloc, which takes a large block as fresh pages from the system, zero
// already: nothing writes the zeros, and a page of a hash table that no
// entry lands on is never touched. (std::vector writes every element.)
template <typename T>
class ZeroedArray {
  static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                "all zero bytes must be a T");

 public:
  ZeroedArray() = default;
  explicit ZeroedArray(std::size_t size) : size_(size) {
    if (size == 0) return;
    data_ = static_cast<T*>(std::calloc(size, sizeof(T)));
    if (data_ == nullptr) throw std::bad_alloc();
  }
  ZeroedArray(ZeroedArray&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  ZeroedArray& operator=(ZeroedArray&& other) noexcept {
    swap(other);
    return *this;
  }
  ZeroedArray(const ZeroedArray&) = delete;
  ZeroedArray& operator=(const ZeroedArray&) = delete;
  ~ZeroedArray() { std::free(data_); }

  // Makes the array `size` elements, every byte zero again, in the same
  // memory grown: a large block is remapped rather than copied where the
  // system can, so that its pages are used again instead of fresh ones.
  // Throws std::bad_alloc, leaving the array as it was, when there is no
  // memory.
  void clear_to_size(std::size_t size) {
    if (size > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    void* const grown = std::realloc(data_, size * sizeof(T));
    if (grown == nullptr && size > 0) throw std::bad_alloc();
    data_ = static_cast<T*>(grown);
    size_ = size;
    if (size > 0) {
      // Every page is written now; those the growth added are fresh.
      map_for_writing(data_, size * sizeof(T));
      std::memset(data_, 0, size * sizeof(T));
    }
  }

  void swap(ZeroedArray& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
  }

  std::size_t size() const { return size_; }
  T& operator[](std::size_t index) { return data_[index]; }
  const T& operator[](std::size_t index) const { return data_[index]; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

 private:
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_ZEROED_ARRAY_H_
