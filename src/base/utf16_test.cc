#include "base/utf16.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace lexicull {
namespace {

TEST(Utf16, ConvertsBothWaysKeepingWhatIsNotWellFormed) {
  const struct {
    std::u16string utf16;
    std::string utf8;
  } cases[] = {
      {u"plain", "plain"},
      {u"\u00E9t\u00E9 \u4E2D", "\xC3\xA9t\xC3\xA9 \xE4\xB8\xAD"},
      // A pair is one code point of four bytes.
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      // Lone surrogates, high at the end, low alone, high before no low.
      {std::u16string(1, char16_t{0xD83D}), "\xED\xA0\xBD"},
      {std::u16string(1, char16_t{0xDE00}) + u"x", "\xED\xB8\x80x"},
      {std::u16string{char16_t{0xD800}, u'a'},
       "\xED\xA0\x80"
       "a"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(utf8_from_utf16(test.utf16), test.utf8);
    EXPECT_EQ(utf16_from_utf8(test.utf8), test.utf16);
  }
  // Bytes that are no UTF-8 stand for themselves, as U+0080 to U+00FF.
  EXPECT_EQ(utf16_from_utf8("a\xFF\xC3"), (std::u16string{u'a', 0xFF, 0xC3}));
  EXPECT_EQ(utf16_from_utf8("\x80z"), (std::u16string{0x80, u'z'}));
  // So do overlong forms and code points past U+10FFFF, byte by byte.
  EXPECT_EQ(utf16_from_utf8("\xC0\x80"), (std::u16string{0xC0, 0x80}));
  EXPECT_EQ(utf16_from_utf8("\xF5\x80\x80\x80"), (std::u16string{0xF5, 0x80, 0x80, 0x80}));
}

TEST(Utf16, AnyUnitsComeBackThroughUtf8) {
  // Surrogates and their neighbours are frequent, so that pairs, lone ones
  // and pairs in the wrong order all come up.
  std::mt19937 random(16);
  const char16_t kUnits[] = {u'a',   0x7F,   0x80,   0x7FF,  0x800,  0xD7FF,
                             0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFF};
  for (int round = 0; round < 2000; ++round) {
    std::u16string text;
    for (std::size_t i = random() % 12; i > 0; --i) {
      text += random() % 2 == 0 ? kUnits[random() % 12] : static_cast<char16_t>(random());
    }
    ASSERT_EQ(utf16_from_utf8(utf8_from_utf16(text)), text) << "round " << round;
  }
}

}  // namespace
}  // namespace lexicull
