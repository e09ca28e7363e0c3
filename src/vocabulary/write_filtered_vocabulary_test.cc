#include "vocabulary/write_filtered_vocabulary.h"

#include <gtest/gtest.h>

#include <string>

namespace lexicull {
namespace {

TEST(WriteFilteredVocabulary, WritesTranslatedBookWordsInByteOrderOneWritePerLine) {
  BookWordSet words;
  for (const char* word : {"b", "ab", "a", "none", "", "empty", "\xe4"}) words.add(word);
  VocabularyMap vocabulary(words);
  vocabulary.set("b", "3");
  vocabulary.set("a", "1");
  vocabulary.set("ab", "2|two");
  vocabulary.set("", "nothing");
  vocabulary.set("empty", "");
  vocabulary.set("\xe4", "\xe4");
  vocabulary.set("not in the book", "x");
  MemoryByteSink out;
  ASSERT_TRUE(write_filtered_vocabulary(words, vocabulary, out).ok());
  EXPECT_EQ(out.bytes(), "|nothing\r\na|1\r\nab|2|two\r\nb|3\r\n\xe4|\xe4\r\n");
  EXPECT_EQ(out.write_count(), 5u);
}

TEST(WriteFilteredVocabulary, WritesNothingWithoutMatches) {
  BookWordSet words;
  words.add("cat");
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
  for (const char* word : {"a", "b", "c"}) words.add(word);
  VocabularyMap vocabulary(words);
  for (const char* word : {"a", "b", "c"}) vocabulary.set(word, "x");
  const Status status = write_filtered_vocabulary(words, vocabulary, out);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), "No space left on device");
  EXPECT_EQ(out.writes, 2);
}

}  // namespace
}  // namespace lexicull
