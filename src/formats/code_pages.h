#ifndef LEXICULL_FORMATS_CODE_PAGES_H_
#define LEXICULL_FORMATS_CODE_PAGES_H_

#include <string_view>

namespace lexicull {

// The characters of bytes 0x80 to 0xFF in the single-byte encoding of this
// name (ASCII case ignored: "windows-1252", "cp1251", "KOI8-R", ...), bytes
// below 0x80 being ASCII; U+FFFD for a byte the encoding leaves unassigned.
// Null for a name it does not know.
const char16_t* single_byte_code_page(std::string_view name);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_CODE_PAGES_H_
