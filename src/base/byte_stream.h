#ifndef LEXICULL_BASE_BYTE_STREAM_H_
#define LEXICULL_BASE_BYTE_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/status.h"

namespace lexicull {

// Bytes read in order: a pipe, a FIFO or a terminal in the program, memory
// in tests, or a stretch of a file read at offsets.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Reads up to `capacity` bytes into `buffer` and stores their count in
  // `*count`; a count of 0 means the end of the input. Any number of bytes
  // from 1 to `capacity` may arrive, whatever remains.
  virtual Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) = 0;
};

// Reads from `source` until at least `least` bytes (at most `capacity`) are
// in or the input ends, however few bytes each read brings; their count
// lands in `*count`.
inline Status read_at_least(ByteSource& source, unsigned char* buffer, std::size_t least,
                            std::size_t capacity, std::size_t* count) {
  *count = 0;
  while (*count < least) {
    std::size_t got = 0;
    Status status = source.read(buffer + *count, capacity - *count, &got);
    if (!status.ok()) return status;
    if (got == 0) break;
    *count += got;
  }
  return Status();
}

// A regular file, read only at offsets. It has no position of its own that
// a caller may rely on (Windows moves the handle's file pointer on every
// read at an offset), so it offers no reading in order: use FileRange.
class RandomAccessFile {
 public:
  virtual ~RandomAccessFile() = default;

  // Its size when it was opened; it may have grown since.
  virtual std::uint64_t size() const = 0;

  // Reads up to `capacity` bytes from `offset` on, as ByteSource::read() does;
  // a count of 0 means `offset` is at or past the end. Safe to call from
  // several threads at once.
  virtual Status read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                         std::size_t* count) const = 0;
};

// An opened input, which is read one way only: a regular file at offsets,
// anything else in order. Exactly one of the two is there.
class InputFile {
 public:
  explicit InputFile(std::unique_ptr<ByteSource> in_order) : in_order_(std::move(in_order)) {}
  explicit InputFile(std::unique_ptr<RandomAccessFile> at_offsets)
      : at_offsets_(std::move(at_offsets)) {}

  // Null for a file read at offsets.
  ByteSource* in_order() const { return in_order_.get(); }
  // Null for a file read in order.
  const RandomAccessFile* at_offsets() const { return at_offsets_.get(); }

 private:
  std::unique_ptr<ByteSource> in_order_;
  std::unique_ptr<RandomAccessFile> at_offsets_;
};

// Where output bytes go. Every call hands the bytes to the system before it
// returns, so that a line written is a line the reader can see.
class ByteSink {
 public:
  virtual ~ByteSink() = default;

  // Writes all `size` bytes, or fails with the system's reason.
  virtual Status write(const unsigned char* data, std::size_t size) = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_BYTE_STREAM_H_
