#include "context/sentences.h"

#include <algorithm>

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
  if (key.empty() || key.size() > text.size()) return std::string::npos;
  // Candidates are where the key's first byte stands, in either case.
  const char first = static_cast<char>(to_lower(static_cast<unsigned char>(key[0])));
  const char first_upper = first >= 'a' && first <= 'z' ? static_cast<char>(first - 32) : first;
  const std::size_t last = text.size() - key.size();
  std::size_t lower_at = text.find(first);
  std::size_t upper_at = first_upper == first ? std::string::npos : text.find(first_upper);
  for (;;) {
    const std::size_t at = std::min(lower_at, upper_at);
    if (at == std::string::npos || at > last) return std::string::npos;
    if (at == lower_at) {
      lower_at = text.find(first, at + 1);
    } else {
      upper_at = text.find(first_upper, at + 1);
    }
    std::size_t k = 1;
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
}

void SentenceSplitter::feed(PaddedBytes text) {
  const unsigned char* const bytes = text.data();
  std::size_t run = 0;  // where the bytes not yet held begin
  ends_.find(text, [&](std::size_t end) {
    // Without the space or line feed that ends it; that byte may stand in
    // no block of this sentence's, when the sentence ended with the block
    // before.
    if (end - 1 > run) hold(bytes + run, end - 1 - run);
    run = end;
    end_sentence();
  });
  hold(bytes + run, text.size() - run);
}

void SentenceSplitter::hold(const unsigned char* bytes, std::size_t count) {
  if (!holding_) return;
  while (count > 0) {
    const std::size_t taken = std::min(count, kLongestSentence - held_.size());
    held_.append(reinterpret_cast<const char*>(bytes), taken);
    bytes += taken;
    count -= taken;
    if (held_.size() == kLongestSentence) {
      sentence_(SentencePiece{held_, number_, false});
      held_.clear();
      cut_ = true;
    }
  }
}

void SentenceSplitter::finish() {
  if (!held_.empty()) sentence_(SentencePiece{held_, number_, !cut_});
  held_.clear();
}

void SentenceSplitter::end_sentence() {
  if (!held_.empty()) sentence_(SentencePiece{held_, number_, !cut_});
  held_.clear();
  cut_ = false;
  ++number_;
  holding_ = !wanted_ || wanted_(number_);
}

std::string_view normalized_sentence(std::string_view sentence, std::string& scratch) {
  if (!sentence.empty() && sentence.front() != ' ' && sentence.back() != ' ' &&
      sentence.find('\n') == std::string_view::npos &&
      sentence.find("  ") == std::string_view::npos) {
    return sentence;
  }
  scratch = normalized_sentence(sentence);
  return scratch;
}

std::string normalized_sentence(std::string_view sentence) {
  std::string text;
  text.reserve(sentence.size());
  const auto is_break = [](char c) { return c == ' ' || c == '\n'; };
  for (std::size_t at = 0; at < sentence.size();) {
    if (is_break(sentence[at])) {
      ++at;
      continue;
    }
    // A run of other bytes, after one space unless it starts the text.
    std::size_t end = at + 1;
    while (end < sentence.size() && !is_break(sentence[end])) ++end;
    if (!text.empty()) text += ' ';
    text.append(sentence, at, end - at);
    at = end;
  }
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
