#ifndef LEXICULL_VOCABULARY_UNICODE_FOLDING_H_
#define LEXICULL_VOCABULARY_UNICODE_FOLDING_H_

// Words as dictd's indexes hold them. The case tables and categories are
// utf8proc's (Unicode's own data, the same on every platform).

#include <string>
#include <string_view>

#include "base/swar.h"

namespace lexicull {

// `text` with every code point lower-cased by Unicode's simple mapping, one
// code point for one; bytes that are not UTF-8 stay as they are.
std::string unicode_lower(std::string_view text);

// dictd's normal form: unicode_lower(), then every code point that is not a
// letter (L), a digit (N) or a space dropped. Bytes that are not UTF-8 stay.
// So "Don't" gives "dont", "X-ray" "xray" and "Ägypten" "ägypten".
std::string dictd_normal_form(std::string_view word);
// Whether `word` is all ASCII lower-case letters, digits and spaces, and so
// its own normal form; eight bytes at a time.
bool is_plain_normal_form(std::string_view word);
// The high bit of each of eight bytes that may stand in such a word: an
// ASCII lower-case letter, a digit or a space.
inline swar::Bytes8 plain_form_bytes(swar::Bytes8 bytes) {
  const swar::Bytes8 letters =
      swar::ascii_at_least(bytes, 'a') & ~swar::ascii_at_least(bytes, 'z' + 1);
  const swar::Bytes8 digits =
      swar::ascii_at_least(bytes, '0') & ~swar::ascii_at_least(bytes, '9' + 1);
  return letters | digits | swar::equal(bytes, ' ');
}

// The same into `*normal`, whose memory is reused; returns `word` itself,
// without a copy, where it is its own normal form (most are).
std::string_view dictd_normal_form(std::string_view word, std::string* normal);

// Whether `text` holds `word` where no letter or digit stands right before
// or right after it. Both are compared as they are.
bool holds_as_word(std::string_view text, std::string_view word);

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_UNICODE_FOLDING_H_
