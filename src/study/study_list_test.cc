#include "study/study_list.h"

#include <gtest/gtest.h>

namespace lexicull {
namespace {

// The selection itself is checked against the reference rules on random
// books (fuzz/differential_test.cc); here, how its figures read.
TEST(StudyStatsLines, NumbersInFullGroupedByCommasSharesRoundedDown) {
  StudyStats stats;
  stats.running_words = 1234567;
  stats.distinct_words = 12345;
  stats.known_running_words = 999;
  stats.lines = 1000;
  stats.covered_running_words = 1234566;
  EXPECT_EQ(study_stats_lines(stats, true),
            (std::vector<std::string>{"running words: 1,234,567", "distinct words: 12,345",
                                      "known: 999 running words, 0.08%", "lines written: 1,000",
                                      "coverage: 1,234,566 running words, 99.99%"}));
  EXPECT_EQ(study_stats_lines(StudyStats{}, false),
            (std::vector<std::string>{"running words: 0", "distinct words: 0", "lines written: 0",
                                      "coverage: 0 running words, 100.00%"}));
}

}  // namespace
}  // namespace lexicull
