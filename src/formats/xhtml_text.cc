// From parser events to plain lines. DocumentText follows the elements: a
// block element ends a line, skipped ones (head, script, style, FictionBook's
// binary) give no text, and character data goes on to PlainTextLines, which
// folds white space and typographic characters and hands the lines to the
// book's reader in blocks. XhtmlText drives expat over a document's pieces
// with a budget of text, so that entities cannot blow a small file up.
#include "formats/xhtml_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/invariant.h"
#include "base/swar.h"
#include "base/utf8.h"
#include "formats/xml_parser.h"

namespace lexicull {
namespace {

// A block of text handed to the reader at a time.
constexpr std::size_t kBlockSize = 64 * 1024;

constexpr unsigned char kNotASpace = 0;

// An ASCII byte as the plain text has it: white space a space.
constexpr auto kFolded = [] {
  std::array<unsigned char, 128> folded{};
  for (unsigned byte = 0; byte < 128; ++byte) folded[byte] = static_cast<unsigned char>(byte);
  folded['\t'] = folded['\r'] = folded['\n'] = ' ';
  return folded;
}();

// What a non-ASCII character becomes in the plain text, or nullptr to keep
// it. " " is a space, "" nothing.
const char* ascii_form(char32_t code) {
  switch (code) {
    case 0x00A0:
    case 0x202F:
      return " ";
    case 0x00AD:
      return "";
    case 0x2018:
    case 0x2019:
    case 0x201A:
    case 0x201B:
      return "'";
    case 0x201C:
    case 0x201D:
    case 0x201E:
    case 0x201F:
    case 0x00AB:
    case 0x00BB:
    case 0x2039:
    case 0x203A:
      return "\"";
    case 0x2026:
      return "...";
    case 0x2014:
      return "--";
    case 0x2013:
      return "-";
    default:
      return code >= 0x2000 && code <= 0x200A ? " " : nullptr;
  }
}

bool is_block(std::string_view name) {
  static constexpr std::string_view kBlocks[] = {
      "address", "article",    "aside",  "blockquote", "br", "dd",  "div", "dl",
      "dt",      "figcaption", "figure", "footer",     "h1", "h2",  "h3",  "h4",
      "h5",      "h6",         "header", "hr",         "li", "nav", "ol",  "p",
      "pre",     "section",    "table",  "td",         "th", "tr",  "ul"};
  for (const std::string_view block : kBlocks) {
    if (name == block) return true;
  }
  return false;
}

bool is_skipped(std::string_view name) {
  return name == "head" || name == "script" || name == "style" || name == "rt" || name == "rp";
}

bool is_fiction_book_block(std::string_view name) {
  static constexpr std::string_view kBlocks[] = {"p",        "v",           "title",  "subtitle",
                                                 "epigraph", "text-author", "stanza", "section"};
  for (const std::string_view block : kBlocks) {
    if (name == block) return true;
  }
  return false;
}

bool is_fiction_book_skipped(std::string_view name) { return name == "binary"; }

}  // namespace

void PlainTextLines::append(std::string_view bytes) {
  block_.reserve(size_ + bytes.size(), size_);
  std::memcpy(block_.data() + size_, bytes.data(), bytes.size());
  size_ += bytes.size();
}

void PlainTextLines::add(std::string_view text) {
  // Every form is at most as long as its character, and white space gives
  // at most one space a byte: the line grows by no more than `text`.
  block_.reserve(size_ + text.size(), size_);
  unsigned char* const begin = block_.data();
  unsigned char* const line_start = begin + line_start_;
  unsigned char* out = begin + size_;
  const auto* const first = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = first + text.size();
  const unsigned char* in = first;
  // A space after a space, or at the start of a line, is not written; one
  // at the end of a line is taken back by end_line(). Every space in the
  // block is such a folded one. What went on of the line ended in no space.
  unsigned char previous = out > line_start ? out[-1] : line_handed_on_ ? kNotASpace : ' ';
  while (in < end) {
    // Prose is mostly printable ASCII with single spaces: eight such bytes
    // go as they stand.
    while (end - in >= 8) {
      const swar::Bytes8 bytes = swar::load(in);
      const swar::Bytes8 spaces = swar::equal(bytes, ' ');
      const swar::Bytes8 after_space = spaces << 8 | (previous == ' ' ? 0x80 : 0);
      if (((bytes & swar::kHighBits) | swar::below(bytes, ' ') | (spaces & after_space)) != 0) {
        break;
      }
      swar::store(out, bytes);
      out += 8;
      in += 8;
      previous = in[-1];
    }
    // Anything else a byte or a character at a time, for the next eight.
    const unsigned char* const stop = in + std::min<std::ptrdiff_t>(8, end - in);
    while (in < stop) {
      LEXICULL_INVARIANT(out - (begin + size_) <= in - first);
      const unsigned char byte = *in;
      if (byte < 0x80) {
        const unsigned char folded = kFolded[byte];
        *out = folded;
        out += (folded != ' ') | (previous != ' ');
        previous = folded;
        ++in;
        continue;
      }
      // A byte that begins no sequence goes on as it is.
      const Utf8Sequence sequence = decode_utf8(in, static_cast<std::size_t>(end - in));
      const std::size_t length = sequence.length == 0 ? 1 : sequence.length;
      const char* const form = sequence.length == 0 ? nullptr : ascii_form(sequence.code);
      if (form == nullptr) {
        std::memcpy(out, in, length);
        out += length;
        previous = in[length - 1];
      } else if (*form == ' ') {
        *out = ' ';
        out += previous != ' ';
        previous = ' ';
      } else if (*form != '\0') {
        const std::size_t form_length = std::strlen(form);
        std::memcpy(out, form, form_length);
        out += form_length;
        previous = static_cast<unsigned char>(form[form_length - 1]);
      }
      in += length;
    }
  }
  LEXICULL_INVARIANT(out - (begin + size_) <= end - first);
  size_ = static_cast<std::size_t>(out - begin);
  if (size_ >= kBlockSize) hand_on_line_so_far();
}

void PlainTextLines::hand_on_line_so_far() {
  const std::size_t kept = block_.data()[size_ - 1] == ' ' ? 1 : 0;
  const std::size_t handed = size_ - kept;
  if (handed > line_start_) line_handed_on_ = true;
  if (handed > 0) reader_.feed(block_.view(handed));
  if (kept > 0) block_.data()[0] = ' ';
  size_ = kept;
  line_start_ = 0;
}

void PlainTextLines::end_line() {
  if (size_ > line_start_ && block_.data()[size_ - 1] == ' ') --size_;
  if (size_ == line_start_ && !line_handed_on_) return;
  append("\n");
  line_start_ = size_;
  line_handed_on_ = false;
  if (size_ >= kBlockSize) flush();
}

void PlainTextLines::end_part() {
  end_line();
  const char separator = static_cast<char>(reader_.part_separator());
  if (separator == '\n') return;
  append(std::string_view(&separator, 1));
  line_start_ = size_;
}

void PlainTextLines::flush() {
  end_line();
  if (size_ == 0) return;
  reader_.feed(block_.view(size_));
  size_ = 0;
  line_start_ = 0;
}

const DocumentText::Rules DocumentText::kXhtml = {&is_block, &is_skipped};
const DocumentText::Rules DocumentText::kFictionBook = {&is_fiction_book_block,
                                                        &is_fiction_book_skipped};

void DocumentText::start_element(std::string_view local) {
  if (local == "body") ++body_;
  if (skipped_ > 0 || rules_.is_skipped(local)) {
    ++skipped_;
  } else if (rules_.is_block(local)) {
    lines_.end_line();
  }
}

void DocumentText::end_element(std::string_view local) {
  if (skipped_ > 0) {
    --skipped_;
  } else if (rules_.is_block(local)) {
    lines_.end_line();
  }
  if (local == "body" && body_ > 0) --body_;
}

void DocumentText::text(std::string_view utf8) {
  if (body_ > 0 && skipped_ == 0) lines_.add(utf8);
}

struct XhtmlText::State {
  State(PlainTextLines& lines, TextBudget& budget, const DocumentText::Rules& rules)
      : document(lines, rules), parser(budget) {}

  DocumentText document;
  XmlParser parser;

  static void start(void* data, const XML_Char* name, const XML_Char**) {
    static_cast<State*>(data)->document.start_element(XmlParser::local_name(name));
  }
  static void end(void* data, const XML_Char* name) {
    static_cast<State*>(data)->document.end_element(XmlParser::local_name(name));
  }
  // All the text the parser makes counts against the budget, taken or
  // skipped: an entity may expand anywhere.
  static void text(void* data, const XML_Char* text, int length) {
    State& state = *static_cast<State*>(data);
    if (!state.parser.count_text(static_cast<std::size_t>(length))) return;
    state.document.text(std::string_view(text, static_cast<std::size_t>(length)));
  }
  // XHTML's own entities, which books use under a DOCTYPE the parser does
  // not read.
  static void skipped_entity(void* data, const XML_Char* name, int is_parameter_entity) {
    if (is_parameter_entity) return;
    const std::string_view utf8 = xhtml_entity(name);
    if (!utf8.empty()) text(data, utf8.data(), static_cast<int>(utf8.size()));
  }
};

XhtmlText::XhtmlText(PlainTextLines& lines, TextBudget& budget, const DocumentText::Rules& rules)
    : state_(new State(lines, budget, rules)) {
  const XML_Parser parser = state_->parser.get();
  XML_SetUserData(parser, state_);
  XML_SetElementHandler(parser, &State::start, &State::end);
  XML_SetCharacterDataHandler(parser, &State::text);
  XML_SetSkippedEntityHandler(parser, &State::skipped_entity);
  // As if every document had a DTD the parser does not read: an entity it
  // does not know is then passed to skipped_entity() rather than an error.
  XML_UseForeignDTD(parser, XML_TRUE);
}

XhtmlText::~XhtmlText() { delete state_; }

bool XhtmlText::budget_spent() const { return state_->parser.budget_spent(); }

Status XhtmlText::parse(std::string_view piece, bool last) {
  Status status = state_->parser.parse(piece, last);
  if (status.ok() && last) state_->document.end();
  return status;
}

}  // namespace lexicull
