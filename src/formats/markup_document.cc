#include "formats/markup_document.h"

#include <cstring>

#include "formats/html_text.h"
#include "formats/xhtml_text.h"

namespace lexicull {
namespace {

// "not well-formed (invalid token) at line 17" as "line 17: invalid token".
std::string as_warning(const std::string& reason) {
  const std::size_t line = reason.rfind(" at line ");
  if (line == std::string::npos) return reason;
  std::string what = reason.substr(0, line);
  static constexpr std::string_view kNotWellFormed = "not well-formed (";
  if (what.size() > kNotWellFormed.size() &&
      what.compare(0, kNotWellFormed.size(), kNotWellFormed) == 0 && what.back() == ')') {
    what = what.substr(kNotWellFormed.size(), what.size() - kNotWellFormed.size() - 1);
  }
  return reason.substr(line + 4) + ": " + what;
}

}  // namespace

void HeldText::feed(PaddedBytes text) {
  if (handing_on_) {
    target_.feed(text);
    return;
  }
  held_.reserve(size_ + text.size(), size_);
  std::memcpy(held_.data() + size_, text.data(), text.size());
  size_ += text.size();
  if (size_ > most_held_) hand_on();
}

void HeldText::hand_on() {
  if (size_ > 0) target_.feed(held_.view(size_));
  size_ = 0;
  held_.shrink();
  handing_on_ = true;
}

void HeldText::clear() {
  size_ = 0;
  held_.shrink();
  handing_on_ = false;
}

Status read_markup_document(const DocumentBytes& bytes, HeldText& held, TextPartReader& reader,
                            TextBudget& budget, MarkupReading* reading) {
  *reading = MarkupReading();
  held.clear();
  std::string xml_failure;
  Status status;
  {
    PlainTextLines lines(held);
    XhtmlText text(lines, budget);
    status = bytes([&](std::string_view piece, bool last) {
      // A document parsed in one last call spares the parser counting its
      // lines, which it does only between calls.
      const Status parsed = text.parse(piece, last);
      if (!parsed.ok()) {
        reading->parser_failed = true;
        if (!text.budget_spent()) xml_failure = parsed.reason();
      }
      return parsed;
    });
    if (status.ok()) {
      lines.end_part();
      lines.flush();
    }
  }
  if (status.ok()) {
    held.hand_on();
    return status;
  }
  if (!reading->parser_failed || xml_failure.empty() || held.handed_on()) return status;

  held.clear();
  reading->parser_failed = false;
  reading->read_as_html = as_warning(xml_failure);
  PlainTextLines lines(reader);
  HtmlText text(lines, budget);
  status = bytes([&](std::string_view piece, bool last) {
    const Status parsed = text.parse(piece, last);
    if (!parsed.ok()) reading->parser_failed = true;
    return parsed;
  });
  lines.end_part();
  lines.flush();
  return status;
}

}  // namespace lexicull
