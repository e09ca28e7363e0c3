#include "output/cards.h"

#include <cstdio>

#include "base/swar.h"
#include "base/utf8.h"

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

// Appends `text` with its bytes escaped; the runs between escaped bytes,
// most of the text, go over whole. Every byte escaped is below 0x40, so
// eight bytes at a time are passed over where none is.
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
  for (; at + 8 <= text.size(); at += 8) {
    for (swar::Bytes8 low = swar::below(swar::load(bytes + at), 0x40); low != 0; low &= low - 1) {
      escape(at + swar::first_marked(low));
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

std::string card_line(OutputFormat format, const Card& card) {
  const std::string_view context =
      card.context == nullptr ? std::string_view() : std::string_view(card.context->text);
  const std::string count = std::to_string(card.count);
  std::string line;
  switch (format) {
    case OutputFormat::kTsv:
      append_field(line, card.word);
      line += '\t';
      append_field(line, card.translation);
      line += '\t' + count + '\t';
      append_field(line, context);
      break;
    case OutputFormat::kAnki: {
      append_html(line, card.word);
      line += '\t';
      append_html(line, card.translation);
      line += '\t' + count + '\t';
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
      line += ",\"count\":" + count + ",\"context\":";
      append_json_string(line, context);
      line += '}';
      break;
    case OutputFormat::kLines:
      break;
  }
  return line + kLineEnd;
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
  for (std::size_t index = 0; index < keys.size(); ++index) {
    const BookWordSet::WordId id = keys[index];
    const Card card{words.word(id), vocabulary.translation(id), counts[id], &contexts[index]};
    const std::string line = card_line(format, card);
    Status status = out.write(reinterpret_cast<const unsigned char*>(line.data()), line.size());
    if (!status.ok()) return status;
  }
  return Status();
}

}  // namespace lexicull
