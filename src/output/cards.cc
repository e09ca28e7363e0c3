// Card lines in each format. Fields are escaped by tables of what each byte
// becomes, the bytes that need it found sixteen bytes at a time and the runs
// between them copied whole; JSON strings are checked as UTF-8 as they go.
// Every line is built in one buffer and written with its CR LF.
#include "output/cards.h"

#include <charconv>
#include <cstdio>

#include "base/swar.h"
#include "base/utf8.h"
#include "text/byte_masks.h"

namespace lexicull {
namespace {

// How each byte goes into a field: as it is (an empty replacement), or as
// its replacement.
struct FieldEscapes {
  std::string_view as[256];
};

// A tab or line end as a space, for a field of a tab-separated line.
constexpr FieldEscapes kTabSeparated = [] {
  FieldEscapes escapes{};
  escapes.as[static_cast<unsigned char>('\t')] = " ";
  escapes.as[static_cast<unsigned char>('\n')] = " ";
  escapes.as[static_cast<unsigned char>('\r')] = " ";
  return escapes;
}();

// The same, and HTML's four special characters as entities.
constexpr FieldEscapes kHtml = [] {
  FieldEscapes escapes = kTabSeparated;
  escapes.as[static_cast<unsigned char>('&')] = "&amp;";
  escapes.as[static_cast<unsigned char>('<')] = "&lt;";
  escapes.as[static_cast<unsigned char>('>')] = "&gt;";
  escapes.as[static_cast<unsigned char>('"')] = "&quot;";
  return escapes;
}();

// A bit per byte of the sixteen at `bytes` that some field escapes, and
// perhaps others: with SSE2 the bytes of kHtml, elsewhere every byte below
// 0x40, which they all are.
std::uint32_t maybe_escaped(const unsigned char* bytes) {
#ifdef LEXICULL_BYTE_MASKS_SSE2
  const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  __m128i marks = _mm_setzero_si128();
  for (const char special : {'\t', '\n', '\r', '"', '&', '<', '>'}) {
    marks = _mm_or_si128(marks, _mm_cmpeq_epi8(value, _mm_set1_epi8(special)));
  }
  return static_cast<std::uint32_t>(_mm_movemask_epi8(marks));
#else
  std::uint32_t marks = 0;
  for (unsigned half = 0; half < 16; half += 8) {
    marks |= swar::gather_marks(swar::below(swar::load(bytes + half), 0x40)) << half;
  }
  return marks;
#endif
}

// Appends `text` with its bytes escaped; the runs between escaped bytes,
// most of the text, go over whole.
void append_escaped(std::string& out, std::string_view text, const FieldEscapes& escapes) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t run = 0;
  const auto escape = [&](std::size_t at) {
    const std::string_view replacement = escapes.as[bytes[at]];
    if (replacement.empty()) return;
    out.append(text, run, at - run);
    out += replacement;
    run = at + 1;
  };
  std::size_t at = 0;
  for (; at + 16 <= text.size(); at += 16) {
    for (std::uint32_t marks = maybe_escaped(bytes + at); marks != 0; marks &= marks - 1) {
      escape(at + swar::lowest_bit(marks));
    }
  }
  for (; at < text.size(); ++at) escape(at);
  out.append(text, run, text.size() - run);
}

void append_field(std::string& out, std::string_view text) {
  append_escaped(out, text, kTabSeparated);
}

void append_html(std::string& out, std::string_view text) { append_escaped(out, text, kHtml); }

void append_json_string(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x80) {
      const Utf8Prefix prefix =
          utf8_prefix(reinterpret_cast<const unsigned char*>(text.data()) + at, text.size() - at);
      const std::size_t length = prefix.valid == prefix.length ? prefix.length : 0;
      if (length == 0) {
        out += "\xEF\xBF\xBD";
        ++at;
      } else {
        out.append(text, at, length);
        at += length;
      }
      continue;
    }
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
          out += escaped;
        } else {
          out += static_cast<char>(byte);
        }
    }
    ++at;
  }
  out += '"';
}

}  // namespace

bool parse_output_format(std::string_view name, OutputFormat* format) {
  if (name == "lines") {
    *format = OutputFormat::kLines;
  } else if (name == "tsv") {
    *format = OutputFormat::kTsv;
  } else if (name == "anki") {
    *format = OutputFormat::kAnki;
  } else if (name == "jsonl") {
    *format = OutputFormat::kJsonl;
  } else {
    return false;
  }
  return true;
}

namespace {

// The count's digits, without a copy.
struct CountDigits {
  explicit CountDigits(std::uint64_t count)
      : size(static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, count).ptr -
                                      digits)) {}
  std::string_view view() const { return std::string_view(digits, size); }
  char digits[24];
  std::size_t size;
};

std::string_view context_text(const Card& card) {
  return card.context == nullptr ? std::string_view() : std::string_view(card.context->text);
}

class LinesFormat final : public CardFormat {
 public:
  std::string header() const override { return ""; }
  void append_line(const Card& card, std::string& line) const override {
    line += card.word;
    line += '|';
    line += card.translation;
    line += kLineEnd;
  }
};

// The fields of a tab-separated line before the context, each escaped by
// `escapes`, and the tab after them.
void append_leading_fields(const Card& card, const FieldEscapes& escapes, std::string& line) {
  append_escaped(line, card.word, escapes);
  line += '\t';
  append_escaped(line, card.translation, escapes);
  line += '\t';
  line += CountDigits(card.count).view();
  line += '\t';
}

class TsvFormat final : public CardFormat {
 public:
  std::string header() const override {
    return std::string("word\ttranslation\tcount\tcontext") + kLineEnd;
  }
  void append_line(const Card& card, std::string& line) const override {
    append_leading_fields(card, kTabSeparated, line);
    append_field(line, context_text(card));
    line += kLineEnd;
  }
};

class AnkiFormat final : public CardFormat {
 public:
  std::string header() const override {
    return std::string("#separator:tab") + kLineEnd + "#html:true" + kLineEnd +
           "#columns:Word\tTranslation\tCount\tContext" + kLineEnd + "#tags:lexicull" + kLineEnd;
  }
  void append_line(const Card& card, std::string& line) const override {
    append_leading_fields(card, kHtml, line);
    const std::string_view context = context_text(card);
    const std::size_t place = card.context == nullptr ? std::string::npos : card.context->place;
    if (place == std::string::npos) {
      append_html(line, context);
    } else {
      append_html(line, context.substr(0, place));
      line += "<b>";
      append_html(line, context.substr(place, card.context->place_size));
      line += "</b>";
      append_html(line, context.substr(place + card.context->place_size));
    }
    line += kLineEnd;
  }
};

class JsonlFormat final : public CardFormat {
 public:
  std::string header() const override { return ""; }
  void append_line(const Card& card, std::string& line) const override {
    line += "{\"word\":";
    append_json_string(line, card.word);
    line += ",\"translation\":";
    append_json_string(line, card.translation);
    line += ",\"count\":";
    line += CountDigits(card.count).view();
    line += ",\"context\":";
    append_json_string(line, context_text(card));
    line += '}';
    line += kLineEnd;
  }
};

}  // namespace

const CardFormat& card_format(OutputFormat format) {
  static const LinesFormat lines;
  static const TsvFormat tsv;
  static const AnkiFormat anki;
  static const JsonlFormat jsonl;
  switch (format) {
    case OutputFormat::kTsv:
      return tsv;
    case OutputFormat::kAnki:
      return anki;
    case OutputFormat::kJsonl:
      return jsonl;
    case OutputFormat::kLines:
      break;
  }
  return lines;
}

std::string card_header(OutputFormat format) { return card_format(format).header(); }

std::string card_line(OutputFormat format, const Card& card) {
  std::string line;
  card_format(format).append_line(card, line);
  return line;
}

Status write_cards(const CardFormat& format, const BookWordSet& words,
                   const VocabularyMap& vocabulary, const std::vector<BookWordSet::WordId>& keys,
                   const std::vector<std::uint64_t>* counts, const std::vector<Context>* contexts,
                   ByteSink& out) {
  const std::string header = format.header();
  if (!header.empty()) {
    Status status = out.write(reinterpret_cast<const unsigned char*>(header.data()), header.size());
    if (!status.ok()) return status;
  }
  std::string line;  // its memory kept from line to line: a huge one is held once
  for (std::size_t index = 0; index < keys.size(); ++index) {
    const BookWordSet::WordId id = keys[index];
    const Card card{words.word(id), vocabulary.translation(id),
                    counts == nullptr ? 0 : (*counts)[id],
                    contexts == nullptr ? nullptr : &(*contexts)[index]};
    line.clear();
    format.append_line(card, line);
    Status status = out.write(reinterpret_cast<const unsigned char*>(line.data()), line.size());
    if (!status.ok()) return status;
  }
  return Status();
}

}  // namespace lexicull
