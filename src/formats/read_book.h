#ifndef LEXICULL_FORMATS_READ_BOOK_H_
#define LEXICULL_FORMATS_READ_BOOK_H_

#include <string>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "formats/book_formats.h"
#include "text/text_parts.h"

namespace lexicull {

// The most of a book on standard input held in memory, for the formats that
// are read as a whole file (EPUB, HTML, FictionBook).
inline constexpr std::uint64_t kLargestStreamedBook = std::uint64_t{128} << 20;

// Collects the words of `book` into `words`, read as `format`; kAuto decides
// by its content (an EPUB, a zipped FictionBook, or detect_text_format()),
// and kText reads any file by the plain-text rules, byte for byte. A book on
// standard input that is to be read as a whole file is held in memory, up
// to kLargestStreamedBook bytes. What the user should be told of a book
// read all the same goes to `warnings`.
Status read_book(InputFile& book, BookFormat format, BookWordSet& words, const PartOptions& parts,
                 std::vector<std::string>* warnings);

// The same, for any reader of the book's text: `reader` gets the text that
// the book reader would, and is finished. A reader that makes no later
// parts needs parts.threads of 1.
Status read_book_text(InputFile& book, BookFormat format, TextPartReader& reader,
                      const PartOptions& parts, std::vector<std::string>* warnings);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_READ_BOOK_H_
