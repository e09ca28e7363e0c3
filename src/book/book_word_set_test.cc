#include "book/book_word_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lexicull {
namespace {

TEST(BookWordSet, KeepsEachDistinctWordOnceAndFindsIt) {
  BookWordSet words;
  EXPECT_EQ(words.find(""), BookWordSet::kAbsent);
  for (const char* word : {"cat", "", "cat", "ca", "cat\t", "", "Cat"}) words.add(word);
  EXPECT_EQ(words.size(), 5u);
  EXPECT_EQ(words.longest_word_size(), 4u);
  for (const char* word : {"cat", "", "ca", "cat\t", "Cat"}) {
    const BookWordSet::WordId id = words.find(word);
    ASSERT_NE(id, BookWordSet::kAbsent) << word;
    EXPECT_EQ(words.word(id), word);
  }
  for (const char* word : {"c", "cats", "CAT", "ca "})
    EXPECT_EQ(words.find(word), BookWordSet::kAbsent);
  EXPECT_EQ(words.find(std::string("cat\0", 4)), BookWordSet::kAbsent);
}

TEST(BookWordSet, TheEmptyWordIsAWordLikeAnyOther) {
  BookWordSet words;
  EXPECT_EQ(words.find(""), BookWordSet::kAbsent);
  words.add("");
  EXPECT_EQ(words.size(), 1u);
  EXPECT_EQ(words.find(""), 0u);
  EXPECT_EQ(words.find(std::string(1, '\0')), BookWordSet::kAbsent);
  words.add(std::string(1, '\0'));
  EXPECT_EQ(words.size(), 2u);
}

TEST(BookWordSet, StaysCorrectAcrossManyGrowths) {
  BookWordSet words;
  const int count = 200000;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < count; ++i) words.add("w" + std::to_string(i));
  }
  EXPECT_EQ(words.size(), static_cast<std::size_t>(count));
  for (int i = 0; i < count; i += 997) {
    const std::string word = "w" + std::to_string(i);
    ASSERT_EQ(words.word(words.find(word)), word);
  }
  EXPECT_EQ(words.find("w" + std::to_string(count)), BookWordSet::kAbsent);
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
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) words.add(*it);
  std::vector<BookWordSet::WordId> ids;
  for (BookWordSet::WordId id = 0; id < words.size(); ++id) ids.push_back(id);
  words.sort_by_word(ids);
  std::vector<std::string> actual;
  for (auto id : ids) actual.emplace_back(words.word(id));
  EXPECT_EQ(actual, sorted);
}

}  // namespace
}  // namespace lexicull
