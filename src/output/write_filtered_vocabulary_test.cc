#include "output/write_filtered_vocabulary.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/test_support.h"

namespace lexicull {
namespace {

TEST(WriteFilteredVocabulary, WritesTranslatedBookWordsInByteOrderOneWritePerLine) {
  BookWordSet words;
  for (const char* word : {"b", "ab", "a", "none", "", "empty", "\xe4"}) insert_word(words, word);
  VocabularyMap vocabulary(words);
  set_translation(vocabulary, "b", "3");
  set_translation(vocabulary, "a", "1");
  set_translation(vocabulary, "ab", "2|two");
  set_translation(vocabulary, "", "nothing");
  set_translation(vocabulary, "empty", "");
  set_translation(vocabulary, "\xe4", "\xe4");
  set_translation(vocabulary, "not in the book", "x");
  MemoryByteSink out;
  ASSERT_TRUE(write_filtered_vocabulary(words, vocabulary, out).ok());
  EXPECT_EQ(out.bytes(), "|nothing\r\na|1\r\nab|2|two\r\nb|3\r\n\xe4|\xe4\r\n");
  EXPECT_EQ(out.write_count(), 5u);
}

TEST(WriteFilteredVocabulary, WritesNothingWithoutMatches) {
  BookWordSet words;
  insert_word(words, "cat");
  VocabularyMap vocabulary(words);
  MemoryByteSink out;
  ASSERT_TRUE(write_filtered_vocabulary(words, vocabulary, out).ok());
  EXPECT_EQ(out.write_count(), 0u);
}

TEST(WriteFilteredVocabulary, StopsAtTheFirstFailedWrite) {
  class FullDisk : public ByteSink {
   public:
    Status write(const unsigned char*, std::size_t) override {
      ++writes;
      return writes == 2 ? Status::failure("No space left on device") : Status();
    }
    int writes = 0;
  } out;
  BookWordSet words;
  for (const char* word : {"a", "b", "c"}) insert_word(words, word);
  VocabularyMap vocabulary(words);
  for (const char* word : {"a", "b", "c"}) set_translation(vocabulary, word, "x");
  const Status status = write_filtered_vocabulary(words, vocabulary, out);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), "No space left on device");
  EXPECT_EQ(out.writes, 2);
}

}  // namespace
}  // namespace lexicull
