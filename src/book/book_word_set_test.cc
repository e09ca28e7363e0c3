#include "book/book_word_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/coding.h"
#include "testing/test_support.h"

namespace lexicull {
namespace {

TEST(BookWordSet, KeepsEachDistinctWordOnceAndFindsIt) {
  BookWordSet words;
  EXPECT_EQ(find_word(words, ""), BookWordSet::kAbsent);
  // Words that differ only past their eighth or sixteenth byte, or only in
  // their size where the bytes past the shorter one are NUL.
  const std::vector<std::string> held = {"cat",
                                         "",
                                         "ca",
                                         "cat\t",
                                         "Cat",
                                         "abcdefghi",
                                         std::string("abcdefghi\0", 10),
                                         "abcdefghij",
                                         "abcdefghijklmnop",
                                         "abcdefghijklmnoq",
                                         "abcdefghijklmnopq",
                                         "abcdefghijklmnopr"};
  for (const std::string& word : held) insert_word(words, word);
  for (const std::string& word : held) insert_word(words, word);
  EXPECT_EQ(words.size(), held.size());
  EXPECT_EQ(words.longest_word_size(), 17u);
  for (const std::string& word : held) {
    const BookWordSet::WordId id = find_word(words, word);
    ASSERT_NE(id, BookWordSet::kAbsent) << word;
    EXPECT_EQ(words.word(id), word);
  }
  for (const std::string word :
       {"c", "cats", "CAT", "ca ", "abcdefgh", "abcdefghI", "abcdefghijklmno", "abcdefghijklmnopQ"})
    EXPECT_EQ(find_word(words, word), BookWordSet::kAbsent) << word;
  EXPECT_EQ(find_word(words, std::string("cat\0", 4)), BookWordSet::kAbsent);
  EXPECT_EQ(find_word(words, std::string("abcdefghi\0\0", 11)), BookWordSet::kAbsent);
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
  // Each growth places every word again from its bytes in the arena, read
  // as whole integers whatever the word's size (5 to 10 bytes, 11 to 16,
  // longer), and makes the filter again.
  for (const std::string prefix : {"word", "held-word-", "a-word-longer-than-sixteen-bytes-"}) {
    BookWordSet words;
    // The empty word first: its bytes, none, are read like any other's.
    insert_word(words, "");
    const int count = 200000;
    for (int round = 0; round < 2; ++round) {
      for (int i = 0; i < count; ++i) insert_word(words, prefix + std::to_string(i));
    }
    EXPECT_EQ(words.size(), static_cast<std::size_t>(count) + 1) << prefix;
    EXPECT_EQ(find_word(words, ""), 0u);
    for (int i = 0; i < count; i += 997) {
      const std::string word = prefix + std::to_string(i);
      ASSERT_EQ(words.word(find_word(words, word)), word);
    }
    EXPECT_EQ(find_word(words, prefix + std::to_string(count)), BookWordSet::kAbsent);
  }
}

// The head of `text` as a reader hands it to the filter: its first eight
// bytes, whatever follows the key on its line included.
std::uint64_t line_head(const std::string& text) {
  std::string bytes = text;
  bytes.resize(std::max<std::size_t>(bytes.size(), 8), '|');
  return load_little_endian64(reinterpret_cast<const unsigned char*>(bytes.data()));
}

TEST(BookWordSet, FilterPassesAWordInAnyCaseAndFewOthers) {
  // Sizes around eight, bytes next to the letters ("@", "[", "`", "{"),
  // and UTF-8, across the growths that make the filter again.
  BookWordSet words;
  std::vector<std::string> held = {"a",
                                   "ab@c",
                                   "[x]`{",
                                   "stra\xc3\x9f"
                                   "e",
                                   "abcdefgh",
                                   "abcdefghi",
                                   "quite-a-long-word-indeed"};
  for (int i = 0; i < 5000; ++i) held.push_back("w" + std::to_string(i));
  for (const std::string& word : held) insert_word(words, word);
  for (const std::string& word : held) {
    std::string upper = word;
    for (char& byte : upper) {
      if (byte >= 'a' && byte <= 'z') byte = static_cast<char>(byte - 0x20);
    }
    EXPECT_TRUE(words.might_hold_any_case(line_head(word + "|x"), word.size())) << word;
    EXPECT_TRUE(words.might_hold_any_case(line_head(upper + "|X"), upper.size())) << upper;
  }
  // Words not held: most are told so, a key longer than every word always.
  int passed = 0;
  for (int i = 0; i < 5000; ++i) {
    const std::string other = "v" + std::to_string(i);
    passed += words.might_hold_any_case(line_head(other), other.size());
  }
  EXPECT_LT(passed, 500);
  EXPECT_FALSE(words.might_hold_any_case(line_head("w1"), 25));
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
