// A dictd dictionary is read in three steps. The book words are grouped by
// their normal form, the form dictd's index gives its headwords. The index is
// then read in order (dictd_index.h): every line must have its form and
// point inside the data, and a line whose headword is a book word's normal
// form adds its entry's range to those wanted. Last the wanted ranges are
// read in the data's order (dictd_data.h) on both cores; each entry, as soon
// as it is read and while it is in cache, is asked which of its rows' words
// it names and, if any, keeps its senses. Each word then joins the senses
// of its rows in the index's order, the words dealt out to the cores by id.
// Memory holds the book words' groups, the wanted entries' senses and a
// chunk or two per thread, never the index or the data whole.
#include "vocabulary/dictd_dictionary.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "base/byte_buffer.h"
#include "base/side_by_side.h"
#include "vocabulary/dictd_data.h"
#include "vocabulary/dictd_index.h"
#include "vocabulary/unicode_folding.h"

namespace lexicull {
namespace {

// What the entries that one book needs may come to.
constexpr std::uint64_t kMostWantedText = std::uint64_t{64} << 20;

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Whether `entry` begins with `lowered_word` and then an ASCII byte that is
// no letter or digit, or ends there: then its first line, lowered, holds the
// word as a word, and need not be lowered to tell (most entries are their
// words' own). Lowering keeps lower-case ASCII as it is.
bool begins_with_word(std::string_view entry, std::string_view lowered_word) {
  if (lowered_word.empty() || !starts_with(entry, lowered_word)) return false;
  if (entry.size() == lowered_word.size()) return true;
  const auto next = static_cast<unsigned char>(entry[lowered_word.size()]);
  const bool letter_or_digit =
      (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || (next >= '0' && next <= '9');
  return next < 0x80 && !letter_or_digit;
}

}  // namespace

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

namespace {

// Calls `take(sense)` for each sense of `entry`, in order: views into it.
// Spaces and tabs are passed over a byte at a time: a search for either of
// two bytes is a call per byte.
template <typename Take>
void for_each_dictd_sense(std::string_view entry, Take take) {
  static constexpr std::string_view kNotSenses[] = {
      "see:", "Synonym:", "Synonyms:", "Antonym:", "Antonyms:", "Note:"};
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const std::size_t first_end = entry.find('\n');
  if (first_end == std::string_view::npos) return;
  for (std::size_t at = first_end + 1; at <= entry.size();) {
    std::size_t end = entry.find('\n', at);
    if (end == std::string_view::npos) end = entry.size();
    const std::size_t line_start = at;
    at = end + 1;
    std::size_t begin = line_start;
    while (begin < end && blank(entry[begin])) ++begin;
    if (begin == end || begin - line_start > 3) continue;
    // Most senses begin with no note's first letter.
    const char first = entry[begin];
    if (first == 's' || first == 'S' || first == 'A' || first == 'N') {
      const std::string_view line = entry.substr(begin, end - begin);
      bool note = false;
      for (const std::string_view prefix : kNotSenses) note = note || starts_with(line, prefix);
      if (note) continue;
    }
    while (blank(entry[end - 1])) --end;  // at `begin` at the latest, which is no blank
    std::string_view sense = entry.substr(begin, end - begin);
    std::size_t digits = 0;
    while (digits < sense.size() && sense[digits] >= '0' && sense[digits] <= '9') ++digits;
    if (digits > 0 && sense.substr(digits, 2) == ". ") {
      sense.remove_prefix(digits + 2);
      while (!sense.empty() && blank(sense.front())) sense.remove_prefix(1);
    }
    if (!sense.empty()) take(sense);
  }
}

// The rows' places in the index, in the order of their ranges, the rows of
// one range in the index's order. A stable radix sort a byte at a time, the
// lengths' bytes first and then the offsets': tens of thousands of rows in
// no order cost a comparison sort many mispredicted branches. The keys move
// with the rows, and one pass counts every byte, so that a pass whose byte
// is the same in every row costs nothing.
std::vector<std::uint32_t> rows_by_range(const std::vector<DictdIndexRow>& rows) {
  struct Keyed {
    std::uint64_t offset;
    std::uint32_t length;  // at most kLargestDictdEntry
    std::uint32_t row;
  };
  static_assert(kLargestDictdEntry <= 0xFFFFFFFF);
  std::vector<Keyed> order(rows.size()), moved(rows.size());
  constexpr unsigned kBytes = 12;  // the length's four, then the offset's eight
  const auto byte_of = [](const Keyed& keyed, unsigned byte) {
    return static_cast<std::size_t>(
        (byte < 4 ? keyed.length >> (8 * byte) : keyed.offset >> (8 * (byte - 4))) & 0xFF);
  };
  std::vector<std::size_t> counts(kBytes * 256);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    order[i] = Keyed{rows[i].range.offset, static_cast<std::uint32_t>(rows[i].range.length),
                     static_cast<std::uint32_t>(i)};
    for (unsigned byte = 0; byte < kBytes; ++byte) ++counts[byte * 256 + byte_of(order[i], byte)];
  }
  for (unsigned byte = 0; byte < kBytes; ++byte) {
    std::size_t* const starts = &counts[byte * 256];
    if (std::find(starts, starts + 256, rows.size()) != starts + 256) continue;
    for (std::size_t value = 0, sum = 0; value < 256; ++value) {
      const std::size_t count = starts[value];
      starts[value] = sum;
      sum += count;
    }
    for (const Keyed& keyed : order) moved[starts[byte_of(keyed, byte)]++] = keyed;
    order.swap(moved);
  }
  std::vector<std::uint32_t> places(rows.size());
  for (std::size_t i = 0; i < places.size(); ++i) places[i] = order[i].row;
  return places;
}

}  // namespace

std::vector<std::string_view> dictd_senses(std::string_view entry) {
  std::vector<std::string_view> senses;
  for_each_dictd_sense(entry, [&](std::string_view sense) { senses.push_back(sense); });
  return senses;
}

std::string dictd_head_line(std::string_view entry) {
  return unicode_lower(entry.substr(0, entry.find('\n')));
}

Status read_dictd_vocabulary(InputFile& index, const RandomAccessFile& data_file, bool compressed,
                             const PartOptions& options, VocabularyMap& map) {
  std::unique_ptr<EntryData> data;
  const Status status = open_dictd_data(data_file, compressed, &data);
  if (!status.ok()) return status;
  DictdIndexReader index_reader(index, data->size(), options);
  return read_dictd_entries(index_reader, *data, options, map);
}

Status read_dictd_entries(DictdIndexReader& index, const EntryData& data,
                          const PartOptions& options, VocabularyMap& map) {
  const BookWordSet& words = map.keys();
  std::vector<DictdIndexRow> index_rows;
  Status status = index.rows(words, &index_rows);
  if (!status.ok()) return status;
  const unsigned threads = std::max(1u, options.threads);

  // The distinct ranges in the data's order. `by_range` holds the rows'
  // places in the index, those of one range one after another, from
  // range_rows[range] on. A row's place in `by_range` is its position.
  const std::vector<std::uint32_t> by_range = rows_by_range(index_rows);
  std::vector<EntryRange> ranges;
  std::vector<std::size_t> range_rows;
  ranges.reserve(by_range.size());
  range_rows.reserve(by_range.size() + 1);
  std::vector<std::uint32_t> range_of_position(by_range.size());
  std::uint64_t wanted_text = 0;
  for (std::size_t i = 0; i < by_range.size(); ++i) {
    const EntryRange& range = index_rows[by_range[i]].range;
    if (ranges.empty() || ranges.back() < range) {
      ranges.push_back(range);
      range_rows.push_back(i);
      if ((wanted_text += range.length) > kMostWantedText) {
        return unreadable_dictd("the entries that the book needs come to more than " +
                                std::to_string(kMostWantedText >> 20) + " MiB");
      }
    }
    range_of_position[i] = static_cast<std::uint32_t>(ranges.size() - 1);
  }
  range_rows.push_back(by_range.size());
  // Each position's word lower-cased, as a view into `lowered_words`,
  // where each word stands once, in the order the entries are read in.
  // Looked up through the row and the word instead, they were two loads
  // from memory for each row that inflating had pushed out of the cache,
  // most of the time spent on an entry. Most book words are lower-case
  // ASCII already.
  std::string lowered_words;
  std::vector<std::pair<std::size_t, std::size_t>> position_words(by_range.size());
  {
    constexpr std::size_t kNotYet = ~std::size_t{0};
    std::vector<std::pair<std::size_t, std::size_t>> word_places(words.size(), {kNotYet, 0});
    for (std::size_t i = 0; i < by_range.size(); ++i) {
      const BookWordSet::WordId word = index_rows[by_range[i]].word;
      if (word_places[word].first == kNotYet) {
        const std::string_view bytes = words.word(word);
        const std::size_t at = lowered_words.size();
        if (std::any_of(bytes.begin(), bytes.end(), [](char c) {
              const auto byte = static_cast<unsigned char>(c);
              return byte >= 0x80 || (byte >= 'A' && byte <= 'Z');
            })) {
          lowered_words += unicode_lower(bytes);
        } else {
          lowered_words += bytes;
        }
        word_places[word] = {at, lowered_words.size() - at};
      }
      position_words[i] = word_places[word];
    }
  }
  const auto position_word = [&](std::size_t i) {
    return std::string_view(lowered_words)
        .substr(position_words[i].first, position_words[i].second);
  };

  // Each entry, once read, is asked which of its rows' words it names
  // (without its CR); if any, its senses are kept in the store of the
  // thread that read it, each followed by a line feed, which no sense
  // holds. Each range's results are its own, so the threads that read the
  // data share nothing here.
  struct Kept {
    std::uint32_t store = 0;
    std::uint32_t size = 0;
    std::size_t offset = 0;
  };
  std::vector<std::string> stores(threads);
  std::vector<Kept> kept(ranges.size());
  std::vector<char> named(by_range.size());  // whether a position's entry names its word
  status = data.read(
      ranges, threads, [&](std::size_t range, std::size_t worker, std::string_view bytes) {
        std::string without_cr;
        if (!bytes.empty() && std::memchr(bytes.data(), '\r', bytes.size()) != nullptr) {
          without_cr.assign(bytes);
          without_cr.erase(std::remove(without_cr.begin(), without_cr.end(), '\r'),
                           without_cr.end());
          bytes = without_cr;
        }
        std::string head_line;  // lowered only where a word is not its first word
        bool any_named = false;
        for (std::size_t i = range_rows[range]; i < range_rows[range + 1]; ++i) {
          const std::string_view word = position_word(i);
          if (begins_with_word(bytes, word)) {
            named[i] = true;
          } else {
            if (head_line.empty()) head_line = dictd_head_line(bytes);
            named[i] = holds_as_word(head_line, word);
          }
          any_named = any_named || named[i];
        }
        if (!any_named) return;
        std::string& store = stores[worker];
        const std::size_t offset = store.size();
        for_each_dictd_sense(bytes, [&](std::string_view sense) {
          store += sense;
          store += '\n';
        });
        kept[range] = Kept{static_cast<std::uint32_t>(worker),
                           static_cast<std::uint32_t>(store.size() - offset), offset};
      });
  if (!status.ok()) return status;

  // Each word's positions together, in the index's order of their rows.
  std::vector<std::uint32_t> position_of_row(by_range.size());
  for (std::size_t i = 0; i < by_range.size(); ++i) {
    position_of_row[by_range[i]] = static_cast<std::uint32_t>(i);
  }
  std::vector<std::uint32_t> word_positions(index_rows.size());
  std::vector<std::uint32_t> word_row_starts(words.size() + 1);
  for (const DictdIndexRow& row : index_rows) ++word_row_starts[row.word + 1];
  for (std::size_t word = 0; word < words.size(); ++word) {
    word_row_starts[word + 1] += word_row_starts[word];
  }
  {
    std::vector<std::uint32_t> filled(word_row_starts.begin(), word_row_starts.end() - 1);
    for (std::size_t row = 0; row < index_rows.size(); ++row) {
      word_positions[filled[index_rows[row].word]++] = position_of_row[row];
    }
  }

  // Each word's senses joined. The words are dealt out to the threads, so
  // that each thread's senses are its own.
  const std::size_t shares = index_rows.size() < 4096 ? 1 : threads;
  // A share's translations lie one after another in one buffer, which the
  // map keeps: no word's needs memory of its own.
  struct Joined {
    BookWordSet::WordId word;
    std::size_t offset;
    std::size_t size;
  };
  struct Share {
    std::vector<Joined> joined;
    ByteBuffer bytes;
  };
  std::vector<Share> translations(shares);
  run_side_by_side(shares, [&](std::size_t share) {
    translations[share].joined.reserve(words.size() / shares + 1);
    ByteBuffer& bytes = translations[share].bytes;
    std::size_t end = 0;
    SenseList list;  // one for all the share's words, so that it allocates once
    for (std::size_t word = share; word < words.size(); word += shares) {
      // The senses of a word a few ahead are asked for now: they lie where
      // its entries were read, anywhere in the stores, and waiting for each
      // word's took a fifth of the join (measured: 2.0 ms against 1.5).
      const std::size_t ahead = word + 8 * shares;
      if (ahead < words.size()) {
        for (std::uint32_t i = word_row_starts[ahead]; i < word_row_starts[ahead + 1]; ++i) {
          const Kept& senses = kept[range_of_position[word_positions[i]]];
          __builtin_prefetch(stores[senses.store].data() + senses.offset);
        }
      }
      list.clear();
      bool taken = false;  // an entry without senses still gives the word a line
      for (std::uint32_t i = word_row_starts[word]; i < word_row_starts[word + 1]; ++i) {
        const std::uint32_t position = word_positions[i];
        if (!named[position]) continue;
        taken = true;
        const std::size_t range = range_of_position[position];
        std::string_view senses = std::string_view(stores[kept[range].store])
                                      .substr(kept[range].offset, kept[range].size);
        while (!senses.empty()) {
          const std::size_t end = senses.find('\n');
          list.add(senses.substr(0, end));
          senses.remove_prefix(end + 1);
        }
      }
      if (!taken) continue;
      std::size_t joined_size = 0;
      for (const std::string_view sense : list.senses()) joined_size += sense.size() + 2;
      bytes.reserve(end + joined_size, end);
      const std::size_t start = end;
      for (const std::string_view sense : list.senses()) {
        if (end > start) {
          std::memcpy(bytes.data() + end, "; ", 2);
          end += 2;
        }
        if (!sense.empty()) std::memcpy(bytes.data() + end, sense.data(), sense.size());
        end += sense.size();
      }
      translations[share].joined.push_back(
          Joined{static_cast<BookWordSet::WordId>(word), start, end - start});
    }
  });
  for (Share& share : translations) {
    for (const Joined& joined : share.joined) {
      map.set_kept_translation(joined.word, share.bytes.data() + joined.offset, joined.size);
    }
    const std::size_t capacity = share.bytes.capacity();
    if (capacity > 0) map.keep(share.bytes.release(), capacity);
  }
  return Status();
}

}  // namespace lexicull
