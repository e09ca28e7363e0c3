#include "vocabulary/read_vocabulary.h"

#include <cstring>

#include "text/byte_classes.h"
#include "text/text_mode_reader.h"

namespace lexicull {
namespace {

const unsigned char* find_byte(const unsigned char* from, const unsigned char* end,
                               unsigned char byte) {
  return static_cast<const unsigned char*>(std::memchr(from, byte, end - from));
}

void assign_lower_case(std::string& target, const unsigned char* data, std::size_t size) {
  target.resize(size);
  for (std::size_t i = 0; i < size; ++i) target[i] = static_cast<char>(to_lower(data[i]));
}

}  // namespace

void VocabularyEntryReader::take_line(const unsigned char* line, std::size_t size) {
  const unsigned char* const end = line + size;
  const unsigned char* separator = find_byte(line, end, kEntrySeparator);
  const std::size_t key_size = separator ? separator - line : size;
  const BookWordSet& keys = map_.keys();
  if (key_size > keys.longest_word_size()) return;

  assign_lower_case(key_, line, key_size);
  const BookWordSet::WordId id = keys.find(key_);
  if (id == BookWordSet::kAbsent) return;

  std::string& translation = map_.translation_slot(id);
  if (separator == nullptr) {
    translation = key_;
  } else {
    assign_lower_case(translation, separator + 1, end - separator - 1);
  }
}

void VocabularyEntryReader::drop_pending_line_if_useless() {
  if (pending_key_wanted_) return;
  const auto* line = reinterpret_cast<const unsigned char*>(pending_line_.data());
  const unsigned char* separator = find_byte(line, line + pending_line_.size(), kEntrySeparator);
  const std::size_t key_size = separator ? separator - line : pending_line_.size();
  bool wanted = key_size <= map_.keys().longest_word_size();
  if (wanted && separator != nullptr) {
    assign_lower_case(key_, line, key_size);
    wanted = map_.keys().find(key_) != BookWordSet::kAbsent;
    pending_key_wanted_ = wanted;
  }
  if (!wanted) {
    pending_line_.clear();
    skipping_line_ = true;
  }
}

void VocabularyEntryReader::feed(const unsigned char* text, std::size_t size) {
  if (size == 0) return;
  const unsigned char* in = text;
  const unsigned char* const end = text + size;
  if (skipping_line_ || !pending_line_.empty()) {
    const unsigned char* line_feed = find_byte(in, end, kLineFeed);
    if (line_feed == nullptr) {
      if (!skipping_line_) {
        pending_line_.append(reinterpret_cast<const char*>(in), size);
        drop_pending_line_if_useless();
      }
      return;
    }
    if (!skipping_line_) {
      pending_line_.append(reinterpret_cast<const char*>(in), line_feed - in);
      take_line(reinterpret_cast<const unsigned char*>(pending_line_.data()), pending_line_.size());
      pending_line_.clear();
    }
    skipping_line_ = false;
    pending_key_wanted_ = false;
    in = line_feed + 1;
  }
  while (in < end) {
    const unsigned char* line_feed = find_byte(in, end, kLineFeed);
    if (line_feed == nullptr) {
      pending_line_.assign(reinterpret_cast<const char*>(in), end - in);
      drop_pending_line_if_useless();
      return;
    }
    take_line(in, line_feed - in);
    in = line_feed + 1;
  }
}

void VocabularyEntryReader::finish() {
  if (!pending_line_.empty()) {
    take_line(reinterpret_cast<const unsigned char*>(pending_line_.data()), pending_line_.size());
  }
  pending_line_.clear();
  pending_key_wanted_ = false;
  skipping_line_ = false;
}

Status read_vocabulary(ByteSource& vocabulary, VocabularyMap& map) {
  VocabularyEntryReader entries(map);
  return feed_text(vocabulary, entries);
}

}  // namespace lexicull
