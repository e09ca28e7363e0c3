// The index is read as text, a line at a time, its line ends and tabs
// found 64 bytes at a time. Most headwords are no book word's normal form:
// a plain headword (lower-case ASCII letters, digits, spaces) longer than
// the longest book word, or missing from a bit filter of the book words'
// forms, is passed over without a lookup. Every line is still checked.
#include "vocabulary/dictd_index.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "base/byte_buffer.h"
#include "base/invariant.h"
#include "base/swar.h"
#include "text/line_marks.h"
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

  // The book words whose normal form `headword` has, perhaps none. `normal`
  // is scratch memory.
  Words words_of(PaddedBytes headword, std::string& normal) const {
    const std::string_view bytes(reinterpret_cast<const char*>(headword.data()), headword.size());
    std::uint64_t hash = 0;
    std::string_view form = bytes;
    if (plain_headword_hash(headword, &hash)) {
      // A normal form is never longer than its word: most headwords,
      // phrases among them, are passed over here.
      if (bytes.size() > longest_) return Words{};
    } else {
      form = dictd_normal_form(bytes, &normal);
      hash = form_hash(form);
    }
    if (!filter_.may_hold(hash)) return Words{};
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
};

// The rows of the index whose headwords are book words, read as text: a
// line's end and its tabs are found 64 bytes at a time. The first line
// that has not the index's form stops it; each part of the file read on
// a thread of its own counts its lines from 1, and its rows and lines go
// after those of the parts before.
class IndexRowReader final : public PartReaderOf<IndexRowReader> {
 public:
  IndexRowReader(const BookWordForms& forms, std::uint64_t data_size)
      : forms_(forms), data_size_(data_size) {}

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
    return std::make_unique<IndexRowReader>(forms_, data_size_);
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
    if (headword.empty() || (headword[0] == '0' && (headword.substr(0, 11) == "00-database" ||
                                                    headword.substr(0, 10) == "00database"))) {
      return;
    }
    const BookWordForms::Words words = forms_.words_of(padded_line.part(0, tab[0]), normal_);
    if (static_cast<std::size_t>(words.end - words.begin) > kMostDictdRows - rows_.size()) {
      malformed_ = too_many_rows();
      return;
    }
    for (const BookWordSet::WordId* word = words.begin; word != words.end; ++word) {
      rows_.push_back(DictdIndexRow{*word, range});
    }
  }

  static std::string too_many_rows() {
    return "takes the book's words past " + std::to_string(kMostDictdRows) + " rows";
  }

  const BookWordForms& forms_;
  const std::uint64_t data_size_;
  LineMarks marks_;
  ByteBuffer carried_;  // a line cut by the end of a block
  std::size_t carried_size_ = 0;
  bool carrying_ = false;
  std::string normal_;
  std::uint64_t lines_ = 0;  // read, up to the first malformed one
  std::string malformed_;    // what is wrong with that line
  std::vector<DictdIndexRow> rows_;
};

}  // namespace

Status read_dictd_index(InputFile& index, const BookWordSet& words, std::uint64_t data_size,
                        const PartOptions& options, std::vector<DictdIndexRow>* rows) {
  const BookWordForms forms(words);
  // In parts side by side where it is large: a part of 1 MiB pays for its
  // thread here, where every line is parsed.
  IndexRowReader rows_reader(forms, data_size);
  PartOptions parts{std::max(1u, options.threads)};
  parts.min_part_size = std::min(options.min_part_size, std::uint64_t{1} << 20);
  Status status = read_text(index, rows_reader, parts);
  if (status.ok()) status = rows_reader.status();
  if (status.ok()) *rows = rows_reader.take_rows();
  return status;
}

}  // namespace lexicull
