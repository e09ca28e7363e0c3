#ifndef LEXICULL_FORMATS_ZIP_FORMAT_H_
#define LEXICULL_FORMATS_ZIP_FORMAT_H_

// The ZIP format's records and the failures of reading them, shared by the
// directory's reader and the entries' (zip_archive.h has the interface).

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/coding.h"
#include "base/file_range.h"
#include "base/status.h"
#include "formats/zip_archive.h"

namespace lexicull {
namespace zip {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndSize = 22;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kZip64EndSize = 56;
inline constexpr std::size_t kLongestComment = 0xFFFF;
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint32_t kAllOnes32 = 0xFFFFFFFF;
inline constexpr std::size_t kChunk = 64 * 1024;

inline std::uint64_t zip_little_endian(const unsigned char* bytes, std::size_t size) {
  return load_little_endian_partial(bytes, size);
}
inline std::uint16_t u16(const unsigned char* bytes) {
  return static_cast<std::uint16_t>(zip_little_endian(bytes, 2));
}
inline std::uint32_t u32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(zip_little_endian(bytes, 4));
}

inline Status damaged(const std::string& what) {
  return unreadable_epub("the archive is damaged (" + what + ")");
}
inline Status directory_unreadable() { return damaged("its directory cannot be read"); }
inline Status entry_damaged(const ZipEntry& entry) { return damaged(entry.name + " is damaged"); }
inline Status overlapping() { return unreadable_epub("entries overlap (a crafted archive)"); }

// Reads exactly `size` bytes at `offset`: `*complete` is false where the
// file ends first.
inline Status read_exactly(const RandomAccessFile& file, std::uint64_t offset,
                           unsigned char* buffer, std::size_t size, bool* complete) {
  std::size_t got = 0;
  Status status = read_fully_at(file, offset, buffer, size, &got);
  *complete = got == size;
  return status;
}

}  // namespace zip
}  // namespace lexicull

#endif  // LEXICULL_FORMATS_ZIP_FORMAT_H_
