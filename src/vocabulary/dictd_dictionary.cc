// A dictd dictionary is read in three steps. The book words are grouped by
// their normal form, the form dictd's index gives its headwords. The index is
// then read in order, a line at a time: every line must have its form and
// point inside the data, and a line whose headword is a book word's normal
// form adds its entry's range to those wanted. Last the wanted ranges are
// read in the data's order: from a .dict directly, from a dictzip file by
// inflating only the chunks that hold them (split between threads at chunk
// boundaries), from a gzip file without a chunk table by one pass.
// Memory holds the book words' groups, the wanted entries and a chunk or
// two per thread, never the index or the data whole.
#include "vocabulary/dictd_dictionary.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "base/coding.h"
#include "base/file_range.h"
#include "base/invariant.h"
#include "base/side_by_side.h"
#include "base/swar.h"
#include "text/line_marks.h"
#include "text/text_parts.h"
#include "vocabulary/unicode_folding.h"

namespace lexicull {
namespace {

// No dictionary has entries near these sizes; a crafted one could make a
// few lines of index ask for gigabytes.
constexpr std::uint64_t kLargestEntry = std::uint64_t{1} << 20;
constexpr std::uint64_t kMostWantedText = std::uint64_t{64} << 20;

Status unreadable(const std::string& reason) {
  return Status::failure("not a readable dictd dictionary: " + reason);
}

// A stretch of the entries' text.
struct Range {
  std::uint64_t offset;
  std::uint64_t length;
  bool operator<(const Range& other) const {
    return offset != other.offset ? offset < other.offset : length < other.length;
  }
};

// The entries' text, however it is stored.
class EntryData {
 public:
  virtual ~EntryData() = default;
  // Its size, inflated.
  virtual std::uint64_t size() const = 0;
  // The bytes of `ranges` (sorted, within size()) one after another into
  // `out`, which has room for their lengths' sum.
  virtual Status read(const std::vector<Range>& ranges, unsigned threads, char* out) const = 0;
};

class PlainData : public EntryData {
 public:
  explicit PlainData(const RandomAccessFile& file) : file_(file), size_(file.size()) {}
  std::uint64_t size() const override { return size_; }
  Status read(const std::vector<Range>& ranges, unsigned, char* out) const override {
    for (const Range& range : ranges) {
      const auto length = static_cast<std::size_t>(range.length);
      std::size_t got = 0;
      Status status =
          read_fully_at(file_, range.offset, reinterpret_cast<unsigned char*>(out), length, &got);
      if (!status.ok()) return status;
      if (got != length) return unreadable("an entry reaches past the end of the data");
      out += length;
    }
    return Status();
  }

 private:
  const RandomAccessFile& file_;
  std::uint64_t size_;
};

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
    return unreadable("the data is not gzip");
  }
  const unsigned flags = bytes[3];
  std::size_t at = 10;
  if ((flags & 4) != 0) {
    const std::size_t extra_size = little_endian(&bytes[at], 2);
    at += 2;
    if (at + extra_size > got) return unreadable("its gzip header is cut short");
    for (std::size_t field = at; field + 4 <= at + extra_size;) {
      const std::size_t field_size = little_endian(&bytes[field + 2], 2);
      if (field + 4 + field_size > at + extra_size) break;
      if (bytes[field] == 'R' && bytes[field + 1] == 'A' && field_size >= 6) {
        const unsigned char* table = &bytes[field + 4];
        header->chunk_length = little_endian(table + 2, 2);
        const std::size_t count = little_endian(table + 4, 2);
        if (field_size < 6 + 2 * count || header->chunk_length == 0) {
          return unreadable("its chunk table is damaged");
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
    if (at++ >= got) return unreadable("its gzip header is cut short");
  }
  if ((flags & 2) != 0) at += 2;
  header->data_start = at;
  for (std::uint64_t& start : header->chunk_starts) start += at;
  if (!header->chunk_starts.empty() && header->chunk_starts.back() > file.size()) {
    return unreadable("the data file is shorter than its chunk table says");
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
    return stated == 0 ? Status() : unreadable("its size disagrees with its chunk table");
  }
  const std::uint64_t least = std::uint64_t{chunks - 1} * header.chunk_length + 1;
  const std::uint64_t candidate = least + ((stated - least) & 0xFFFFFFFF);
  if (candidate > std::uint64_t{chunks} * header.chunk_length) {
    return unreadable("its size disagrees with its chunk table");
  }
  *size = candidate;
  return Status();
}

class DictzipData : public EntryData {
 public:
  DictzipData(const RandomAccessFile& file, GzipHeader header, std::uint64_t size)
      : file_(file), header_(std::move(header)), size_(size) {}
  std::uint64_t size() const override { return size_; }

  Status read(const std::vector<Range>& ranges, unsigned threads, char* out) const override {
    // Threads take runs of ranges that share no chunk, of about equal
    // numbers of chunks; a run of fewer than 64 is not worth a thread.
    std::vector<std::size_t> cuts;
    const std::uint64_t chunks = cut_into_runs(ranges, ~std::uint64_t{0}, &cuts);
    cut_into_runs(ranges, std::max<std::uint64_t>(64, chunks / threads + 1), &cuts);
    std::vector<char*> run_outs;
    for (std::size_t run = 0, range = 0; run + 1 < cuts.size(); ++run) {
      run_outs.push_back(out);
      for (; range < cuts[run + 1]; ++range) out += ranges[range].length;
    }
    std::vector<Status> statuses(cuts.size() - 1);
    run_side_by_side(cuts.size() - 1, [&](std::size_t run) {
      statuses[run] = read_run_of(ranges, cuts[run], cuts[run + 1], run_outs[run]);
    });
    for (const Status& status : statuses) {
      if (!status.ok()) return status;
    }
    return Status();
  }

 private:
  // Cuts `ranges` into runs of at least `share` chunks where no chunk is
  // shared with the run before: `*cuts` gets each run's first range, then
  // the end. Returns how many chunks the ranges need in all.
  std::uint64_t cut_into_runs(const std::vector<Range>& ranges, std::uint64_t share,
                              std::vector<std::size_t>* cuts) const {
    const std::uint64_t length = header_.chunk_length;
    cuts->assign(1, 0);
    std::uint64_t total = 0, in_run = 0, last_chunk = 0;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      const std::uint64_t first = ranges[i].offset / length;
      const std::uint64_t final =
          ranges[i].length == 0 ? first : (ranges[i].offset + ranges[i].length - 1) / length;
      const bool fresh = i == 0 || first > last_chunk;
      if (fresh && i > 0 && in_run >= share) {
        cuts->push_back(i);
        in_run = 0;
      }
      const std::uint64_t added = fresh                ? final - first + 1
                                  : final > last_chunk ? final - last_chunk
                                                       : 0;
      in_run += added;
      total += added;
      last_chunk = fresh ? final : std::max(last_chunk, final);
    }
    cuts->push_back(ranges.size());
    return total;
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
    if (got != stored_size) return unreadable("the data file is shorter than its chunk table says");
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
      return unreadable("chunk " + std::to_string(index) + " does not inflate to its size");
    }
    return Status();
  }

  Status read_run_of(const std::vector<Range>& ranges, std::size_t begin, std::size_t end,
                     char* out) const {
    struct Inflater {
      libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
      ~Inflater() { libdeflate_free_decompressor(inflater); }
    } own;
    if (own.inflater == nullptr) throw std::bad_alloc();
    std::vector<unsigned char> stored;
    std::vector<char> chunk;
    std::uint64_t held = ~std::uint64_t{0};  // the chunk in `chunk`
    const std::uint64_t length = header_.chunk_length;
    for (std::size_t i = begin; i < end; ++i) {
      for (std::uint64_t at = ranges[i].offset; at < ranges[i].offset + ranges[i].length;) {
        const std::uint64_t index = at / length;
        if (index != held) {
          Status status = inflate_chunk(index, own.inflater, stored, &chunk);
          if (!status.ok()) return status;
          held = index;
        }
        const std::uint64_t from = at - index * length;
        const std::uint64_t take =
            std::min<std::uint64_t>(chunk.size() - from, ranges[i].offset + ranges[i].length - at);
        std::memcpy(out, chunk.data() + from, static_cast<std::size_t>(take));
        out += take;
        at += take;
      }
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
  Status read(const std::vector<Range>& ranges, unsigned, char* out) const override {
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
        if (ended) return unreadable("an entry reaches past the end of the data");
        if (stream.avail_in == 0) {
          std::size_t got = 0;
          Status status = read_fully_at(file_, read, in.data(), in.size(), &got);
          if (!status.ok()) return status;
          if (got == 0) return unreadable("the data is cut short");
          read += got;
          stream.next_in = in.data();
          stream.avail_in = static_cast<uInt>(got);
        }
        stream.next_out = inflated_block.data();
        stream.avail_out = static_cast<uInt>(inflated_block.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_MEM_ERROR) throw std::bad_alloc();
        if (result != Z_OK && result != Z_STREAM_END) return unreadable("the data is damaged");
        ended = result == Z_STREAM_END;
        const std::size_t produced = inflated_block.size() - stream.avail_out;
        window.append(reinterpret_cast<const char*>(inflated_block.data()), produced);
        inflated += produced;
        drop_before_range();
      }
      const std::uint64_t window_start = inflated - window.size();
      std::memcpy(out, window.data() + (ranges[i].offset - window_start),
                  static_cast<std::size_t>(ranges[i].length));
      out += ranges[i].length;
    }
    return Status();
  }

 private:
  const RandomAccessFile& file_;
  std::uint64_t size_;
};

Status open_data(const RandomAccessFile& file, bool compressed, std::unique_ptr<EntryData>* data) {
  if (!compressed) {
    data->reset(new PlainData(file));
    return Status();
  }
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

// Each byte's value as a digit of dictd's base64, or -1.
struct DictdDigits {
  signed char value[256];
  constexpr DictdDigits() : value() {
    for (int byte = 0; byte < 256; ++byte) {
      value[byte] = byte >= 'A' && byte <= 'Z'   ? static_cast<signed char>(byte - 'A')
                    : byte >= 'a' && byte <= 'z' ? static_cast<signed char>(byte - 'a' + 26)
                    : byte >= '0' && byte <= '9' ? static_cast<signed char>(byte - '0' + 52)
                    : byte == '+'                ? 62
                    : byte == '/'                ? 63
                                                 : -1;
    }
  }
};
constexpr DictdDigits kDictdDigits;

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A hash of a normal form for the filter below, cheaper than a lookup.
std::uint64_t filter_hash(std::string_view bytes) {
  std::uint64_t state = 0x9E3779B97F4A7C15ull ^ bytes.size();
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    state = (state ^ word) * 0xFF51AFD7ED558CCDull;
  }
  for (; at < bytes.size(); ++at) {
    state = (state ^ static_cast<unsigned char>(bytes[at])) * 0xC4CEB9FE1A85EC53ull;
  }
  return state ^ (state >> 29);
}

// A bit per hash of the book words' normal forms: most headwords are no book
// word, and one load that stays in cache tells most of them so.
class NormalFormFilter {
 public:
  void add(std::string_view normal) {
    const std::uint64_t hash = filter_hash(normal);
    bits_[(hash >> 6) & kMask] |= std::uint64_t{1} << (hash & 63);
  }
  bool may_hold(std::string_view normal) const {
    const std::uint64_t hash = filter_hash(normal);
    return (bits_[(hash >> 6) & kMask] >> (hash & 63) & 1) != 0;
  }

 private:
  static constexpr std::size_t kWords = std::size_t{1} << 12;  // 32 KiB
  static constexpr std::size_t kMask = kWords - 1;
  std::vector<std::uint64_t> bits_ = std::vector<std::uint64_t>(kWords);
};

}  // namespace

bool parse_dictd_number(std::string_view digits, std::uint64_t* value) {
  if (digits.empty() || digits.size() > 10) return false;
  std::uint64_t number = 0;
  int any_bad = 0;
  for (const char c : digits) {
    const int digit = kDictdDigits.value[static_cast<unsigned char>(c)];
    any_bad |= digit;
    number = number << 6 | static_cast<unsigned>(digit & 63);
  }
  *value = number;
  return any_bad >= 0;
}

void SenseList::add(std::string_view sense) {
  constexpr std::size_t kFewSenses = 16;
  if (senses_.size() < kFewSenses) {
    if (std::find(senses_.begin(), senses_.end(), sense) != senses_.end()) return;
  } else {
    if (seen_.empty()) seen_.insert(senses_.begin(), senses_.end());
    if (!seen_.insert(sense).second) return;
  }
  senses_.push_back(sense);
}

void add_dictd_senses(std::string_view entry, SenseList* senses) {
  static constexpr std::string_view kNotSenses[] = {
      "see:", "Synonym:", "Synonyms:", "Antonym:", "Antonyms:", "Note:"};
  const std::size_t first_end = entry.find('\n');
  if (first_end == std::string_view::npos) return;
  for (std::size_t at = first_end + 1; at <= entry.size();) {
    std::size_t end = entry.find('\n', at);
    if (end == std::string_view::npos) end = entry.size();
    const std::string_view line = entry.substr(at, end - at);
    at = end + 1;
    const std::size_t indent = line.find_first_not_of(" \t");
    if (indent == std::string_view::npos || indent > 3) continue;
    std::string_view sense = line.substr(indent);
    bool note = false;
    for (const std::string_view prefix : kNotSenses) note = note || starts_with(sense, prefix);
    if (note) continue;
    sense = sense.substr(0, sense.find_last_not_of(" \t") + 1);
    std::size_t digits = 0;
    while (digits < sense.size() && sense[digits] >= '0' && sense[digits] <= '9') ++digits;
    if (digits > 0 && sense.substr(digits, 2) == ". ") {
      sense.remove_prefix(digits + 2);
      sense.remove_prefix(std::min(sense.size(), sense.find_first_not_of(" \t")));
    }
    if (!sense.empty()) senses->add(sense);
  }
}

bool dictd_entry_names(std::string_view entry, std::string_view lowered_word) {
  const std::string_view first_line = entry.substr(0, entry.find('\n'));
  return holds_as_word(unicode_lower(first_line), lowered_word);
}

namespace {

// The book words by their normal forms, for the index's headwords.
// Read-only once made, so that the parts of the index may share it.
class BookWordForms {
 public:
  explicit BookWordForms(const BookWordSet& words) {
    normal_forms_.reserve(words.size());
    for (BookWordSet::WordId id = 0; id < words.size(); ++id) {
      normal_forms_.push_back(dictd_normal_form(words.word(id)));
      const std::string& normal = normal_forms_.back();
      if (normal.empty()) continue;
      by_normal_form_[normal].push_back(id);
      filter_.add(normal);
      longest_ = std::max(longest_, normal.size());
    }
  }

  // The book words whose normal form `headword` has, or null. `normal` is
  // scratch memory.
  const std::vector<BookWordSet::WordId>* words_of(std::string_view headword,
                                                   std::string& normal) const {
    // A normal form is never longer than its word: most headwords, phrases
    // among them, are passed over here.
    const bool plain = is_plain_normal_form(headword);
    if (plain && headword.size() > longest_) return nullptr;
    const std::string_view headword_normal =
        plain ? headword : dictd_normal_form(headword, &normal);
    if (!filter_.may_hold(headword_normal)) return nullptr;
    const auto found = by_normal_form_.find(headword_normal);
    return found == by_normal_form_.end() ? nullptr : &found->second;
  }

 private:
  std::vector<std::string> normal_forms_;
  std::unordered_map<std::string_view, std::vector<BookWordSet::WordId>> by_normal_form_;
  NormalFormFilter filter_;
  std::size_t longest_ = 0;
};

// The rows of the index whose headwords are book words, read as text: a
// line's end and its tabs are found 64 bytes at a time. The first line
// that has not the index's form stops it; each part of the file read on
// a thread of its own counts its lines from 1, and its rows and lines go
// after those of the parts before.
class IndexRowReader final : public TextPartReader {
 public:
  IndexRowReader(const BookWordForms& forms, std::uint64_t data_size)
      : forms_(forms), data_size_(data_size) {}

  void feed(PaddedBytes text) override {
    if (!malformed_.empty()) return;
    marks_.mark(text, '\n', '\t');
    std::size_t at = 0;
    if (!carried_.empty() || carrying_) {
      const std::size_t end = marks_.next_line_end(0);
      carried_.append(reinterpret_cast<const char*>(text.data()), end);
      carrying_ = true;
      if (end == text.size()) return;
      take_line(carried_);
      carried_.clear();
      carrying_ = false;
      at = end + 1;
    }
    const char* const bytes = reinterpret_cast<const char*>(text.data());
    while (at < text.size() && malformed_.empty()) {
      const LineMarks::Marks ahead = marks_.from(at);
      if (ahead.line_ends != 0) {
        const unsigned size = swar::lowest_bit(ahead.line_ends);
        std::uint64_t tabs = ahead.separators & ((std::uint64_t{1} << size) - 1);
        std::size_t tab[3] = {size, size, size};
        for (std::size_t& place : tab) {
          if (tabs == 0) break;
          place = swar::lowest_bit(tabs);
          tabs &= tabs - 1;
        }
        take_fields(std::string_view(bytes + at, size), tab);
        at += size + 1;
        continue;
      }
      const std::size_t end = marks_.next_line_end(at + 64);
      if (end == text.size()) {
        carried_.assign(bytes + at, end - at);
        carrying_ = true;
        return;
      }
      take_line(std::string_view(bytes + at, end - at));
      at = end + 1;
    }
  }

  void finish() override {
    if (carrying_ && malformed_.empty()) take_line(carried_);
    carried_.clear();
    carrying_ = false;
  }

  unsigned char part_separator() const override { return '\n'; }
  std::unique_ptr<TextPartReader> make_later_part() const override {
    return std::make_unique<IndexRowReader>(forms_, data_size_);
  }
  void take_later_part(TextPartReader& later_part) override {
    auto& later = checked_downcast<IndexRowReader>(later_part);
    if (!malformed_.empty()) return;
    rows_.insert(rows_.end(), later.rows_.begin(), later.rows_.end());
    lines_ += later.lines_;
    malformed_ = later.malformed_;
  }

  // The first malformed line's failure, or success.
  Status status() const {
    if (malformed_.empty()) return Status();
    return unreadable("line " + std::to_string(lines_) + " of the index " + malformed_);
  }
  const std::vector<std::pair<BookWordSet::WordId, Range>>& rows() const { return rows_; }

 private:
  void take_line(std::string_view line) {
    std::size_t tab[3] = {line.size(), line.size(), line.size()};
    std::size_t from = 0;
    for (std::size_t& place : tab) {
      place = std::min(line.find('\t', from), line.size());
      if (place == line.size()) break;
      from = place + 1;
    }
    take_fields(line, tab);
  }

  // Takes a line whose first three tabs (or its size, for fewer) are `tab`.
  void take_fields(std::string_view line, const std::size_t tab[3]) {
    ++lines_;
    Range range{};
    if (tab[1] == line.size() ||
        !parse_dictd_number(line.substr(tab[0] + 1, tab[1] - tab[0] - 1), &range.offset) ||
        !parse_dictd_number(line.substr(tab[1] + 1, tab[2] - tab[1] - 1), &range.length)) {
      malformed_ = "is not a headword, an offset and a length";
      return;
    }
    if (range.offset > data_size_ || range.length > data_size_ - range.offset) {
      malformed_ = "points past the end of the data";
      return;
    }
    if (range.length > kLargestEntry) {
      malformed_ = "points to an entry larger than " + std::to_string(kLargestEntry >> 20) + " MiB";
      return;
    }
    const std::string_view headword = line.substr(0, tab[0]);
    if (headword.empty() || (headword[0] == '0' && (starts_with(headword, "00-database") ||
                                                    starts_with(headword, "00database")))) {
      return;
    }
    const std::vector<BookWordSet::WordId>* words = forms_.words_of(headword, normal_);
    if (words == nullptr) return;
    for (const BookWordSet::WordId word : *words) rows_.emplace_back(word, range);
  }

  const BookWordForms& forms_;
  const std::uint64_t data_size_;
  LineMarks marks_;
  std::string carried_;  // a line cut by the end of a block
  bool carrying_ = false;
  std::string normal_;
  std::uint64_t lines_ = 0;  // read, up to the first malformed one
  std::string malformed_;    // what is wrong with that line
  std::vector<std::pair<BookWordSet::WordId, Range>> rows_;
};

}  // namespace

Status read_dictd_vocabulary(InputFile& index, const RandomAccessFile& data_file, bool compressed,
                             const PartOptions& options, VocabularyMap& map) {
  std::unique_ptr<EntryData> data;
  Status status = open_data(data_file, compressed, &data);
  if (!status.ok()) return status;
  const BookWordSet& words = map.keys();
  const BookWordForms forms(words);

  // The index as text, in parts side by side where it is large: a part of
  // 1 MiB pays for its thread here, where every line is parsed.
  IndexRowReader rows_reader(forms, data->size());
  const unsigned threads = std::max(1u, options.threads);
  PartOptions parts{threads};
  parts.min_part_size = std::min(options.min_part_size, std::uint64_t{1} << 20);
  status = read_text(index, rows_reader, parts);
  if (status.ok()) status = rows_reader.status();
  if (!status.ok()) return status;

  // The distinct ranges in the data's order, and each row's place among them.
  struct Row {
    Range range;
    BookWordSet::WordId word;
    std::size_t order;  // in the index
  };
  std::vector<Row> rows;
  for (const auto& [word, range] : rows_reader.rows()) {
    rows.push_back(Row{range, word, rows.size()});
  }
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return a.range < b.range || (!(b.range < a.range) && a.order < b.order);
  });
  std::vector<Range> ranges;
  std::vector<std::size_t> range_of_row(rows.size());
  std::uint64_t wanted_text = 0;
  for (const Row& row : rows) {
    if (ranges.empty() || ranges.back() < row.range) {
      ranges.push_back(row.range);
      if ((wanted_text += row.range.length) > kMostWantedText) {
        return unreadable("the entries that the book needs come to more than " +
                          std::to_string(kMostWantedText >> 20) + " MiB");
      }
    }
    range_of_row[row.order] = ranges.size() - 1;
  }
  // wanted_text is bounded above, so a plain array, not zeroed, holds it.
  std::unique_ptr<char[]> text(new char[static_cast<std::size_t>(wanted_text)]);
  status = data->read(ranges, threads, text.get());
  if (!status.ok()) return status;
  std::vector<std::string_view> entries;
  entries.reserve(ranges.size());
  char* entry = text.get();
  for (const Range& range : ranges) {
    const auto length = static_cast<std::size_t>(range.length);
    char* const end = entry + length;
    char* const kept =
        std::memchr(entry, '\r', length) == nullptr ? end : std::remove(entry, end, '\r');
    entries.emplace_back(entry, static_cast<std::size_t>(kept - entry));
    entry = end;
  }

  // Each word's senses, the rows taken in the index's order. The words are
  // dealt out to the threads, so that each thread's senses are its own.
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.order < b.order; });
  const std::size_t shares = rows.size() < 4096 ? 1 : threads;
  std::vector<std::vector<std::pair<BookWordSet::WordId, std::string>>> translations(shares);
  run_side_by_side(shares, [&](std::size_t share) {
    std::unordered_map<BookWordSet::WordId, SenseList> senses;
    std::unordered_map<BookWordSet::WordId, std::string> lowered;
    for (const Row& row : rows) {
      if (row.word % shares != share) continue;
      auto low = lowered.find(row.word);
      if (low == lowered.end()) {
        low = lowered.emplace(row.word, unicode_lower(words.word(row.word))).first;
      }
      const std::string_view entry = entries[range_of_row[row.order]];
      if (dictd_entry_names(entry, low->second)) add_dictd_senses(entry, &senses[row.word]);
    }
    for (const auto& [word, list] : senses) {
      std::string joined;
      for (const std::string_view sense : list.senses()) {
        if (!joined.empty()) joined += "; ";
        joined += sense;
      }
      translations[share].emplace_back(word, std::move(joined));
    }
  });
  for (const auto& share : translations) {
    for (const auto& [word, joined] : share) {
      map.set_translation(word, reinterpret_cast<const unsigned char*>(joined.data()),
                          joined.size());
    }
  }
  return Status();
}

}  // namespace lexicull
