#include "context/sentences.h"

#include <algorithm>
#include <array>

namespace lexicull {
namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

bool is_word_byte(unsigned char byte) {
  return byte >= 0x80 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9');
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t place_of(std::string_view text, std::string_view key) {
  if (key.empty()) return std::string::npos;
  for (std::size_t at = 0; at + key.size() <= text.size(); ++at) {
    std::size_t k = 0;
    while (k < key.size() && to_lower(static_cast<unsigned char>(text[at + k])) ==
                                 to_lower(static_cast<unsigned char>(key[k]))) {
      ++k;
    }
    if (k < key.size()) continue;
    const bool before = at > 0 && is_word_byte(static_cast<unsigned char>(text[at - 1]));
    const bool after = at + key.size() < text.size() &&
                       is_word_byte(static_cast<unsigned char>(text[at + key.size()]));
    if (!before && !after) return at;
  }
  return std::string::npos;
}

void SentenceSplitter::feed(PaddedBytes text) {
  // The bytes that may end a sentence or follow its end mark; every other
  // byte only clears the mark.
  static constexpr auto kMarks = [] {
    std::array<bool, 256> marks{};
    for (const unsigned char byte : {' ', '\n', '.', '!', '?', '\xA6'}) marks[byte] = true;
    return marks;
  }();
  const unsigned char* const bytes = text.data();
  const std::size_t size = text.size();
  std::size_t run = 0;  // where the bytes not yet held begin
  for (std::size_t at = 0; at < size; ++at) {
    const unsigned char byte = bytes[at];
    if (!kMarks[byte]) {
      after_end_mark_ = false;
      continue;
    }
    const unsigned char before = at > 0 ? bytes[at - 1] : previous_;
    if ((after_end_mark_ && (byte == ' ' || byte == '\n')) || (byte == '\n' && before == '\n')) {
      hold(bytes + run, at - run);
      run = at + 1;
      end_sentence();
    } else if (byte == 0xA6) {
      // The last byte of U+2026, whose first two may stand in the block
      // before.
      const unsigned char first = at >= 2 ? bytes[at - 2] : ahead_of(at, 2);
      after_end_mark_ = first == 0xE2 && before == 0x80;
    } else {
      after_end_mark_ = byte != ' ' && byte != '\n';
    }
  }
  if (size > 0) previous_ = bytes[size - 1];
  hold(bytes + run, size - run);
}

void SentenceSplitter::hold(const unsigned char* bytes, std::size_t count) {
  while (count > 0) {
    const std::size_t taken = std::min(count, kLongestSentence - held_.size());
    held_.append(reinterpret_cast<const char*>(bytes), taken);
    bytes += taken;
    count -= taken;
    if (held_.size() == kLongestSentence) end_sentence();
  }
}

unsigned char SentenceSplitter::ahead_of(std::size_t at, std::size_t back) const {
  // `back` bytes before the block's byte `at`, which are held.
  const std::size_t from_held = back - at;
  return held_.size() >= from_held ? static_cast<unsigned char>(held_[held_.size() - from_held])
                                   : 0;
}

void SentenceSplitter::finish() { end_sentence(); }

void SentenceSplitter::end_sentence() {
  if (!held_.empty()) sentence_(held_);
  held_.clear();
  after_end_mark_ = false;
}

std::string normalized_sentence(std::string_view sentence) {
  std::string text;
  text.reserve(sentence.size());
  for (const char c : sentence) {
    const char folded = c == '\n' ? ' ' : c;
    if (folded == ' ' && (text.empty() || text.back() == ' ')) continue;
    text += folded;
  }
  if (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

Context context_of(std::string_view sentence, std::string_view key) {
  return context_in(normalized_sentence(sentence), key);
}

Context context_in(std::string_view text, std::string_view key) {
  Context context;
  const std::size_t place = place_of(text, key);
  if (text.size() <= kWindow) {
    context.text = std::string(text);
    if (place != std::string::npos) {
      context.place = place;
      context.place_size = key.size();
    }
    return context;
  }
  const std::size_t middle = place == std::string::npos ? 0 : place + key.size() / 2;
  std::size_t begin = middle > kWindow / 2 ? middle - kWindow / 2 : 0;
  begin = std::min(begin, text.size() - kWindow);
  std::size_t end = begin + kWindow;
  if (begin > 0) {
    const std::size_t space = text.find(' ', begin);
    if (space != std::string::npos && space <= begin + kSnap && space + 1 < end) {
      begin = space + 1;
    } else {
      while (begin < end && is_continuation(static_cast<unsigned char>(text[begin]))) ++begin;
    }
  }
  if (end < text.size()) {
    const std::size_t space = text.rfind(' ', end);
    if (space != std::string::npos && space + kSnap >= end && space > begin) {
      end = space;
    } else {
      while (end > begin && is_continuation(static_cast<unsigned char>(text[end]))) --end;
    }
  }
  if (begin > 0) context.text = kEllipsis;
  const std::size_t shown = context.text.size();
  context.text.append(text.substr(begin, end - begin));
  if (end < text.size()) context.text.append(kEllipsis);
  if (place != std::string::npos && place >= begin && place + key.size() <= end) {
    context.place = shown + place - begin;
    context.place_size = key.size();
  }
  return context;
}

}  // namespace lexicull
