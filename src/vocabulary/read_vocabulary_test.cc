#include "vocabulary/read_vocabulary.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace lexicull {
namespace {

struct VocabularyCase {
  std::vector<std::string> book_words;
  std::string vocabulary;
  std::map<std::string, std::string> translations;  // of the book words that have one
};

std::map<std::string, std::string> read(
    const VocabularyCase& test, std::size_t max_read, Reading reading,
    VocabularyMap::Senses senses = VocabularyMap::Senses::kLast) {
  BookWordSet words;
  for (const auto& word : test.book_words) insert_word(words, word);
  VocabularyMap map(words, senses);
  InputFile input = memory_input(test.vocabulary, reading.kind, max_read);
  EXPECT_TRUE(read_vocabulary(input, map, reading.options()).ok());
  std::map<std::string, std::string> result;
  for (const auto& word : test.book_words) {
    if (!translation_of(map, word).empty()) result[word] = std::string(translation_of(map, word));
  }
  return result;
}

// Each case by one thread and by several, in reads of several sizes.
void expect_translations(const std::vector<VocabularyCase>& cases) {
  for (const auto& test : cases) {
    for (const Reading& reading : kReadings) {
      for (std::size_t max_read : {1, 2, 7, 4096}) {
        EXPECT_EQ(read(test, max_read, reading), test.translations)
            << "vocabulary " << testing::PrintToString(test.vocabulary) << ", reads of " << max_read
            << ", " << describe(reading);
      }
    }
  }
}

TEST(ReadVocabulary, SplitsLowerCasedLinesAtTheFirstSeparator) {
  expect_translations({
      {{"apple"}, "Apple|Pomme", {{"apple", "pomme"}}},
      {{"apple"}, "apple|pomme|fruit\n", {{"apple", "pomme|fruit"}}},
      {{"apple"}, "APPLE\n", {{"apple", "apple"}}},
      {{"apple", "apple "}, "apple | pomme\n", {{"apple ", " pomme"}}},
      {{""}, "|pomme\n", {{"", "pomme"}}},
      {{""}, "\n", {}},
      {{"\xc4rger"}, "\xc4RGER|\xc4RGER\n\xe4rger|no\n", {{"\xc4rger", "\xc4rger"}}},
      {{"a\tb"}, "A\tB|C\tD", {{"a\tb", "c\td"}}},
      {{std::string("n\0l", 3)},
       std::string("N\0L|V\0W\n", 8),
       {{std::string("n\0l", 3), std::string("v\0w", 3)}}},
      {{"apple"}, "", {}},
  });
}

// With every sense kept, a key's translations are joined in file order, also
// across parts, lower-cased before repeats are told, empty ones dropped.
TEST(ReadVocabulary, EverySenseJoinedInFileOrderWhenAsked) {
  std::string many_senses, many_senses_joined;
  for (int i = 0; i < 300; ++i) {
    many_senses += "w|sense " + std::to_string(i) + "\n";
    many_senses_joined += (i == 0 ? "" : "; ") + ("sense " + std::to_string(i));
  }
  const VocabularyCase cases[] = {
      {{"cat", "dog"},
       "Cat|Katze\ncat|Kater\ncat|\ndog|Hund\ncat|KATZE\ncat\ncat|a; b\ncat|a\n",
       {{"cat", "katze; kater; cat; a; b; a"}, {"dog", "hund"}}},
      {{"x"}, "x|\nx|\n", {}},
      // Senses enough to move the translation many times, each repeat still
      // told from the senses before it.
      {{"w"}, many_senses + many_senses, {{"w", many_senses_joined}}},
  };
  for (const VocabularyCase& test : cases) {
    for (const Reading& reading : kReadings) {
      for (std::size_t max_read : {1, 7, 4096}) {
        EXPECT_EQ(read(test, max_read, reading, VocabularyMap::Senses::kAll), test.translations)
            << testing::PrintToString(test.vocabulary) << ", reads of " << max_read << ", "
            << describe(reading);
      }
    }
  }
}

TEST(ReadVocabulary, TheLastLineForAKeyWinsEvenWhenEmpty) {
  expect_translations({
      {{"apple"}, "apple|a\napple|b\n", {{"apple", "b"}}},
      {{"apple"}, "apple|pomme\napple|\n", {}},
      {{"apple"}, "apple|\napple|pomme", {{"apple", "pomme"}}},
      // Written over where it fits, moved where it grows.
      {{"apple"}, "apple|a long translation\napple|x\n", {{"apple", "x"}}},
      {{"apple"},
       "apple|x\napple|a longer one\napple|mid\napple|grown past both\n",
       {{"apple", "grown past both"}}},
      {{"apple", "pear"}, "pear|p\r\nAPPLE|x\nother|o\napple|y", {{"apple", "y"}, {"pear", "p"}}},
      // Read in parts, the same key in several: the later line still wins,
      // and a Ctrl-Z in a later part still ends the file.
      {{"k", "m"}, "k|first\nm|one\nx|1\nx|2\nx|3\nk|second\nm|\n", {{"k", "second"}}},
      {{"k"}, "k|1\nx|x\nx|x\nx|x\nk|2\x1a\nk|3\n", {{"k", "2"}}},
  });
}

TEST(ReadVocabulary, LinesOfAnyLengthAreReadWhole) {
  const std::string long_translation(9000, 't');
  const std::string long_key(120, 'k');
  const std::string junk(20000, 'j');
  // Lines of about the 64 bytes whose line feeds and separators are found
  // at once, with and without a separator, each other line a book word's.
  std::string around_64;
  for (std::size_t size = 60; size <= 68; ++size) {
    around_64 += std::string(size, 'j') + "\n" + std::string(size - 2, 'j') + "|x\n";
    around_64 += "dog\ncat|" + std::string(size - 4, 'c') + "\n";
  }
  expect_translations({
      {{"cat", "dog"}, around_64, {{"cat", std::string(64, 'c')}, {"dog", "dog"}}},
      {{"cat", "zebra"},
       "cat|" + long_translation + "\nzebra|z\n",
       {{"cat", long_translation}, {"zebra", "z"}}},
      {{long_key}, long_key + "|long\n", {{long_key, "long"}}},
      {{long_key}, long_key + "\n", {{long_key, long_key}}},
      // Lines whose key is no book word are passed over, however long.
      {{"cat"},
       junk + "\ncat|c\n" + junk + "|" + junk + "\ncat|d" + junk.substr(0, 3),
       {{"cat", "djjj"}}},
      {{"cat"}, "cat|" + junk + "\n", {{"cat", junk}}},
      // A long line ruled out by its short key is passed over to its end,
      // also when reads of 4096 bytes cut it just before "cat|x".
      {{"cat"}, "dog|" + std::string(4092, 'j') + "cat|x\n", {}},
      {{"ca"}, "cat|x\nca", {{"ca", "ca"}}},
  });
}

TEST(ReadVocabulary, KeysOfALargeBookAreLookedUpAheadAndTakenInFileOrder) {
  // A book of this many words is out of cache: its keys wait in a queue.
  VocabularyCase test;
  for (int i = 0; i < 20000; ++i) test.book_words.push_back("w" + std::to_string(i));
  const std::string long_key = "a-key-of-more-than-sixteen-bytes";
  const std::string held_key = "sixteen-bytes-ab";
  test.book_words.push_back(long_key);
  test.book_words.push_back(held_key);
  for (int i = 0; i < 40; ++i) {
    test.vocabulary += "W" + std::to_string(i) + "|First\n";
    test.translations["w" + std::to_string(i)] = "first";
  }
  test.vocabulary +=
      "w1|second\n" + long_key + "|L1\nw2|\nSIXTEEN-bytes-ab\nw|x\n" + long_key + "|L2\nw3|third";
  test.translations["w1"] = "second";
  test.translations.erase("w2");
  test.translations["w3"] = "third";
  test.translations[long_key] = "l2";
  test.translations[held_key] = held_key;
  expect_translations({test});
}

}  // namespace
}  // namespace lexicull
