#include "formats/zip_archive.h"

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <string>
#include <vector>

#include "testing/test_support.h"

namespace lexicull {
namespace {

void put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// `text` as a deflate stream of stored blocks, which any inflater reads and
// no compressor is needed to make (the cross builds have none).
std::string deflate_stored(const std::string& text) {
  std::string out;
  std::size_t at = 0;
  do {
    const std::size_t size = std::min<std::size_t>(0xFFFF, text.size() - at);
    out += static_cast<char>(at + size == text.size() ? 1 : 0);
    put(out, size, 2);
    put(out, ~size & 0xFFFF, 2);
    out.append(text, at, size);
    at += size;
  } while (at < text.size());
  return out;
}

struct Entry {
  std::string name, text;
  bool deflated = true;
  std::uint32_t crc_change = 0;   // xored into the CRC
  std::uint64_t size_change = 0;  // added to the size claimed
};

using Aliases = std::vector<std::pair<std::string, std::size_t>>;  // more names for entry N
struct Layout {
  bool zip64;
  std::size_t comment;
  std::size_t local_extra;  // bytes of extra field in each local header only
  Aliases aliases;
};
Layout layout(bool zip64, std::size_t comment = 0, std::size_t local_extra = 0,
              Aliases aliases = {}) {
  return Layout{zip64, comment, local_extra, std::move(aliases)};
}

// An archive of `entries`, as writers lay one out.
std::string zip(const std::vector<Entry>& entries, const Layout& laid_out = layout(false)) {
  std::string file, directory;
  struct Record {
    std::string name;
    std::uint32_t crc;
    std::uint64_t stored, size, offset;
    int method;
  };
  std::vector<Record> records;
  for (const Entry& entry : entries) {
    const std::string stored = entry.deflated ? deflate_stored(entry.text) : entry.text;
    Record record{
        entry.name,
        static_cast<std::uint32_t>(libdeflate_crc32(0, entry.text.data(), entry.text.size())) ^
            entry.crc_change,
        stored.size(),
        entry.text.size() + entry.size_change,
        file.size(),
        entry.deflated ? 8 : 0};
    put(file, 0x04034b50, 4);
    put(file, 20, 2);
    put(file, 0, 2);
    put(file, record.method, 2);
    put(file, 0, 4);
    put(file, record.crc, 4);
    put(file, record.stored, 4);
    put(file, record.size, 4);
    put(file, entry.name.size(), 2);
    put(file, laid_out.local_extra, 2);
    file += entry.name + std::string(laid_out.local_extra, 'x') + stored;
    records.push_back(record);
  }
  for (const auto& [name, index] : laid_out.aliases) {
    records.push_back(records[index]);
    records.back().name = name;
  }
  for (const Record& record : records) {
    const std::uint64_t wide = laid_out.zip64 ? 0xFFFFFFFF : 0;
    put(directory, 0x02014b50, 4);
    put(directory, 45, 2);
    put(directory, 45, 2);
    put(directory, 0, 2);
    put(directory, record.method, 2);
    put(directory, 0, 4);
    put(directory, record.crc, 4);
    put(directory, wide ? wide : record.stored, 4);
    put(directory, wide ? wide : record.size, 4);
    put(directory, record.name.size(), 2);
    put(directory, laid_out.zip64 ? 28 : 0, 2);
    put(directory, 0, 2);
    put(directory, 0, 2);
    put(directory, 0, 2);
    put(directory, 0, 4);
    put(directory, wide ? wide : record.offset, 4);
    directory += record.name;
    if (laid_out.zip64) {
      put(directory, 1, 2);
      put(directory, 24, 2);
      put(directory, record.size, 8);
      put(directory, record.stored, 8);
      put(directory, record.offset, 8);
    }
  }
  const std::uint64_t start = file.size();
  file += directory;
  std::uint64_t count = records.size(), size = directory.size(), offset = start;
  if (laid_out.zip64) {
    const std::uint64_t end64 = file.size();
    put(file, 0x06064b50, 4);
    put(file, 44, 8);
    put(file, 45, 2);
    put(file, 45, 2);
    put(file, 0, 8);
    put(file, count, 8);
    put(file, count, 8);
    put(file, size, 8);
    put(file, offset, 8);
    put(file, 0x07064b50, 4);
    put(file, 0, 4);
    put(file, end64, 8);
    put(file, 1, 4);
    count = 0xFFFF;
    size = offset = 0xFFFFFFFF;
  }
  put(file, 0x06054b50, 4);
  put(file, 0, 4);
  put(file, count, 2);
  put(file, count, 2);
  put(file, size, 4);
  put(file, offset, 4);
  put(file, laid_out.comment, 2);
  return file + std::string(laid_out.comment, 'c');
}

// The text of entry `name`, or "error: " and the reason.
std::string read_entry(const std::string& archive, const std::string& name,
                       std::size_t max_read = 4096, std::uint64_t limit = 64 << 20) {
  MemoryFile file(archive, max_read);
  ZipDirectory directory;
  Status status = ZipDirectory::read(file, &directory);
  if (!status.ok()) return "error: " + status.reason();
  const ZipEntry* entry = directory.find(name);
  if (entry == nullptr) return "error: none";
  std::string text;
  ZipEntryReader reader;
  bool ended = false;
  status = reader.read(file, *entry, limit, [&](std::string_view piece, bool last) {
    if (ended) return Status::failure("a piece after the last");
    text.append(piece);
    ended = last;
    return Status();
  });
  if (status.ok() && !ended) return "error: no last piece";
  return status.ok() ? text : "error: " + status.reason();
}

const std::string kLarge = [] {
  std::string text;
  for (int i = 0; text.size() <= (1 << 20) + 70000; ++i) text += "line " + std::to_string(i) + "\n";
  return text;
}();

TEST(ZipArchive, ReadsEveryEntryWhateverTheLayoutAndReadSize) {
  const std::vector<Entry> entries = {{"mimetype", "application/epub+zip", false},
                                      {"a.xhtml", "<p>one</p>"},
                                      {"empty", ""},
                                      {"large.xhtml", kLarge},  // streamed: over 1 MiB
                                      {"large-stored", kLarge, false}};
  const struct {
    const char* name;
    Layout layout;
  } layouts[] = {{"plain", layout(false)},
                 {"ZIP64 fields everywhere", layout(true)},
                 {"a comment of 65,535 bytes", layout(false, 0xFFFF)},
                 {"ZIP64 and the longest comment", layout(true, 0xFFFF)},
                 {"local extra fields", layout(false, 0, 9)}};
  for (const auto& [name, laid_out] : layouts) {
    const std::string archive = zip(entries, laid_out);
    for (const std::size_t max_read : {std::size_t{1} << 30, std::size_t{4096}, std::size_t{7}}) {
      for (const Entry& entry : entries) {
        EXPECT_EQ(read_entry(archive, entry.name, max_read), entry.text)
            << name << ", " << entry.name << ", reads of " << max_read;
      }
    }
  }
}

TEST(ZipArchive, RefusesWhatACraftedOrDamagedArchiveClaims) {
  const std::string damaged =
      "error: not a readable EPUB: the archive is damaged (a.xhtml is damaged)";
  const std::string overlap = "error: not a readable EPUB: entries overlap (a crafted archive)";
  const std::string unreadable =
      "error: not a readable EPUB: the archive is damaged (its directory cannot be read)";
  const struct {
    const char* name;
    std::string archive;
    std::string expected;
  } cases[] = {
      {"two directory entries for one local header",
       zip({{"a.xhtml", "<p>one</p>"}, {"b", "x"}}, layout(false, 0, 0, {{"c", 0}})), overlap},
      {"the same, in ZIP64 fields",
       zip({{"a.xhtml", "<p>one</p>"}}, layout(true, 0, 0, {{"c", 0}})), overlap},
      {"a wrong CRC", zip({{"a.xhtml", "<p>one</p>", true, 1}}), damaged},
      {"a size claimed one larger", zip({{"a.xhtml", "<p>one</p>", true, 0, 1}}), damaged},
      {"a stored size claimed larger", zip({{"a.xhtml", "<p>one</p>", false, 0, 1}}), damaged},
      {"a streamed entry's wrong CRC", zip({{"a.xhtml", kLarge, true, 1}}), damaged},
      {"a streamed entry's size claimed larger", zip({{"a.xhtml", kLarge, true, 0, 5}}), damaged},
      {"no end record", zip({{"a.xhtml", "x"}}).substr(0, 40), unreadable},
      {"too short for one", "PK\3\4", unreadable},
  };
  for (const auto& [name, archive, expected] : cases) {
    EXPECT_EQ(read_entry(archive, "a.xhtml"), expected) << name;
  }
  // A document that claims more than the caller allows is refused before it
  // is inflated.
  EXPECT_EQ(read_entry(zip({{"a.xhtml", kLarge}}), "a.xhtml", 4096, 1 << 20),
            "error: not a readable EPUB: a.xhtml inflates to more than 1 MiB");
}

TEST(ZipArchive, DamageIsToldEvenWhereTheSinkFailedFirst) {
  for (const std::string& text : {std::string("<p>one</p>"), kLarge}) {
    for (const std::uint32_t crc_change : {0u, 1u}) {
      const std::string archive = zip({{"a", text, true, crc_change}});
      MemoryFile file(archive);
      ZipDirectory directory;
      ASSERT_TRUE(ZipDirectory::read(file, &directory).ok());
      ZipEntryReader reader;
      const Status status =
          reader.read(file, *directory.find("a"), 64 << 20,
                      [](std::string_view, bool) { return Status::failure("not XML"); });
      EXPECT_EQ(status.reason(), crc_change == 0
                                     ? "not XML"
                                     : "not a readable EPUB: the archive is damaged (a is damaged)")
          << text.size() << " bytes";
    }
  }
}

}  // namespace
}  // namespace lexicull
