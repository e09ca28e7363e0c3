#include "book/collect_book_words.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace lexicull {
namespace {

std::set<std::string> words_of(const BookWordSet& words) {
  std::set<std::string> result;
  for (BookWordSet::WordId id = 0; id < words.size(); ++id) result.emplace(words.word(id));
  return result;
}

std::set<std::string> collect(std::string_view book, std::size_t max_read, Reading reading) {
  InputFile input = memory_input(book, reading.kind, max_read);
  BookWordSet words;
  EXPECT_TRUE(collect_book_words(input, words, reading.options()).ok());
  return words_of(words);
}

struct BookCase {
  std::string book;
  std::set<std::string> words;
};

// Every case is read whole and cut into reads of several sizes, by one
// thread and by several: a word or a chunk that spans reads must come out
// the same, and so must the words of a book read in parts.
void expect_words(const std::vector<BookCase>& cases) {
  for (const auto& test : cases) {
    for (const Reading& reading : kReadings) {
      for (std::size_t max_read : {1, 2, 7, 4096}) {
        EXPECT_EQ(collect(test.book, max_read, reading), test.words)
            << "book " << testing::PrintToString(test.book) << ", reads of " << max_read << ", "
            << describe(reading);
      }
    }
  }
}

TEST(CollectBookWords, ChunksAtSpaces) {
  expect_words({
      {"", {}},
      {"Hello, World!", {"hello", "world"}},
      {"a  b", {"a", "", "b"}},
      {"a     b", {"a", "", "b"}},
      {"end ", {"end"}},
      {"end  ", {"end", ""}},
      {" ", {""}},
      {"The THE the tHe", {"the"}},
      {"a\tb", {"a\tb"}},
      // Read in parts: a Ctrl-Z in a later part ends the book there, and a
      // byte-order mark counts only at the very start.
      {"a b c d e f g h i j\x1ak l m n o p", {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}},
      {"\xEF\xBB\xBF"
       "a b c d \xEF\xBB\xBF"
       "e",
       {"a", "b", "c", "d",
        "\xEF\xBB\xBF"
        "e"}},
  });
}

TEST(CollectBookWords, RemovesPunctuationKeepsEveryOtherByte) {
  expect_words({
      {"e.g. and/or 3.14 (see yes?! semi;colon: \"quoted\"",
       {"eg", "andor", "314", "see", "yes", "semicolon", "quoted"}},
      {"don't well-known [note] x-ray's {brace}",
       {"don't", "well-known", "[note]", "x-ray's", "{brace}"}},
      {"... --", {"", "--"}},
      {"\xC4RGER caf\xC9", {"\xC4rger", "caf\xC9"}},
      {std::string("ma\0ize \x01\x7f", 9), {std::string("ma\0ize", 6), "\x01\x7f"}},
  });
}

TEST(CollectBookWords, EveryLineFeedEndsAWordUnlessAHyphenJoinsTheLines) {
  expect_words({
      {"Hello, World!\n", {"hello", "world", ""}},
      {"end\nnext", {"end", "next"}},
      {"end.\n\nNext", {"end", "", "next"}},
      {"one\ntwo\nthree", {"one", "two", "three"}},
      {"exam-\nple", {"example"}},
      {"exam-.\nple", {"example"}},
      {"ex-\nam\nple", {"exam", "ple"}},
      {"a-\nb-\nc", {"abc"}},
      {"co-op-\nerate", {"co-op-", "erate"}},
      {"well-\n next", {"well", "next"}},
      {"word \nnext", {"word", "", "next"}},
      {"-\nx", {"x"}},
      {"\n", {""}},
      {"trailing-", {"trailing-"}},
      {"x-\n", {"x"}},
      // Read in parts, the cut comes after the join, not inside it.
      {"x exam-\nple y z", {"x", "example", "y", "z"}},
  });
}

TEST(CollectBookWords, ChunksOfAnyLengthAreReadWhole) {
  const std::string long_word(150, 'w');
  const std::string huge_word(300000, 'h');
  // Words of a MiB or more go to the set with the reader's buffer: a second
  // one, and one already there, must not lose the first.
  const std::string taken_word((1 << 20) + 9, 't');
  const std::string other_taken_word(1 << 20, 'u');
  std::string lines;
  for (int i = 0; i < 50; ++i) lines += "Line" + std::to_string(i % 5) + "\n";
  expect_words({
      {std::string(99, 'x') + " y", {std::string(99, 'x'), "y"}},
      {"a " + long_word + " b", {"a", long_word, "b"}},
      {huge_word + " after", {huge_word, "after"}},
      {taken_word + " x " + other_taken_word + "\n" + taken_word + " " + huge_word,
       {taken_word, "x", other_taken_word, huge_word}},
      {lines + "last", {"line0", "line1", "line2", "line3", "line4", "last"}},
  });
}

// Past some tens of thousands of words the set takes them in batches: the
// words must be the same, however long they are.
TEST(CollectBookWords, ABookOfManyDistinctWordsGivesEachOnce) {
  std::string book;
  std::set<std::string> expected;
  for (int i = 0; i < 40000; ++i) {
    const std::string word =
        std::string(1 + i % 5 * (i % 7 == 0 ? 20 : 3), 'w') + std::to_string(i);
    expected.insert(word);
    book += word + (i % 3 ? " " : ".\n") + word + " ";
  }
  for (const Reading& reading : {kReadings[0], kReadings[3]}) {
    for (std::size_t max_read : {7, 4096}) {
      EXPECT_EQ(collect(book, max_read, reading), expected)
          << "reads of " << max_read << ", " << describe(reading);
    }
  }
}

TEST(CollectBookWords, KeepsTheWordsBeforeAReadError) {
  class BrokenPipe : public ByteSource {
   public:
    Status read(unsigned char* buffer, std::size_t, std::size_t* count) override {
      if (calls_++ > 0) return Status::failure("Input/output error");
      std::memcpy(buffer, "first second", 12);
      *count = 12;
      return Status();
    }

   private:
    int calls_ = 0;
  };
  InputFile book(std::unique_ptr<ByteSource>(new BrokenPipe));
  BookWordSet words;
  const Status status = collect_book_words(book, words, PartOptions{});
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(words_of(words), (std::set<std::string>{"first"}));
}

}  // namespace
}  // namespace lexicull
