// Books of markup in a program built without expat, zlib, libdeflate and
// libxml2, where they could not be had for its machine: an EPUB or a zipped
// FictionBook is then read as text, and an HTML page or a FictionBook, told
// by its content or asked for, is refused.
#include "formats/epub_book.h"
#include "formats/markup_book.h"

namespace lexicull {
namespace {

Status unsupported(TextPartReader& reader) {
  reader.finish();
  return Status::failure("this lexicull was built without EPUB, HTML and FictionBook support");
}

}  // namespace

bool is_epub(const RandomAccessFile&) { return false; }

Status read_epub_text(const RandomAccessFile&, TextPartReader& reader, const PartOptions&,
                      std::vector<std::string>*) {
  return unsupported(reader);
}

Status read_html_book(const RandomAccessFile&, TextPartReader& reader) {
  return unsupported(reader);
}

bool is_zipped_fiction_book(const RandomAccessFile&) { return false; }

Status read_fiction_book(const RandomAccessFile&, TextPartReader& reader) {
  return unsupported(reader);
}

}  // namespace lexicull
