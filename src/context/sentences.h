#ifndef LEXICULL_CONTEXT_SENTENCES_H_
#define LEXICULL_CONTEXT_SENTENCES_H_

// The sentences of a book's text, for the context of a card: where they end,
// the words each holds by the book's rules, and the window of one that a
// card shows.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"
#include "base/swar.h"
#include "text/byte_classes.h"
#include "text/byte_masks.h"
#include "text/text_parts.h"

namespace lexicull {

// The bytes of 64 that may end a sentence or mark its end, bit i for the
// byte at offset i: SSE2 where the compiler targets it, eight bytes per
// integer everywhere else, the same masks on every machine.
struct SentenceMasks {
  std::uint64_t breaks;  // spaces and line feeds
  std::uint64_t line_feeds;
  std::uint64_t stops;       // '.', '!' and '?'
  std::uint64_t last_bytes;  // 0xA6, the last byte of U+2026 and others
};

inline SentenceMasks sentence_masks(const unsigned char* bytes) {
  SentenceMasks masks{0, 0, 0, 0};
#ifdef LEXICULL_BYTE_MASKS_SSE2
  const auto equal = [](__m128i value, char byte) {
    return _mm_cmpeq_epi8(value, _mm_set1_epi8(byte));
  };
  const auto mask_of = [](__m128i marks) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(marks))};
  };
  for (unsigned i = 0; i < 64; i += 16) {
    const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i line_feeds = equal(value, '\n');
    masks.breaks |= mask_of(_mm_or_si128(equal(value, ' '), line_feeds)) << i;
    masks.line_feeds |= mask_of(line_feeds) << i;
    masks.stops |=
        mask_of(_mm_or_si128(_mm_or_si128(equal(value, '.'), equal(value, '!')), equal(value, '?')))
        << i;
    masks.last_bytes |= mask_of(equal(value, static_cast<char>(0xA6))) << i;
  }
#else
  for (unsigned i = 0; i < 64; i += 8) {
    const swar::Bytes8 value = swar::load(bytes + i);
    const swar::Bytes8 line_feeds = swar::equal(value, '\n');
    masks.breaks |= std::uint64_t{swar::gather_marks(swar::equal(value, ' ') | line_feeds)} << i;
    masks.line_feeds |= std::uint64_t{swar::gather_marks(line_feeds)} << i;
    masks.stops |= std::uint64_t{swar::gather_marks(
                       swar::equal(value, '.') | swar::equal(value, '!') | swar::equal(value, '?'))}
                   << i;
    masks.last_bytes |= std::uint64_t{swar::gather_marks(swar::equal(value, 0xA6))} << i;
  }
#endif
  return masks;
}

// Where a text's sentences end: just past a space or line feed that follows
// '.', '!', '?' or U+2026, and just past the second line feed of an empty
// line. Found 64 bytes at a time; the last bytes of a block are carried into
// the next, so that the ends do not depend on how the text is cut.
class SentenceEnds {
 public:
  // At the text's start, as after a line feed: an empty line there ends a
  // sentence.
  SentenceEnds() = default;
  // Just after `byte`, for a part of the text that begins after it.
  static SentenceEnds after(unsigned char byte) {
    SentenceEnds ends;
    ends.before_[0] = 0;
    ends.before_[1] = byte;
    ends.after_mark_ = byte == '.' || byte == '!' || byte == '?';
    return ends;
  }

  // Calls `end(offset)` for each sentence that ends in `text`, in order, with
  // the offset just past the space or line feed that ends it.
  template <typename OnEnd>
  void find(PaddedBytes text, OnEnd&& end);

 private:
  // The byte `back` (1 or 2) bytes before the block's byte `at`.
  unsigned char byte_before(const unsigned char* bytes, std::size_t at, std::size_t back) const {
    return at >= back ? bytes[at - back] : before_[2 - (back - at)];
  }

  unsigned char before_[2] = {0, '\n'};  // the last two bytes fed, the last one second
  bool after_mark_ = false;              // the last byte fed ends . ! ? or U+2026
};

// Splits the text it is fed into sentences, in order, where SentenceEnds
// ends them, and at the text's end. Each goes to `sentence` as the text has
// it (line feeds and all), without the space or line feed that ends it;
// empty ones are not handed over, but they are numbered. A sentence longer
// than kLongestSentence bytes goes over in pieces of at most that many
// bytes, so that what is held, and the search of a word's place in it, stay
// bounded. One thread reads the text, in order; it makes no later parts.
struct SentencePiece {
  std::string_view text;
  std::uint64_t number;  // the sentence's, from 0 at the text's start
  bool whole;            // the sentence whole, not a piece of a longer one
};

class SentenceSplitter final : public WholeTextReader {
 public:
  static constexpr std::size_t kLongestSentence = 4096;
  using SentenceSink = std::function<void(const SentencePiece& sentence)>;
  // Whether the sink wants the sentence of this number; one it does not
  // want is numbered, but not held or handed over.
  using SentenceWanted = std::function<bool(std::uint64_t number)>;

  SentenceSplitter(unsigned char part_separator, SentenceSink sentence,
                   SentenceWanted wanted = nullptr)
      : part_separator_(part_separator),
        sentence_(std::move(sentence)),
        wanted_(std::move(wanted)),
        holding_(!wanted_ || wanted_(0)) {}

  void feed(PaddedBytes text) override;
  void finish() override;
  unsigned char part_separator() const override { return part_separator_; }

 private:
  void end_sentence();
  // Holds bytes of the sentence, handing over a piece at kLongestSentence.
  void hold(const unsigned char* bytes, std::size_t count);

  const unsigned char part_separator_;
  SentenceSink sentence_;
  SentenceWanted wanted_;
  bool holding_;  // the sentence is wanted
  SentenceEnds ends_;
  std::string held_;
  std::uint64_t number_ = 0;
  bool cut_ = false;  // a piece of this sentence went over already
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
// The same in `scratch`, whose memory is reused from sentence to sentence.
std::string_view normalized_sentence(std::string_view sentence, std::string& scratch);
// context_of() for a sentence already normalized.
Context context_in(std::string_view normalized, std::string_view key);

// Where `key` first stands in `text` (ASCII case ignored) with no ASCII
// letter, digit or byte of 0x80 or more right before or after, or npos.
std::size_t place_of(std::string_view text, std::string_view key);
inline constexpr std::size_t kWindow = 300;
inline constexpr std::size_t kSnap = 30;

template <typename OnEnd>
void SentenceEnds::find(PaddedBytes text, OnEnd&& end) {
  const unsigned char* const bytes = text.data();
  const std::size_t size = text.size();
  if (size == 0) return;
  // Bit 0 of the next window: whether the byte before it is a mark or a line feed.
  std::uint64_t mark_before = after_mark_;
  std::uint64_t line_feed_before = before_[1] == '\n';
  for (std::size_t at = 0; at < size; at += 64) {
    SentenceMasks masks = sentence_masks(bytes + at);
    unsigned count = 64;
    if (size - at < 64) {
      // The bytes past the text are the padding's and count for nothing.
      count = static_cast<unsigned>(size - at);
      const std::uint64_t kept = (std::uint64_t{1} << count) - 1;
      masks.breaks &= kept;
      masks.line_feeds &= kept;
      masks.stops &= kept;
      masks.last_bytes &= kept;
    }
    std::uint64_t marks = masks.stops;
    // 0xA6 ends U+2026 only after E2 80; it is also the last byte of many
    // other characters.
    for (std::uint64_t last_bytes = masks.last_bytes; last_bytes != 0;
         last_bytes &= last_bytes - 1) {
      const std::size_t i = at + swar::lowest_bit(last_bytes);
      if (byte_before(bytes, i, 1) == 0x80 && byte_before(bytes, i, 2) == 0xE2) {
        marks |= last_bytes & (0 - last_bytes);
      }
    }
    const std::uint64_t line_feeds = masks.line_feeds;
    std::uint64_t ends = (masks.breaks & (marks << 1 | mark_before)) |
                         (line_feeds & (line_feeds << 1 | line_feed_before));
    for (; ends != 0; ends &= ends - 1) end(at + swar::lowest_bit(ends) + 1);
    mark_before = marks >> (count - 1) & 1;
    line_feed_before = line_feeds >> (count - 1) & 1;
  }
  after_mark_ = mark_before != 0;
  before_[0] = byte_before(bytes, size, 2);
  before_[1] = bytes[size - 1];
}

}  // namespace lexicull

#endif  // LEXICULL_CONTEXT_SENTENCES_H_
