#ifndef LEXICULL_BASE_BYTE_STREAM_H_
#define LEXICULL_BASE_BYTE_STREAM_H_

#include <cstddef>

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
