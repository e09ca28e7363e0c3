#include "base/arena.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/page_mapping.h"

namespace lexicull {

unsigned char* Arena::new_block(std::size_t size) {
  MallocBytes block(static_cast<unsigned char*>(std::malloc(size + kReadablePastEnd)));
  if (!block) throw std::bad_alloc();
  blocks_.push_back(std::move(block));
  memory_usage_ += size + kReadablePastEnd;
  // Strings fill a block from its start, and all but the last to its end.
  map_for_writing(blocks_.back().get(), size + kReadablePastEnd);
  return blocks_.back().get();
}

unsigned char* Arena::allocate(std::size_t size) {
  unsigned char* bytes;
  if (size > kBlockSize / 4) {
    // The current block keeps its free room for the small strings to come.
    bytes = new_block(size);
  } else {
    // An empty string too gets a block, for the bytes past its end.
    if (size > left_ || free_ == nullptr) {
      free_ = new_block(kBlockSize);
      left_ = kBlockSize;
    }
    bytes = free_;
    free_ += size;
    left_ -= size;
  }
  return bytes;
}

const unsigned char* Arena::copy(const unsigned char* data, std::size_t size) {
  unsigned char* bytes = allocate(size);
  if (size > 0) std::memcpy(bytes, data, size);
  return bytes;
}

void Arena::adopt(MallocBytes block, std::size_t size) {
  blocks_.push_back(std::move(block));
  memory_usage_ += size;
}

void Arena::adopt_all(Arena& other) {
  for (MallocBytes& block : other.blocks_) blocks_.push_back(std::move(block));
  memory_usage_ += other.memory_usage_;
  other.blocks_.clear();
  other.free_ = nullptr;
  other.left_ = 0;
  other.memory_usage_ = 0;
}

}  // namespace lexicull
