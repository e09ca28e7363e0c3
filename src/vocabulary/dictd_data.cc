#include "vocabulary/dictd_data.h"

#include <vector>

#include "base/file_range.h"

namespace lexicull {
namespace {

class PlainData : public EntryData {
 public:
  explicit PlainData(const RandomAccessFile& file) : file_(file), size_(file.size()) {}
  std::uint64_t size() const override { return size_; }
  Status read(const std::vector<EntryRange>& ranges, unsigned,
              const RangeRead& range_read) const override {
    std::vector<char> entry;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      const EntryRange& range = ranges[i];
      const auto length = static_cast<std::size_t>(range.length);
      entry.resize(length);
      std::size_t got = 0;
      Status status = read_fully_at(file_, range.offset,
                                    reinterpret_cast<unsigned char*>(entry.data()), length, &got);
      if (!status.ok()) return status;
      if (got != length) return unreadable_dictd("an entry reaches past the end of the data");
      range_read(i, 0, std::string_view(entry.data(), length));
    }
    return Status();
  }

 private:
  const RandomAccessFile& file_;
  std::uint64_t size_;
};

}  // namespace

Status unreadable_dictd(const std::string& reason) {
  return Status::failure("not a readable dictd dictionary: " + reason);
}

Status open_dictd_data(const RandomAccessFile& file, bool compressed,
                       std::unique_ptr<EntryData>* data) {
  if (compressed) return open_gzip_entry_data(file, data);
  data->reset(new PlainData(file));
  return Status();
}

}  // namespace lexicull
