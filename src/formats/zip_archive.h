#ifndef LEXICULL_FORMATS_ZIP_ARCHIVE_H_
#define LEXICULL_FORMATS_ZIP_ARCHIVE_H_

// ZIP archives, read at offsets of a regular file: the central directory
// once, then any entry's bytes, inflated, on any thread.
//
// What a crafted archive could make cost memory or time is bounded here:
// no two entries may share bytes (a few kilobytes of overlapping entries
// could otherwise inflate one stretch of deflate data a thousand times), an
// entry inflates to at most what it claims and what the caller allows, and
// every entry's size and checksum are compared with the directory's, however
// it is read. ZIP64 records are read wherever they stand, and a comment of
// up to 65,535 bytes may follow the directory.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/byte_buffer.h"
#include "base/byte_stream.h"
#include "base/status.h"

struct libdeflate_decompressor;

namespace lexicull {

// An entry as the central directory describes it.
struct ZipEntry {
  std::string name;
  std::uint64_t header_offset = 0;    // of its local header
  std::uint64_t compressed_size = 0;  // as stored
  std::uint64_t size = 0;             // inflated
  std::uint64_t data_limit = 0;       // where the next entry, or the directory, begins
  std::uint32_t crc = 0;
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
};

// The central directory of a ZIP archive. Read-only once made, so that any
// number of threads may share it.
class ZipDirectory {
 public:
  // The most entries an archive may have; more than any book has, and each
  // costs a little memory.
  static constexpr std::size_t kMostEntries = 100000;
  // The most the directory itself may take.
  static constexpr std::uint64_t kLargestDirectory = std::uint64_t{64} << 20;

  // Reads the directory of the archive `file`. Fails with "not a readable
  // EPUB: ..." for an archive whose directory cannot be read, with more
  // entries than kMostEntries, or whose entries overlap; a failed read is
  // returned as it is.
  static Status read(const RandomAccessFile& file, ZipDirectory* directory);

  // The entry of this name, or nullptr.
  const ZipEntry* find(std::string_view name) const;
  const std::vector<ZipEntry>& entries() const { return entries_; }

 private:
  std::vector<ZipEntry> entries_;
  std::unordered_map<std::string_view, std::size_t> by_name_;  // views into entries_
};

// Reads entries' bytes for one thread: it keeps the inflater and buffers
// from one entry to the next.
class ZipEntryReader {
 public:
  // Takes the inflated bytes of an entry in pieces, the last one marked (it
  // may be empty); a failure stops the reading.
  using Sink = std::function<Status(std::string_view piece, bool last)>;

  ZipEntryReader();
  ~ZipEntryReader();
  ZipEntryReader(const ZipEntryReader&) = delete;
  ZipEntryReader& operator=(const ZipEntryReader&) = delete;

  // Hands the bytes of `entry`, of the archive `file`, to `sink`: in one
  // piece when it claims at most kLargestWholeEntry, else in pieces of 64
  // KiB. Fails for an entry that claims or inflates to more than `limit`
  // ("NAME inflates to more than N MiB"), or that does not inflate to its
  // size and checksum ("the archive is damaged (NAME is damaged)"), which
  // is found even where `sink` failed first, since damaged bytes may look
  // like any other fault. Inflates each byte of the archive at most once.
  Status read(const RandomAccessFile& file, const ZipEntry& entry, std::uint64_t limit,
              const Sink& sink);

  // An entry that claims at most this much is inflated whole, in memory,
  // by libdeflate, three times as fast as zlib's streaming.
  static constexpr std::uint64_t kLargestWholeEntry = std::uint64_t{1} << 20;

 private:
  Status read_whole(const RandomAccessFile& file, const ZipEntry& entry, std::uint64_t data,
                    const Sink& sink);
  Status read_streamed(const RandomAccessFile& file, const ZipEntry& entry, std::uint64_t data,
                       const Sink& sink);

  libdeflate_decompressor* inflater_;
  ByteBuffer stored_;    // an entry's bytes as stored
  ByteBuffer inflated_;  // and inflated
};

// Prepares the inflating code once for the process, before any thread
// inflates: libdeflate picks its code for the processor on first use,
// writing process-wide pointers without a lock.
void prepare_inflating();

// "not a readable EPUB: " and the reason.
Status unreadable_epub(const std::string& reason);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_ZIP_ARCHIVE_H_
