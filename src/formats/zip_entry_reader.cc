// An entry's data follows its local header, whose own name and extra field
// may differ in length from the directory's; it must still end before the
// next entry. Small entries are read whole and inflated by libdeflate into
// a buffer of exactly their claimed size; larger ones are streamed through
// zlib. Both check the size and the CRC-32 against the directory's.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "formats/zip_archive.h"
#include "formats/zip_format.h"

namespace lexicull {

using namespace zip;

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
