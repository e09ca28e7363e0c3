#include "formats/read_book.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/file_range.h"
#include "book/collect_book_words.h"
#include "formats/epub_book.h"
#include "formats/markup_book.h"
#include "formats/subtitles.h"

namespace lexicull {
namespace {

constexpr unsigned char kZipStart[] = {'P', 'K', 3, 4};
constexpr std::size_t kBlock = 64 * 1024;

// Bytes held in memory, read as a regular file is.
class BytesFile : public RandomAccessFile {
 public:
  explicit BytesFile(std::string bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  Status read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                 std::size_t* count) const override {
    *count =
        offset >= bytes_.size()
            ? 0
            : std::min<std::size_t>(capacity, bytes_.size() - static_cast<std::size_t>(offset));
    if (*count > 0) std::memcpy(buffer, bytes_.data() + offset, *count);
    return Status();
  }

 private:
  std::string bytes_;
};

// The bytes read ahead of a stream, then the rest of it.
class ReplayedStream : public ByteSource {
 public:
  ReplayedStream(std::string ahead, ByteSource& rest) : ahead_(std::move(ahead)), rest_(rest) {}
  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    if (at_ < ahead_.size()) {
      *count = std::min(capacity, ahead_.size() - at_);
      std::memcpy(buffer, ahead_.data() + at_, *count);
      at_ += *count;
      if (at_ == ahead_.size()) ahead_ = std::string();
      return Status();
    }
    return rest_.read(buffer, capacity, count);
  }

 private:
  std::string ahead_;
  std::size_t at_ = 0;
  ByteSource& rest_;
};

// A file's bytes in order.
class FileInOrder : public ByteSource {
 public:
  explicit FileInOrder(const RandomAccessFile& file) : file_(file) {}
  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    const Status status = read_fully_at(file_, at_, buffer, capacity, count);
    at_ += *count;
    return status;
  }

 private:
  const RandomAccessFile& file_;
  std::uint64_t at_ = 0;
};

bool begins_as_zip(std::string_view bytes) {
  return bytes.size() >= sizeof kZipStart &&
         std::memcmp(bytes.data(), kZipStart, sizeof kZipStart) == 0;
}

// The format of a book that can be read at offsets, by its content.
BookFormat format_of(const RandomAccessFile& file) {
  std::string start(kFormatWindow, '\0');
  std::size_t got = 0;
  if (!read_fully_at(file, 0, reinterpret_cast<unsigned char*>(&start[0]), start.size(), &got)
           .ok()) {
    // The text reader says why.
    return BookFormat::kText;
  }
  start.resize(got);
  if (begins_as_zip(start)) {
    if (is_epub(file)) return BookFormat::kEpub;
    if (is_zipped_fiction_book(file)) return BookFormat::kFb2;
    return BookFormat::kText;
  }
  return detect_text_format(start);
}

bool read_whole(BookFormat format) {
  return format == BookFormat::kEpub || format == BookFormat::kHtml || format == BookFormat::kFb2;
}

Status read_file_as(const RandomAccessFile& file, InputFile& book, BookFormat format,
                    TextPartReader& collector, const PartOptions& parts,
                    std::vector<std::string>* warnings) {
  switch (format) {
    case BookFormat::kEpub:
      return read_epub_text(file, collector, parts, warnings);
    case BookFormat::kHtml:
      return read_html_book(file, collector);
    case BookFormat::kFb2:
      return read_fiction_book(file, collector);
    case BookFormat::kSrt:
    case BookFormat::kVtt: {
      FileInOrder bytes(file);
      return read_subtitle_text(bytes, collector);
    }
    case BookFormat::kAuto:
    case BookFormat::kText:
      break;
  }
  return read_text(book, collector, parts);
}

}  // namespace

Status read_book(InputFile& book, BookFormat format, BookWordSet& words, const PartOptions& parts,
                 std::vector<std::string>* warnings) {
  BookWordCollector collector(words);
  return read_book_text(book, format, collector, parts, warnings);
}

Status read_book_text(InputFile& book, BookFormat format, TextPartReader& reader,
                      const PartOptions& parts, std::vector<std::string>* warnings) {
  if (format == BookFormat::kText) return read_text(book, reader, parts);
  if (const RandomAccessFile* file = book.at_offsets()) {
    if (format == BookFormat::kAuto) format = format_of(*file);
    return read_file_as(*file, book, format, reader, parts, warnings);
  }
  // A stream: its first bytes tell its format, and a format read as a whole
  // file has all of it held.
  ByteSource& stream = *book.in_order();
  std::string ahead;
  std::vector<unsigned char> block(kBlock);
  bool ended = false;
  auto read_more = [&]() {
    std::size_t count = 0;
    const Status status = stream.read(block.data(), block.size(), &count);
    if (status.ok() && count == 0) ended = true;
    ahead.append(reinterpret_cast<const char*>(block.data()), count);
    return status;
  };
  while (!ended && ahead.size() < kFormatWindow) {
    const Status status = read_more();
    if (!status.ok()) return status;
  }
  const bool by_content = format == BookFormat::kAuto;
  if (by_content) {
    format = begins_as_zip(ahead) ? BookFormat::kEpub : detect_text_format(ahead);
  }
  if (read_whole(format)) {
    while (!ended) {
      if (ahead.size() > kLargestStreamedBook) {
        return Status::failure(
            "not a readable book: a book on standard input that is read whole (an EPUB, an HTML "
            "page or a FictionBook) is held in memory, up to " +
            std::to_string(kLargestStreamedBook >> 20) +
            " MiB, and this one is larger: name its file instead");
      }
      const Status status = read_more();
      if (!status.ok()) return status;
    }
    InputFile held(std::unique_ptr<RandomAccessFile>(new BytesFile(std::move(ahead))));
    const RandomAccessFile& file = *held.at_offsets();
    // A ZIP that is no EPUB is a zipped FictionBook, or text, as a file of
    // it is.
    if (by_content) format = format_of(file);
    return read_file_as(file, held, format, reader, parts, warnings);
  }
  if (format == BookFormat::kSrt || format == BookFormat::kVtt) {
    ReplayedStream replayed(std::move(ahead), stream);
    return read_subtitle_text(replayed, reader);
  }
  InputFile held(std::unique_ptr<ByteSource>(new ReplayedStream(std::move(ahead), stream)));
  return read_text(held, reader, parts);
}

}  // namespace lexicull
