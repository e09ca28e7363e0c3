// The central directory is found from the file's end: the end record stands
// last, behind a comment of up to 65,535 bytes, and where the archive needs
// ZIP64 (past 4 GiB, or 65,535 entries) a locator just before it points to
// a ZIP64 end record with the real sizes. The directory is read in one
// piece, each entry's 32-bit fields replaced by its ZIP64 extra field where
// they are all ones. Then the entries are ordered by their local headers:
// each one's header and data must end before the next begins, and the last
// before the directory. That rules out the overlapping entries of a crafted
// archive, so inflating every entry costs at most what inflating each byte
// of the file once does.
//
// An entry's data follows its local header, whose own name and extra field
// may differ in length from the directory's; it must still end before the
// next entry. Small entries are read whole and inflated by libdeflate into
// a buffer of exactly their claimed size; larger ones are streamed through
// zlib. Both check the size and the CRC-32 against the directory's.
#include "formats/zip_archive.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "base/coding.h"
#include "base/file_range.h"

namespace lexicull {
namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kLongestComment = 0xFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint32_t kAllOnes32 = 0xFFFFFFFF;
constexpr std::size_t kChunk = 64 * 1024;

std::uint64_t little_endian(const unsigned char* bytes, std::size_t size) {
  return load_little_endian_partial(bytes, size);
}
std::uint16_t u16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(little_endian(bytes, 2));
}
std::uint32_t u32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(little_endian(bytes, 4));
}

Status damaged(const std::string& what) {
  return unreadable_epub("the archive is damaged (" + what + ")");
}
Status directory_unreadable() { return damaged("its directory cannot be read"); }
Status entry_damaged(const ZipEntry& entry) { return damaged(entry.name + " is damaged"); }
Status overlapping() { return unreadable_epub("entries overlap (a crafted archive)"); }

// Reads exactly `size` bytes at `offset`: `*complete` is false where the
// file ends first.
Status read_exactly(const RandomAccessFile& file, std::uint64_t offset, unsigned char* buffer,
                    std::size_t size, bool* complete) {
  std::size_t got = 0;
  Status status = read_fully_at(file, offset, buffer, size, &got);
  *complete = got == size;
  return status;
}

// The ZIP64 fields that stand for the directory's all-ones fields, in the
// order the format gives: size, compressed size, header offset (the disk
// that may follow is of no use: archives of several disks are refused).
bool read_zip64_extra(const unsigned char* extra, std::size_t extra_size, std::uint32_t size32,
                      std::uint32_t compressed32, std::uint32_t offset32, ZipEntry* entry) {
  const bool needs_size = size32 == kAllOnes32;
  const bool needs_compressed = compressed32 == kAllOnes32;
  const bool needs_offset = offset32 == kAllOnes32;
  if (!needs_size && !needs_compressed && !needs_offset) return true;
  for (std::size_t at = 0; at + 4 <= extra_size;) {
    const std::uint16_t id = u16(extra + at);
    const std::size_t field_size = u16(extra + at + 2);
    const unsigned char* field = extra + at + 4;
    if (at + 4 + field_size > extra_size) break;
    if (id == kZip64ExtraId) {
      std::size_t used = 0;
      auto take = [&](std::uint64_t* value) {
        if (used + 8 > field_size) return false;
        *value = little_endian(field + used, 8);
        used += 8;
        return true;
      };
      if (needs_size && !take(&entry->size)) return false;
      if (needs_compressed && !take(&entry->compressed_size)) return false;
      if (needs_offset && !take(&entry->header_offset)) return false;
      return true;
    }
    at += 4 + field_size;
  }
  return false;
}

}  // namespace

Status unreadable_epub(const std::string& reason) {
  return Status::failure("not a readable EPUB: " + reason);
}

Status ZipDirectory::read(const RandomAccessFile& file, ZipDirectory* directory) {
  const std::uint64_t file_size = file.size();
  if (file_size < kEndSize) return directory_unreadable();
  // The end record, its comment, and a ZIP64 locator before it.
  const std::size_t tail_size = static_cast<std::size_t>(
      std::min<std::uint64_t>(file_size, kZip64LocatorSize + kEndSize + kLongestComment));
  const std::uint64_t tail_start = file_size - tail_size;
  std::vector<unsigned char> tail(tail_size);
  bool complete = false;
  Status status = read_exactly(file, tail_start, tail.data(), tail_size, &complete);
  if (!status.ok()) return status;
  if (!complete) return directory_unreadable();
  // The last end record whose comment ends the file; failing that, as
  // careless writers leave it, the last one there is.
  std::size_t end = tail_size;
  for (std::size_t at = tail_size - kEndSize + 1; at-- > 0;) {
    if (u32(&tail[at]) != kEndSignature) continue;
    if (end == tail_size) end = at;
    if (at + kEndSize + u16(&tail[at + 20]) == tail_size) {
      end = at;
      break;
    }
  }
  if (end == tail_size) return directory_unreadable();
  const unsigned char* record = &tail[end];
  if (u16(record + 4) != 0 || u16(record + 6) != 0) return damaged("it spans several disks");
  std::uint64_t directory_size = u32(record + 12);
  std::uint64_t directory_offset = u32(record + 16);
  std::uint64_t directory_end = tail_start + end;
  if (end >= kZip64LocatorSize && u32(&tail[end - kZip64LocatorSize]) == kZip64LocatorSignature) {
    const std::uint64_t zip64_end = little_endian(&tail[end - kZip64LocatorSize + 8], 8);
    unsigned char zip64[kZip64EndSize];
    if (zip64_end > directory_end - kZip64LocatorSize) return directory_unreadable();
    status = read_exactly(file, zip64_end, zip64, sizeof zip64, &complete);
    if (!status.ok()) return status;
    if (!complete || u32(zip64) != kZip64EndSignature) return directory_unreadable();
    directory_size = little_endian(zip64 + 40, 8);
    directory_offset = little_endian(zip64 + 48, 8);
    directory_end = zip64_end;
  }
  if (directory_offset > directory_end || directory_size > directory_end - directory_offset) {
    return directory_unreadable();
  }
  if (directory_size > kLargestDirectory) {
    return unreadable_epub("its directory is larger than " +
                           std::to_string(kLargestDirectory >> 20) + " MiB");
  }

  std::vector<unsigned char> bytes(static_cast<std::size_t>(directory_size));
  status = read_exactly(file, directory_offset, bytes.data(), bytes.size(), &complete);
  if (!status.ok()) return status;
  if (!complete) return directory_unreadable();
  std::vector<ZipEntry>& entries = directory->entries_;
  entries.clear();
  for (std::size_t at = 0; at < bytes.size();) {
    if (bytes.size() - at < kCentralHeaderSize) return directory_unreadable();
    const unsigned char* header = &bytes[at];
    if (u32(header) != kCentralHeaderSignature) return directory_unreadable();
    const std::size_t name_size = u16(header + 28);
    const std::size_t extra_size = u16(header + 30);
    const std::size_t comment_size = u16(header + 32);
    const std::size_t record_size = kCentralHeaderSize + name_size + extra_size + comment_size;
    if (bytes.size() - at < record_size) return directory_unreadable();
    if (entries.size() == kMostEntries) return unreadable_epub("it holds too many files");
    ZipEntry entry;
    entry.flags = u16(header + 8);
    entry.method = u16(header + 10);
    entry.crc = u32(header + 16);
    const std::uint32_t compressed32 = u32(header + 20);
    const std::uint32_t size32 = u32(header + 24);
    const std::uint32_t offset32 = u32(header + 42);
    entry.compressed_size = compressed32;
    entry.size = size32;
    entry.header_offset = offset32;
    entry.name.assign(reinterpret_cast<const char*>(header + kCentralHeaderSize), name_size);
    if (!read_zip64_extra(header + kCentralHeaderSize + name_size, extra_size, size32, compressed32,
                          offset32, &entry)) {
      return directory_unreadable();
    }
    entries.push_back(std::move(entry));
    at += record_size;
  }

  // In the order of their headers, each entry ends before the next begins.
  std::vector<ZipEntry*> in_file_order;
  in_file_order.reserve(entries.size());
  for (ZipEntry& entry : entries) in_file_order.push_back(&entry);
  std::sort(in_file_order.begin(), in_file_order.end(), [](const ZipEntry* a, const ZipEntry* b) {
    return a->header_offset < b->header_offset;
  });
  for (std::size_t i = 0; i < in_file_order.size(); ++i) {
    ZipEntry& entry = *in_file_order[i];
    const bool last = i + 1 == in_file_order.size();
    entry.data_limit = last ? directory_offset : in_file_order[i + 1]->header_offset;
    const std::uint64_t least_size = kLocalHeaderSize + entry.name.size();
    if (entry.header_offset > entry.data_limit ||
        entry.data_limit - entry.header_offset < least_size ||
        entry.data_limit - entry.header_offset - least_size < entry.compressed_size) {
      return last ? damaged(entry.name + " is damaged") : overlapping();
    }
  }
  directory->by_name_.clear();
  directory->by_name_.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) directory->by_name_.emplace(entries[i].name, i);
  return Status();
}

const ZipEntry* ZipDirectory::find(std::string_view name) const {
  const auto found = by_name_.find(name);
  return found == by_name_.end() ? nullptr : &entries_[found->second];
}

ZipEntryReader::ZipEntryReader() : inflater_(libdeflate_alloc_decompressor()) {
  if (inflater_ == nullptr) throw std::bad_alloc();
}

ZipEntryReader::~ZipEntryReader() { libdeflate_free_decompressor(inflater_); }

Status ZipEntryReader::read(const RandomAccessFile& file, const ZipEntry& entry,
                            std::uint64_t limit, const Sink& sink) {
  if ((entry.flags & 1) != 0) return unreadable_epub(entry.name + " is encrypted");
  if (entry.method != 0 && entry.method != Z_DEFLATED) {
    return unreadable_epub(entry.name + " is compressed in a way this program does not read");
  }
  if (entry.size > limit) {
    return unreadable_epub(entry.name + " inflates to more than " + std::to_string(limit >> 20) +
                           " MiB");
  }
  if (entry.method == 0 && entry.compressed_size != entry.size) return entry_damaged(entry);
  unsigned char header[kLocalHeaderSize];
  bool complete = false;
  Status status = read_exactly(file, entry.header_offset, header, sizeof header, &complete);
  if (!status.ok()) return status;
  if (!complete || u32(header) != kLocalHeaderSignature) return entry_damaged(entry);
  const std::uint64_t data =
      entry.header_offset + kLocalHeaderSize + u16(header + 26) + u16(header + 28);
  // The directory checked the entry with its own name's length; the local
  // header's name and extra field may still reach into the next entry.
  if (data > entry.data_limit || entry.data_limit - data < entry.compressed_size) {
    return overlapping();
  }
  if (entry.size <= kLargestWholeEntry && entry.compressed_size <= 2 * kLargestWholeEntry) {
    return read_whole(file, entry, data, sink);
  }
  return read_streamed(file, entry, data, sink);
}

Status ZipEntryReader::read_whole(const RandomAccessFile& file, const ZipEntry& entry,
                                  std::uint64_t data, const Sink& sink) {
  const auto stored_size = static_cast<std::size_t>(entry.compressed_size);
  const auto size = static_cast<std::size_t>(entry.size);
  stored_.reserve(stored_size, 0);
  bool complete = false;
  Status status = read_exactly(file, data, stored_.data(), stored_size, &complete);
  if (!status.ok()) return status;
  if (!complete) return entry_damaged(entry);
  const unsigned char* bytes = stored_.data();
  if (entry.method == Z_DEFLATED) {
    // Without a count to return, the output must fill the claim exactly.
    inflated_.reserve(size, 0);
    if (libdeflate_deflate_decompress(inflater_, stored_.data(), stored_size, inflated_.data(),
                                      size, nullptr) != LIBDEFLATE_SUCCESS) {
      return entry_damaged(entry);
    }
    bytes = inflated_.data();
  }
  if (libdeflate_crc32(0, bytes, size) != entry.crc) return entry_damaged(entry);
  return sink(std::string_view(reinterpret_cast<const char*>(bytes), size), true);
}

namespace {

// zlib's raw inflating, ended on every path.
class RawInflater {
 public:
  RawInflater() {
    if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
  }
  ~RawInflater() { inflateEnd(&stream_); }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
};

}  // namespace

Status ZipEntryReader::read_streamed(const RandomAccessFile& file, const ZipEntry& entry,
                                     std::uint64_t data, const Sink& sink) {
  stored_.reserve(kChunk, 0);
  inflated_.reserve(kChunk, 0);
  const bool deflated = entry.method == Z_DEFLATED;
  std::unique_ptr<RawInflater> inflater;
  if (deflated) inflater = std::make_unique<RawInflater>();
  std::uint64_t read = 0;   // of the stored bytes
  std::uint64_t total = 0;  // inflated
  std::uint32_t crc = 0;
  Status refused;  // by the sink: the rest is still inflated, to tell damage
  for (bool ended = false; !ended;) {
    std::size_t got = 0;
    if (!deflated || inflater->stream().avail_in == 0) {
      got = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, entry.compressed_size - read));
      bool complete = false;
      Status status = read_exactly(file, data + read, stored_.data(), got, &complete);
      if (!status.ok()) return status;
      if (!complete) return entry_damaged(entry);
      read += got;
    }
    const unsigned char* piece = stored_.data();
    std::size_t piece_size = got;
    if (deflated) {
      // With no input left, zlib still gives what it holds, then says it
      // cannot go on: a stream cut short.
      z_stream& stream = inflater->stream();
      if (got > 0) {
        stream.next_in = stored_.data();
        stream.avail_in = static_cast<uInt>(got);
      }
      stream.next_out = inflated_.data();
      stream.avail_out = static_cast<uInt>(kChunk);
      const int result = inflate(&stream, Z_NO_FLUSH);
      if (result == Z_MEM_ERROR) throw std::bad_alloc();
      if (result != Z_OK && result != Z_STREAM_END) return entry_damaged(entry);
      ended = result == Z_STREAM_END;
      piece = inflated_.data();
      piece_size = kChunk - stream.avail_out;
    } else {
      ended = read == entry.compressed_size;
    }
    total += piece_size;
    if (total > entry.size) return entry_damaged(entry);
    crc = static_cast<std::uint32_t>(libdeflate_crc32(crc, piece, piece_size));
    if (refused.ok() && piece_size > 0) {
      refused = sink(std::string_view(reinterpret_cast<const char*>(piece), piece_size), false);
    }
  }
  if (total != entry.size || crc != entry.crc) return entry_damaged(entry);
  if (!refused.ok()) return refused;
  return sink(std::string_view(), true);
}

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

}  // namespace lexicull
