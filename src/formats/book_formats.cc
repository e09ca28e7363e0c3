#include "formats/book_formats.h"

#include <string>

#include "text/byte_classes.h"

namespace lexicull {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool starts_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t at = 0; at < prefix.size(); ++at) {
    if (to_lower(static_cast<unsigned char>(text[at])) != static_cast<unsigned char>(prefix[at])) {
      return false;
    }
  }
  return true;
}

void skip_spaces(std::string_view& text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
}

// Takes digits, then `separator`, from the front of `text`.
bool take_digits(std::string_view& text, char separator) {
  std::size_t digits = 0;
  while (digits < text.size() && is_digit(text[digits])) ++digits;
  if (digits == 0 || digits >= text.size() || text[digits] != separator) return false;
  text.remove_prefix(digits + 1);
  return true;
}

// HH:MM:SS,mmm or HH:MM:SS.mmm, and the digits of the milliseconds.
bool take_time(std::string_view& text) {
  if (!take_digits(text, ':') || !take_digits(text, ':')) return false;
  std::size_t digits = 0;
  while (digits < text.size() && is_digit(text[digits])) ++digits;
  if (digits == 0 || digits >= text.size() || (text[digits] != ',' && text[digits] != '.')) {
    return false;
  }
  text.remove_prefix(digits + 1);
  digits = 0;
  while (digits < text.size() && is_digit(text[digits])) ++digits;
  text.remove_prefix(digits);
  return digits > 0;
}

bool is_srt_timing(std::string_view line) {
  skip_spaces(line);
  if (!take_time(line)) return false;
  skip_spaces(line);
  if (line.substr(0, 3) != "-->") return false;
  line.remove_prefix(3);
  skip_spaces(line);
  return take_time(line);
}

std::string_view next_line(std::string_view& text) {
  const std::size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool is_blank(std::string_view line) {
  for (const char c : line) {
    if (!is_space(c)) return false;
  }
  return true;
}

bool looks_like_srt(std::string_view text) {
  std::string_view line;
  do {
    if (text.empty()) return false;
    line = next_line(text);
  } while (is_blank(line));
  while (!line.empty() && is_space(line.back())) line.remove_suffix(1);
  if (line.empty()) return false;
  for (const char c : line) {
    if (!is_digit(c)) return false;
  }
  return is_srt_timing(next_line(text));
}

}  // namespace

bool parse_book_format(std::string_view name, BookFormat* format) {
  static constexpr struct {
    std::string_view name;
    BookFormat format;
  } kNames[] = {{"auto", BookFormat::kAuto}, {"text", BookFormat::kText},
                {"epub", BookFormat::kEpub}, {"html", BookFormat::kHtml},
                {"srt", BookFormat::kSrt},   {"vtt", BookFormat::kVtt},
                {"fb2", BookFormat::kFb2}};
  for (const auto& known : kNames) {
    if (name == known.name) {
      *format = known.format;
      return true;
    }
  }
  return false;
}

BookFormat detect_text_format(std::string_view start) {
  if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
  if (start.substr(0, 6) == "WEBVTT") return BookFormat::kVtt;
  if (looks_like_srt(start)) return BookFormat::kSrt;
  std::string_view markup = start;
  skip_spaces(markup);
  if (markup.substr(0, 5) == "<?xml") {
    const std::size_t end = markup.find("?>");
    if (end == std::string_view::npos) return BookFormat::kText;
    markup.remove_prefix(end + 2);
    skip_spaces(markup);
  }
  if (starts_ignoring_case(markup, "<!doctype html") || starts_ignoring_case(markup, "<html")) {
    return BookFormat::kHtml;
  }
  // A FictionBook's root, after any comments and a DOCTYPE, whose internal
  // subset ([...]) may hold '>'.
  while (markup.substr(0, 2) == "<!") {
    std::size_t end = std::string_view::npos;
    if (markup.substr(0, 4) == "<!--") {
      end = markup.find("-->");
      if (end != std::string_view::npos) end += 3;
    } else {
      const std::size_t subset = markup.find('[');
      const std::size_t close = markup.find('>');
      const std::size_t from = subset < close                    ? markup.find(']', subset)
                               : close == std::string_view::npos ? close
                                                                 : 0;
      end = from == std::string_view::npos ? from : markup.find('>', from);
      if (end != std::string_view::npos) ++end;
    }
    if (end == std::string_view::npos) return BookFormat::kText;
    markup.remove_prefix(end);
    skip_spaces(markup);
  }
  if (markup.substr(0, 12) == "<FictionBook" &&
      (markup.size() == 12 || is_space(markup[12]) || markup[12] == '>' || markup[12] == '/')) {
    return BookFormat::kFb2;
  }
  return BookFormat::kText;
}

}  // namespace lexicull
