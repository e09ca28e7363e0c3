#ifndef LEXICULL_FORMATS_HTML_TEXT_H_
#define LEXICULL_FORMATS_HTML_TEXT_H_

#include <cstddef>
#include <string_view>

#include "base/status.h"
#include "formats/xhtml_text.h"
#include "formats/xml_parser.h"

namespace lexicull {

// Parses one HTML document, given in pieces, into `lines` by the rules of
// DocumentText, with libxml2's HTML parser, which reads any bytes as a
// browser would: unclosed and misnested elements, unquoted attributes and
// stray '<' or '&' are taken as they come. It reads no file and no network,
// and loads no DTD. The encoding is the one the document declares
// (declared_html_encoding), UTF-8 where it declares none, decoded by
// TextDecoder. All the text the parser makes counts against `budget`.
// Threads may each parse a document of their own at once.
class HtmlText {
 public:
  // The most memory one parser may hold.
  static constexpr std::size_t kMostMemory = std::size_t{32} << 20;

  HtmlText(PlainTextLines& lines, TextBudget& budget);
  ~HtmlText();
  HtmlText(const HtmlText&) = delete;
  HtmlText& operator=(const HtmlText&) = delete;

  // Parses the next piece; `last` for the final one. Fails only for markup
  // too large to hold, once the budget is spent (then budget_spent()), and
  // where libxml2 cannot be loaded.
  Status parse(std::string_view piece, bool last);
  bool budget_spent() const;

 private:
  struct State;
  State* state_;
};

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_HTML_TEXT_H_
