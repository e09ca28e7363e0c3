#include "testing/test_support.h"

#include <algorithm>
#include <cstring>

#include "base/byte_buffer.h"

namespace lexicull {

Status MemoryByteSource::read(unsigned char* buffer, std::size_t capacity, std::size_t* count) {
  const std::size_t size = std::min({capacity, max_read_, data_.size() - position_});
  if (size > 0) std::memcpy(buffer, data_.data() + position_, size);
  position_ += size;
  *count = size;
  return Status();
}

Status MemoryFile::read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                           std::size_t* count) const {
  MutexLock lock(mutex_);
  *count = 0;
  const std::size_t from = offset < data_.size() ? static_cast<std::size_t>(offset) : data_.size();
  const std::size_t size = std::min({capacity, max_read_, data_.size() - from});
  if (size > 0 && from < failing_end_ && from + size > failing_begin_) {
    return Status::failure("Input/output error");
  }
  if (size > 0) std::memcpy(buffer, data_.data() + from, size);
  *count = size;
  file_pointer_ = from + size;
  reads_.push_back(Read{from, size});
  return Status();
}

Status MemoryFile::read_from_file_pointer(unsigned char* buffer, std::size_t capacity,
                                          std::size_t* count) {
  std::uint64_t at;
  {
    MutexLock lock(mutex_);
    at = file_pointer_;
  }
  return read_at(at, buffer, capacity, count);
}

std::uint64_t MemoryFile::bytes_read_from(std::uint64_t offset) const {
  MutexLock lock(mutex_);
  std::uint64_t total = 0;
  for (const Read& read : reads_) {
    const std::uint64_t end = read.offset + read.count;
    if (end > offset) total += end - std::max(read.offset, offset);
  }
  return total;
}

InputFile memory_input(std::string_view data, InputKind kind, std::size_t max_read) {
  if (kind == InputKind::kInOrder) {
    return InputFile(std::unique_ptr<ByteSource>(new MemoryByteSource(data, max_read)));
  }
  return InputFile(std::unique_ptr<RandomAccessFile>(new MemoryFile(data, max_read)));
}

std::string describe(const Reading& reading) {
  if (reading.kind == InputKind::kInOrder) return "read in order";
  return "read at offsets by " + std::to_string(reading.threads) + " threads";
}

Status MemoryByteSink::write(const unsigned char* data, std::size_t size) {
  bytes_.append(reinterpret_cast<const char*>(data), size);
  ++write_count_;
  return Status();
}

void insert_word(BookWordSet& words, std::string_view word) {
  ByteBuffer buffer;
  words.insert(WordKey::of_copy(word, buffer));
}

BookWordSet::WordId find_word(const BookWordSet& words, std::string_view word) {
  ByteBuffer buffer;
  return words.find(WordKey::of_copy(word, buffer));
}

void set_translation(VocabularyMap& map, std::string_view key, std::string_view translation) {
  const BookWordSet::WordId id = find_word(map.keys(), key);
  if (id == BookWordSet::kAbsent) return;
  map.set_translation(id, reinterpret_cast<const unsigned char*>(translation.data()),
                      translation.size());
}

std::string_view translation_of(const VocabularyMap& map, std::string_view key) {
  const BookWordSet::WordId id = find_word(map.keys(), key);
  return id == BookWordSet::kAbsent ? std::string_view() : map.translation(id);
}

}  // namespace lexicull
