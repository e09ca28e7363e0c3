#include "base/arena.h"

#include <cstring>

#include "base/page_mapping.h"

namespace lexicull {

unsigned char* Arena::new_block(std::size_t size) {
  blocks_.emplace_back(new unsigned char[size + kReadablePastEnd]);
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

}  // namespace lexicull
