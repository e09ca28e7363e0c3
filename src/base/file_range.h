#ifndef LEXICULL_BASE_FILE_RANGE_H_
#define LEXICULL_BASE_FILE_RANGE_H_

#include <cstddef>
#include <cstdint>

#include "base/byte_stream.h"
#include "base/status.h"

namespace lexicull {

// The bytes from `begin` to `end` of a file read at offsets, read in order.
// The position is this object's own, so several ranges of one file may be
// read at once, each on its own thread.
class FileRange : public ByteSource {
 public:
  // An `end` past the file's end reads on to wherever the file ends.
  FileRange(const RandomAccessFile& file, std::uint64_t begin, std::uint64_t end)
      : file_(file), position_(begin), end_(end) {}

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    const std::uint64_t left = end_ - position_;
    if (capacity > left) capacity = static_cast<std::size_t>(left);
    *count = 0;
    if (capacity == 0) return Status();
    Status status = file_.read_at(position_, buffer, capacity, count);
    position_ += *count;
    return status;
  }

  // Where the next read begins: just after the bytes read so far.
  std::uint64_t position() const { return position_; }

 private:
  const RandomAccessFile& file_;
  std::uint64_t position_;
  std::uint64_t end_;
};

// Reads from `offset` until `capacity` bytes are in or the file ends, however
// few bytes each read brings; their count lands in `*count`.
inline Status read_fully_at(const RandomAccessFile& file, std::uint64_t offset,
                            unsigned char* buffer, std::size_t capacity, std::size_t* count) {
  *count = 0;
  while (*count < capacity) {
    std::size_t got = 0;
    Status status = file.read_at(offset + *count, buffer + *count, capacity - *count, &got);
    if (!status.ok()) return status;
    if (got == 0) break;
    *count += got;
  }
  return Status();
}

}  // namespace lexicull

#endif  // LEXICULL_BASE_FILE_RANGE_H_
