// The index is read as text, a line at a time, its line ends and tabs
// found 64 bytes at a time. Most headwords are no book word's normal form:
// a phrase (a headword with a space), a form longer than the longest book
// word's, or one missing from a bit filter of the book words' forms, is
// passed over without a lookup. Every line is still checked.
//
// Most of that work needs no book word, so the index's first lines may be
// read before the words are known, while the book is (scanning): each line
// is checked and its headword's form and hash kept, phrases left out, and
// matched to the words once they are known. The rest of the index is then
// read on from where the scan stopped, which may be inside a line.
#include "vocabulary/dictd_index.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "base/byte_buffer.h"
#include "base/file_range.h"
#include "base/invariant.h"
#include "base/page_mapping.h"
#include "base/side_by_side.h"
#include "base/swar.h"
#include "base/thread.h"
#include "text/line_marks.h"
#include "text/text_mode_reader.h"
#include "vocabulary/unicode_folding.h"

namespace lexicull {
namespace {

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

// A hash of a normal form, for the filter and the table below: `bytes`
// read as little-endian words on every machine, the last eight bytes
// overlapping the others where the size is no multiple of eight. A form
// shorter than eight bytes is `short_word`, its bytes gathered by the
// caller; `see` is shown each word loaded.
template <typename See>
std::uint64_t hash_of_words(const unsigned char* bytes, std::size_t size, std::uint64_t short_word,
                            See see) {
  std::uint64_t state = 0x9E3779B97F4A7C15ull ^ size;
  constexpr std::uint64_t kMultiplier = 0xFF51AFD7ED558CCDull;
  if (size < 8) {
    state = (state ^ short_word) * kMultiplier;
  } else {
    std::size_t at = 0;
    for (; at + 8 <= size; at += 8) {
      const swar::Bytes8 word = swar::load(bytes + at);
      see(word);
      state = (state ^ word) * kMultiplier;
    }
    if (at < size) {
      const swar::Bytes8 word = swar::load(bytes + size - 8);
      see(word);
      state = (state ^ word) * 0xC4CEB9FE1A85EC53ull;
    }
  }
  return state ^ (state >> 29);
}

std::uint64_t form_hash(std::string_view form) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(form.data());
  // Gathered a byte at a time: a copy of unknown length would be a call.
  std::uint64_t short_word = 0;
  if (form.size() < 8) {
    for (std::size_t at = 0; at < form.size(); ++at) {
      short_word |= std::uint64_t{bytes[at]} << (8 * at);
    }
  }
  return hash_of_words(bytes, form.size(), short_word, [](swar::Bytes8) {});
}

// Whether `headword` is its own normal form (is_plain_normal_form), and if
// so its form_hash() in `*hash`: both from one load of each eight bytes,
// which the padding after the headword allows.
bool plain_headword_hash(PaddedBytes headword, std::uint64_t* hash) {
  const std::size_t size = headword.size();
  swar::Bytes8 plain = swar::kHighBits;
  swar::Bytes8 short_word = 0;
  if (size < 8) {
    const swar::Bytes8 kept = size == 0 ? 0 : ~swar::Bytes8{0} >> (64 - 8 * size);
    short_word = swar::load(headword.data()) & kept;
    plain = plain_form_bytes(short_word) | (~kept & swar::kHighBits);
  }
  *hash = hash_of_words(headword.data(), size, short_word,
                        [&plain](swar::Bytes8 word) { plain &= plain_form_bytes(word); });
  return plain == swar::kHighBits;
}

// A bit per hash of the book words' normal forms: most headwords are no book
// word, and one load that stays in cache tells most of them so.
class NormalFormFilter {
 public:
  void add(std::uint64_t hash) { bits_[(hash >> 6) & kMask] |= std::uint64_t{1} << (hash & 63); }
  bool may_hold(std::uint64_t hash) const {
    return (bits_[(hash >> 6) & kMask] >> (hash & 63) & 1) != 0;
  }

 private:
  static constexpr std::size_t kWords = std::size_t{1} << 12;  // 32 KiB
  static constexpr std::size_t kMask = kWords - 1;
  std::vector<std::uint64_t> bits_ = std::vector<std::uint64_t>(kWords);
};

// Whether `headword` holds a space, which its normal form keeps: a phrase,
// whose form no book word has, since a space ends a word.
bool holds_space(PaddedBytes headword) {
  const std::size_t size = headword.size();
  swar::Bytes8 spaces = 0;
  std::size_t at = 0;
  for (; at + 8 <= size; at += 8) spaces |= swar::equal(swar::load(headword.data() + at), ' ');
  if (at < size) {
    const swar::Bytes8 kept = ~swar::Bytes8{0} >> (64 - 8 * (size - at));
    spaces |= swar::equal(swar::load(headword.data() + at), ' ') & kept;
  }
  return spaces != 0;
}

// `headword`'s normal form, with its form_hash() in `*hash`: `headword`
// itself where it is plain, else made in `scratch`.
std::string_view normal_form_of(PaddedBytes headword, std::string& scratch, std::uint64_t* hash) {
  const std::string_view bytes(reinterpret_cast<const char*>(headword.data()), headword.size());
  if (plain_headword_hash(headword, hash)) return bytes;
  const std::string_view form = dictd_normal_form(bytes, &scratch);
  *hash = form_hash(form);
  return form;
}

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

namespace {

// The book words by their normal forms, for the index's headwords.
// Read-only once made, so that the parts of the index may share it. The
// words of one form are a group; an open table of groups, at most half
// full, finds a form by its hash, and a hash's upper half, kept in the slot,
// tells most other forms apart without a look at their bytes. Groups are
// made in one pass over the words by that table, not by sorting the forms.
class BookWordForms {
 public:
  // The book words of one normal form, in the order of their ids.
  struct Words {
    const BookWordSet::WordId* begin = nullptr;
    const BookWordSet::WordId* end = nullptr;
  };

  explicit BookWordForms(const BookWordSet& words) {
    std::size_t slots = 16;
    while (slots < 2 * std::size_t{words.size()}) slots <<= 1;
    slots_.assign(slots, Slot{});
    std::vector<std::uint32_t> group_of(words.size(), Slot::kEmpty);
    std::vector<std::uint32_t> group_sizes;
    std::string scratch;
    for (BookWordSet::WordId id = 0; id < words.size(); ++id) {
      const std::string_view normal = dictd_normal_form(words.word(id), &scratch);
      if (normal.empty()) continue;
      const std::uint64_t hash = form_hash(normal);
      std::size_t slot = find(normal, hash);
      if (slots_[slot].group == Slot::kEmpty) {
        slots_[slot] = Slot{static_cast<std::uint32_t>(hash >> 32),
                            static_cast<std::uint32_t>(group_sizes.size())};
        group_sizes.push_back(0);
        forms_ += normal;
        form_starts_.push_back(forms_.size());
        filter_.add(hash);
        longest_ = std::max(longest_, normal.size());
        any_spaced_ = any_spaced_ || normal.find(' ') != std::string_view::npos;
      }
      group_of[id] = slots_[slot].group;
      ++group_sizes[slots_[slot].group];
    }
    // The words of each group together, in the order of their ids.
    group_starts_.assign(group_sizes.size() + 1, 0);
    for (std::size_t group = 0; group < group_sizes.size(); ++group) {
      group_starts_[group + 1] = group_starts_[group] + group_sizes[group];
    }
    ids_.resize(group_starts_.back());
    std::vector<std::uint32_t> filled(group_starts_.begin(), group_starts_.end() - 1);
    for (BookWordSet::WordId id = 0; id < words.size(); ++id) {
      if (group_of[id] != Slot::kEmpty) ids_[filled[group_of[id]]++] = id;
    }
  }

  // Whether some word's normal form has a space, as a phrase's has.
  bool any_spaced() const { return any_spaced_; }

  // The book words whose normal form is `form`, of hash form_hash(form),
  // perhaps none.
  Words words_of(std::string_view form, std::uint64_t hash) const {
    // A normal form is never longer than its word: most headwords, phrases
    // among them, are passed over here.
    if (form.size() > longest_ || !filter_.may_hold(hash)) return Words{};
    const Slot& found = slots_[find(form, hash)];
    if (found.group == Slot::kEmpty) return Words{};
    return Words{&ids_[0] + group_starts_[found.group], &ids_[0] + group_starts_[found.group + 1]};
  }

 private:
  struct Slot {
    static constexpr std::uint32_t kEmpty = ~std::uint32_t{0};
    std::uint32_t upper_hash = 0;
    std::uint32_t group = kEmpty;
  };

  // The slot of `normal`'s group, or the empty slot where it would go.
  std::size_t find(std::string_view normal, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const Slot& found = slots_[slot];
      if (found.group == Slot::kEmpty) return slot;
      if (found.upper_hash == static_cast<std::uint32_t>(hash >> 32) &&
          form(found.group) == normal) {
        return slot;
      }
    }
  }
  std::string_view form(std::uint32_t group) const {
    return std::string_view(forms_).substr(form_starts_[group],
                                           form_starts_[group + 1] - form_starts_[group]);
  }

  std::string forms_;                        // the groups' forms one after another
  std::vector<std::size_t> form_starts_{0};  // in forms_, and the end
  std::vector<BookWordSet::WordId> ids_;     // the words of each group together
  std::vector<std::uint32_t> group_starts_;  // in ids_, and the end
  std::vector<Slot> slots_;
  NormalFormFilter filter_;
  std::size_t longest_ = 0;
  bool any_spaced_ = false;
};

// The rows of the index whose headwords are book words, read as text: a
// line's end and its tabs are found 64 bytes at a time. The first line
// that has not the index's form stops it; each part of the file read on
// a thread of its own counts its lines from 1, and its rows and lines go
// after those of the parts before. Until the book's words are known, it
// keeps each line's form and entry instead (scanning), to be matched to
// them at once later.
class IndexRowReader final : public PartReaderOf<IndexRowReader> {
 public:
  // Scanning stops before the lines or the entries' offsets pass what a
  // scanned line keeps.
  static constexpr std::uint64_t kMostScannedLines = std::uint64_t{1} << 31;
  static constexpr std::uint64_t kMostScannedOffset = (std::uint64_t{1} << 43) - 1;

  // A reader that scans until match_scanned().
  explicit IndexRowReader(std::uint64_t data_size) : data_size_(data_size) {}
  IndexRowReader(const BookWordForms& forms, std::uint64_t data_size)
      : forms_(&forms), data_size_(data_size) {}

  void feed(PaddedBytes text) override {
    if (!malformed_.empty()) return;
    marks_.mark(text, '\n', '\t');
    std::size_t at = 0;
    if (carrying_) {
      const std::size_t end = marks_.next_line_end(0);
      carry(text.part(0, end));
      if (end == text.size()) return;
      take_carried_line();
      at = end + 1;
    }
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
        take_fields(text.part(at, size), tab);
        at += size + 1;
        continue;
      }
      const std::size_t end = marks_.next_line_end(at + 64);
      if (end == text.size()) {
        carry(text.part(at, end - at));
        return;
      }
      take_line(text.part(at, end - at));
      at = end + 1;
    }
  }

  void finish() override {
    if (carrying_ && malformed_.empty()) take_carried_line();
    carried_.shrink();
    carrying_ = false;
    carried_size_ = 0;
  }

  unsigned char part_separator() const override { return '\n'; }
  std::unique_ptr<IndexRowReader> make_later() const {
    LEXICULL_INVARIANT(forms_ != nullptr);
    return std::make_unique<IndexRowReader>(*forms_, data_size_);
  }
  void take_later(IndexRowReader& later) {
    if (!malformed_.empty()) return;
    if (later.rows_.size() > kMostDictdRows - rows_.size()) {
      // Past the bound somewhere in the later part: its last line is named.
      lines_ += later.lines_;
      malformed_ = too_many_rows();
      return;
    }
    rows_.insert(rows_.end(), later.rows_.begin(), later.rows_.end());
    lines_ += later.lines_;
    malformed_ = later.malformed_;
  }

  // What the lines scanned so far hold in memory, and how many there are.
  std::size_t scanned_memory() const {
    return scanned_.size() * sizeof(ScannedRow) + scanned_forms_size_;
  }
  std::uint64_t lines() const { return lines_; }
  std::uint64_t data_size() const { return data_size_; }

  // Makes room at once for the lines of an index of `size` bytes that a scan
  // may keep: one mapping, not one each time it grows.
  void expect_scan(std::uint64_t size) {
    const std::uint64_t least_line = 6;  // "w TAB A TAB A LF"
    const std::uint64_t rows =
        std::min<std::uint64_t>(size / least_line + 1, kMostEarlyIndexMemory / sizeof(ScannedRow));
    scanned_.reserve(static_cast<std::size_t>(rows));
    scanned_forms_.reserve(
        static_cast<std::size_t>(std::min<std::uint64_t>(size, kMostEarlyIndexMemory / 2)), 0);
  }
  bool failed() const { return !malformed_.empty(); }

  // Ends the scanning: the scanned lines' rows are those of the book words
  // of `forms`, found on up to `threads` threads, and later lines are
  // matched as they are read.
  void match_scanned(const BookWordForms& forms, unsigned threads) {
    forms_ = &forms;
    // A share of fewer lines costs more than it saves.
    constexpr std::size_t kLeastShareLines = 16 * 1024;
    const std::size_t count = scanned_.size();
    const std::size_t shares = std::max<std::size_t>(
        1, std::min<std::size_t>(std::max(threads, 1u), count / kLeastShareLines));
    std::vector<std::vector<DictdIndexRow>> found(shares);
    auto share_begin = [&](std::size_t share) { return count / shares * share; };
    auto share_end = [&](std::size_t share) {
      return share + 1 == shares ? count : share_begin(share + 1);
    };
    run_side_by_side(shares, [&](std::size_t share) {
      // A share that passes the bound stops: which line did is found below.
      for (std::size_t i = share_begin(share);
           i < share_end(share) && found[share].size() <= kMostDictdRows; ++i) {
        const BookWordForms::Words words = scanned_words(i);
        for (const BookWordSet::WordId* word = words.begin; word != words.end; ++word) {
          found[share].push_back(DictdIndexRow{*word, scanned_[i].range()});
        }
      }
    });
    LEXICULL_INVARIANT(rows_.empty());  // the scanned lines are the first
    for (std::size_t share = 0; share < shares; ++share) {
      if (found[share].size() <= kMostDictdRows - rows_.size()) {
        if (share == 0) {
          rows_ = std::move(found[0]);
        } else {
          rows_.insert(rows_.end(), found[share].begin(), found[share].end());
        }
        continue;
      }
      for (std::size_t i = share_begin(share);; ++i) {
        const BookWordForms::Words words = scanned_words(i);
        if (static_cast<std::size_t>(words.end - words.begin) > kMostDictdRows - rows_.size()) {
          lines_ = scanned_[i].line;
          malformed_ = too_many_rows();
          break;
        }
        for (const BookWordSet::WordId* word = words.begin; word != words.end; ++word) {
          rows_.push_back(DictdIndexRow{*word, scanned_[i].range()});
        }
      }
      break;
    }
    std::vector<ScannedRow>().swap(scanned_);
    scanned_forms_.release();
    scanned_forms_size_ = 0;
    mapped_rows_ = mapped_form_bytes_ = 0;
  }

  // The first malformed line's failure, or success.
  Status status() const {
    if (malformed_.empty()) return Status();
    return unreadable_dictd("line " + std::to_string(lines_) + " of the index " + malformed_);
  }
  std::vector<DictdIndexRow> take_rows() { return std::move(rows_); }

 private:
  // Adds `bytes` to the line that a block's end cut.
  void carry(PaddedBytes bytes) {
    carried_.reserve(carried_size_ + bytes.size(), carried_size_);
    if (!bytes.empty()) std::memcpy(carried_.data() + carried_size_, bytes.data(), bytes.size());
    carried_size_ += bytes.size();
    carrying_ = true;
  }
  void take_carried_line() {
    carried_.reserve(carried_size_, carried_size_);
    take_line(carried_.view(carried_size_));
    carried_size_ = 0;
    carrying_ = false;
  }

  void take_line(PaddedBytes line) {
    const std::string_view bytes(reinterpret_cast<const char*>(line.data()), line.size());
    std::size_t tab[3] = {line.size(), line.size(), line.size()};
    std::size_t from = 0;
    for (std::size_t& place : tab) {
      place = std::min(bytes.find('\t', from), bytes.size());
      if (place == bytes.size()) break;
      from = place + 1;
    }
    take_fields(line, tab);
  }

  // Takes a line whose first three tabs (or its size, for fewer) are `tab`.
  void take_fields(PaddedBytes padded_line, const std::size_t tab[3]) {
    const std::string_view line(reinterpret_cast<const char*>(padded_line.data()),
                                padded_line.size());
    ++lines_;
    EntryRange range{};
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
    if (range.length > kLargestDictdEntry) {
      malformed_ =
          "points to an entry larger than " + std::to_string(kLargestDictdEntry >> 20) + " MiB";
      return;
    }
    const std::string_view headword = line.substr(0, tab[0]);
    // The dictionary's own notes.
    const bool own_note =
        headword.empty() || (headword[0] == '0' && (headword.substr(0, 11) == "00-database" ||
                                                    headword.substr(0, 10) == "00database"));
    if (forms_ == nullptr) {
      if (!own_note) scan(padded_line.part(0, tab[0]), range);
      return;
    }
    if (own_note || (!forms_->any_spaced() && holds_space(padded_line.part(0, tab[0])))) return;
    std::uint64_t hash = 0;
    const std::string_view form = normal_form_of(padded_line.part(0, tab[0]), normal_, &hash);
    const BookWordForms::Words words = forms_->words_of(form, hash);
    if (static_cast<std::size_t>(words.end - words.begin) > kMostDictdRows - rows_.size()) {
      malformed_ = too_many_rows();
      return;
    }
    for (const BookWordSet::WordId* word = words.begin; word != words.end; ++word) {
      rows_.push_back(DictdIndexRow{*word, range});
    }
  }

  // A line read before the book's words are known, whose headword's form
  // a book word may have: its hash, its entry, its line.
  struct ScannedRow {
    std::uint64_t hash;
    std::uint64_t entry;     // the offset, then kLengthBits of the length
    std::uint32_t form_end;  // in scanned_forms_, where the next form begins
    std::uint32_t line;
    EntryRange range() const { return EntryRange{entry >> kLengthBits, entry & kLengthMask}; }
  };
  static constexpr unsigned kLengthBits = 21;
  static_assert(kLargestDictdEntry < std::uint64_t{1} << kLengthBits, "a length fits");
  static_assert(kMostScannedOffset >> (64 - kLengthBits) == 0, "an offset fits");
  static constexpr std::uint64_t kLengthMask = (std::uint64_t{1} << kLengthBits) - 1;
  // Pages mapped together cost a fraction of a fault each.
  static constexpr std::size_t kMappedTogether = 256 * 1024;

  // Keeps the line's form unless no book word can have it, as no word has
  // a phrase's (holds_space()) unless the caller made it so.
  void scan(PaddedBytes headword, const EntryRange& range) {
    if (holds_space(headword)) return;
    std::uint64_t hash = 0;
    const std::string_view form = normal_form_of(headword, normal_, &hash);
    if (form.empty()) return;
    LEXICULL_INVARIANT_LE(range.length, kLengthMask);
    LEXICULL_INVARIANT_LE(range.offset, kMostScannedOffset);
    LEXICULL_INVARIANT_LE(lines_, std::uint64_t{~std::uint32_t{0}});
    const std::size_t end = scanned_forms_size_ + form.size();
    LEXICULL_INVARIANT_LE(end, std::size_t{~std::uint32_t{0}});
    if (end + PaddedBytes::kPadding > scanned_forms_.capacity()) {
      scanned_forms_.reserve(end, scanned_forms_size_);
    }
    if (end + PaddedBytes::kPadding > mapped_form_bytes_) {
      mapped_form_bytes_ = std::min(end + kMappedTogether, scanned_forms_.capacity());
      map_for_writing(scanned_forms_.data() + scanned_forms_size_,
                      mapped_form_bytes_ - scanned_forms_size_);
    }
    std::memcpy(scanned_forms_.data() + scanned_forms_size_, form.data(), form.size());
    scanned_forms_size_ = end;
    if (scanned_.size() == scanned_.capacity()) scanned_.reserve(2 * scanned_.size() + 1024);
    if (scanned_.size() >= mapped_rows_) {
      mapped_rows_ =
          std::min(scanned_.size() + kMappedTogether / sizeof(ScannedRow), scanned_.capacity());
      map_for_writing(scanned_.data() + scanned_.size(),
                      (mapped_rows_ - scanned_.size()) * sizeof(ScannedRow));
    }
    scanned_.push_back(ScannedRow{hash, range.offset << kLengthBits | range.length,
                                  static_cast<std::uint32_t>(end),
                                  static_cast<std::uint32_t>(lines_)});
  }
  BookWordForms::Words scanned_words(std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : scanned_[i - 1].form_end;
    const std::string_view form(reinterpret_cast<const char*>(scanned_forms_.data()) + begin,
                                scanned_[i].form_end - begin);
    return forms_->words_of(form, scanned_[i].hash);
  }

  static std::string too_many_rows() {
    return "takes the book's words past " + std::to_string(kMostDictdRows) + " rows";
  }

  const BookWordForms* forms_ = nullptr;  // none while scanning
  const std::uint64_t data_size_;
  LineMarks marks_;
  ByteBuffer carried_;  // a line cut by the end of a block
  std::size_t carried_size_ = 0;
  bool carrying_ = false;
  std::string normal_;
  std::uint64_t lines_ = 0;  // read, up to the first malformed one
  std::string malformed_;    // what is wrong with that line
  std::vector<DictdIndexRow> rows_;
  std::vector<ScannedRow> scanned_;
  ByteBuffer scanned_forms_;  // their forms, one after another
  std::size_t scanned_forms_size_ = 0;
  std::size_t mapped_rows_ = 0;        // of scanned_'s capacity, mapped so far
  std::size_t mapped_form_bytes_ = 0;  // of scanned_forms_'s
};

}  // namespace

struct DictdIndexReader::Reading {
  Reading(InputFile& index, std::uint64_t data_size, const PartOptions& options)
      : index(index), options(options), reader(std::make_unique<IndexRowReader>(data_size)) {}

  // Reads and scans at most `blocks` blocks, or until `stop` is set.
  void read_early(std::size_t blocks, std::size_t block_size, const std::atomic<bool>& stop) {
    const RandomAccessFile* file = index.at_offsets();
    if (file == nullptr || reader->data_size() > IndexRowReader::kMostScannedOffset) return;
    LEXICULL_INVARIANT_LE(block_size, IndexRowReader::kMostScannedLines);
    if (!text) {
      reader->expect_scan(file->size());
      range = std::make_unique<FileRange>(*file, 0, TextPart::kToTheEnd);
      text = std::make_unique<TextModeReader>(*range, block_size);
    }
    for (std::size_t block = 0; block < blocks && !text_ended && early_status.ok(); ++block) {
      if (stop.load(std::memory_order_relaxed) || reader->failed() ||
          reader->scanned_memory() >= kMostEarlyIndexMemory ||
          reader->lines() >= IndexRowReader::kMostScannedLines) {
        return;
      }
      PaddedBytes bytes;
      early_status = text->next(&bytes);
      if (!early_status.ok()) return;
      if (!bytes.empty()) reader->feed(bytes);
      read_to = range->position();
      if (bytes.empty() || text->ended_at_ctrl_z()) {
        reader->finish();
        text_ended = true;
      }
    }
  }

  void stop_early() {
    stop = true;
    if (thread.joinable()) thread.join();
    if (early_failure) std::rethrow_exception(std::exchange(early_failure, nullptr));
  }

  InputFile& index;
  const PartOptions options;
  std::unique_ptr<IndexRowReader> reader;
  std::unique_ptr<FileRange> range;
  std::unique_ptr<TextModeReader> text;
  std::uint64_t read_to = 0;  // in the file: what the early reading took
  bool text_ended = false;
  Status early_status;  // a failed read
  std::atomic<bool> stop{false};
  std::exception_ptr early_failure;  // out of memory, on the early thread
  Thread thread;
};

DictdIndexReader::DictdIndexReader(InputFile& index, std::uint64_t data_size,
                                   const PartOptions& options)
    : reading_(std::make_unique<Reading>(index, data_size, options)) {}

DictdIndexReader::~DictdIndexReader() {
  reading_->stop = true;
  if (reading_->thread.joinable()) reading_->thread.join();
}

void DictdIndexReader::start_early() {
  Reading& reading = *reading_;
  if (reading.index.at_offsets() == nullptr || reading.options.threads < 2 ||
      reading.thread.joinable()) {
    return;
  }
  try {
    reading.thread = Thread([&reading]() noexcept {
      // A book read on every processor goes first: what this thread does
      // not read, the reading after the book does.
      run_this_thread_when_idle();
      try {
        reading.read_early(~std::size_t{0}, TextModeReader::kDefaultBlockSize, reading.stop);
      } catch (...) {
        reading.early_failure = std::current_exception();
      }
    });
  } catch (...) {
    // No thread to be had: the index is read with the book's words.
  }
}

void DictdIndexReader::read_early(std::size_t blocks, std::size_t block_size) {
  const std::atomic<bool> never{false};
  reading_->read_early(blocks, block_size, never);
}

Status DictdIndexReader::rows(const BookWordSet& words, std::vector<DictdIndexRow>* rows) {
  Reading& reading = *reading_;
  // Made while the early reading goes on.
  const BookWordForms forms(words);
  reading.stop_early();
  reading.text.reset();
  reading.range.reset();
  Status status = reading.early_status;
  if (forms.any_spaced() && reading.read_to > 0) {
    // A word with a space, a stem perhaps, may have a phrase's form, which
    // the early reading did not keep: the index is read again whole.
    reading.reader = std::make_unique<IndexRowReader>(reading.reader->data_size());
    reading.read_to = 0;
    reading.text_ended = false;
    status = Status();
  }
  const unsigned threads = std::max(1u, reading.options.threads);
  IndexRowReader& reader = *reading.reader;
  reader.match_scanned(forms, threads);
  if (status.ok() && !reading.text_ended && !reader.failed()) {
    // In parts side by side where it is large: a part of 1 MiB pays for its
    // thread here, where every line is parsed.
    PartOptions parts{threads};
    parts.min_part_size = std::min(reading.options.min_part_size, std::uint64_t{1} << 20);
    status = reading.read_to == 0
                 ? read_text(reading.index, reader, parts)
                 : read_text_from(*reading.index.at_offsets(), reading.read_to, reader, parts);
  }
  if (status.ok()) status = reader.status();
  if (status.ok()) *rows = reader.take_rows();
  return status;
}

Status read_dictd_index(InputFile& index, const BookWordSet& words, std::uint64_t data_size,
                        const PartOptions& options, std::vector<DictdIndexRow>* rows) {
  return DictdIndexReader(index, data_size, options).rows(words, rows);
}

}  // namespace lexicull
