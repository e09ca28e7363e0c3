// The real readers against the reference rules on many random inputs made of
// the bytes that matter, so that every platform's build is checked the way
// the fuzzers check this one.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "harness.h"

namespace lexicull {
namespace {

std::string random_text(std::mt19937& random, std::size_t size) {
  static const std::string kBytes = std::string("aB-- \n\n\r.,|Zz'\t\xEF\xBB\xBF\xC4", 20) + '\0';
  std::uniform_int_distribution<std::size_t> pick(0, kBytes.size() - 1);
  std::uniform_int_distribution<int> rare(0, 499);
  std::string text;
  for (std::size_t i = 0; i < size; ++i) text += rare(random) == 0 ? '\x1A' : kBytes[pick(random)];
  return text;
}

TEST(Differential, RealReadersAgreeWithTheReferenceRules) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::size_t> length(0, 300);
  for (int round = 0; round < 1500; ++round) {
    harness::Pair pair;
    pair.book = random_text(random, length(random));
    pair.vocabulary = random_text(random, length(random));
    pair.every_key_in_book = round % 2 == 0;
    ASSERT_EQ(harness::check_book(pair.book), "") << testing::PrintToString(pair.book);
    ASSERT_EQ(harness::check_vocabulary(pair), "")
        << testing::PrintToString(pair.book) << " / " << testing::PrintToString(pair.vocabulary);
    ASSERT_EQ(harness::check_run(pair), "")
        << testing::PrintToString(pair.book) << " / " << testing::PrintToString(pair.vocabulary);
  }
}

}  // namespace
}  // namespace lexicull
