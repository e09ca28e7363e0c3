#ifndef LEXICULL_FORMATS_MARKUP_BOOK_H_
#define LEXICULL_FORMATS_MARKUP_BOOK_H_

// Books that are one document of markup: an HTML page or edition, and
// FictionBook, the e-book format common for Russian and Eastern European
// books.

#include "base/byte_stream.h"
#include "base/status.h"
#include "text/text_parts.h"

namespace lexicull {

// Feeds `reader` the text of an HTML book, then finishes it: by the rules of
// an EPUB's documents, read as XML, or as HTML where it is no well-formed
// XML. Fails with "not a readable HTML book: ..." when its text outgrows
// its budget (as an EPUB's), or its markup what a parser may hold.
Status read_html_book(const RandomAccessFile& book, TextPartReader& reader);

// Whether the ZIP archive `file` holds exactly one FictionBook (.fb2).
bool is_zipped_fiction_book(const RandomAccessFile& file);

// Feeds `reader` the text of a FictionBook, or of the one in a ZIP archive,
// then finishes it: the character data of its <body> elements, white space
// folded and typographic characters in their ASCII forms; p, v, title,
// subtitle, epigraph, text-author, stanza and section end lines, binary
// holds no text. Its declared encoding is honoured (windows-1251 among
// them). Fails with "not a readable FictionBook: ..." for XML that is not
// well-formed, and as an EPUB's document does for its size or its text.
Status read_fiction_book(const RandomAccessFile& book, TextPartReader& reader);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_MARKUP_BOOK_H_
