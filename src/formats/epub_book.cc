// An EPUB is read in three steps. The archive's directory is read once
// (zip_archive.h), then the container, the package document and the
// encryption list, which give the spine's documents in reading order
// (package_document.h). Then threads take the next document not yet taken,
// each into a book reader of its own, and parse it as XHTML, or as HTML
// where it is no well-formed XML (markup_document.h).
//
// What a book may cost is bounded whatever it holds or claims: each entry
// inflates at most once and to no more than it claims, a document to at
// most kLargestEpubDocument; each parser holds at most XmlParser::kMostMemory;
// all the text of all documents, entities expanded, counts against one
// TextBudget; and there are at most kMostThreads threads.
#include "formats/epub_book.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file_range.h"
#include "base/side_by_side.h"
#include "formats/markup_document.h"
#include "formats/package_document.h"
#include "formats/zip_archive.h"

namespace lexicull {
namespace {

constexpr unsigned char kZipStart[] = {'P', 'K', 3, 4};
constexpr char kContainer[] = "META-INF/container.xml";
constexpr char kEncryption[] = "META-INF/encryption.xml";
// The package document and the other small files are read whole.
constexpr std::uint64_t kLargestSmallFile = std::uint64_t{16} << 20;

// The archive, as every thread reads it.
struct Book {
  const RandomAccessFile& file;
  ZipDirectory directory;
  TextBudget budget;
};

// A failure of the parser on the small file `name`: its reason, said of the
// file unless it is the budget's.
Status small_file_failure(const Book& book, const std::string& name, const Status& status) {
  if (status.reason() == book.budget.spent_reason()) return unreadable_epub(status.reason());
  return unreadable_epub(name + ": " + status.reason());
}

Status read_small_file(Book& book, ZipEntryReader& reader, const std::string& name,
                       std::string* bytes) {
  const ZipEntry* entry = book.directory.find(name);
  if (entry == nullptr) return unreadable_epub("no " + name + " in the archive");
  bytes->clear();
  return reader.read(book.file, *entry, kLargestSmallFile, [bytes](std::string_view piece, bool) {
    bytes->append(piece);
    return Status();
  });
}

// The spine's documents, in reading order. A warning that the reader should
// see goes to `warnings`.
Status spine_documents(Book& book, ZipEntryReader& reader, std::vector<const ZipEntry*>* documents,
                       std::vector<std::string>* warnings) {
  std::string xml;
  Status status = read_small_file(book, reader, kContainer, &xml);
  if (!status.ok()) return status;
  std::string package;
  status = parse_container(xml, book.budget, &package);
  if (!status.ok()) return small_file_failure(book, kContainer, status);
  if (package.empty())
    return unreadable_epub(std::string(kContainer) + " names no package document");
  if (book.directory.find(package) == nullptr) {
    return unreadable_epub("no package document " + package);
  }
  status = read_small_file(book, reader, package, &xml);
  if (!status.ok()) return status;
  std::vector<std::string> paths;
  status = parse_package(xml, package, book.budget, &paths);
  if (!status.ok()) return small_file_failure(book, package, status);
  for (const std::string& path : paths) {
    const ZipEntry* entry = book.directory.find(path);
    if (entry == nullptr) return unreadable_epub("the spine's " + path + " is not in the archive");
    documents->push_back(entry);
  }

  // A book whose documents are encrypted cannot be read; fonts that are
  // only obfuscated do not matter. A list that cannot be read says nothing
  // for sure: the documents themselves tell, by their bytes.
  if (book.directory.find(kEncryption) == nullptr) return Status();
  status = read_small_file(book, reader, kEncryption, &xml);
  if (!status.ok()) return status;
  std::set<std::string> encrypted;
  status = parse_encryption(xml, book.budget, &encrypted);
  if (!status.ok()) {
    if (status.reason() == book.budget.spent_reason()) return unreadable_epub(status.reason());
    if (warnings != nullptr) {
      warnings->push_back(std::string(kEncryption) + " cannot be read (" + status.reason() +
                          "); the book is read as if it listed nothing");
    }
    return Status();
  }
  for (const ZipEntry* document : *documents) {
    if (encrypted.count(document->name) > 0) {
      return unreadable_epub("the book is encrypted (" + document->name + ", by " + kEncryption +
                             ")");
    }
  }
  return Status();
}

// Every thread holds back at most this much of a document's text in all
// (HeldText).
constexpr std::size_t kMostHeldInAll = std::size_t{16} << 20;

// Adds the text of `document` to `reader`, and ends its words: a hyphen at
// its end joins nothing of the next document. So a document reads the same
// whatever was read before it. A document that is no well-formed XML is
// read as HTML, and `*read_as_html` says why.
Status read_document(Book& book, ZipEntryReader& entries, const ZipEntry& document, HeldText& held,
                     TextPartReader& reader, std::string* read_as_html) {
  MarkupReading reading;
  const Status status = read_markup_document(
      [&](const PieceSink& sink) {
        return entries.read(book.file, document, kLargestEpubDocument, sink);
      },
      held, reader, book.budget, &reading);
  *read_as_html = reading.read_as_html;
  if (status.ok() || !reading.parser_failed) return status;
  if (status.reason() == book.budget.spent_reason()) return unreadable_epub(status.reason());
  return unreadable_epub(document.name + ": " + status.reason());
}

// The first entry's name and bytes, from its local header: an EPUB begins
// with its "mimetype", stored.
bool starts_with_epub_mimetype(const RandomAccessFile& file) {
  unsigned char header[30 + 8 + 20];
  std::size_t got = 0;
  static constexpr char kExpected[] = "mimetypeapplication/epub+zip";
  return read_fully_at(file, 0, header, sizeof header, &got).ok() && got == sizeof header &&
         std::memcmp(header, kZipStart, 4) == 0 && header[26] == 8 && header[27] == 0 &&
         std::memcmp(header + 30, kExpected, sizeof kExpected - 1) == 0;
}

}  // namespace

bool is_epub(const RandomAccessFile& file) {
  unsigned char start[sizeof kZipStart];
  std::size_t got = 0;
  // A book that cannot be read here is left to the text reader, which says why.
  if (!read_fully_at(file, 0, start, sizeof start, &got).ok() || got < sizeof start ||
      std::memcmp(start, kZipStart, sizeof start) != 0) {
    return false;
  }
  ZipDirectory directory;
  if (ZipDirectory::read(file, &directory).ok() && directory.find(kContainer) != nullptr) {
    return true;
  }
  return starts_with_epub_mimetype(file);
}

namespace {

// A byte of XHTML costs several of plain text (inflating, parsing, folding):
// a thread pays for itself on this fraction of the text it would need.
constexpr std::uint64_t kXhtmlCostInText = 8;
// Each thread may hold a document whole and a long piece of markup, some
// MiB at worst: memory stays bounded however many processors there are, and
// no book is large enough to need more.
constexpr std::uint64_t kMostThreads = 8;

}  // namespace

Status read_epub_text(const RandomAccessFile& file, TextPartReader& reader,
                      const PartOptions& options, std::vector<std::string>* warnings) {
  Book book{file, ZipDirectory(), TextBudget(TextBudget::for_archive(file.size()))};
  prepare_inflating();
  ZipEntryReader first_reader;
  std::vector<const ZipEntry*> documents;
  Status status = ZipDirectory::read(file, &book.directory);
  if (status.ok()) status = spine_documents(book, first_reader, &documents, warnings);
  if (!status.ok()) {
    reader.finish();
    return status;
  }
  std::uint64_t total = 0;
  for (const ZipEntry* document : documents) total += document->size + 1;
  const std::uint64_t least_share =
      std::max<std::uint64_t>(1, options.min_part_size / kXhtmlCostInText);
  // Documents are dealt out to the threads as they finish, not in order.
  const std::size_t threads =
      reader.needs_parts_in_order()
          ? 1
          : static_cast<std::size_t>(std::max<std::uint64_t>(
                1, std::min<std::uint64_t>(
                       {options.threads, kMostThreads, total / least_share, documents.size()})));

  // Each thread takes the next document not yet taken, until none is left,
  // into a reader of its own: one that started late, or runs slowly, reads
  // fewer. Documents may reach a reader in any order, as they begin in the
  // reader's starting state; the words of a book are a set.
  // Everything the threads need is made before the first starts, so that
  // nothing can fail while one runs but the threads themselves.
  std::vector<std::unique_ptr<TextPartReader>> later(threads);
  std::vector<std::unique_ptr<ZipEntryReader>> entry_readers(threads);
  for (std::size_t thread = 1; thread < threads; ++thread) {
    later[thread] = reader.make_later_part();
    entry_readers[thread] = std::make_unique<ZipEntryReader>();
  }
  std::vector<Status> statuses(documents.size());
  std::vector<std::string> read_as_html(documents.size());
  std::atomic<std::size_t> next_document{0};
  // Documents after one that failed are not worth reading: the first
  // failure in the spine's order is the result.
  std::atomic<std::size_t> first_failed{documents.size()};
  auto read_share = [&](std::size_t thread) {
    TextPartReader& part = thread == 0 ? reader : *later[thread];
    ZipEntryReader& entries = thread == 0 ? first_reader : *entry_readers[thread];
    try {
      HeldText held(part, kMostHeldInAll / threads);
      for (std::size_t at; (at = next_document.fetch_add(1)) < documents.size();) {
        if (at > first_failed.load()) break;
        Status& result = statuses[at];
        result = read_document(book, entries, *documents[at], held, part, &read_as_html[at]);
        if (!result.ok()) {
          std::size_t failed = first_failed.load();
          while (at < failed && !first_failed.compare_exchange_weak(failed, at)) {
          }
        }
      }
      part.finish();
    } catch (...) {
      // The others stop at their next document; this is thrown again once
      // all have ended.
      first_failed.store(0);
      throw;
    }
  };
  // A share whose thread cannot be had runs after the others started, and
  // finds the documents taken or takes those left.
  run_side_by_side(threads, read_share);
  for (const Status& result : statuses) {
    if (!result.ok()) return result;
  }
  for (std::size_t at = 0; at < documents.size(); ++at) {
    if (read_as_html[at].empty()) continue;
    if (warnings != nullptr) {
      warnings->push_back(documents[at]->name + " is not well-formed XML (" + read_as_html[at] +
                          "); read as HTML");
    }
    break;
  }
  for (std::size_t thread = 1; thread < threads; ++thread) {
    reader.take_later_part(*later[thread]);
  }
  return Status();
}

}  // namespace lexicull
