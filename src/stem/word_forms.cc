#include "stem/word_forms.h"

#include <cstdint>

#include "base/utf8.h"
#include "text/byte_classes.h"

namespace lexicull {
namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// The code point at `*at`, which moves past it; kInvalid for a byte that
// starts no well-formed sequence (overlong forms and surrogates included).
char32_t next_code_point(std::string_view text, std::size_t* at) {
  const Utf8Sequence sequence =
      decode_utf8(reinterpret_cast<const unsigned char*>(text.data()) + *at, text.size() - *at);
  if (sequence.length == 0) {
    ++*at;
    return kInvalid;
  }
  *at += sequence.length;
  return sequence.code;
}

// The eight places where ISO-8859-15 differs from ISO-8859-1.
struct Latin9Difference {
  unsigned char byte;
  char32_t code;
};
constexpr Latin9Difference kLatin9Differences[] = {
    {0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161}, {0xB4, 0x017D},
    {0xB8, 0x017E}, {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178},
};

char32_t latin9_code(unsigned char byte) {
  for (const auto& difference : kLatin9Differences) {
    if (difference.byte == byte) return difference.code;
  }
  return byte;
}

// The byte for `code`, or -1 where the encoding has none.
int byte_for(char32_t code, DictionaryEncoding encoding) {
  if (code < 0x80) return static_cast<int>(code);
  if (encoding == DictionaryEncoding::kLatin1) return code < 0x100 ? static_cast<int>(code) : -1;
  if (encoding == DictionaryEncoding::kLatin9) {
    for (const auto& difference : kLatin9Differences) {
      if (difference.code == code) return difference.byte;
      if (difference.byte == code) return -1;  // taken by another character
    }
    return code < 0x100 ? static_cast<int>(code) : -1;
  }
  return -1;
}

// The capital of a small letter, 0 where there is none.
char32_t capital_of(char32_t code) {
  if (code >= 'a' && code <= 'z') return code - 0x20;
  if (code >= 0xE0 && code <= 0xFE && code != 0xF7) return code - 0x20;
  if (code == 0xFF) return 0x178;
  if (code >= 0x100 && code <= 0x17E && code != 0x131 && code != 0x138 && code != 0x149) {
    // Pairs, the capital first: on even codes up to 0x137 and from 0x14A,
    // on odd ones from 0x139 to 0x148 and from 0x179.
    const bool capital_on_odd = (code >= 0x139 && code <= 0x148) || code >= 0x179;
    const bool is_small = (code % 2 == 1) != capital_on_odd;
    return is_small ? code - 1 : 0;
  }
  if (code >= 0x3B1 && code <= 0x3C9 && code != 0x3C2) return code - 0x20;
  if (code >= 0x430 && code <= 0x44F) return code - 0x20;
  if (code >= 0x450 && code <= 0x45F) return code - 0x50;
  return 0;
}

// The small letter of a capital, 0 where there is none: capital_of() the
// other way round.
char32_t small_of(char32_t code) {
  for (const char32_t offset : {0x20, 0x1, 0x50}) {
    if (capital_of(code + offset) == code) return code + offset;
  }
  return code == 0x178 ? 0xFF : 0;
}

}  // namespace

DictionaryEncoding encoding_named(std::string_view name) {
  std::string upper;
  for (const char c : name) {
    if (c != '-' && c != '_') upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
  }
  if (upper == "UTF8") return DictionaryEncoding::kUtf8;
  if (upper == "ISO88591" || upper == "LATIN1") return DictionaryEncoding::kLatin1;
  if (upper == "ISO885915" || upper == "LATIN9") return DictionaryEncoding::kLatin9;
  return DictionaryEncoding::kOther;
}

bool to_dictionary_encoding(std::string_view utf8, DictionaryEncoding encoding, std::string* out) {
  out->clear();
  for (std::size_t at = 0; at < utf8.size();) {
    const char32_t code = next_code_point(utf8, &at);
    if (code == kInvalid || code == 0) return false;
    if (encoding == DictionaryEncoding::kUtf8) continue;
    const int byte = byte_for(code, encoding);
    if (byte < 0) return false;
    *out += static_cast<char>(byte);
  }
  if (encoding == DictionaryEncoding::kUtf8) out->assign(utf8);
  return true;
}

bool from_dictionary_encoding(std::string_view text, DictionaryEncoding encoding,
                              std::string* utf8) {
  utf8->clear();
  if (encoding == DictionaryEncoding::kUtf8) {
    for (std::size_t at = 0; at < text.size();) {
      if (next_code_point(text, &at) == kInvalid) return false;
    }
    utf8->assign(text);
    return true;
  }
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && encoding == DictionaryEncoding::kOther) return false;
    append_utf8(encoding == DictionaryEncoding::kLatin9 ? latin9_code(byte) : byte, *utf8);
  }
  return true;
}

std::string capitalised(std::string_view word) {
  if (word.empty()) return std::string();
  std::size_t after_first = 0;
  const char32_t first = next_code_point(word, &after_first);
  const char32_t capital = first == kInvalid ? 0 : capital_of(first);
  if (capital == 0) return std::string(word);
  std::string result;
  append_utf8(capital, result);
  result.append(word.substr(after_first));
  return result;
}

std::string upper_cased(std::string_view word) {
  std::string result;
  for (std::size_t at = 0; at < word.size();) {
    const std::size_t begin = at;
    const char32_t code = next_code_point(word, &at);
    const char32_t capital = code == kInvalid ? 0 : capital_of(code);
    if (capital == 0) {
      result.append(word.substr(begin, at - begin));
    } else {
      append_utf8(capital, result);
    }
  }
  return result;
}

bool has_capital_past_first(std::string_view word) {
  std::size_t at = 0;
  if (!word.empty()) next_code_point(word, &at);
  while (at < word.size()) {
    const char32_t code = next_code_point(word, &at);
    if (code != kInvalid && small_of(code) != 0) return true;
  }
  return false;
}

void lower_case_ascii(std::string& text) {
  for (char& c : text) c = static_cast<char>(to_lower(static_cast<unsigned char>(c)));
}

}  // namespace lexicull
