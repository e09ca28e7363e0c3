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

constexpr char kLineEnd[] = "\r\n";

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

std::string card_header(OutputFormat format) {
  switch (format) {
    case OutputFormat::kTsv:
      return std::string("word\ttranslation\tcount\tcontext") + kLineEnd;
    case OutputFormat::kAnki:
      return std::string("#separator:tab") + kLineEnd + "#html:true" + kLineEnd +
             "#columns:Word\tTranslation\tCount\tContext" + kLineEnd + "#tags:lexicull" + kLineEnd;
    case OutputFormat::kLines:
    case OutputFormat::kJsonl:
      break;
  }
  return "";
}

namespace {

// Appends the card's line to `line`.
void append_card_line(OutputFormat format, const Card& card, std::string& line) {
  const std::string_view context =
      card.context == nullptr ? std::string_view() : std::string_view(card.context->text);
  char count_digits[24];
  const int count_size = std::snprintf(count_digits, sizeof count_digits, "%llu",
                                       static_cast<unsigned long long>(card.count));
  const std::string_view count(count_digits, static_cast<std::size_t>(count_size));
  switch (format) {
    case OutputFormat::kTsv:
      append_field(line, card.word);
      line += '\t';
      append_field(line, card.translation);
      line += '\t';
      line += count;
      line += '\t';
      append_field(line, context);
      break;
    case OutputFormat::kAnki: {
      append_html(line, card.word);
      line += '\t';
      append_html(line, card.translation);
      line += '\t';
      line += count;
      line += '\t';
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
      break;
    }
    case OutputFormat::kJsonl:
      line += "{\"word\":";
      append_json_string(line, card.word);
      line += ",\"translation\":";
      append_json_string(line, card.translation);
      line += ",\"count\":";
      line += count;
      line += ",\"context\":";
      append_json_string(line, context);
      line += '}';
      break;
    case OutputFormat::kLines:
      break;
  }
  line += kLineEnd;
}

}  // namespace

std::string card_line(OutputFormat format, const Card& card) {
  std::string line;
  append_card_line(format, card, line);
  return line;
}

Status write_cards(OutputFormat format, const BookWordSet& words, const VocabularyMap& vocabulary,
                   const std::vector<BookWordSet::WordId>& keys,
                   const std::vector<std::uint64_t>& counts, const std::vector<Context>& contexts,
                   ByteSink& out) {
  const std::string header = card_header(format);
  if (!header.empty()) {
    Status status = out.write(reinterpret_cast<const unsigned char*>(header.data()), header.size());
    if (!status.ok()) return status;
  }
  std::string line;  // its memory kept from line to line
  for (std::size_t index = 0; index < keys.size(); ++index) {
    const BookWordSet::WordId id = keys[index];
    const Card card{words.word(id), vocabulary.translation(id), counts[id], &contexts[index]};
    line.clear();
    append_card_line(format, card, line);
    Status status = out.write(reinterpret_cast<const unsigned char*>(line.data()), line.size());
    if (!status.ok()) return status;
  }
  return Status();
}

}  // namespace lexicull
