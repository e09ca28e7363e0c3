#include "stem/word_forms.h"

#include <gtest/gtest.h>

namespace lexicull {
namespace {

TEST(WordForms, WordsMeetTheDictionaryInItsOwnEncoding) {
  using E = DictionaryEncoding;
  const struct {
    std::string utf8;
    E encoding;
    bool valid;
    std::string in_dictionary;
  } cases[] = {
      {"house", E::kOther, true, "house"},
      {"m\xC3\xA4"
       "dchen",
       E::kLatin1, true,
       "m\xE4"
       "dchen"},
      {"m\xC3\xA4"
       "dchen",
       E::kUtf8, true,
       "m\xC3\xA4"
       "dchen"},
      {"m\xC3\xA4"
       "dchen",
       E::kOther, false, ""},
      {"\xE2\x82\xAC", E::kLatin9, true, "\xA4"},  // the euro sign
      {"\xC2\xA4", E::kLatin9, false, ""},         // whose place the euro took
      {"\xE2\x82\xAC", E::kLatin1, false, ""},
      {"\xC3\x28", E::kUtf8, false, ""},      // a cut sequence
      {"\xC0\xAF", E::kLatin1, false, ""},    // an overlong one
      {"\xED\xA0\x80", E::kUtf8, false, ""},  // a surrogate
      {std::string("a\0b", 3), E::kUtf8, false, ""},
  };
  for (const auto& test : cases) {
    std::string converted;
    EXPECT_EQ(to_dictionary_encoding(test.utf8, test.encoding, &converted), test.valid)
        << testing::PrintToString(test.utf8);
    if (!test.valid) continue;
    EXPECT_EQ(converted, test.in_dictionary);
    std::string back;
    EXPECT_TRUE(from_dictionary_encoding(converted, test.encoding, &back));
    EXPECT_EQ(back, test.utf8);
  }
  std::string back;
  EXPECT_FALSE(from_dictionary_encoding("\xE4", E::kUtf8, &back));
  EXPECT_FALSE(from_dictionary_encoding("\xE4", E::kOther, &back));
  EXPECT_EQ(encoding_named("utf-8"), E::kUtf8);
  EXPECT_EQ(encoding_named("ISO8859-1"), E::kLatin1);
  EXPECT_EQ(encoding_named("ISO-8859-15"), E::kLatin9);
  EXPECT_EQ(encoding_named("KOI8-R"), E::kOther);
}

TEST(WordForms, CapitalisesTheFirstLetterWhereItHasACapital) {
  const struct {
    std::string word, capitalised;
  } cases[] = {
      {"haus", "Haus"},
      {"\xC3\xA4rger", "\xC3\x84rger"},  // ärger
      {"\xC3\xBF", "\xC5\xB8"},          // ÿ
      {"\xC5\x82\xC3\xB3"
       "d\xC5\xBA",
       "\xC5\x81\xC3\xB3"
       "d\xC5\xBA"},             // łódź
      {"\xC5\xBA", "\xC5\xB9"},  // ź
      {"\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82", "\xCE\x9B\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82"},
      {"\xD0\xBC\xD0\xB8\xD1\x80", "\xD0\x9C\xD0\xB8\xD1\x80"},  // мир
      {"\xD1\x91", "\xD0\x81"},                                  // ё
      {"Haus", "Haus"},
      {"\xC3\x9F"
       "e",
       "\xC3\x9F"
       "e"},  // ß has no single capital
      {"'tis", "'tis"},
      {"\xC3", "\xC3"},
      {"", ""},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(capitalised(test.word), test.capitalised) << testing::PrintToString(test.word);
  }
}

TEST(WordForms, AllCapitalsForWordsWithCapitalsPastTheFirstLetter) {
  const struct {
    std::string word, upper;
    bool capital_past_first;
  } cases[] = {
      {"h\xC3\x84user", "H\xC3\x84USER", true},  // hÄuser
      {"\xC3\x84pfel", "\xC3\x84PFEL", false},   // Äpfel
      {"stra\xC3\x9F"
       "e",
       "STRA\xC3\x9F"
       "E",
       false},                                                         // straße
      {"\xD0\xBC\xD0\x98\xD1\x80", "\xD0\x9C\xD0\x98\xD0\xA0", true},  // мИр
      {"x\xC5\xB8", "X\xC5\xB8", true},                                // xŸ
      {"houses", "HOUSES", false},
      {"a\xC3", "A\xC3", false},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(upper_cased(test.word), test.upper) << testing::PrintToString(test.word);
    EXPECT_EQ(has_capital_past_first(test.word), test.capital_past_first)
        << testing::PrintToString(test.word);
  }
}

}  // namespace
}  // namespace lexicull
