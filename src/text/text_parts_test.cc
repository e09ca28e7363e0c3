#include "text/text_parts.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/file_range.h"
#include "testing/test_support.h"
#include "text/text_mode_reader.h"

namespace lexicull {
namespace {

// Keeps the text it is fed; a later part's text is appended, so that the
// whole must equal the text of the file read in order.
class TextKeeper final : public TextPartReader {
 public:
  static constexpr unsigned char kPartSeparator = ' ';

  void feed(PaddedBytes text) override {
    text_.append(reinterpret_cast<const char*>(text.data()), text.size());
  }
  void finish() override { ++finished_; }
  unsigned char part_separator() const override { return kPartSeparator; }
  std::unique_ptr<TextPartReader> make_later_part() const override {
    return std::make_unique<TextKeeper>();
  }
  void take_later_part(TextPartReader& later) override {
    const auto& part = static_cast<TextKeeper&>(later);
    EXPECT_EQ(part.finished_, 1);
    text_ += part.text_;
  }

  const std::string& text() const { return text_; }

 private:
  std::string text_;
  int finished_ = 0;
};

// The text of `raw` as reading it whole in order gives it.
std::string text_of(const std::string& raw) {
  InputFile input = memory_input(raw, InputKind::kInOrder);
  TextKeeper keeper;
  EXPECT_TRUE(read_text(input, keeper, PartOptions{}).ok());
  return keeper.text();
}

std::string words(std::size_t count, std::size_t seed) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += "w" + std::to_string(i * seed % 9973) + " ";
  return text;
}

TEST(CutIntoParts, EvenCutsMovedJustAfterTheirSeparator) {
  for (std::size_t size : {0, 1, 99, 100, 1000, 4099, 50000}) {
    std::string text;
    while (text.size() < size) text += "word" + std::to_string(text.size() % 7) + ' ';
    text.resize(size);
    for (unsigned threads : {1, 2, 3, 5, 8}) {
      for (std::uint64_t min_part_size : {1, 100, 1000}) {
        MemoryFile file(text, 3);
        const PartOptions options{threads, min_part_size};
        const std::vector<TextPart> parts = cut_into_parts(file, ' ', options);
        const std::uint64_t wanted =
            std::max<std::uint64_t>(1, std::min<std::uint64_t>(threads, size / min_part_size));
        const std::string where = "size " + std::to_string(size) + ", " + std::to_string(threads) +
                                  " threads, parts of " + std::to_string(min_part_size);
        ASSERT_FALSE(parts.empty()) << where;
        EXPECT_EQ(parts.front().begin, 0u) << where;
        EXPECT_EQ(parts.back().end, TextPart::kToTheEnd) << where;
        // A space at most seven bytes after every even cut: only a cut that
        // would leave an empty part is given up.
        EXPECT_LE(parts.size(), wanted) << where;
        EXPECT_GE(parts.size() + 1, wanted) << where;
        for (std::size_t k = 1; k < parts.size(); ++k) {
          const std::uint64_t cut = parts[k].begin;
          EXPECT_EQ(parts[k - 1].end, cut) << where;
          EXPECT_EQ(text[cut - 1], ' ') << where;
          const std::uint64_t even = size * k / wanted;
          EXPECT_GE(cut, even + 1) << where;
          EXPECT_LE(cut, even + 8) << where;
          EXPECT_LT(parts[k - 1].begin, cut) << where;
        }
      }
    }
  }
}

TEST(CutIntoParts, NoCutWhereNoSeparatorIsNearOrItsBytesCannotBeRead) {
  const std::string no_space(300000, 'x');
  std::string late_space = no_space;  // a space only after the second even cut
  late_space[250000] = ' ';
  const std::string prose = words(60000, 7);
  const std::uint64_t first_cut = prose.size() / 3;
  const struct {
    const std::string& text;
    std::uint64_t failing_begin, failing_end;
    std::size_t cuts;
  } cases[] = {
      {no_space, 0, 0, 0},
      {late_space, 0, 0, 1},
      {prose, 0, 0, 2},
      {prose, 0, 1, 2},                          // a bad byte away from the cuts
      {prose, first_cut + 2, first_cut + 3, 1},  // the first window cannot be read
      {prose, first_cut, prose.size(), 0},       // nor can anything after it
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& test = cases[i];
    MemoryFile file(test.text);
    file.fail_reads_of(test.failing_begin, test.failing_end);
    const std::vector<TextPart> parts = cut_into_parts(file, ' ', PartOptions{3, 1});
    EXPECT_EQ(parts.size(), test.cuts + 1) << "case " << i;
    for (std::size_t k = 1; k < parts.size(); ++k) {
      EXPECT_EQ(test.text[parts[k].begin - 1], ' ') << "case " << i;
    }
  }
}

TEST(ReadText, PartsGiveTheTextOfTheFileReadInOrder) {
  std::mt19937 random(20261207);
  const std::string bytes = std::string("ab \n\r\xEF\xBB\xBF", 8);
  for (int round = 0; round < 100; ++round) {
    std::string raw(std::uniform_int_distribution<std::size_t>(0, 400)(random), 'a');
    for (char& byte : raw) byte = bytes[random() % bytes.size()];
    if (round % 3 == 0 && !raw.empty()) raw[random() % raw.size()] = '\x1a';
    const std::string expected = text_of(raw);
    for (unsigned threads : {1, 2, 3, 7}) {
      for (std::size_t max_read : {1, 5, 4096}) {
        InputFile input = memory_input(raw, InputKind::kAtOffsets, max_read);
        TextKeeper keeper;
        ASSERT_TRUE(read_text(input, keeper, PartOptions{threads, 1}).ok());
        ASSERT_EQ(keeper.text(), expected)
            << testing::PrintToString(raw) << ", " << threads << " threads, reads of " << max_read;
        // The same text when its first bytes were read in order, a mark
        // among them, and the rest from where they end.
        const std::size_t begin = random() % (raw.size() + 1);
        if (raw.find('\x1a') < begin) continue;
        MemoryFile file(raw, max_read);
        FileRange first_bytes(file, 0, begin);
        TextKeeper resumed;
        TextModeReader first_text(first_bytes);
        for (PaddedBytes text; first_text.next(&text).ok() && !text.empty();) resumed.feed(text);
        ASSERT_TRUE(read_text_from(file, begin, resumed, PartOptions{threads, 1}).ok());
        ASSERT_EQ(resumed.text(), expected) << testing::PrintToString(raw) << " from " << begin;
      }
    }
  }
}

// Like a Windows handle, the file moves its file pointer on every read at an
// offset: a file read whole after its cuts were looked for must still be read
// from its first byte, not from where the last look left the pointer.
TEST(ReadText, AFileThatStaysOnePartIsReadFromItsFirstByte) {
  const std::string raw = "alpha\n" + std::string(300000, 'x');
  MemoryFile file(raw);
  InputFile input(std::unique_ptr<RandomAccessFile>(new MemoryFile(raw)));
  ASSERT_EQ(cut_into_parts(file, ' ', PartOptions{3, 1}).size(), 1u);
  unsigned char first[5];
  std::size_t count = 0;
  ASSERT_TRUE(file.read_from_file_pointer(first, sizeof first, &count).ok());
  EXPECT_NE(std::string(reinterpret_cast<char*>(first), count), "alpha");

  TextKeeper keeper;
  ASSERT_TRUE(read_text(input, keeper, PartOptions{3, 1}).ok());
  EXPECT_EQ(keeper.text(), raw);
}

TEST(ReadText, NothingAfterTheFirstCtrlZIsReadOrCounts) {
  const std::string body = words(200000, 13);  // about 1.3 MB, three parts of any size
  const std::size_t size = body.size();
  for (std::size_t ctrl_z : {std::size_t{12}, size / 3 + 100, size / 2, size - 10}) {
    std::string raw = body;
    raw[ctrl_z] = '\x1a';
    for (unsigned threads : {1, 2, 3}) {
      auto* file = new MemoryFile(raw);
      // A failing disk well after the Ctrl-Z is of no concern: the text has
      // ended before it, however many threads read it.
      const std::uint64_t failing_from = ctrl_z + 3 * TextModeReader::kDefaultBlockSize;
      if (failing_from < size) file->fail_reads_of(failing_from, size);
      InputFile input{std::unique_ptr<RandomAccessFile>(file)};
      TextKeeper keeper;
      const Status status = read_text(input, keeper, PartOptions{threads, 1});
      const std::string where =
          "Ctrl-Z at " + std::to_string(ctrl_z) + ", " + std::to_string(threads) + " threads";
      ASSERT_TRUE(status.ok()) << where << ": " << status.reason();
      EXPECT_EQ(keeper.text(), raw.substr(0, ctrl_z)) << where;
      if (ctrl_z < TextModeReader::kDefaultBlockSize) {
        // Met in the first block, before any other part starts: past that
        // block only the windows where cuts were looked for were read.
        EXPECT_LE(file->bytes_read_from(TextModeReader::kDefaultBlockSize),
                  (threads - 1) * std::uint64_t{64 * 1024})
            << where;
      }
    }
  }
}

}  // namespace
}  // namespace lexicull
