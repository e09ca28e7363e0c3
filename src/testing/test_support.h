#ifndef LEXICULL_TESTING_TEST_SUPPORT_H_
#define LEXICULL_TESTING_TEST_SUPPORT_H_

// Test doubles and helpers for the tests and the fuzzers; never linked into
// the program.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_stream.h"
#include "base/mutex.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "text/text_parts.h"
#include "vocabulary/vocabulary_map.h"

namespace lexicull {

// Bytes held in memory, read in order as a pipe is, delivering at most
// `max_read` bytes per read so that tests can cut the same input at any
// block boundary.
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

// Bytes held in memory, read at offsets as a regular file is, at most
// `max_read` bytes per read. Like a Windows file handle, it keeps a file
// pointer that every read at an offset moves to where that read ended, so
// that code which mixed reads at offsets with reads in order would lose
// bytes here as it does there.
class MemoryFile : public RandomAccessFile {
 public:
  explicit MemoryFile(std::string_view data, std::size_t max_read = static_cast<std::size_t>(-1))
      : data_(data), max_read_(max_read == 0 ? 1 : max_read) {}

  std::uint64_t size() const override { return data_.size(); }
  Status read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                 std::size_t* count) const override;

  // Reads in order from the file pointer: what a Windows handle would give
  // to a plain read. Only for tests of that behaviour.
  Status read_from_file_pointer(unsigned char* buffer, std::size_t capacity, std::size_t* count);

  // Makes every read that would reach a byte in [begin, end) fail, as a
  // damaged disk would.
  void fail_reads_of(std::uint64_t begin, std::uint64_t end) {
    failing_begin_ = begin;
    failing_end_ = end;
  }
  // How many bytes were delivered at or after `offset`, in all reads so far.
  std::uint64_t bytes_read_from(std::uint64_t offset) const;

 private:
  struct Read {
    std::uint64_t offset;
    std::size_t count;
  };

  std::string_view data_;
  std::size_t max_read_;
  std::uint64_t failing_begin_ = 0;
  std::uint64_t failing_end_ = 0;
  mutable Mutex mutex_;  // reads come from several threads
  mutable std::uint64_t file_pointer_ GUARDED_BY(mutex_) = 0;
  mutable std::vector<Read> reads_ GUARDED_BY(mutex_);
};

// The bytes as an input that is read in order (a pipe) or at offsets (a
// regular file), at most `max_read` bytes per read.
enum class InputKind { kInOrder, kAtOffsets };
InputFile memory_input(std::string_view data, InputKind kind,
                       std::size_t max_read = static_cast<std::size_t>(-1));

// The ways the tests read every input: in order, and at offsets in up to
// one, two and three parts of any size, so that even a short input is cut.
struct Reading {
  InputKind kind;
  unsigned threads;

  PartOptions options() const { return PartOptions{threads, 1}; }
};
inline constexpr Reading kReadings[] = {
    {InputKind::kInOrder, 1},
    {InputKind::kAtOffsets, 1},
    {InputKind::kAtOffsets, 2},
    {InputKind::kAtOffsets, 3},
};
std::string describe(const Reading& reading);

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

// The word set and the map by plain strings, through a padded copy.
void insert_word(BookWordSet& words, std::string_view word);
BookWordSet::WordId find_word(const BookWordSet& words, std::string_view word);
// A key that is no book word is ignored, as the reader ignores it.
void set_translation(VocabularyMap& map, std::string_view key, std::string_view translation);
// Empty when the key is no book word or has no translation.
std::string_view translation_of(const VocabularyMap& map, std::string_view key);

// Keeps the text it is fed, and counts the finish() calls: a book reader
// for tests of what a format hands on.
class TextCapture : public WholeTextReader {
 public:
  void feed(PaddedBytes text) override {
    text_.append(reinterpret_cast<const char*>(text.data()), text.size());
  }
  void finish() override { ++finished_; }
  unsigned char part_separator() const override { return '\n'; }
  const std::string& text() const { return text_; }
  int finished() const { return finished_; }

 private:
  std::string text_;
  int finished_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_TESTING_TEST_SUPPORT_H_
