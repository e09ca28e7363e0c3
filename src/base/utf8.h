#ifndef LEXICULL_BASE_UTF8_H_
#define LEXICULL_BASE_UTF8_H_

#include <string>

namespace lexicull {

// Appends the UTF-8 bytes of `code` (up to 0x10FFFF). A surrogate, which
// only a Windows name may hold, takes the three bytes its code would.
inline void append_utf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace lexicull

#endif  // LEXICULL_BASE_UTF8_H_
