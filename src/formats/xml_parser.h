#ifndef LEXICULL_FORMATS_XML_PARSER_H_
#define LEXICULL_FORMATS_XML_PARSER_H_

// The XML parser as every document of a book is parsed with it: its memory
// counted and capped, no file or network read for an external entity or
// DTD (the parser has no way to reach either), the single-byte code pages
// of code_pages.h known besides its own encodings, and the text it makes,
// entities expanded, counted against the book's text budget.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <expat.h>

#include "base/status.h"

namespace lexicull {

class MemoryAccount;

// The text that the documents of one archive may make in all. Any number of
// threads may take from it at once.
class TextBudget {
 public:
  // 256 MiB, or 32 times the archive's size where that is more: about ten
  // times what a book inflates to, and far more than any book's text.
  static std::uint64_t for_archive(std::uint64_t archive_size);

  explicit TextBudget(std::uint64_t limit) : limit_(limit) {}
  TextBudget(const TextBudget&) = delete;
  TextBudget& operator=(const TextBudget&) = delete;

  // Takes `size` bytes more; false once more than the limit has been taken.
  bool take(std::uint64_t size) {
    return used_.fetch_add(size, std::memory_order_relaxed) + size <= limit_;
  }
  std::uint64_t limit() const { return limit_; }
  // "its text is larger than N MiB", N the limit rounded down.
  std::string spent_reason() const;

 private:
  std::atomic<std::uint64_t> used_{0};
  const std::uint64_t limit_;
};

// One parser's share of a TextBudget: its text is taken from the budget in
// steps, so that the threads seldom touch the shared count, and a refusal
// comes at most a step per parser late. One thread uses it.
class BudgetShare {
 public:
  explicit BudgetShare(TextBudget& budget) : budget_(budget) {}

  // Counts `size` bytes more; false once the budget is spent.
  bool count(std::uint64_t size);
  // Takes what is counted but not yet taken, at the document's end; false
  // once the budget is spent.
  bool settle();
  bool spent() const { return spent_; }
  // "its text is larger than N MiB".
  std::string spent_reason() const { return budget_.spent_reason(); }

 private:
  TextBudget& budget_;
  std::uint64_t uncounted_ = 0;  // text not yet taken from the budget
  bool spent_ = false;
};

// A namespace-aware parser of one document, fed in pieces. The handlers
// that the owner sets get the parser's user data; a character-data handler
// must hand each run's length to count_text() and stop when it says so.
class XmlParser {
 public:
  // The most memory a parser may hold. It holds a tag, a comment or any
  // other piece of markup whole before it reads it, however long, and
  // doubles its buffer to do so: a piece of about half this is read.
  static constexpr std::size_t kMostMemory = std::size_t{16} << 20;
  // Between an element's namespace and its local name.
  static constexpr char kNamespaceSeparator = '\x01';

  // Counts text against `budget`, which must outlive the parser.
  explicit XmlParser(TextBudget& budget);
  ~XmlParser();
  XmlParser(const XmlParser&) = delete;
  XmlParser& operator=(const XmlParser&) = delete;

  XML_Parser get() const { return parser_; }

  // Parses the next piece; `last` for the final one. Fails with the
  // parser's reason and line ("mismatched tag at line 5"), for markup too
  // large to hold, for an encoding it cannot read (named), or with the
  // budget's reason once the text outgrows it (then budget_spent()).
  Status parse(std::string_view piece, bool last);

  // Counts `size` bytes of text; false, and the parser stopped, once the
  // budget is spent. Called from the handlers, inside parse().
  bool count_text(std::size_t size);
  bool budget_spent() const { return budget_.spent(); }

  // The local name of an element or attribute, without its namespace.
  static std::string_view local_name(const XML_Char* name);

 private:
  static int known_encoding(void* data, const XML_Char* name, XML_Encoding* info);

  BudgetShare budget_;
  MemoryAccount* memory_;
  XML_Parser parser_ = nullptr;
  std::string unknown_encoding_;  // as the document names it
};

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_XML_PARSER_H_
