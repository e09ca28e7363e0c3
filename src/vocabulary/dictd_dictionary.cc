// A dictd dictionary is read in three steps. The book words are grouped by
// their normal form, the form dictd's index gives its headwords. The index is
// then read in order (dictd_index.h): every line must have its form and
// point inside the data, and a line whose headword is a book word's normal
// form adds its entry's range to those wanted. Last the wanted ranges are
// read in the data's order (dictd_data.h), and each word takes the senses of
// the entries whose first line names it, on both cores, the words dealt out
// by id. Memory holds the book words' groups, the wanted entries and a chunk
// or two per thread, never the index or the data whole.
#include "vocabulary/dictd_dictionary.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

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

Status read_dictd_vocabulary(InputFile& index, const RandomAccessFile& data_file, bool compressed,
                             const PartOptions& options, VocabularyMap& map) {
  std::unique_ptr<EntryData> data;
  Status status = open_dictd_data(data_file, compressed, &data);
  if (!status.ok()) return status;
  const BookWordSet& words = map.keys();
  std::vector<DictdIndexRow> index_rows;
  status = read_dictd_index(index, words, data->size(), options, &index_rows);
  if (!status.ok()) return status;
  const unsigned threads = std::max(1u, options.threads);

  // The distinct ranges in the data's order, and each row's place among them.
  struct Row {
    EntryRange range;
    BookWordSet::WordId word;
    std::size_t order;  // in the index
  };
  std::vector<Row> rows;
  for (const DictdIndexRow& row : index_rows) rows.push_back(Row{row.range, row.word, rows.size()});
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return a.range < b.range || (!(b.range < a.range) && a.order < b.order);
  });
  std::vector<EntryRange> ranges;
  std::vector<std::size_t> range_of_row(rows.size());
  std::uint64_t wanted_text = 0;
  for (const Row& row : rows) {
    if (ranges.empty() || ranges.back() < row.range) {
      ranges.push_back(row.range);
      if ((wanted_text += row.range.length) > kMostWantedText) {
        return unreadable_dictd("the entries that the book needs come to more than " +
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
  for (const EntryRange& range : ranges) {
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
  for (auto& share : translations) {
    for (auto& [word, joined] : share) map.set_translation(word, std::move(joined));
  }
  return Status();
}

}  // namespace lexicull
