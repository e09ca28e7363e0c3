#ifndef LEXICULL_BASE_BLOCK_LIST_H_
#define LEXICULL_BASE_BLOCK_LIST_H_

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "base/page_mapping.h"

namespace lexicull {

// Elements appended in order and never moved, kept in blocks of
// kPerBlock. A growing std::vector copies every element into fresh memory
// each time it doubles, so that it touches about twice the memory it ends
// with; here a block's pages are touched only as elements fill them.
template <typename T, std::size_t kPerBlock = 4096>
class BlockList {
  static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                "a block is left unwritten until elements fill it");

 public:
  std::size_t size() const { return size_; }

  void push_back(const T& value) {
    // Default-initialised: the block's memory is not written here. Every
    // block but the last is filled to its end.
    if (size_ % kPerBlock == 0) {
      blocks_.emplace_back(new T[kPerBlock]);
      map_for_writing(blocks_.back().get(), sizeof(T) * kPerBlock);
    }
    blocks_.back()[size_ % kPerBlock] = value;
    ++size_;
  }

  const T& operator[](std::size_t index) const {
    return blocks_[index / kPerBlock][index % kPerBlock];
  }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_BLOCK_LIST_H_
