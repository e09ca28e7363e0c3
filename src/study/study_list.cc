#include "study/study_list.h"

#include <algorithm>

namespace lexicull {
namespace {

using WordId = BookWordSet::WordId;

// Whether occurrences of the word count as running words.
bool makes_running_words(std::string_view word) {
  for (const char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')) return true;
  }
  return false;
}

// For each key, the book words other than itself that have it as a stem:
// `words[begin[key]]` to `words[begin[key + 1]]`.
struct StemmedFrom {
  std::vector<std::size_t> begin;
  std::vector<WordId> words;

  StemmedFrom(std::size_t size, const std::vector<WordStem>& stems) : begin(size + 1, 0) {
    for (const WordStem& pair : stems) {
      if (pair.stem != pair.word) ++begin[pair.stem + 1];
    }
    for (std::size_t key = 0; key < size; ++key) begin[key + 1] += begin[key];
    words.resize(begin[size]);
    std::vector<std::size_t> next(begin.begin(), begin.end() - 1);
    for (const WordStem& pair : stems) {
      if (pair.stem != pair.word) words[next[pair.stem]++] = pair.word;
    }
  }
};

std::string grouped(std::uint64_t number) {
  std::string digits = std::to_string(number);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string share(std::uint64_t part, std::uint64_t whole) {
  // Nothing to read is all read.
  const std::uint64_t hundredths = whole == 0 ? 10000 : part * 10000 / whole;
  const std::uint64_t rest = hundredths % 100;
  return std::to_string(hundredths / 100) + "." + (rest < 10 ? "0" : "") + std::to_string(rest) +
         "%";
}

}  // namespace

StudyList select_study_list(const BookWordSet& words, const std::vector<WordStem>& stems,
                            const KnownWords& known, const VocabularyMap& vocabulary,
                            const StudyOptions& options) {
  const std::size_t size = words.size();
  // Book words occur; stems that are no book words do not.
  std::vector<bool> known_word(size, false);
  for (WordId id = 0; id < size; ++id) known_word[id] = known.contains(id);
  for (const WordStem& pair : stems) {
    if (known.contains(pair.stem)) known_word[pair.word] = true;
  }

  std::vector<std::uint64_t> counts(size, 0);
  std::vector<bool> wanted(size, false);
  for (WordId id = 0; id < size; ++id) {
    counts[id] = words.occurrences(id);
    wanted[id] = counts[id] > 0 && !known_word[id];
  }
  for (const WordStem& pair : stems) {
    if (pair.stem == pair.word) continue;
    counts[pair.stem] += words.occurrences(pair.word);
    if (!known_word[pair.word]) wanted[pair.stem] = true;
  }

  StudyList list;
  std::vector<WordId> candidates;
  for (WordId id = 0; id < size; ++id) {
    if (wanted[id] && !known_word[id] && !vocabulary.translation(id).empty()) {
      candidates.push_back(id);
    }
  }
  // Without a bound every candidate is taken, and the order of taking them
  // changes nothing but the order of the lines.
  const bool takes_all = !options.top && !options.coverage;
  const bool by_bytes = options.order == LineOrder::kBytes;
  words.sort_by_word(candidates);
  if (!takes_all || !by_bytes) {
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&counts](WordId left, WordId right) { return counts[left] > counts[right]; });
  }

  StudyStats& stats = list.stats;
  std::vector<bool> running(size, false);
  std::vector<bool> covered(size, false);
  for (WordId id = 0; id < size; ++id) {
    const std::uint64_t occurrences = words.occurrences(id);
    if (occurrences == 0 || !makes_running_words(words.word(id))) continue;
    running[id] = true;
    ++stats.distinct_words;
    stats.running_words += occurrences;
    if (known_word[id]) {
      covered[id] = true;
      stats.known_running_words += occurrences;
    }
  }
  stats.covered_running_words = stats.known_running_words;

  const StemmedFrom stemmed_from(size, stems);
  auto cover = [&](WordId id) {
    if (running[id] && !covered[id]) {
      covered[id] = true;
      stats.covered_running_words += words.occurrences(id);
    }
  };
  const auto coverage_reached = [&] {
    return stats.covered_running_words * 10000 >=
           std::uint64_t{*options.coverage} * stats.running_words;
  };
  for (const WordId key : candidates) {
    if (options.top && list.keys.size() >= *options.top) break;
    if (options.coverage && coverage_reached()) break;
    list.keys.push_back(key);
    cover(key);
    for (std::size_t i = stemmed_from.begin[key]; i < stemmed_from.begin[key + 1]; ++i) {
      cover(stemmed_from.words[i]);
    }
  }
  stats.lines = list.keys.size();
  stats.coverage_out_of_reach = options.coverage && !coverage_reached();
  list.counts = std::move(counts);
  if (by_bytes && !takes_all) words.sort_by_word(list.keys);
  return list;
}

std::string coverage_out_of_reach_line(const StudyStats& stats, unsigned hundredths) {
  std::string asked = std::to_string(hundredths / 100);
  if (hundredths % 100 != 0) {
    asked += "." + std::to_string(hundredths % 100 / 10);
    if (hundredths % 10 != 0) asked += std::to_string(hundredths % 10);
  }
  return "coverage " + asked +
         "% is out of reach: the known words and the vocabulary cover at most " +
         share(stats.covered_running_words, stats.running_words) + " of the book's running words";
}

std::vector<std::string> study_stats_lines(const StudyStats& stats, bool with_known) {
  std::vector<std::string> lines = {
      "running words: " + grouped(stats.running_words),
      "distinct words: " + grouped(stats.distinct_words),
  };
  if (with_known) {
    lines.push_back("known: " + grouped(stats.known_running_words) + " running words, " +
                    share(stats.known_running_words, stats.running_words));
  }
  lines.push_back("lines written: " + grouped(stats.lines));
  lines.push_back("coverage: " + grouped(stats.covered_running_words) + " running words, " +
                  share(stats.covered_running_words, stats.running_words));
  return lines;
}

}  // namespace lexicull
