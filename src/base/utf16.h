#ifndef LEXICULL_BASE_UTF16_H_
#define LEXICULL_BASE_UTF16_H_

// UTF-16 as Windows names and arguments hold it, to and from the UTF-8 that
// the program works in. Written over char16_t, so that it is tested on every
// platform, not only where it is used.

#include <string>
#include <string_view>

namespace lexicull {

// UTF-16 to UTF-8. A lone surrogate, which a Windows name may hold, takes the
// three bytes its code would, so that utf16_from_utf8() gives it back.
std::string utf8_from_utf16(std::u16string_view text);

// UTF-8 (as utf8_from_utf16() makes it) to UTF-16. A byte that starts no
// sequence, or a sequence cut short, stands for itself as U+0080 to U+00FF
// would, so that nothing is dropped.
std::u16string utf16_from_utf8(std::string_view text);

}  // namespace lexicull

#endif  // LEXICULL_BASE_UTF16_H_
