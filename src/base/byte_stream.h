#ifndef LEXICULL_BASE_BYTE_STREAM_H_
#define LEXICULL_BASE_BYTE_STREAM_H_

#include <cstddef>
#include <cstdint>

#include "base/status.h"

namespace lexicull {

// Where input bytes come from: an open file in the program, memory in tests.
class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Reads up to `capacity` bytes into `buffer` and stores their count in
  // `*count`; a count of 0 means the end of the input. Any number of bytes
  // from 1 to `capacity` may arrive, whatever remains.
  virtual Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) = 0;
};

// An input file. A regular file can also be read at any offset, from several
// threads at once, so that its parts can be read side by side; a pipe, FIFO
// or terminal is read only in order, through read().
class InputFile : public ByteSource {
 public:
  // Whether the file can be read at offsets, and if so its size.
  virtual bool size_if_seekable(std::uint64_t* size) const = 0;

  // Reads up to `capacity` bytes from `offset` on, as read() does from the
  // current position (which it neither uses nor moves). Only for a seekable
  // file; safe to call from several threads at once.
  virtual Status read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                         std::size_t* count) const = 0;
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
