#include "book/book_word_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/test_support.h"

namespace lexicull {
namespace {

TEST(BookWordSet, KeepsEachDistinctWordOnceAndFindsIt) {
  BookWordSet words;
  EXPECT_EQ(find_word(words, ""), BookWordSet::kAbsent);
  for (const char* word : {"cat", "", "cat", "ca", "cat\t", "", "Cat"}) insert_word(words, word);
  EXPECT_EQ(words.size(), 5u);
  EXPECT_EQ(words.longest_word_size(), 4u);
  for (const char* word : {"cat", "", "ca", "cat\t", "Cat"}) {
    const BookWordSet::WordId id = find_word(words, word);
    ASSERT_NE(id, BookWordSet::kAbsent) << word;
    EXPECT_EQ(words.word(id), word);
  }
  for (const char* word : {"c", "cats", "CAT", "ca "})
    EXPECT_EQ(find_word(words, word), BookWordSet::kAbsent);
  EXPECT_EQ(find_word(words, std::string("cat\0", 4)), BookWordSet::kAbsent);
}

TEST(BookWordSet, TheEmptyWordIsAWordLikeAnyOther) {
  BookWordSet words;
  EXPECT_EQ(find_word(words, ""), BookWordSet::kAbsent);
  insert_word(words, "");
  EXPECT_EQ(words.size(), 1u);
  EXPECT_EQ(find_word(words, ""), 0u);
  EXPECT_EQ(find_word(words, std::string(1, '\0')), BookWordSet::kAbsent);
  insert_word(words, std::string(1, '\0'));
  EXPECT_EQ(words.size(), 2u);
}

TEST(BookWordSet, StaysCorrectAcrossManyGrowths) {
  // Short words are moved by their slots alone, long ones by their tags,
  // and the filter is made again for both.
  for (const std::string prefix : {"w", "a-word-longer-than-eight-bytes-"}) {
    BookWordSet words;
    const int count = 200000;
    for (int round = 0; round < 2; ++round) {
      for (int i = 0; i < count; ++i) insert_word(words, prefix + std::to_string(i));
    }
    EXPECT_EQ(words.size(), static_cast<std::size_t>(count)) << prefix;
    for (int i = 0; i < count; i += 997) {
      const std::string word = prefix + std::to_string(i);
      ASSERT_EQ(words.word(find_word(words, word)), word);
    }
    EXPECT_EQ(find_word(words, prefix + std::to_string(count)), BookWordSet::kAbsent);
  }
}

TEST(BookWordSet, SortsByUnsignedBytesWithPrefixesFirst) {
  BookWordSet words;
  // Ties in the first eight bytes, a NUL after a prefix, and bytes above 0x7F.
  const std::vector<std::string> sorted = {"",
                                           "-",
                                           std::string("a"),
                                           std::string("a\0", 2),
                                           "ab",
                                           "abc",
                                           "abcdefgh",
                                           "abcdefgh\x01",
                                           "abcdefghi",
                                           "b",
                                           "z",
                                           "\x7f",
                                           "\x80",
                                           "\xc4rger",
                                           "\xff"};
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) insert_word(words, *it);
  std::vector<BookWordSet::WordId> ids;
  for (BookWordSet::WordId id = 0; id < words.size(); ++id) ids.push_back(id);
  words.sort_by_word(ids);
  std::vector<std::string> actual;
  for (auto id : ids) actual.emplace_back(words.word(id));
  EXPECT_EQ(actual, sorted);
}

}  // namespace
}  // namespace lexicull
