#include "output/cards.h"

#include <gtest/gtest.h>

namespace lexicull {
namespace {

TEST(Cards, EachFormatsLinesAsItsReadersTakeThem) {
  // Anki's text import: the file's own header lines say how to read it
  // (tab-separated, HTML, the columns' names, a tag for every note).
  EXPECT_EQ(card_header(OutputFormat::kAnki),
            "#separator:tab\r\n#html:true\r\n#columns:Word\tTranslation\tCount\tContext\r\n"
            "#tags:lexicull\r\n");
  EXPECT_EQ(card_header(OutputFormat::kTsv), "word\ttranslation\tcount\tcontext\r\n");
  EXPECT_EQ(card_header(OutputFormat::kJsonl), "");

  Context context{"He said \"x < y\" & <it>\tnow", 19, 2};
  const Card card{"it", "es\tda\r\n\"<&>\"", 3, &context};
  EXPECT_EQ(card_line(OutputFormat::kTsv, card),
            "it\tes da  \"<&>\"\t3\tHe said \"x < y\" & <it> now\r\n");
  EXPECT_EQ(card_line(OutputFormat::kAnki, card),
            "it\tes da  &quot;&lt;&amp;&gt;&quot;\t3\t"
            "He said &quot;x &lt; y&quot; &amp; &lt;<b>it</b>&gt; now\r\n");
  EXPECT_EQ(card_line(OutputFormat::kJsonl, card),
            "{\"word\":\"it\",\"translation\":\"es\\tda\\r\\n\\\"<&>\\\"\",\"count\":3,"
            "\"context\":\"He said \\\"x < y\\\" & <it>\\tnow\"}\r\n");

  // JSON: raw UTF-8; other control bytes as \u00XX, a backslash escaped,
  // and each byte of a sequence that is no UTF-8 as one U+FFFD.
  Context bytes{std::string("\x01\\ \xC3\xA4 \xC3 \xE2\x82 \xED\xA0\x80", 14), std::string::npos,
                0};
  const Card odd{"w", "t", 0, &bytes};
  EXPECT_EQ(card_line(OutputFormat::kJsonl, odd),
            "{\"word\":\"w\",\"translation\":\"t\",\"count\":0,\"context\":\"\\u0001\\\\ \xC3\xA4 "
            "\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"}\r\n");
  // No sentence: an empty context.
  const Card bare{"w", "t", 1, nullptr};
  EXPECT_EQ(card_line(OutputFormat::kAnki, bare), "w\tt\t1\t\r\n");

  OutputFormat format = OutputFormat::kLines;
  EXPECT_TRUE(parse_output_format("jsonl", &format));
  EXPECT_EQ(format, OutputFormat::kJsonl);
  EXPECT_FALSE(parse_output_format("csv", &format));
}

}  // namespace
}  // namespace lexicull
