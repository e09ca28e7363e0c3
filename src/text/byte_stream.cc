#include "text/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace lexicull {

Status MemoryByteSource::read(unsigned char* buffer, std::size_t capacity, std::size_t* count) {
  const std::size_t size = std::min({capacity, max_read_, data_.size() - position_});
  if (size > 0) std::memcpy(buffer, data_.data() + position_, size);
  position_ += size;
  *count = size;
  return Status();
}

Status MemoryByteSink::write(const unsigned char* data, std::size_t size) {
  bytes_.append(reinterpret_cast<const char*>(data), size);
  ++write_count_;
  return Status();
}

}  // namespace lexicull
