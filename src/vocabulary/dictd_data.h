#ifndef LEXICULL_VOCABULARY_DICTD_DATA_H_
#define LEXICULL_VOCABULARY_DICTD_DATA_H_

// The text of a dictd dictionary's entries, however it is stored: a .dict
// read directly, dictzip (gzip whose chunks inflate each on its own) a chunk
// at a time, plain gzip in one pass. Memory never holds it whole.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"

namespace lexicull {

// A stretch of the entries' text.
struct EntryRange {
  std::uint64_t offset;
  std::uint64_t length;
  bool operator<(const EntryRange& other) const {
    return offset != other.offset ? offset < other.offset : length < other.length;
  }
};

// The entries' text, however it is stored.
class EntryData {
 public:
  virtual ~EntryData() = default;
  // Its size, inflated.
  virtual std::uint64_t size() const = 0;
  // Called with a range's index and its bytes on the thread that read
  // them, so that the work on an entry follows its reading while it is
  // still in cache. The bytes last only for the call: most are a view into
  // the chunk just inflated, not a copy. `worker`, below the `threads`
  // given to read(), tells the threads apart, so that each may keep what it
  // finds in memory of its own. It may touch only what is that range's or
  // that worker's own.
  using RangeRead =
      std::function<void(std::size_t range, std::size_t worker, std::string_view bytes)>;
  // Reads the bytes of `ranges` (sorted, within size()) on up to `threads`
  // threads, handing each range to `range_read`. After a failure,
  // `range_read` may have been called for some ranges only.
  virtual Status read(const std::vector<EntryRange>& ranges, unsigned threads,
                      const RangeRead& range_read) const = 0;
};

// "not a readable dictd dictionary: REASON".
Status unreadable_dictd(const std::string& reason);

// The entry data of `file`, dictzip or gzip where `compressed`. Fails when
// its gzip header or chunk table is damaged.
Status open_dictd_data(const RandomAccessFile& file, bool compressed,
                       std::unique_ptr<EntryData>* data);

// The same for gzip data, with a chunk table (dictzip) or without.
Status open_gzip_entry_data(const RandomAccessFile& file, std::unique_ptr<EntryData>* data);

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_DICTD_DATA_H_
