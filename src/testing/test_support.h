#ifndef LEXICULL_TESTING_TEST_SUPPORT_H_
#define LEXICULL_TESTING_TEST_SUPPORT_H_

// Test doubles and helpers for the tests and the fuzzers; never linked into
// the program.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_stream.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "vocabulary/vocabulary_map.h"

namespace lexicull {

// A seekable file over bytes held in memory, delivering at most `max_read`
// bytes per read so that tests can cut the same input at any block boundary.
class MemoryByteSource : public InputFile {
 public:
  explicit MemoryByteSource(std::string_view data,
                            std::size_t max_read = static_cast<std::size_t>(-1))
      : data_(data), max_read_(max_read == 0 ? 1 : max_read) {}

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override;
  bool size_if_seekable(std::uint64_t* size) const override;
  Status read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                 std::size_t* count) const override;

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

// The word set and the map by plain strings, through a padded copy.
void insert_word(BookWordSet& words, std::string_view word);
BookWordSet::WordId find_word(const BookWordSet& words, std::string_view word);
// A key that is no book word is ignored, as the reader ignores it.
void set_translation(VocabularyMap& map, std::string_view key, std::string_view translation);
// Empty when the key is no book word or has no translation.
std::string_view translation_of(const VocabularyMap& map, std::string_view key);

}  // namespace lexicull

#endif  // LEXICULL_TESTING_TEST_SUPPORT_H_
