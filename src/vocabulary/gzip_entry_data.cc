// gzip entry data. Dictzip's gzip header lists its chunks ("RA"), each of
// which ends in a full flush and so inflates alone once an empty final block
// follows it: threads take runs of wanted ranges that share no chunk and
// inflate each chunk once. Plain gzip is inflated in one pass.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "base/coding.h"
#include "base/file_range.h"
#include "base/side_by_side.h"
#include "vocabulary/dictd_data.h"

namespace lexicull {
namespace {

std::uint32_t little_endian(const unsigned char* bytes, std::size_t count) {
  return static_cast<std::uint32_t>(load_little_endian_partial(bytes, count));
}

// Where a gzip member's deflate data begins, and its dictzip chunk table.
struct GzipHeader {
  std::uint64_t data_start = 0;
  std::uint32_t chunk_length = 0;           // 0: no chunk table
  std::vector<std::uint64_t> chunk_starts;  // one more than the chunks: the end
};

Status read_gzip_header(const RandomAccessFile& file, GzipHeader* header) {
  // The header's fixed part, an extra field of up to 64 KiB, and names.
  std::vector<unsigned char> bytes(
      static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), 12 + 0xFFFF + 4096)));
  std::size_t got = 0;
  Status status = read_fully_at(file, 0, bytes.data(), bytes.size(), &got);
  if (!status.ok()) return status;
  if (got < 18 || bytes[0] != 0x1F || bytes[1] != 0x8B || bytes[2] != 8) {
    return unreadable_dictd("the data is not gzip");
  }
  const unsigned flags = bytes[3];
  std::size_t at = 10;
  if ((flags & 4) != 0) {
    const std::size_t extra_size = little_endian(&bytes[at], 2);
    at += 2;
    if (at + extra_size > got) return unreadable_dictd("its gzip header is cut short");
    for (std::size_t field = at; field + 4 <= at + extra_size;) {
      const std::size_t field_size = little_endian(&bytes[field + 2], 2);
      if (field + 4 + field_size > at + extra_size) break;
      if (bytes[field] == 'R' && bytes[field + 1] == 'A' && field_size >= 6) {
        const unsigned char* table = &bytes[field + 4];
        header->chunk_length = little_endian(table + 2, 2);
        const std::size_t count = little_endian(table + 4, 2);
        if (field_size < 6 + 2 * count || header->chunk_length == 0) {
          return unreadable_dictd("its chunk table is damaged");
        }
        header->chunk_starts.assign(1, 0);
        for (std::size_t i = 0; i < count; ++i) {
          header->chunk_starts.push_back(header->chunk_starts.back() +
                                         little_endian(table + 6 + 2 * i, 2));
        }
      }
      field += 4 + field_size;
    }
    at += extra_size;
  }
  for (const unsigned name_flag : {8u, 16u}) {
    if ((flags & name_flag) == 0) continue;
    while (at < got && bytes[at] != 0) ++at;
    if (at++ >= got) return unreadable_dictd("its gzip header is cut short");
  }
  if ((flags & 2) != 0) at += 2;
  header->data_start = at;
  for (std::uint64_t& start : header->chunk_starts) start += at;
  if (!header->chunk_starts.empty() && header->chunk_starts.back() > file.size()) {
    return unreadable_dictd("the data file is shorter than its chunk table says");
  }
  return Status();
}

// The inflated size: the gzip trailer's, which holds it modulo 2^32, checked
// against the chunk table where there is one.
Status gzip_size(const RandomAccessFile& file, const GzipHeader& header, std::uint64_t* size) {
  unsigned char trailer[4];
  std::size_t got = 0;
  Status status = read_fully_at(file, file.size() - 4, trailer, 4, &got);
  if (!status.ok()) return status;
  const std::uint64_t stated = little_endian(trailer, 4);
  const std::size_t chunks = header.chunk_starts.empty() ? 0 : header.chunk_starts.size() - 1;
  if (header.chunk_length == 0) {
    *size = stated;
    return Status();
  }
  if (chunks == 0) {
    *size = 0;
    return stated == 0 ? Status() : unreadable_dictd("its size disagrees with its chunk table");
  }
  const std::uint64_t least = std::uint64_t{chunks - 1} * header.chunk_length + 1;
  const std::uint64_t candidate = least + ((stated - least) & 0xFFFFFFFF);
  if (candidate > std::uint64_t{chunks} * header.chunk_length) {
    return unreadable_dictd("its size disagrees with its chunk table");
  }
  *size = candidate;
  return Status();
}

class DictzipData : public EntryData {
 public:
  DictzipData(const RandomAccessFile& file, GzipHeader header, std::uint64_t size)
      : file_(file), header_(std::move(header)), size_(size) {}
  std::uint64_t size() const override { return size_; }

  Status read(const std::vector<EntryRange>& ranges, unsigned threads,
              const RangeRead& range_read) const override {
    // Runs of ranges that share no chunk, which the threads take in turn as
    // they come free: a chunk inflates in a time that varies with its text,
    // and a slow core would keep the other waiting at the end of a fixed
    // share. Each run is a share of the chunks left, so that the runs grow
    // shorter towards the end, where the threads must end together: with
    // runs of a fixed 81 chunks (of 1,304) they ended 1 to 6 ms apart, now
    // within half a millisecond.
    std::vector<std::size_t> cuts;
    cut_into_runs(ranges, threads, &cuts);
    const std::size_t runs = cuts.size() - 1;
    // Runs are taken in their order and a taken run is finished, so every
    // run before a failed one has been read: the lowest failure is the
    // same whatever the timing.
    std::vector<Status> statuses(runs);
    std::atomic<std::size_t> next_run{0};
    std::atomic<bool> failed{false};
    run_side_by_side(std::min<std::size_t>(threads, runs), [&](std::size_t worker) {
      Inflater inflater;
      while (!failed.load(std::memory_order_relaxed)) {
        const std::size_t run = next_run.fetch_add(1);
        if (run >= runs) return;
        statuses[run] = read_run_of(ranges, cuts[run], cuts[run + 1], worker, inflater, range_read);
        if (!statuses[run].ok()) failed = true;
      }
    });
    for (const Status& status : statuses) {
      if (!status.ok()) return status;
    }
    return Status();
  }

 private:
  // How many chunks range `i` adds to those of the ranges before it, which
  // end in chunk `*last_chunk` (any value for the first): its own chunks,
  // less the one it shares with them, if any. `*fresh`: it shares none.
  std::uint64_t chunks_added(const std::vector<EntryRange>& ranges, std::size_t i,
                             std::uint64_t* last_chunk, bool* fresh) const {
    const std::uint64_t length = header_.chunk_length;
    const std::uint64_t first = ranges[i].offset / length;
    const std::uint64_t final =
        ranges[i].length == 0 ? first : (ranges[i].offset + ranges[i].length - 1) / length;
    *fresh = i == 0 || first > *last_chunk;
    const std::uint64_t added = *fresh                ? final - first + 1
                                : final > *last_chunk ? final - *last_chunk
                                                      : 0;
    *last_chunk = *fresh ? final : std::max(*last_chunk, final);
    return added;
  }

  // Cuts `ranges` into runs where no chunk is shared with the run before:
  // `*cuts` gets each run's first range, then the end. A run ends once it
  // holds a (2 * `threads`)th of the chunks not yet in a run, and at least
  // kLeastRunChunks.
  void cut_into_runs(const std::vector<EntryRange>& ranges, unsigned threads,
                     std::vector<std::size_t>* cuts) const {
    // A turn costs a step of a shared counter, and a run's chunks are read
    // one after another, near each other in the file.
    constexpr std::uint64_t kLeastRunChunks = 4;
    std::uint64_t left = 0, last_chunk = 0;
    bool fresh = false;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      left += chunks_added(ranges, i, &last_chunk, &fresh);
    }
    const std::uint64_t shares = 2 * std::uint64_t{std::max(threads, 1u)};
    cuts->assign(1, 0);
    std::uint64_t in_run = 0;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      const std::uint64_t added = chunks_added(ranges, i, &last_chunk, &fresh);
      if (fresh && i > 0 && in_run >= std::max(kLeastRunChunks, left / shares)) {
        cuts->push_back(i);
        left -= in_run;
        in_run = 0;
      }
      in_run += added;
    }
    cuts->push_back(ranges.size());
  }

  // Inflates chunk `index` into `out`.
  Status inflate_chunk(std::uint64_t index, libdeflate_decompressor* inflater,
                       std::vector<unsigned char>& stored, std::vector<char>* out) const {
    const std::uint64_t begin = header_.chunk_starts[index];
    const auto stored_size = static_cast<std::size_t>(header_.chunk_starts[index + 1] - begin);
    // A chunk ends in a full flush, not a final block: an empty final block
    // after it ends the stream for the inflater.
    stored.resize(stored_size + 2);
    std::size_t got = 0;
    Status status = read_fully_at(file_, begin, stored.data(), stored_size, &got);
    if (!status.ok()) return status;
    if (got != stored_size)
      return unreadable_dictd("the data file is shorter than its chunk table says");
    stored[stored_size] = 0x03;
    stored[stored_size + 1] = 0x00;
    const std::uint64_t length = header_.chunk_length;
    const auto expected =
        static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - index * length));
    out->resize(expected);
    std::size_t inflated = 0;
    if (libdeflate_deflate_decompress(inflater, stored.data(), stored.size(), out->data(), expected,
                                      &inflated) != LIBDEFLATE_SUCCESS ||
        inflated != expected) {
      return unreadable_dictd("chunk " + std::to_string(index) + " does not inflate to its size");
    }
    return Status();
  }

  // A thread's inflater and buffers, kept from run to run.
  struct Inflater {
    Inflater() {
      if (inflater == nullptr) throw std::bad_alloc();
    }
    ~Inflater() { libdeflate_free_decompressor(inflater); }
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    std::vector<unsigned char> stored;
    std::vector<char> chunk;
    std::uint64_t held = ~std::uint64_t{0};  // the chunk in `chunk`
    std::vector<char> spanning;              // an entry that crosses chunks
  };

  Status read_run_of(const std::vector<EntryRange>& ranges, std::size_t begin, std::size_t end,
                     std::size_t worker, Inflater& own, const RangeRead& range_read) const {
    const std::uint64_t length = header_.chunk_length;
    for (std::size_t i = begin; i < end; ++i) {
      const std::uint64_t range_end = ranges[i].offset + ranges[i].length;
      // An entry within one chunk is handed over where it lies; one that
      // crosses chunks is put together first.
      const bool within_one =
          ranges[i].length == 0 || (range_end - 1) / length == ranges[i].offset / length;
      std::string_view piece;
      own.spanning.clear();
      for (std::uint64_t at = ranges[i].offset; at < range_end;) {
        const std::uint64_t index = at / length;
        if (index != own.held) {
          own.held = ~std::uint64_t{0};
          Status status = inflate_chunk(index, own.inflater, own.stored, &own.chunk);
          if (!status.ok()) return status;
          own.held = index;
        }
        const auto from = static_cast<std::size_t>(at - index * length);
        piece = std::string_view(own.chunk.data() + from,
                                 static_cast<std::size_t>(std::min<std::uint64_t>(
                                     own.chunk.size() - from, range_end - at)));
        if (!within_one) own.spanning.insert(own.spanning.end(), piece.begin(), piece.end());
        at += piece.size();
      }
      range_read(i, worker,
                 within_one ? piece : std::string_view(own.spanning.data(), own.spanning.size()));
    }
    return Status();
  }

  const RandomAccessFile& file_;
  GzipHeader header_;
  std::uint64_t size_;
};

// gzip without a chunk table: inflated in one pass, keeping only what the
// ranges ahead still need.
class GzipData : public EntryData {
 public:
  GzipData(const RandomAccessFile& file, std::uint64_t size) : file_(file), size_(size) {}
  std::uint64_t size() const override { return size_; }
  Status read(const std::vector<EntryRange>& ranges, unsigned,
              const RangeRead& range_read) const override {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) throw std::bad_alloc();
    struct End {
      z_stream* stream;
      ~End() { inflateEnd(stream); }
    } end{&stream};
    std::vector<unsigned char> in(64 * 1024), inflated_block(64 * 1024);
    std::string window;  // the last inflated bytes that a range may need
    std::uint64_t inflated = 0, read = 0;
    bool ended = false;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      const std::uint64_t need = ranges[i].offset + ranges[i].length;
      // Ranges come in the order of their offsets: nothing before this one's
      // is needed any more.
      auto drop_before_range = [&] {
        const std::uint64_t window_start = inflated - window.size();
        if (ranges[i].offset > window_start) {
          window.erase(0, static_cast<std::size_t>(std::min<std::uint64_t>(
                              ranges[i].offset - window_start, window.size())));
        }
      };
      drop_before_range();
      while (inflated < need) {
        if (ended) return unreadable_dictd("an entry reaches past the end of the data");
        if (stream.avail_in == 0) {
          std::size_t got = 0;
          Status status = read_fully_at(file_, read, in.data(), in.size(), &got);
          if (!status.ok()) return status;
          if (got == 0) return unreadable_dictd("the data is cut short");
          read += got;
          stream.next_in = in.data();
          stream.avail_in = static_cast<uInt>(got);
        }
        stream.next_out = inflated_block.data();
        stream.avail_out = static_cast<uInt>(inflated_block.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_MEM_ERROR) throw std::bad_alloc();
        if (result != Z_OK && result != Z_STREAM_END)
          return unreadable_dictd("the data is damaged");
        ended = result == Z_STREAM_END;
        const std::size_t produced = inflated_block.size() - stream.avail_out;
        window.append(reinterpret_cast<const char*>(inflated_block.data()), produced);
        inflated += produced;
        drop_before_range();
      }
      const std::uint64_t window_start = inflated - window.size();
      range_read(
          i, 0,
          std::string_view(window).substr(static_cast<std::size_t>(ranges[i].offset - window_start),
                                          static_cast<std::size_t>(ranges[i].length)));
    }
    return Status();
  }

 private:
  const RandomAccessFile& file_;
  std::uint64_t size_;
};

}  // namespace

Status open_gzip_entry_data(const RandomAccessFile& file, std::unique_ptr<EntryData>* data) {
  GzipHeader header;
  Status status = read_gzip_header(file, &header);
  std::uint64_t size = 0;
  if (status.ok()) status = gzip_size(file, header, &size);
  if (!status.ok()) return status;
  if (header.chunk_length == 0) {
    data->reset(new GzipData(file, size));
  } else {
    data->reset(new DictzipData(file, std::move(header), size));
  }
  return Status();
}

}  // namespace lexicull
