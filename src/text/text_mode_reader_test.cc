#include "text/text_mode_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "testing/test_support.h"

namespace lexicull {
namespace {

// Collects everything the reader delivers.
struct Collector {
  std::string text;
  int finished = 0;
  void feed(PaddedBytes bytes) {
    ASSERT_GT(bytes.size(), 0u);
    text.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  void finish() { ++finished; }
};

std::string read_as_text(std::string_view raw, std::size_t max_read) {
  MemoryByteSource source(raw, max_read);
  Collector collector;
  EXPECT_TRUE(feed_text(source, collector).ok());
  EXPECT_EQ(collector.finished, 1);
  return collector.text;
}

TEST(TextModeReader, DropsCarriageReturnsStopsAtCtrlZAndSkipsALeadingByteOrderMark) {
  const struct {
    std::string raw;
    std::string text;
  } cases[] = {
      {"", ""},
      {"plain\n", "plain\n"},
      {"crlf\r\nline\r\n", "crlf\nline\n"},
      {"\r\r\r", ""},
      {"mid\rdle\r", "middle"},
      {"before\x1a"
       "after\r\n",
       "before"},
      {"\x1a", ""},
      {"a\rb\x1a\rc\x1a", "ab"},
      {"\xEF\xBB\xBFtext", "text"},
      {"\xEF\xBB\xBF", ""},
      {"\xEF\xBB\xBF\xEF\xBB\xBFx", "\xEF\xBB\xBFx"},  // only the first one is a mark
      {"\xEF\xBB", "\xEF\xBB"},                        // a partial mark is text
      {"x\xEF\xBB\xBF", "x\xEF\xBB\xBF"},
      {std::string("nul\0byte\xff", 9), std::string("nul\0byte\xff", 9)},
  };
  for (const auto& test : cases) {
    for (std::size_t max_read : {1, 2, 3, 7, 4096}) {
      EXPECT_EQ(read_as_text(test.raw, max_read), test.text)
          << "raw " << testing::PrintToString(test.raw) << ", reads of " << max_read;
    }
  }
}

TEST(TextModeReader, WorksWithBlocksSmallerThanTheInput) {
  std::string raw;
  for (int i = 0; i < 5000; ++i) raw += "line " + std::to_string(i) + "\r\n";
  std::string expected = raw;
  expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
  MemoryByteSource source(raw);
  TextModeReader reader(source, 64);
  std::string text;
  for (;;) {
    PaddedBytes block;
    ASSERT_TRUE(reader.next(&block).ok());
    if (block.empty()) break;
    EXPECT_LE(block.size(), 64u);
    text.append(reinterpret_cast<const char*>(block.data()), block.size());
  }
  EXPECT_EQ(text, expected);
}

// A source that delivers some bytes and then fails.
class FailingSource : public ByteSource {
 public:
  explicit FailingSource(std::string data) : data_(std::move(data)) {}
  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    if (delivered_) return Status::failure("Input/output error");
    delivered_ = true;
    *count = std::min(capacity, data_.size());
    std::memcpy(buffer, data_.data(), *count);
    return Status();
  }

 private:
  std::string data_;
  bool delivered_ = false;
};

TEST(TextModeReader, ReportsAReadErrorAfterTheTextBeforeIt) {
  FailingSource source("first part\r\n");
  Collector collector;
  const Status status = feed_text(source, collector);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), "Input/output error");
  EXPECT_EQ(collector.text, "first part\n");
  EXPECT_EQ(collector.finished, 0);
}

}  // namespace
}  // namespace lexicull
