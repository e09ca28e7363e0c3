#include "context/sentences.h"

#include <algorithm>

#include "base/invariant.h"
#include "base/swar.h"

namespace lexicull {
namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

bool is_word_byte(unsigned char byte) {
  return byte >= 0x80 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9');
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Writes the sentence normalized into `text`, in one pass. Eight bytes in
// which no break follows a break (nor the space written last) go over
// whole, their line feeds made spaces: in prose that is most of them.
void normalize_sentence_into(std::string_view sentence, std::string& text) {
  const auto is_break = [](unsigned char byte) { return byte == ' ' || byte == '\n'; };
  const auto* const in = reinterpret_cast<const unsigned char*>(sentence.data());
  const std::size_t size = sentence.size();
  text.resize(size);
  auto* const start = reinterpret_cast<unsigned char*>(&text[0]);
  unsigned char* out = start;
  bool after_space = false;  // the byte written last is a space
  const auto take = [&](unsigned char byte) {
    if (!is_break(byte)) {
      *out++ = byte;
      after_space = false;
    } else if (!after_space) {
      *out++ = ' ';
      after_space = true;
    }
  };
  std::size_t at = 0;
  while (at < size && is_break(in[at])) ++at;
  for (; at + 8 <= size; at += 8) {
    const swar::Bytes8 bytes = swar::load(in + at);
    const swar::Bytes8 line_feeds = swar::equal(bytes, '\n');
    const swar::Bytes8 breaks = line_feeds | swar::equal(bytes, ' ');
    const swar::Bytes8 break_before = breaks << 8 | (after_space ? 0x80 : 0);
    if ((breaks & break_before) != 0) {
      for (std::size_t k = 0; k < 8; ++k) take(in[at + k]);
      continue;
    }
    swar::store(out, bytes ^ ((line_feeds >> 7) * ('\n' ^ ' ')));
    out += 8;
    after_space = (breaks >> 63) != 0;
  }
  for (; at < size; ++at) take(in[at]);
  if (after_space) --out;
  const auto written = static_cast<std::size_t>(out - start);
  LEXICULL_INVARIANT_LE(written, size);
  text.resize(written);
}

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
  // Copied even where it is normal already: telling so costs as much.
  normalize_sentence_into(sentence, scratch);
  return scratch;
}

std::string normalized_sentence(std::string_view sentence) {
  std::string text;
  normalize_sentence_into(sentence, text);
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
