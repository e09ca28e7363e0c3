#ifndef LEXICULL_TEXT_BYTE_STREAM_H_
#define LEXICULL_TEXT_BYTE_STREAM_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "text/status.h"

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

// A source over bytes held in memory, delivering at most `max_read` bytes per
// read so that tests can cut the same input at any block boundary.
class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view data,
                            std::size_t max_read = static_cast<std::size_t>(-1))
      : data_(data), max_read_(max_read == 0 ? 1 : max_read) {}

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override;

 private:
  std::string_view data_;
  std::size_t position_ = 0;
  std::size_t max_read_;
};

// A sink that collects everything written, and records each write separately.
class MemoryByteSink : public ByteSink {
 public:
  Status write(const unsigned char* data, std::size_t size) override;

  const std::string& bytes() const { return bytes_; }
  std::size_t write_count() const { return write_count_; }

 private:
  std::string bytes_;
  std::size_t write_count_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_TEXT_BYTE_STREAM_H_
