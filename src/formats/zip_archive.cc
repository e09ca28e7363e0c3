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
#include "formats/zip_archive.h"

#include <algorithm>
#include <cstring>

#include "formats/zip_format.h"

namespace lexicull {

using namespace zip;

namespace {

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
        *value = zip_little_endian(field + used, 8);
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
    const std::uint64_t zip64_end = zip_little_endian(&tail[end - kZip64LocatorSize + 8], 8);
    unsigned char zip64[kZip64EndSize];
    if (zip64_end > directory_end - kZip64LocatorSize) return directory_unreadable();
    status = read_exactly(file, zip64_end, zip64, sizeof zip64, &complete);
    if (!status.ok()) return status;
    if (!complete || u32(zip64) != kZip64EndSignature) return directory_unreadable();
    directory_size = zip_little_endian(zip64 + 40, 8);
    directory_offset = zip_little_endian(zip64 + 48, 8);
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
}  // namespace lexicull
