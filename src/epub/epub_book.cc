#include "epub/epub_book.h"

#include <expat.h>
#include <libdeflate.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/byte_buffer.h"
#include "epub/xhtml_text.h"

namespace lexicull {
namespace {

constexpr unsigned char kZipStart[] = {'P', 'K', 3, 4};
constexpr char kContainer[] = "META-INF/container.xml";
constexpr char kEncryption[] = "META-INF/encryption.xml";
// The package document and the other small files are read whole.
constexpr std::uint64_t kLargestSmallFile = std::uint64_t{16} << 20;
// More entries than any book has; each costs a little memory in the index.
constexpr std::size_t kMostEntries = 100000;
constexpr std::size_t kChunk = 64 * 1024;
// An entry that claims this much at most is inflated whole, in memory.
constexpr std::uint64_t kLargestWholeEntry = std::uint64_t{1} << 20;

Status unreadable(const std::string& reason) {
  return Status::failure("not a readable EPUB: " + reason);
}

// The archive as minizip reads it: through these calls, at offsets of the
// file, so that it never opens a file by name.
// Reads `size` bytes from `offset` into `buffer`, or as many as there are
// before the end; the count read. A failed read ends it early and is kept
// in `*failure`.
std::size_t read_fully(const RandomAccessFile& file, std::uint64_t offset, unsigned char* buffer,
                       std::size_t size, Status* failure) {
  std::size_t total = 0;
  while (total < size) {
    std::size_t count = 0;
    Status status = file.read_at(offset + total, buffer + total, size - total, &count);
    if (!status.ok()) {
      *failure = std::move(status);
      break;
    }
    if (count == 0) break;
    total += count;
  }
  return total;
}

constexpr std::size_t kWindow = 64 * 1024;

// A stretch of the file read ahead.
struct Window {
  std::vector<unsigned char> bytes;
  std::uint64_t start = 0;
  std::uint64_t end() const { return start + bytes.size(); }
  bool holds(std::uint64_t offset) const { return offset >= start && offset < end(); }
};

struct ArchiveStream {
  const RandomAccessFile* file;
  std::uint64_t position = 0;
  Status failure;
  // minizip reads headers a field at a time, often a byte at a time: small
  // reads are served from windows of the file read ahead. It goes back and
  // forth between the directory at the end and each entry's header and
  // data, so there are two, the one used last kept.
  Window windows[2];
  unsigned last_used = 0;
};

voidpf ZCALLBACK open_stream(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK read_stream(voidpf, voidpf stream, void* buffer, uLong size) {
  auto& archive = *static_cast<ArchiveStream*>(stream);
  auto* out = static_cast<unsigned char*>(buffer);
  // What a window holds of the read is taken from it: the data after a
  // local header was read ahead with the header.
  std::size_t got = 0;
  for (unsigned k = 0; k < 2; ++k) {
    const Window& window = archive.windows[k];
    if (!window.holds(archive.position)) continue;
    got = static_cast<std::size_t>(std::min<std::uint64_t>(size, window.end() - archive.position));
    std::memcpy(out, window.bytes.data() + (archive.position - window.start), got);
    archive.last_used = k;
    break;
  }
  const std::size_t rest = size - got;
  if (rest >= kWindow / 4) {
    got += read_fully(*archive.file, archive.position + got, out + got, rest, &archive.failure);
  } else if (rest > 0) {
    // A window as large as the file allows, that holds the read: the
    // directory's end is looked for from the file's end backwards, a step
    // at a time, and the steps after the first fall into it.
    const std::uint64_t from = archive.position + got;
    const std::uint64_t file_size = archive.file->size();
    const std::uint64_t start =
        file_size >= kWindow ? std::min(from, file_size - kWindow) : std::uint64_t{0};
    Window& window = archive.windows[archive.last_used ^ 1];
    archive.last_used ^= 1;
    window.start = start;
    window.bytes.resize(kWindow);
    window.bytes.resize(read_fully(*archive.file, start, window.bytes.data(),
                                   static_cast<std::size_t>(std::min<std::uint64_t>(
                                       kWindow, file_size - std::min(start, file_size))),
                                   &archive.failure));
    if (window.holds(from)) {
      const std::size_t taken =
          static_cast<std::size_t>(std::min<std::uint64_t>(rest, window.end() - from));
      std::memcpy(out + got, window.bytes.data() + (from - window.start), taken);
      got += taken;
    }
  }
  archive.position += got;
  return static_cast<uLong>(got);
}

uLong ZCALLBACK write_stream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK tell_stream(voidpf, voidpf stream) {
  return static_cast<ArchiveStream*>(stream)->position;
}

long ZCALLBACK seek_stream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto& archive = *static_cast<ArchiveStream*>(stream);
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
      archive.position = offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
      archive.position += offset;
      return 0;
    case ZLIB_FILEFUNC_SEEK_END:
      archive.position = archive.file->size() + offset;
      return 0;
    default:
      return -1;
  }
}

int ZCALLBACK close_stream(voidpf, voidpf) { return 0; }

int ZCALLBACK error_stream(voidpf, voidpf stream) {
  return static_cast<ArchiveStream*>(stream)->failure.ok() ? 0 : 1;
}

// A ZIP archive, its entries found by name.
class Archive {
 public:
  // Fails for an archive whose directory cannot be read.
  static Status open(const RandomAccessFile& file, std::unique_ptr<Archive>* archive) {
    std::unique_ptr<Archive> opened(new Archive(file));
    zlib_filefunc64_def calls{};
    calls.zopen64_file = &open_stream;
    calls.zread_file = &read_stream;
    calls.zwrite_file = &write_stream;
    calls.ztell64_file = &tell_stream;
    calls.zseek64_file = &seek_stream;
    calls.zclose_file = &close_stream;
    calls.zerror_file = &error_stream;
    calls.opaque = &opened->stream_;
    opened->zip_ = unzOpen2_64("", &calls);
    if (opened->zip_ == nullptr) return opened->failure("its directory cannot be read");
    Status status = opened->index();
    if (status.ok()) *archive = std::move(opened);
    return status;
  }
  ~Archive() {
    if (zip_ != nullptr) unzClose(zip_);
    libdeflate_free_decompressor(inflater_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  bool holds(const std::string& name) const { return entries_.count(name) > 0; }
  // What the entry claims to inflate to, for sharing work out.
  std::uint64_t claimed_size(const std::string& name) const {
    const auto entry = sizes_.find(name);
    return entry == sizes_.end() ? 0 : entry->second;
  }

  // Hands the inflated bytes of entry `name` to `sink` in pieces, the last
  // marked (it may be empty); at most `limit` of them. An entry that claims
  // at most kLargestWholeEntry comes in one piece.
  Status read(const std::string& name, std::uint64_t limit,
              const std::function<Status(std::string_view, bool last)>& sink) {
    const auto entry = entries_.find(name);
    if (entry == entries_.end()) return unreadable("no " + name + " in the archive");
    unz64_file_pos position = entry->second;
    unz_file_info64 info;
    if (unzGoToFilePos64(zip_, &position) != UNZ_OK ||
        unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
      return failure(name + " cannot be found again");
    }
    if ((info.flag & 1) != 0) return unreadable(name + " is encrypted");
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
      return unreadable(name + " is compressed in a way this program does not read");
    }
    if (info.uncompressed_size <= std::min(kLargestWholeEntry, limit) &&
        info.compressed_size <= 2 * kLargestWholeEntry) {
      return read_entry_whole(name, info, sink);
    }
    if (unzOpenCurrentFile(zip_) != UNZ_OK) return failure(name + " is damaged");
    std::uint64_t total = 0;
    Status status;
    bool refused = false;  // by the sink
    for (;;) {
      const int count = unzReadCurrentFile(zip_, chunk_, sizeof chunk_);
      if (count < 0) {
        status = failure(name + " is damaged");
        break;
      }
      total += static_cast<unsigned>(count);
      if (total > limit) {
        status =
            unreadable(name + " inflates to more than " + std::to_string(limit >> 20) + " MiB");
        break;
      }
      status = sink(std::string_view(chunk_, static_cast<std::size_t>(count)), count == 0);
      refused = !status.ok();
      if (refused || count == 0) break;
    }
    // Damaged bytes may read as broken XML before the checksum, which shows
    // only at the end, tells the truth: the rest is read to see.
    bool damaged = false;
    while (refused && total <= limit) {
      const int count = unzReadCurrentFile(zip_, chunk_, sizeof chunk_);
      damaged = count < 0;
      if (count <= 0) break;
      total += static_cast<unsigned>(count);
    }
    if (unzCloseCurrentFile(zip_) != UNZ_OK || damaged) status = failure(name + " is damaged");
    return status;
  }

  Status read_whole(const std::string& name, std::string* bytes) {
    bytes->clear();
    return read(name, kLargestSmallFile, [bytes](std::string_view piece, bool) {
      bytes->append(piece);
      return Status();
    });
  }

 private:
  explicit Archive(const RandomAccessFile& file) : inflater_(libdeflate_alloc_decompressor()) {
    if (inflater_ == nullptr) throw std::bad_alloc();
    stream_.file = &file;
  }

  // Reads the entry's stored bytes as they are, then inflates them in one
  // call, checking its size and checksum as minizip would: libdeflate
  // inflates three times as fast as zlib, but only into memory.
  Status read_entry_whole(const std::string& name, const unz_file_info64& info,
                          const std::function<Status(std::string_view, bool last)>& sink) {
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(zip_, &method, &level, 1) != UNZ_OK) {
      return failure(name + " is damaged");
    }
    // One byte more than the claim, to see that the entry ends there.
    const std::size_t room = static_cast<std::size_t>(info.compressed_size) + 1;
    stored_.reserve(room, 0);
    std::size_t got = 0;
    int count = 0;
    while (got < room && (count = unzReadCurrentFile(zip_, stored_.data() + got,
                                                     static_cast<unsigned>(room - got))) > 0) {
      got += static_cast<std::size_t>(count);
    }
    unzCloseCurrentFile(zip_);
    if (count < 0 || got != info.compressed_size) return failure(name + " is damaged");
    const std::size_t size = static_cast<std::size_t>(info.uncompressed_size);
    const unsigned char* bytes = stored_.data();
    if (method == Z_DEFLATED) {
      // Without a count to return, the claim must be the exact size.
      inflated_.reserve(size, 0);
      if (libdeflate_deflate_decompress(inflater_, stored_.data(), got, inflated_.data(), size,
                                        nullptr) != LIBDEFLATE_SUCCESS) {
        return failure(name + " is damaged");
      }
      bytes = inflated_.data();
    } else if (got != size) {
      return failure(name + " is damaged");
    }
    if (libdeflate_crc32(0, bytes, size) != info.crc) return failure(name + " is damaged");
    return sink(std::string_view(reinterpret_cast<const char*>(bytes), size), true);
  }

  // The reason, or the read that failed under it.
  Status failure(const std::string& what) {
    if (!stream_.failure.ok()) return stream_.failure;
    return unreadable("the archive is damaged (" + what + ")");
  }

  Status index() {
    char name[65536];
    for (int status = unzGoToFirstFile(zip_); status == UNZ_OK; status = unzGoToNextFile(zip_)) {
      unz_file_info64 info;
      if (unzGetCurrentFileInfo64(zip_, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
          UNZ_OK) {
        return failure("an entry cannot be read");
      }
      if (entries_.size() == kMostEntries) return unreadable("it holds too many files");
      unz64_file_pos position;
      unzGetFilePos64(zip_, &position);
      const std::string entry(name, std::min<std::size_t>(info.size_filename, sizeof name - 1));
      entries_.emplace(entry, position);
      sizes_.emplace(entry, info.uncompressed_size);
    }
    if (!stream_.failure.ok()) return stream_.failure;
    return Status();
  }

  ArchiveStream stream_;
  unzFile zip_ = nullptr;
  std::unordered_map<std::string, unz64_file_pos> entries_;
  std::unordered_map<std::string, std::uint64_t> sizes_;
  char chunk_[kChunk];
  libdeflate_decompressor* inflater_;
  ByteBuffer stored_;    // an entry's bytes as stored
  ByteBuffer inflated_;  // and inflated
};

// Calls `visit` with the local name and attributes of every element of a
// small XML file, in order; `depth` is how deep the element stands.
using ElementVisitor = std::function<void(
    std::string_view name,
    const std::vector<std::pair<std::string_view, std::string_view>>& attributes)>;

struct VisitState {
  const ElementVisitor* visit;
  std::vector<std::string> open;  // the names of the open elements
};

std::string_view local_part(const XML_Char* name) {
  const std::string_view full = name;
  const std::size_t separator = full.rfind('\x01');
  return separator == std::string_view::npos ? full : full.substr(separator + 1);
}

Status visit_elements(const std::string& name, std::string_view xml, const ElementVisitor& visit) {
  XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
  if (parser == nullptr) throw std::bad_alloc();
  VisitState state{&visit, {}};
  XML_SetUserData(parser, &state);
  XML_SetElementHandler(
      parser,
      [](void* data, const XML_Char* element, const XML_Char** attributes) {
        auto& visiting = *static_cast<VisitState*>(data);
        std::vector<std::pair<std::string_view, std::string_view>> pairs;
        for (const XML_Char** at = attributes; *at != nullptr; at += 2) {
          pairs.emplace_back(local_part(at[0]), at[1]);
        }
        (*visiting.visit)(local_part(element), pairs);
      },
      nullptr);
  const bool parsed =
      XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), XML_TRUE) != XML_STATUS_ERROR;
  const Status status =
      parsed ? Status()
             : unreadable(name + ": " + XML_ErrorString(XML_GetErrorCode(parser)) + " at line " +
                          std::to_string(XML_GetCurrentLineNumber(parser)));
  XML_ParserFree(parser);
  return status;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `reference` (a path relative to `folder`, perhaps with a #fragment and
// percent-encoded bytes) as the name of an entry of the archive.
std::string resolve(std::string_view folder, std::string_view reference) {
  reference = reference.substr(0, reference.find('#'));
  std::string decoded;
  for (std::size_t i = 0; i < reference.size(); ++i) {
    if (reference[i] == '%' && i + 2 < reference.size() + 0 && hex_value(reference[i + 1]) >= 0 &&
        hex_value(reference[i + 2]) >= 0) {
      decoded += static_cast<char>(hex_value(reference[i + 1]) * 16 + hex_value(reference[i + 2]));
      i += 2;
    } else {
      decoded += reference[i];
    }
  }
  const std::string joined =
      !decoded.empty() && decoded[0] == '/' ? decoded.substr(1) : std::string(folder) + decoded;
  std::vector<std::string> parts;
  std::size_t begin = 0;
  while (begin <= joined.size()) {
    std::size_t end = joined.find('/', begin);
    if (end == std::string::npos) end = joined.size();
    const std::string part = joined.substr(begin, end - begin);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    begin = end + 1;
  }
  std::string path;
  for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
  return path;
}

// The spine documents of the book, in order, each once.
Status spine_documents(Archive& archive, std::vector<std::string>* documents) {
  std::string xml;
  Status status = archive.read_whole(kContainer, &xml);
  if (!status.ok()) return status;
  std::string package;
  status =
      visit_elements(kContainer, xml, [&package](std::string_view name, const auto& attributes) {
        if (name != "rootfile" || !package.empty()) return;
        for (const auto& [attribute, value] : attributes) {
          if (attribute == "full-path") package = std::string(value);
        }
      });
  if (!status.ok()) return status;
  if (package.empty()) return unreadable(std::string(kContainer) + " names no package document");
  package = resolve("", package);
  if (!archive.holds(package)) return unreadable("no package document " + package);
  status = archive.read_whole(package, &xml);
  if (!status.ok()) return status;
  const std::string folder = package.substr(0, package.rfind('/') + 1);

  struct Item {
    std::string href;
    bool is_document;
  };
  std::unordered_map<std::string, Item> manifest;
  std::vector<std::string> spine;
  status = visit_elements(package, xml, [&](std::string_view name, const auto& attributes) {
    std::string id, href, media_type, idref;
    for (const auto& [attribute, value] : attributes) {
      if (attribute == "id") id = value;
      if (attribute == "href") href = value;
      if (attribute == "media-type") media_type = value;
      if (attribute == "idref") idref = value;
    }
    if (name == "item" && !id.empty()) {
      manifest.emplace(
          id, Item{href, media_type == "application/xhtml+xml" || media_type == "text/html"});
    } else if (name == "itemref" && !idref.empty()) {
      spine.push_back(idref);
    }
  });
  if (!status.ok()) return status;

  std::set<std::string> seen;
  for (const std::string& idref : spine) {
    const auto item = manifest.find(idref);
    if (item == manifest.end() || !item->second.is_document) continue;
    const std::string path = resolve(folder, item->second.href);
    if (!seen.insert(path).second) continue;
    if (!archive.holds(path)) return unreadable("the spine's " + path + " is not in the archive");
    documents->push_back(path);
  }

  // A book whose documents are encrypted cannot be read; fonts that are
  // only obfuscated do not matter.
  if (archive.holds(kEncryption)) {
    status = archive.read_whole(kEncryption, &xml);
    if (!status.ok()) return status;
    std::set<std::string> encrypted;
    status = visit_elements(kEncryption, xml,
                            [&encrypted](std::string_view name, const auto& attributes) {
                              if (name != "CipherReference") return;
                              for (const auto& [attribute, value] : attributes) {
                                if (attribute == "URI") encrypted.insert(resolve("", value));
                              }
                            });
    if (!status.ok()) return status;
    for (const std::string& document : *documents) {
      if (encrypted.count(document) > 0) {
        return unreadable("the book is encrypted (" + document + ", by " + kEncryption + ")");
      }
    }
  }
  return Status();
}

// The first entry's name and bytes, from its local header: an EPUB begins
// with its "mimetype", stored.
bool starts_with_epub_mimetype(const RandomAccessFile& file) {
  unsigned char header[30 + 8 + 20];
  Status ignored;
  const std::size_t got = read_fully(file, 0, header, sizeof header, &ignored);
  static constexpr char kExpected[] = "mimetypeapplication/epub+zip";
  return got == sizeof header && std::memcmp(header, kZipStart, 4) == 0 && header[26] == 8 &&
         header[27] == 0 && std::memcmp(header + 30, kExpected, sizeof kExpected - 1) == 0;
}

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

}  // namespace

Status take_stream(ByteSource& stream, std::unique_ptr<RandomAccessFile>* archive,
                   std::unique_ptr<ByteSource>* text) {
  std::string ahead;
  std::vector<unsigned char> block(kChunk);
  // The first bytes say whether to read on: only a ZIP archive may be an EPUB.
  while (ahead.size() < sizeof kZipStart ||
         (std::memcmp(ahead.data(), kZipStart, sizeof kZipStart) == 0 &&
          ahead.size() <= kLargestStreamedEpub)) {
    std::size_t count = 0;
    const Status status = stream.read(block.data(), block.size(), &count);
    if (!status.ok()) return status;
    if (count == 0) {
      if (ahead.size() >= sizeof kZipStart &&
          std::memcmp(ahead.data(), kZipStart, sizeof kZipStart) == 0) {
        archive->reset(new BytesFile(std::move(ahead)));
        return Status();
      }
      break;
    }
    ahead.append(reinterpret_cast<const char*>(block.data()), count);
  }
  text->reset(new ReplayedStream(std::move(ahead), stream));
  return Status();
}

bool is_epub(const RandomAccessFile& file) {
  unsigned char start[4];
  // A book that cannot be read here is left to the text reader, which says why.
  Status ignored;
  const std::size_t got = read_fully(file, 0, start, sizeof start, &ignored);
  if (got < sizeof start || std::memcmp(start, kZipStart, sizeof start) != 0) return false;
  std::unique_ptr<Archive> archive;
  if (Archive::open(file, &archive).ok() && archive->holds(kContainer)) return true;
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

// libdeflate picks its inflating and checksum code for the processor on
// first use, writing process-wide pointers without a lock; that first use is
// here, once, before any thread reads.
void prepare_inflating() {
  static const bool prepared = [] {
    static constexpr unsigned char kEmptyStream[] = {0x03, 0x00};
    unsigned char none[1];
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (inflater == nullptr) throw std::bad_alloc();
    libdeflate_deflate_decompress(inflater, kEmptyStream, sizeof kEmptyStream, none, 0, nullptr);
    libdeflate_free_decompressor(inflater);
    return libdeflate_crc32(0, none, 0) == 0;
  }();
  (void)prepared;
}

// Adds the text of `document` to `lines`, and ends its words: a hyphen at
// its end joins nothing of the next document. So a document reads the same
// whatever was read before it.
Status read_document(Archive& archive, const std::string& document, PlainTextLines& lines) {
  XhtmlText text(lines);
  const Status status =
      archive.read(document, kLargestEpubDocument, [&](std::string_view piece, bool last) {
        // A document parsed in one last call spares the parser counting its
        // lines, which it does only between calls.
        const Status parsed = text.parse(piece, last);
        return parsed.ok() ? parsed : unreadable(document + ": " + parsed.reason());
      });
  lines.end_part();
  return status;
}

}  // namespace

Status read_epub_text(const RandomAccessFile& file, TextPartReader& reader,
                      const PartOptions& options) {
  std::unique_ptr<Archive> archive;
  Status status = Archive::open(file, &archive);
  std::vector<std::string> documents;
  if (status.ok()) status = spine_documents(*archive, &documents);
  if (!status.ok()) {
    reader.finish();
    return status;
  }
  std::uint64_t total = 0;
  for (const std::string& document : documents) total += archive->claimed_size(document) + 1;
  const std::uint64_t least_share =
      std::max<std::uint64_t>(1, options.min_part_size / kXhtmlCostInText);
  const std::size_t threads = static_cast<std::size_t>(
      std::max<std::uint64_t>(1, std::min<std::uint64_t>({options.threads, kMostThreads,
                                                          total / least_share, documents.size()})));

  // Each thread takes the next document not yet taken, until none is left,
  // into a reader of its own: one that started late, or runs slowly, reads
  // fewer. Documents may reach a reader in any order, as they begin in the
  // reader's starting state; the words of a book are a set.
  // Everything the threads need is made before the first starts, so that
  // nothing can fail while one runs but the threads themselves.
  prepare_inflating();
  std::vector<std::unique_ptr<TextPartReader>> later(threads);
  for (std::size_t thread = 1; thread < threads; ++thread) later[thread] = reader.make_later_part();
  std::vector<Status> statuses(documents.size());
  std::vector<std::exception_ptr> failures(threads);
  std::atomic<std::size_t> next_document{0};
  // Documents after one that failed are not worth reading: the first
  // failure in the spine's order is the result.
  std::atomic<std::size_t> first_failed{documents.size()};
  // Each thread reads with its own opening of the archive (minizip's handle
  // is one thread's); this one with the archive already open.
  auto read_share = [&](std::size_t thread, std::unique_ptr<Archive> own) {
    TextPartReader& part = thread == 0 ? reader : *later[thread];
    try {
      PlainTextLines lines(part);
      for (std::size_t at; (at = next_document.fetch_add(1)) < documents.size();) {
        if (at > first_failed.load()) break;
        Status& result = statuses[at];
        if (!own) result = Archive::open(file, &own);
        if (result.ok()) result = read_document(*own, documents[at], lines);
        if (!result.ok()) {
          std::size_t failed = first_failed.load();
          while (at < failed && !first_failed.compare_exchange_weak(failed, at)) {
          }
        }
      }
      lines.flush();
      part.finish();
    } catch (...) {
      failures[thread] = std::current_exception();
      first_failed.store(0);
    }
  };
  std::vector<std::thread> workers;
  workers.reserve(threads);
  for (std::size_t thread = 1; thread < threads; ++thread) {
    try {
      workers.emplace_back(read_share, thread, nullptr);
    } catch (...) {
      // No thread to be had, or no memory for one: the others read its share.
      break;
    }
  }
  read_share(0, std::move(archive));
  for (std::thread& worker : workers) worker.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
  for (const Status& result : statuses) {
    if (!result.ok()) return result;
  }
  for (std::size_t thread = 1; thread <= workers.size(); ++thread) {
    reader.take_later_part(*later[thread]);
  }
  return Status();
}

}  // namespace lexicull
