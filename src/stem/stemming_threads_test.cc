#include "stem/stemming_threads.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <system_error>

#include "testing/test_support.h"

namespace lexicull {
namespace {

// Gives each word one stem: the word with "-stem" after it.
class SuffixStemmer : public Stemmer {
 public:
  void add_stems(std::string_view word, std::vector<std::string>& stems) override {
    stems.push_back(std::string(word) + "-stem");
  }
};

class SuffixStemmerMaker : public StemmerMaker {
 public:
  std::unique_ptr<Stemmer> make() const override { return std::make_unique<SuffixStemmer>(); }
};

// Starts threads as the system would, but fails the `failing`-th start (from
// 1) by throwing `failure`.
template <typename Failure>
StemmingThreads::ThreadStart failing_start(int failing, Failure failure) {
  auto started = std::make_shared<int>(0);
  return [started, failing, failure](std::function<void()> work) {
    if (++*started == failing) throw failure;
    return StemmingThreads::start_thread(std::move(work));
  };
}

TEST(StemmingThreads, AThreadThatCannotStartNeverEndsTheRunUnsafely) {
  const SuffixStemmerMaker maker;
  constexpr int kWords = 21000;  // enough for five threads
  const struct {
    int failing_start;  // 0: none fails
    bool out_of_memory;
  } cases[] = {{0, false}, {1, false}, {3, false}, {1, true}, {2, true}, {5, true}};
  for (const auto& test : cases) {
    BookWordSet words;
    for (int i = 0; i < kWords; ++i) insert_word(words, "w" + std::to_string(i));
    const std::string where = "start " + std::to_string(test.failing_start) +
                              (test.out_of_memory ? " out of memory" : " no thread");
    StemmingThreads::ThreadStart start =
        test.out_of_memory
            ? failing_start(test.failing_start, std::bad_alloc())
            : failing_start(test.failing_start, std::system_error(std::make_error_code(
                                                    std::errc::resource_unavailable_try_again)));
    // The first thread starts in the constructor: memory that runs out there
    // leaves nothing running.
    if (test.out_of_memory && test.failing_start == 1) {
      EXPECT_THROW(StemmingThreads(maker, 5, start), std::bad_alloc) << where;
      continue;
    }
    StemmingThreads stemming(maker, 5, start);
    if (test.out_of_memory) {
      // Every thread has stopped when the failure arrives: the words may go.
      EXPECT_THROW(stemming.add_stems(words), std::bad_alloc) << where;
      continue;
    }
    stemming.add_stems(words);
    EXPECT_EQ(words.size(), 2u * kWords) << where;
    EXPECT_NE(find_word(words, "w20999-stem"), BookWordSet::kAbsent) << where;
  }
}

}  // namespace
}  // namespace lexicull
