#ifndef LEXICULL_CONTEXT_SENTENCES_H_
#define LEXICULL_CONTEXT_SENTENCES_H_

// The sentences of a book's text, for the context of a card: where they end,
// the words each holds by the book's rules, and the window of one that a
// card shows.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"
#include "text/byte_classes.h"
#include "text/text_parts.h"

namespace lexicull {

// Splits the text it is fed into sentences, in order: a sentence ends after
// '.', '!', '?' or U+2026 followed by a space or a line feed, at each empty
// line, and at the text's end. Each goes to `sentence` as the text has it
// (line feeds and all), without the space or line feed that ends it. A
// sentence longer than kLongestSentence bytes ends there: what is held, and
// the search of a word's place in it, stay bounded. One thread reads the text, in order; it makes
// no later parts.
class SentenceSplitter final : public TextPartReader {
 public:
  static constexpr std::size_t kLongestSentence = 4096;
  using SentenceSink = std::function<void(std::string_view sentence)>;

  SentenceSplitter(unsigned char part_separator, SentenceSink sentence)
      : part_separator_(part_separator), sentence_(std::move(sentence)) {}

  void feed(PaddedBytes text) override;
  void finish() override;
  unsigned char part_separator() const override { return part_separator_; }
  std::unique_ptr<TextPartReader> make_later_part() const override { return nullptr; }
  void take_later_part(TextPartReader&) override {}

 private:
  void end_sentence();
  // Holds bytes of the sentence, ending it at kLongestSentence.
  void hold(const unsigned char* bytes, std::size_t count);
  // The byte `back` bytes before the block's byte `at`, from what is held.
  unsigned char ahead_of(std::size_t at, std::size_t back) const;

  const unsigned char part_separator_;
  SentenceSink sentence_;
  std::string held_;
  unsigned char previous_ = '\n';  // the byte before, a line feed at the start
  bool after_end_mark_ = false;    // the bytes so far end in . ! ? or U+2026
};

// Appends `chunk` as the book's words have it: lower-cased, without its
// punctuation (its line feeds stay).
inline void append_book_bytes(std::string_view chunk, std::string& out) {
  for (const char c : chunk) {
    const auto byte = static_cast<unsigned char>(c);
    if (kBookBytes.kind[byte] != BookByte::kPunctuation) out += static_cast<char>(to_lower(byte));
  }
}

// Calls `word(std::string_view)` for each word of `sentence` by the book's
// rules (chunks between spaces, lower-cased, without ( ) : ; . " , ? ! /, a
// line feed ending a word unless the part before it has its first hyphen as
// its last byte). `scratch` is reused memory.
template <typename WordVisitor>
void for_each_book_word(std::string_view sentence, std::string& scratch, WordVisitor&& word) {
  std::size_t at = 0;
  while (at <= sentence.size()) {
    std::size_t end = sentence.find(' ', at);
    if (end == std::string_view::npos) end = sentence.size();
    const std::string_view chunk = sentence.substr(at, end - at);
    at = end + 1;
    if (chunk.empty() && end == sentence.size()) break;
    scratch.clear();
    append_book_bytes(chunk, scratch);
    if (scratch.find('\n') == std::string::npos) {
      word(std::string_view(scratch));
      continue;
    }
    // Cut at the line feeds that no hyphen joins.
    std::string current;
    std::size_t line_start = 0;
    bool first_line = true;
    for (std::size_t k = 0; k <= scratch.size(); ++k) {
      if (k < scratch.size() && scratch[k] != '\n') continue;
      const std::string_view line = std::string_view(scratch).substr(line_start, k - line_start);
      if (first_line) {
        current.assign(line);
        first_line = false;
      } else if (!current.empty() && current.find('-') == current.size() - 1) {
        current.pop_back();
        current.append(line);
      } else {
        word(std::string_view(current));
        current.assign(line);
      }
      line_start = k + 1;
    }
    word(std::string_view(current));
  }
}

// A sentence as a card shows it, and where in it the card's word stands.
struct Context {
  std::string text;                       // "…" where it was cut
  std::size_t place = std::string::npos;  // of the word's bytes in text
  std::size_t place_size = 0;
};

// The context of `key` in `sentence`: line feeds as spaces, runs of spaces
// as one, none at the ends; the key's first place, where its bytes stand
// (ASCII case ignored) with no ASCII letter, digit or byte of 0x80 or more
// right before or after. A sentence longer than kWindow bytes is cut to a
// window of kWindow bytes centred on that place (or at the sentence's start
// without one), moved inside the sentence; each cut end then moves inward to
// the nearest space within kSnap bytes, or else to a character's start, and
// U+2026 marks it.
Context context_of(std::string_view sentence, std::string_view key);

// The sentence as a card shows it, before any cut: line feeds as spaces,
// runs of spaces as one, none at the ends.
std::string normalized_sentence(std::string_view sentence);
// context_of() for a sentence already normalized.
Context context_in(std::string_view normalized, std::string_view key);

// Where `key` first stands in `text` (ASCII case ignored) with no ASCII
// letter, digit or byte of 0x80 or more right before or after, or npos.
std::size_t place_of(std::string_view text, std::string_view key);
inline constexpr std::size_t kWindow = 300;
inline constexpr std::size_t kSnap = 30;

}  // namespace lexicull

#endif  // LEXICULL_CONTEXT_SENTENCES_H_
