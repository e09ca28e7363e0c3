#include "formats/xhtml_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "formats/html_text.h"
#include "testing/test_support.h"

namespace lexicull {
namespace {

std::string document(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" "
         "\"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Title</title>"
         "<style>p { margin: 0 }</style></head><body>" +
         body + "</body></html>";
}

// The text that `Parser` makes of `bytes`, given whole and in pieces of
// one and five bytes (the same each time), or the first failure.
template <typename Parser>
std::string text_of(const std::string& bytes) {
  std::string first;
  for (const std::size_t piece : {bytes.size(), std::size_t{1}, std::size_t{5}}) {
    TextCapture capture;
    PlainTextLines lines(capture);
    {
      TextBudget budget(TextBudget::for_archive(0));
      Parser text(lines, budget);
      for (std::size_t at = 0; at < bytes.size(); at += std::max<std::size_t>(piece, 1)) {
        const Status status = text.parse(std::string_view(bytes).substr(at, piece), false);
        if (!status.ok()) return "failed: " + status.reason();
      }
      const Status status = text.parse("", true);
      if (!status.ok()) return "failed: " + status.reason();
    }
    lines.flush();
    if (piece == bytes.size()) {
      first = capture.text();
    } else if (capture.text() != first) {
      return "in pieces of " + std::to_string(piece) + ": " + capture.text();
    }
  }
  return first;
}

TEST(XhtmlText, TheBodysTextAsItsPlainTextEditionHasItByEitherParser) {
  const struct {
    std::string body, text;
  } cases[] = {
      {"<p>One  hot\n\tsummer</p><p> day </p>", "One hot summer\nday\n"},
      {"<h1>The <i>Fox</i></h1>text<div>in a <b>div</b></div>after",
       "The Fox\ntext\nin a div\nafter\n"},
      {"<p>a<br/>b</p><p></p><p>  </p>", "a\nb\n"},
      {"<p>&#8216;It&#8217;s&#x2019;&lsquo;&rsquo;&sbquo;</p>", "'It's''''\n"},
      {"<p>&ldquo;x&rdquo; &laquo;y&raquo; &#8222;z&#8220; &lsaquo;w&rsaquo;</p>",
       "\"x\" \"y\" \"z\" \"w\"\n"},
      {"<p>wait&hellip; now&mdash;then&ndash;so</p>", "wait... now--then-so\n"},
      {"<p>no&nbsp;break&#8201;thin&#8239;narrow&#x200A;hair</p>", "no break thin narrow hair\n"},
      {"<p>soft&shy;hyphen and co&#173;op</p>", "softhyphen and coop\n"},
      {"<p>&amp;&lt;&gt;&quot;&apos; caf&eacute; &Auml;pfel</p>",
       "&<>\"' caf\xC3\xA9 \xC3\x84pfel\n"},
      {"<p><ruby>\xE6\xBC\xA2<rp>(</rp><rt>kan</rt><rp>)</rp></ruby>ji</p>", "\xE6\xBC\xA2ji\n"},
      {"<p>a<script>var b = 1;</script>c<style>d</style></p>", "ac\n"},
      {"<table><tr><td>cell</td><td>other</td></tr></table><ul><li>one</li><li>two</li></ul>",
       "cell\nother\none\ntwo\n"},
      {"<p>last</p>words", "last\nwords\n"},
      {"", ""},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(text_of<XhtmlText>(document(test.body)), test.text) << test.body;
    EXPECT_EQ(text_of<HtmlText>(document(test.body)), test.text) << "as HTML: " << test.body;
  }
  EXPECT_EQ(text_of<XhtmlText>(document("<p>an &unknownentity; x</p>")), "an x\n");
}

TEST(HtmlText, ReadsWhatIsNoXmlAsABrowserDoes) {
  const struct {
    std::string html, text;
  } cases[] = {
      // Unclosed and misnested elements, unquoted attributes, void tags.
      {"<html><body><p class=x>one<p>two<br>three<b><i>four</b></i>", "one\ntwo\nthreefour\n"},
      // No <html> or <body>: the body is implied.
      {"<title>T</title>Just text & more < less", "Just text & more < less\n"},
      // A stray address in angle brackets, as in a real manual.
      {"<body><p>Write to <debian-live@lists.debian.org> now</p></body>", "Write to now\n"},
      // An entity without its ';' stays as it is.
      {"<body><p>caf&eacute; &copy &amp;amp; &#x41;</p></body>", "caf\xC3\xA9 &copy &amp; A\n"},
      // Encodings: declared by <meta>, http-equiv, an XML declaration, a byte
      // order mark; bytes that are no UTF-8 become U+FFFD.
      {"<meta charset=windows-1251><body>\xCC\xE8\xF0</body>", "\xD0\x9C\xD0\xB8\xD1\x80\n"},
      {"<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-15\">"
       "</head><body>\xA4 \xE9</body>",
       "\xE2\x82\xAC \xC3\xA9\n"},
      {"<?xml version='1.0' encoding='windows-1252'?><body>\x93q\x94 \x81</body>",
       "\"q\" \xEF\xBF\xBD\n"},
      {std::string("\xFF\xFE<\0b\0>\0\xE9\0=\xD8\x00\xDE<\0/\0b\0>\0", 20),
       "\xC3\xA9\xF0\x9F\x98\x80\n"},
      {"<body>ok \xC3 \xE2\x82 \xF5 \xED\xA0\x80 end</body>",
       "ok \xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD end\n"},
      {std::string("<body>a\0b</body>", 16), "a b\n"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(text_of<HtmlText>(test.html), test.text) << test.html;
  }
}

// The text rules a character at a time, whole lines at once.
std::string plain_text_model(const std::vector<std::string>& lines) {
  static const std::pair<std::string, std::string> kForms[] = {
      {"\t", " "},           {"\r", " "},           {"\n", " "},
      {"\xC2\xA0", " "},     {"\xE2\x80\x89", " "}, {"\xC2\xAD", ""},
      {"\xE2\x80\x99", "'"}, {"\xC2\xBB", "\""},    {"\xE2\x80\xA6", "..."},
      {"\xE2\x80\x94", "--"}};
  std::string text;
  for (const std::string& line : lines) {
    std::string mapped;
    for (std::size_t at = 0; at < line.size();) {
      std::size_t length = 1;
      while (at + length < line.size() && (line[at + length] & 0xC0) == 0x80) ++length;
      std::string character = line.substr(at, length);
      for (const auto& [from, to] : kForms) {
        if (character == from) character = to;
      }
      if (character != " " || (!mapped.empty() && mapped.back() != ' ')) mapped += character;
      at += length;
    }
    if (!mapped.empty() && mapped.back() == ' ') mapped.pop_back();
    if (!mapped.empty()) text += mapped + "\n";
  }
  return text;
}

TEST(PlainTextLines, MatchesTheRulesTakenACharacterAtATime) {
  // Runs of eight plain bytes, which go eight at a time, among the bytes
  // and characters that do not.
  const std::string kPieces[] = {"a",
                                 "Bc",
                                 "prose in",
                                 " ",
                                 "  ",
                                 "\t",
                                 "\n",
                                 "\r",
                                 "\xC2\xA0",
                                 "\xC2\xAD",
                                 "\xC3\xA9",
                                 "\xE2\x80\x99",
                                 "\xE2\x80\xA6",
                                 "\xE2\x80\x94",
                                 "\xE2\x80\x89",
                                 "\xC2\xBB",
                                 "\x7F"};
  std::mt19937 random(27);
  for (int round = 0; round < 300; ++round) {
    TextCapture capture;
    PlainTextLines lines(capture);
    std::vector<std::string> model_lines(1);
    for (int call = 0; call < 20; ++call) {
      if (random() % 4 == 0) {
        lines.end_line();
        model_lines.emplace_back();
        continue;
      }
      // Every tenth round has lines longer than a block, handed on in parts.
      std::string text;
      for (unsigned count = random() % (round % 10 == 0 ? 30000 : 24); count > 0; --count) {
        text += kPieces[random() % (sizeof kPieces / sizeof kPieces[0])];
      }
      lines.add(text);
      model_lines.back() += text;
    }
    lines.flush();
    ASSERT_EQ(capture.text(), plain_text_model(model_lines)) << "round " << round;
  }
}

TEST(XhtmlText, MalformedXmlIsAFailureThatSaysWhere) {
  TextCapture capture;
  PlainTextLines lines(capture);
  TextBudget budget(TextBudget::for_archive(0));
  XhtmlText text(lines, budget);
  const Status status = text.parse(document("<p>open<b></p>"), true);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.reason().find("mismatched tag at line 3"), std::string::npos) << status.reason();
}

}  // namespace
}  // namespace lexicull
