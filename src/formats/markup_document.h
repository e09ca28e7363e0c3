#ifndef LEXICULL_FORMATS_MARKUP_DOCUMENT_H_
#define LEXICULL_FORMATS_MARKUP_DOCUMENT_H_

// One XHTML or HTML document read into a book reader: as XML when it is
// well-formed, as HTML when it is not, its text counted once either way.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"
#include "base/status.h"
#include "formats/xml_parser.h"
#include "text/text_parts.h"

namespace lexicull {

// Where a document's bytes go: each piece in order, `last` for the final
// one. A failure it returns stops the reading.
using PieceSink = std::function<Status(std::string_view piece, bool last)>;
// A document's bytes, from its start, to `sink`, each time it is called.
using DocumentBytes = std::function<Status(const PieceSink& sink)>;

// The text of one document held back until its parser has read all of it,
// so that a document that the XML parser refuses half-way leaves nothing of
// that reading behind, and can be read again as HTML. Past `most_held`
// bytes the text goes on as it comes instead: memory stays bounded, and
// such a document cannot be read again. One thread uses it.
class HeldText final : public TextPartReader {
 public:
  HeldText(TextPartReader& target, std::size_t most_held)
      : target_(target), most_held_(most_held) {}

  void feed(PaddedBytes text) override;
  void finish() override {}
  unsigned char part_separator() const override { return target_.part_separator(); }
  std::unique_ptr<TextPartReader> make_later_part() const override {
    return target_.make_later_part();
  }
  void take_later_part(TextPartReader& later) override { target_.take_later_part(later); }

  // Whether some of the text went on already.
  bool handed_on() const { return handing_on_; }
  // Hands on what is held, and all that comes after, to the target.
  void hand_on();
  // Drops what is held, for the next document.
  void clear();

 private:
  TextPartReader& target_;
  const std::size_t most_held_;
  ByteBuffer held_;
  std::size_t size_ = 0;
  bool handing_on_ = false;
};

// How a document was read.
struct MarkupReading {
  // Empty when it was well-formed XML; else why not, as "line 17: invalid
  // token", and it was read as HTML.
  std::string read_as_html;
  // Whether a failure came from a parser (its reason, or that of the
  // budget), not from reading the bytes.
  bool parser_failed = false;
};

// Reads a document into `reader` through `held` (whose target it is), and
// ends its words, as XhtmlText reads it; when the XML parser refuses it for
// any reason but the budget, from its start again as HtmlText reads it. A
// failure of `bytes` is returned as it is; the budget's, markup too large
// for the HTML parser, and XML that fails after the text went on are
// returned with `reading->parser_failed`.
Status read_markup_document(const DocumentBytes& bytes, HeldText& held, TextPartReader& reader,
                            TextBudget& budget, MarkupReading* reading);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_MARKUP_DOCUMENT_H_
