#ifndef LEXICULL_BASE_UTF8_H_
#define LEXICULL_BASE_UTF8_H_

#include <cstddef>
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

// How far `bytes` (of which `available` can be read) hold a valid UTF-8
// sequence of more than one byte: `length` is the sequence that the first
// byte begins (0 for a byte that begins none), `valid` how many of its bytes
// are right (so a whole one when it equals `length`). The second byte's
// range rules out overlong forms, surrogates and code points past U+10FFFF.
struct Utf8Prefix {
  std::size_t valid;
  std::size_t length;
};
inline Utf8Prefix utf8_prefix(const unsigned char* bytes, std::size_t available) {
  const unsigned char first = bytes[0];
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    if (first == 0xE0) low = 0xA0;
    if (first == 0xED) high = 0x9F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    if (first == 0xF0) low = 0x90;
    if (first == 0xF4) high = 0x8F;
  }
  std::size_t valid = length == 0 ? 0 : 1;
  while (valid > 0 && valid < length && valid < available) {
    const unsigned char next = bytes[valid];
    if (next < (valid == 1 ? low : 0x80) || next > (valid == 1 ? high : 0xBF)) break;
    ++valid;
  }
  return Utf8Prefix{valid, length};
}

// A UTF-8 sequence read: its code point and its length in bytes, a length
// of 0 where the bytes begin no whole sequence.
struct Utf8Sequence {
  char32_t code;
  std::size_t length;
};

// The sequence at `bytes` (of which `available` can be read, at least one)
// by utf8_prefix()'s rules; with `lone_surrogates`, the three-byte forms of
// U+D800 to U+DFFF count too, as Windows names carry them.
inline Utf8Sequence decode_utf8(const unsigned char* bytes, std::size_t available,
                                bool lone_surrogates = false) {
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return Utf8Sequence{lead, 1};
  const Utf8Prefix prefix = utf8_prefix(bytes, available);
  std::size_t length = prefix.valid == prefix.length ? prefix.length : 0;
  if (lone_surrogates && lead == 0xED && available >= 3 && bytes[1] >= 0xA0 && bytes[1] <= 0xBF &&
      (bytes[2] & 0xC0) == 0x80) {
    length = 3;
  }
  if (length == 0) return Utf8Sequence{0, 0};
  char32_t code = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) code = code << 6 | (bytes[k] & 0x3F);
  return Utf8Sequence{code, length};
}

}  // namespace lexicull

#endif  // LEXICULL_BASE_UTF8_H_
