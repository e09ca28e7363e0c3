#ifndef LEXICULL_FORMATS_TEXT_DECODER_H_
#define LEXICULL_FORMATS_TEXT_DECODER_H_

// A document's bytes as UTF-8, from the encoding it declares, the same on
// every platform: the program's own tables, not the system's conversions.

#include <cstddef>
#include <string>
#include <string_view>

namespace lexicull {

// The encoding that the start of an HTML document (its first KiB or so)
// declares, lower-cased: by its byte order mark ("utf-8", "utf-16le",
// "utf-16be"), by an XML declaration at its start, or by the first <meta>
// in it with a charset (<meta charset="..."> or <meta http-equiv=...
// content="...; charset=...">). Empty when it declares none.
std::string declared_html_encoding(std::string_view start);

// Turns bytes of one encoding, given in pieces, into UTF-8: UTF-16 (LE or
// BE), the single-byte code pages of code_pages.h, and UTF-8 for any other
// name. A byte order mark is dropped. Each byte that is not valid in the
// encoding (one that a code page leaves unassigned, a byte of no UTF-8
// sequence) becomes U+FFFD, as does an unpaired surrogate, so the result is
// always valid UTF-8.
class TextDecoder {
 public:
  explicit TextDecoder(std::string_view encoding);

  // Appends the UTF-8 of `bytes` to `out`; `last` for the final piece, when
  // a sequence cut short by the end becomes U+FFFD.
  void decode(std::string_view bytes, bool last, std::string* out);

 private:
  enum class Kind { kUtf8, kUtf16LittleEndian, kUtf16BigEndian, kCodePage };
  void decode_utf8(std::string_view bytes, bool last, std::string* out);
  void decode_utf16(std::string_view bytes, bool last, std::string* out);

  Kind kind_ = Kind::kUtf8;
  const char16_t* upper_half_ = nullptr;  // of a code page
  std::string carried_;                   // a sequence cut by a piece's end
  char16_t high_surrogate_ = 0;           // waiting for its low half
  bool at_start_ = true;                  // a byte order mark may come
};

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_TEXT_DECODER_H_
