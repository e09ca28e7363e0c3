#ifndef LEXICULL_FORMATS_XHTML_TEXT_H_
#define LEXICULL_FORMATS_XHTML_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"
#include "base/status.h"
#include "formats/xml_parser.h"
#include "text/text_parts.h"

namespace lexicull {

// Lines of text as an EPUB's plain-text edition would have them, fed to a
// book reader in blocks: white space folded to one space, spaces at the ends
// of a line dropped, empty lines gone, and typographic characters in their
// ASCII forms (no-break and other fixed spaces a space, the soft hyphen
// gone, curly quotes, guillemets, the ellipsis and the dashes as ' " ...
// -- and -).
class PlainTextLines {
 public:
  explicit PlainTextLines(TextPartReader& reader) : reader_(reader) {}

  // Adds character data, UTF-8. A long line goes to the reader in blocks
  // too, so that what is held stays small.
  void add(std::string_view text);
  // Ends the line, unless it is empty.
  void end_line();
  // Ends the line, and leaves the reader as it starts, so that nothing of
  // the text so far (not even a hyphen that joins lines) reaches past it.
  void end_part();
  // Ends the line and hands everything on to the reader.
  void flush();

 private:
  void append(std::string_view bytes);
  // Hands on all of the block but a space at its end, which end_line() may
  // yet take back.
  void hand_on_line_so_far();

  TextPartReader& reader_;
  ByteBuffer block_;
  std::size_t size_ = 0;
  std::size_t line_start_ = 0;   // where the line being built starts in block_
  bool line_handed_on_ = false;  // some of it went to the reader already
};

// What of an XHTML or HTML document is its text, whichever parser reads it,
// told each element and each run of character data in document order: the
// character data inside <body>, but nothing of head, script, style, rt and
// rp; the start and end of a block element end a line.
class DocumentText {
 public:
  // Which elements end lines, and which hold no text.
  struct Rules {
    bool (*is_block)(std::string_view local);
    bool (*is_skipped)(std::string_view local);
  };
  // XHTML's, as above.
  static const Rules kXhtml;
  // FictionBook's: p, v, title, subtitle, epigraph, text-author, stanza and
  // section end lines; binary holds no text.
  static const Rules kFictionBook;

  explicit DocumentText(PlainTextLines& lines, const Rules& rules = kXhtml)
      : lines_(lines), rules_(rules) {}

  // An element's start and end, by its local name (lower case).
  void start_element(std::string_view local);
  void end_element(std::string_view local);
  // Character data, UTF-8.
  void text(std::string_view utf8);
  // The document's end, which ends a line.
  void end() { lines_.end_line(); }

 private:
  PlainTextLines& lines_;
  const Rules& rules_;
  unsigned body_ = 0;     // open <body> elements
  unsigned skipped_ = 0;  // open elements whose text is not taken
};

// Parses one XHTML document, given in pieces, into `lines` by the rules of
// DocumentText; the document's end ends a line. Entity references of XHTML (&nbsp;, &mdash;) are
// known without its DTD. All the text it makes, entities expanded, counts
// against `budget`.
class XhtmlText {
 public:
  XhtmlText(PlainTextLines& lines, TextBudget& budget,
            const DocumentText::Rules& rules = DocumentText::kXhtml);
  ~XhtmlText();
  XhtmlText(const XhtmlText&) = delete;
  XhtmlText& operator=(const XhtmlText&) = delete;

  // Parses the next piece; `last` for the final one. Fails with the
  // parser's reason for malformed XML, for markup too large to hold (a tag,
  // comment or other piece of it over 8 MiB or so), for an encoding it
  // cannot read, and once the budget is spent (then budget_spent()).
  Status parse(std::string_view piece, bool last);
  bool budget_spent() const;

 private:
  struct State;
  State* state_;
};

// The UTF-8 text of an XHTML named entity, or empty for a name it lacks.
std::string_view xhtml_entity(std::string_view name);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_XHTML_TEXT_H_
