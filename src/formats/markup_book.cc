#include "formats/markup_book.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/file_range.h"
#include "formats/markup_document.h"
#include "formats/xhtml_text.h"
#include "formats/zip_archive.h"
#include "text/byte_classes.h"

namespace lexicull {
namespace {

constexpr std::size_t kPiece = 64 * 1024;
// A document's text held back until its XML reading ends.
constexpr std::size_t kMostHeld = std::size_t{16} << 20;
// A zipped FictionBook, pictures and all.
constexpr std::uint64_t kLargestZippedFictionBook = std::uint64_t{256} << 20;

// The file's bytes in order, to `sink`.
Status read_in_pieces(const RandomAccessFile& file, const PieceSink& sink) {
  std::vector<unsigned char> piece(kPiece);
  std::uint64_t at = 0;
  const std::uint64_t size = file.size();
  do {
    std::size_t got = 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size - at));
    Status status = read_fully_at(file, at, piece.data(), wanted, &got);
    if (!status.ok()) return status;
    at += got;
    status = sink(std::string_view(reinterpret_cast<const char*>(piece.data()), got),
                  got < wanted || at >= size);
    if (!status.ok() || got < wanted) return status;
  } while (at < size);
  return Status();
}

bool is_fiction_book_name(const std::string& name) {
  static constexpr std::string_view kSuffix = ".fb2";
  if (name.size() <= kSuffix.size()) return false;
  for (std::size_t k = 0; k < kSuffix.size(); ++k) {
    const auto byte = static_cast<unsigned char>(name[name.size() - kSuffix.size() + k]);
    if (to_lower(byte) != static_cast<unsigned char>(kSuffix[k])) return false;
  }
  return true;
}

// The one .fb2 entry of `directory`, or null.
const ZipEntry* only_fiction_book(const ZipDirectory& directory) {
  const ZipEntry* found = nullptr;
  for (const ZipEntry& entry : directory.entries()) {
    if (!is_fiction_book_name(entry.name)) continue;
    if (found != nullptr) return nullptr;
    found = &entry;
  }
  return found;
}

}  // namespace

Status read_html_book(const RandomAccessFile& book, TextPartReader& reader) {
  TextBudget budget(TextBudget::for_archive(book.size()));
  HeldText held(reader, kMostHeld);
  MarkupReading reading;
  Status status =
      read_markup_document([&](const PieceSink& sink) { return read_in_pieces(book, sink); }, held,
                           reader, budget, &reading);
  reader.finish();
  if (!status.ok() && reading.parser_failed) {
    status = Status::failure("not a readable HTML book: " + status.reason());
  }
  return status;
}

bool is_zipped_fiction_book(const RandomAccessFile& file) {
  ZipDirectory directory;
  return ZipDirectory::read(file, &directory).ok() && only_fiction_book(directory) != nullptr;
}

Status read_fiction_book(const RandomAccessFile& book, TextPartReader& reader) {
  TextBudget budget(TextBudget::for_archive(book.size()));
  PlainTextLines lines(reader);
  XhtmlText text(lines, budget, DocumentText::kFictionBook);
  bool parser_failed = false;
  const PieceSink sink = [&](std::string_view piece, bool last) {
    const Status parsed = text.parse(piece, last);
    parser_failed = !parsed.ok();
    return parsed;
  };
  Status status;
  unsigned char start[4] = {};
  std::size_t got = 0;
  status = read_fully_at(book, 0, start, sizeof start, &got);
  if (status.ok() && got == sizeof start && std::memcmp(start, "PK\3\4", 4) == 0) {
    ZipDirectory directory;
    status = ZipDirectory::read(book, &directory);
    const ZipEntry* entry = status.ok() ? only_fiction_book(directory) : nullptr;
    if (status.ok() && entry == nullptr) {
      status = Status::failure(
          "not a readable FictionBook: the archive does not hold exactly one .fb2 file");
    }
    if (status.ok()) {
      prepare_inflating();
      ZipEntryReader entries;
      status = entries.read(book, *entry, kLargestZippedFictionBook, sink);
    }
  } else if (status.ok()) {
    status = read_in_pieces(book, sink);
  }
  lines.flush();
  reader.finish();
  static constexpr std::string_view kArchiveFailure = "not a readable EPUB: ";
  if (!status.ok() && parser_failed) {
    status = Status::failure("not a readable FictionBook: " + status.reason());
  } else if (status.reason().compare(0, kArchiveFailure.size(), kArchiveFailure) == 0) {
    // The archive's own failures, said of the FictionBook it holds.
    status = Status::failure("not a readable FictionBook: " +
                             status.reason().substr(kArchiveFailure.size()));
  }
  return status;
}

}  // namespace lexicull
