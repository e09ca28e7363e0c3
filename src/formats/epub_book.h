#ifndef LEXICULL_FORMATS_EPUB_BOOK_H_
#define LEXICULL_FORMATS_EPUB_BOOK_H_

// EPUB books: a ZIP archive of XHTML documents, of which the book's text is
// taken as its plain-text edition would have it, for the book reader.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "text/text_parts.h"

namespace lexicull {

// The most that one of its documents may inflate to: memory stays bounded
// whatever an archive claims.
inline constexpr std::uint64_t kLargestEpubDocument = std::uint64_t{64} << 20;

// Whether `file` is an EPUB: a ZIP archive (it begins with a local file
// header) that holds META-INF/container.xml, or whose first entry is the
// EPUB "mimetype" file, so that a damaged book (its directory or its
// container lost) is said to be one. Anything else is read as text.
bool is_epub(const RandomAccessFile& file);

// Feeds `reader` the text of the EPUB `archive`, then finishes it: the
// documents of its spine in order, each the character data of its body with
// block elements on lines of their own, white space folded, and typographic
// characters in their ASCII forms. Fails with "not a readable EPUB: ..." for
// a damaged or encrypted book, or one that reading fails on.
// A document ends its words as well as its line: a hyphen at its end joins
// nothing of the next. A large book is read on up to `options.threads`
// threads, each taking the next document into a reader of its own from
// make_later_part(), all taken over at the end: so `reader`'s result must
// not depend on the order of texts that each begin in its starting state,
// as a set of words does not.
Status read_epub_text(const RandomAccessFile& archive, TextPartReader& reader,
                      const PartOptions& options = PartOptions{1},
                      std::vector<std::string>* warnings = nullptr);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_EPUB_BOOK_H_
