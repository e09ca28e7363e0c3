#ifndef LEXICULL_STUDY_STUDY_LIST_H_
#define LEXICULL_STUDY_STUDY_LIST_H_

#include <cstdint>
#include <string>
#include <vector>

#include "book/book_word_set.h"
#include "stem/stemming_threads.h"
#include "study/known_words.h"
#include "study/study_options.h"
#include "vocabulary/vocabulary_map.h"

namespace lexicull {

// Where the reader stands. Running words are the occurrences of the book's
// words that hold an ASCII letter or a byte of 0x80 or more (so numbers,
// dashes and the empty word do not count); a running word is covered when
// its word is known, or is a key of a line kept, or has one as a stem.
struct StudyStats {
  std::uint64_t running_words = 0;
  std::uint64_t distinct_words = 0;  // of those that make running words
  std::uint64_t known_running_words = 0;
  std::uint64_t lines = 0;
  std::uint64_t covered_running_words = 0;  // by the known words and the lines kept
  // A --coverage that all the lines allowed (every line, or the first
  // options.top) fall short of.
  bool coverage_out_of_reach = false;
};

struct StudyList {
  std::vector<BookWordSet::WordId> keys;  // of the lines to write, in their order
  // Each key's count, by its id: how often the book uses it or, for a stem,
  // its forms.
  std::vector<std::uint64_t> counts;
  StudyStats stats;
};

// Chooses the lines a learner studies before reading the book. `words` holds
// the book's words, their occurrences counted, and after them their stems;
// `stems` pairs each word with its stems (empty without stemming).
//
// A book word is known when `known` holds it or one of its stems. A line's
// key is a word that is not known, or a stem of one, that is not known
// itself and that `vocabulary` translates. Its count is the number of
// occurrences of the distinct book words that are the key or have it as a
// stem, each counted once. Lines are taken by count, the highest first,
// ties in the byte order of their keys: at most options.top of them, and
// only while the coverage before the line is below options.coverage
// (covered × 10000 < coverage × running words). They are returned in the
// order options.order asks for.
StudyList select_study_list(const BookWordSet& words, const std::vector<WordStem>& stems,
                            const KnownWords& known, const VocabularyMap& vocabulary,
                            const StudyOptions& options);

// What a learner is told when the coverage `hundredths` asked for is out of
// reach: "coverage 95% is out of reach: the known words and the vocabulary
// cover at most 93.79% of the book's running words", the share rounded down.
std::string coverage_out_of_reach_line(const StudyStats& stats, unsigned hundredths);

// The summary of --stats, a line per element: numbers in full, grouped by
// commas, shares as percentages with two decimals, rounded down. The known
// share only `with_known`.
std::vector<std::string> study_stats_lines(const StudyStats& stats, bool with_known);

}  // namespace lexicull

#endif  // LEXICULL_STUDY_STUDY_LIST_H_
