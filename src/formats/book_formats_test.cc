#include "formats/book_formats.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "formats/subtitles.h"
#include "testing/test_support.h"

namespace lexicull {
namespace {

TEST(BookFormats, TheFirstBytesTellTheFormat) {
  const struct {
    std::string start;
    BookFormat format;
  } cases[] = {
      {"WEBVTT\n\n00:01.000 --> 00:04.000\nHi\n", BookFormat::kVtt},
      {"\xEF\xBB\xBFWEBVTT - a title\n", BookFormat::kVtt},
      {"1\r\n00:00:01,000 --> 00:00:04,074\r\nHi\r\n", BookFormat::kSrt},
      {"\n\n  \n12\n0:0:1.5-->0:0:2.25\n", BookFormat::kSrt},
      {"1\nnot a timing\n", BookFormat::kText},
      {"1 2\n00:00:01,000 --> 00:00:04,074\n", BookFormat::kText},
      {"Chapter 1\n00:00:01,000 --> 00:00:04,074\n", BookFormat::kText},
      {"<!DOCTYPE html><p>x", BookFormat::kHtml},
      {"\xEF\xBB\xBF\n <?xml version=\"1.0\"?>\n<!doctype HTML>", BookFormat::kHtml},
      {"<HTML lang=en>", BookFormat::kHtml},
      {"<htmlx>", BookFormat::kHtml},
      {"<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<FictionBook xmlns=\"x\">",
       BookFormat::kFb2},
      {"<?xml version=\"1.0\"?><!-- a <comment> --><FictionBook>", BookFormat::kFb2},
      {"<?xml version=\"1.0\"?><!DOCTYPE FictionBook [<!ENTITY e \"x\">]>\n<FictionBook>",
       BookFormat::kFb2},
      {"<!DOCTYPE FictionBook [<!ENTITY e \"x\">", BookFormat::kText},
      {"<FictionBooks>", BookFormat::kText},
      {"<p>a fragment</p>", BookFormat::kText},
      {"<?xml version=\"1.0\"", BookFormat::kText},
      {"In the beginning", BookFormat::kText},
      {"", BookFormat::kText},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(detect_text_format(test.start), test.format) << test.start;
  }
  BookFormat format = BookFormat::kAuto;
  EXPECT_TRUE(parse_book_format("fb2", &format));
  EXPECT_EQ(format, BookFormat::kFb2);
  EXPECT_FALSE(parse_book_format("pdf", &format));
  EXPECT_FALSE(parse_book_format("HTML", &format));
}

TEST(SubtitleText, TheCuesTextLinesWithoutTagsOrTimings) {
  const struct {
    std::string subtitles, text;
  } cases[] = {
      {"1\r\n00:00:01,000 --> 00:00:04,074\r\n<i>Where are</i> you\r\ngoing?\r\n\r\n"
       "2\r\n00:00:05,000 --> 00:00:06,000\r\n{\\an8}<font color=\"#fff\">Home</font> &amp; "
       "away&nbsp;now &lt;3&gt;\r\n",
       "Where are you\ngoing?\nHome & away now <3>\n"},
      {"\xEF\xBB\xBFWEBVTT\nKind: captions\n\nNOTE a note\nthat goes on\n\nSTYLE\n::cue { color: "
       "red }"
       "\n\nREGION\nid:fred\n\nintro\n00:01.000 --> 00:04.000 position:10% align:start\n"
       "<v Roger Bingham><c.loud>We</c> are<00:02.500> in</v>\n\n00:05.000 --> 00:06.000\nNew"
       "\n\n\n",
       "We are in\nNew\n"},
      // A cue that is not closed by a blank line before the next timing.
      {"1\n00:00:01,000 --> 00:00:02,000\none\n00:00:03,000 --> 00:00:04,000\ntwo", "one\ntwo\n"},
      // Tags cut by a line end end with it; an unknown entity stays.
      {"1\n00:00:01,000 --> 00:00:02,000\na <b\nc &copy; {\\x\nd\n", "a \nc &copy; \nd\n"},
      {"\xEF\xBB", ""},
      {"", ""},
  };
  for (const auto& test : cases) {
    for (const std::size_t piece : {test.subtitles.size(), std::size_t{1}, std::size_t{7}}) {
      TextCapture capture;
      SubtitleText text(capture);
      for (std::size_t at = 0; at < test.subtitles.size(); at += std::max<std::size_t>(piece, 1)) {
        text.add(std::string_view(test.subtitles).substr(at, piece));
      }
      text.finish();
      EXPECT_EQ(capture.text(), test.text) << test.subtitles << " in pieces of " << piece;
      EXPECT_EQ(capture.finished(), 1);
    }
  }
}

TEST(SubtitleText, ALineLongerThanItHoldsGoesOnInParts) {
  TextCapture capture;
  SubtitleText text(capture);
  const std::string words(SubtitleText::kLongestLine * 3, 'w');
  text.add("1\n00:00:01,000 --> 00:00:02,000\n");
  for (std::size_t at = 0; at < words.size(); at += 1000) text.add(words.substr(at, 1000));
  text.add("\nnext\n");
  text.finish();
  EXPECT_EQ(capture.text(), words + "\nnext\n");
}

}  // namespace
}  // namespace lexicull
