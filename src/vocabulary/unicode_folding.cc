#include "vocabulary/unicode_folding.h"

#include <utf8proc.h>

#include <cstring>

#include "base/swar.h"

namespace lexicull {
namespace {

// Calls `visit(code point, bytes)` for each code point of `text`, with -1 for
// a byte that begins no valid UTF-8 sequence.
template <typename Visit>
void for_each_code_point(std::string_view text, Visit visit) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  std::size_t at = 0;
  while (at < text.size()) {
    utf8proc_int32_t code = -1;
    utf8proc_ssize_t length =
        utf8proc_iterate(bytes + at, static_cast<utf8proc_ssize_t>(text.size() - at), &code);
    if (length <= 0) {
      code = -1;
      length = 1;
    }
    visit(code, text.substr(at, static_cast<std::size_t>(length)));
    at += static_cast<std::size_t>(length);
  }
}

void append_code_point(std::string& out, utf8proc_int32_t code) {
  utf8proc_uint8_t encoded[4];
  const utf8proc_ssize_t length = utf8proc_encode_char(code, encoded);
  out.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(length));
}

bool is_letter_or_digit(utf8proc_int32_t code) {
  switch (utf8proc_category(code)) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL:
    case UTF8PROC_CATEGORY_NO:
      return true;
    default:
      return false;
  }
}

bool is_ascii_lower_or_digit(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9');
}

}  // namespace

std::string unicode_lower(std::string_view text) {
  std::string lowered;
  lowered.reserve(text.size());
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  for (std::size_t at = 0; at < text.size();) {
    // ASCII, most of every headword line, needs no table: a run of it is
    // copied whole and lowered eight bytes at a time.
    const unsigned char byte = bytes[at];
    if (byte < 0x80) {
      std::size_t end = at + 1;
      while (end < text.size() && bytes[end] < 0x80) ++end;
      const std::size_t from = lowered.size();
      lowered.append(text, at, end - at);
      swar::lower_case_in_place(reinterpret_cast<unsigned char*>(&lowered[from]), end - at);
      at = end;
      continue;
    }
    utf8proc_int32_t code = -1;
    const utf8proc_ssize_t length =
        utf8proc_iterate(bytes + at, static_cast<utf8proc_ssize_t>(text.size() - at), &code);
    if (length <= 0) {
      // A byte that begins no valid sequence stays as it is.
      lowered += static_cast<char>(byte);
      ++at;
      continue;
    }
    append_code_point(lowered, utf8proc_tolower(code));
    at += static_cast<std::size_t>(length);
  }
  return lowered;
}

std::string dictd_normal_form(std::string_view word) {
  std::string normal;
  return std::string(dictd_normal_form(word, &normal));
}

bool is_plain_normal_form(std::string_view word) {
  const auto plain = [](swar::Bytes8 bytes) { return plain_form_bytes(bytes) == swar::kHighBits; };
  const auto* bytes = reinterpret_cast<const unsigned char*>(word.data());
  const std::size_t size = word.size();
  if (size < 8) {
    // Most headwords are short: a copy of unknown length would be a call.
    for (std::size_t at = 0; at < size; ++at) {
      if (!is_ascii_lower_or_digit(bytes[at]) && bytes[at] != ' ') return false;
    }
    return true;
  }
  std::size_t at = 0;
  for (; at + 8 <= size; at += 8) {
    if (!plain(swar::load(bytes + at))) return false;
  }
  // The last eight bytes, some of them again.
  return at == size || plain(swar::load(bytes + size - 8));
}

std::string_view dictd_normal_form(std::string_view word, std::string* normal) {
  if (is_plain_normal_form(word)) return word;
  std::size_t at = 0;
  while (at < word.size()) {
    const auto byte = static_cast<unsigned char>(word[at]);
    if (!is_ascii_lower_or_digit(byte) && byte != ' ') break;
    ++at;
  }
  normal->assign(word.substr(0, at));
  // ASCII, most of every word and headword, needs no table.
  while (at < word.size()) {
    const auto byte = static_cast<unsigned char>(word[at]);
    if (byte >= 0x80) break;
    if (is_ascii_lower_or_digit(byte) || byte == ' ') {
      *normal += static_cast<char>(byte);
    } else if (byte >= 'A' && byte <= 'Z') {
      *normal += static_cast<char>(byte + ('a' - 'A'));
    }
    ++at;
  }
  for_each_code_point(word.substr(at), [&](utf8proc_int32_t code, std::string_view bytes) {
    if (code < 0) {
      normal->append(bytes);
      return;
    }
    const utf8proc_int32_t lower =
        code < 0x80 ? (code >= 'A' && code <= 'Z' ? code + 32 : code) : utf8proc_tolower(code);
    if (lower == ' ' || is_letter_or_digit(lower)) append_code_point(*normal, lower);
  });
  return *normal;
}

bool holds_as_word(std::string_view text, std::string_view word) {
  if (word.empty()) return false;
  for (std::size_t at = text.find(word); at != std::string_view::npos;
       at = text.find(word, at + 1)) {
    bool bounded = true;
    // The code point that ends just before, and the one just after.
    if (at > 0) {
      std::size_t start = at - 1;
      while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80 &&
             at - start < 4) {
        --start;
      }
      for_each_code_point(text.substr(start, at - start),
                          [&](utf8proc_int32_t code, std::string_view bytes) {
                            if (bytes.data() + bytes.size() == text.data() + at) {
                              bounded = bounded && !(code >= 0 && is_letter_or_digit(code));
                            }
                          });
    }
    const std::size_t end = at + word.size();
    if (bounded && end < text.size()) {
      utf8proc_int32_t code = -1;
      utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + end),
                       static_cast<utf8proc_ssize_t>(text.size() - end), &code);
      bounded = !(code >= 0 && is_letter_or_digit(code));
    }
    if (bounded) return true;
  }
  return false;
}

}  // namespace lexicull
