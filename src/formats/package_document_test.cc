#include "formats/package_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lexicull {
namespace {

TEST(PackageDocument, TheSpinesDocumentsInReadingOrder) {
  const std::string package =
      "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>"
      "<item id=\"a\" href=\"Text/a.xhtml#top\" media-type=\"Application/XHTML+XML\"/>"
      "<item id=\"b\" href=\"../b%20c.html\" media-type=\"text/html; charset=utf-8\"/>"
      "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>"
      "<item id=\"c\" href=\"/root.xhtml\" media-type=\" application/xhtml+xml \"/>"
      "</manifest><spine><itemref idref=\"b\"/><itemref idref=\"css\"/><itemref idref=\"a\"/>"
      "<itemref idref=\"missing\"/><itemref idref=\"c\"/><itemref idref=\"b\"/></spine></package>";
  TextBudget budget(1 << 20);
  std::vector<std::string> documents;
  ASSERT_TRUE(parse_package(package, "OEBPS/content.opf", budget, &documents).ok());
  EXPECT_EQ(documents, (std::vector<std::string>{"b c.html", "OEBPS/Text/a.xhtml", "root.xhtml"}));
}

TEST(PackageDocument, EveryFileOfTheBookGetsTheParsersBounds) {
  // An entity that an attribute holds is held whole: the memory cap refuses
  // it. One in text counts against the budget.
  std::string levels = "<!ENTITY p0 \"" + std::string(1024, 'x') + "\">";
  for (int k = 1; k <= 4; ++k) {
    levels += "<!ENTITY p" + std::to_string(k) + " \"";
    for (int i = 0; i < 16; ++i) levels += "&p" + std::to_string(k - 1) + ";";
    levels += "\">";
  }
  const std::string head = "<?xml version=\"1.0\"?><!DOCTYPE package [" + levels + "]><!--" +
                           std::string(1 << 20, 'x') + "-->";
  TextBudget budget(16 << 20);
  std::vector<std::string> documents;
  EXPECT_EQ(parse_package(head + "<package><item id=\"a\" href=\"&p4;\"/></package>", "p.opf",
                          budget, &documents)
                .reason(),
            "markup too large to hold (over 16 MiB) at line 1");
  EXPECT_EQ(
      parse_package(head + "<package>&p4;&p4;</package>", "p.opf", budget, &documents).reason(),
      "its text is larger than 16 MiB");
  std::string package;
  EXPECT_EQ(parse_container("<container", budget, &package).reason(), "unclosed token at line 1");
}

TEST(XmlParser, ReadsTheEncodingADocumentDeclares) {
  const struct {
    std::string declared, bytes, text;
  } cases[] = {
      {"ISO-8859-1", "caf\xE9", "caf\xC3\xA9"},
      {"windows-1252", "\x93q\x94 \x80 x\x81y",
       "\xE2\x80\x9Cq\xE2\x80\x9D \xE2\x82\xAC x\xEF\xBF\xBDy"},
      {"CP1251", "\xEC\xE8\xF0", "\xD0\xBC\xD0\xB8\xD1\x80"},
      {"koi8-r", "\xCD\xC9\xD2", "\xD0\xBC\xD0\xB8\xD1\x80"},
      {"UTF-8", "caf\xC3\xA9", "caf\xC3\xA9"},
  };
  for (const auto& [declared, bytes, expected] : cases) {
    TextBudget budget(1 << 20);
    XmlParser parser(budget);
    std::string text;
    XML_SetUserData(parser.get(), &text);
    XML_SetCharacterDataHandler(parser.get(), [](void* data, const XML_Char* run, int length) {
      static_cast<std::string*>(data)->append(run, static_cast<std::size_t>(length));
    });
    const Status status = parser.parse(
        "<?xml version=\"1.0\" encoding=\"" + declared + "\"?><p>" + bytes + "</p>", true);
    EXPECT_TRUE(status.ok()) << declared << ": " << status.reason();
    EXPECT_EQ(text, expected) << declared;
  }
  TextBudget budget(1 << 20);
  XmlParser parser(budget);
  EXPECT_EQ(parser.parse("<?xml version=\"1.0\" encoding=\"EUC-JP\"?><p/>", true).reason(),
            "unknown encoding \"EUC-JP\" at line 1");
}

TEST(TextBudget, IsTheLeastOr32TimesTheArchive) {
  constexpr std::uint64_t kMiB = 1 << 20;
  EXPECT_EQ(TextBudget::for_archive(0), 256 * kMiB);
  EXPECT_EQ(TextBudget::for_archive(8 * kMiB), 256 * kMiB);
  EXPECT_EQ(TextBudget::for_archive(10 * kMiB), 320 * kMiB);
  EXPECT_EQ(TextBudget::for_archive(std::uint64_t{1} << 62), ~std::uint64_t{0});
  EXPECT_EQ(TextBudget(320 * kMiB + 5).spent_reason(), "its text is larger than 320 MiB");
}

}  // namespace
}  // namespace lexicull
