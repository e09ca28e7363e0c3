#include "base/utf16.h"

#include "base/utf8.h"

namespace lexicull {

std::string utf8_from_utf16(std::u16string_view text) {
  std::string utf8;
  utf8.reserve(text.size() * 3);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size()) {
      const char32_t low = text[i + 1];
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    append_utf8(code, utf8);
  }
  return utf8;
}

std::u16string utf16_from_utf8(std::string_view text) {
  std::u16string utf16;
  utf16.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    const Utf8Sequence sequence = decode_utf8(bytes + i, size - i, true);
    if (sequence.length == 0) {
      utf16 += static_cast<char16_t>(bytes[i]);
      ++i;
      continue;
    }
    char32_t code = sequence.code;
    i += sequence.length;
    if (code >= 0x10000) {
      code -= 0x10000;
      utf16 += static_cast<char16_t>(0xD800 + (code >> 10));
      utf16 += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      utf16 += static_cast<char16_t>(code);
    }
  }
  return utf16;
}

}  // namespace lexicull
