#include "testing/test_support.h"

#include <algorithm>
#include <cstring>

#include "base/byte_buffer.h"

namespace lexicull {
namespace {

WordKey key_of(std::string_view word, ByteBuffer& buffer) {
  buffer.reserve(word.size(), 0);
  if (!word.empty()) std::memcpy(buffer.data(), word.data(), word.size());
  return WordKey::of(buffer.view(word.size()));
}

}  // namespace

Status MemoryByteSource::read(unsigned char* buffer, std::size_t capacity, std::size_t* count) {
  Status status = read_at(position_, buffer, capacity, count);
  position_ += *count;
  return status;
}

bool MemoryByteSource::size_if_seekable(std::uint64_t* size) const {
  *size = data_.size();
  return true;
}

Status MemoryByteSource::read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                                 std::size_t* count) const {
  const std::size_t from = offset < data_.size() ? static_cast<std::size_t>(offset) : data_.size();
  const std::size_t size = std::min({capacity, max_read_, data_.size() - from});
  if (size > 0) std::memcpy(buffer, data_.data() + from, size);
  *count = size;
  return Status();
}

Status MemoryByteSink::write(const unsigned char* data, std::size_t size) {
  bytes_.append(reinterpret_cast<const char*>(data), size);
  ++write_count_;
  return Status();
}

void insert_word(BookWordSet& words, std::string_view word) {
  ByteBuffer buffer;
  words.insert(key_of(word, buffer));
}

BookWordSet::WordId find_word(const BookWordSet& words, std::string_view word) {
  ByteBuffer buffer;
  return words.find(key_of(word, buffer));
}

void set_translation(VocabularyMap& map, std::string_view key, std::string_view translation) {
  const BookWordSet::WordId id = find_word(map.keys(), key);
  if (id != BookWordSet::kAbsent) map.translation_slot(id).assign(translation);
}

std::string_view translation_of(const VocabularyMap& map, std::string_view key) {
  const BookWordSet::WordId id = find_word(map.keys(), key);
  return id == BookWordSet::kAbsent ? std::string_view() : map.translation(id);
}

}  // namespace lexicull
