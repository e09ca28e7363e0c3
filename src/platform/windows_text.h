#ifndef LEXICULL_PLATFORM_WINDOWS_TEXT_H_
#define LEXICULL_PLATFORM_WINDOWS_TEXT_H_

// Text as Windows has it, for the Windows platform files only: names,
// arguments and messages in UTF-16, and the system's own error messages.

#include <windows.h>

#include <string>

#include "base/status.h"

namespace lexicull {

std::string utf8_from_wide(const wchar_t* text, std::size_t size);
std::string utf8_from_wide(const std::wstring& text);
std::wstring wide_from_utf8(const std::string& text);

// The system's message for `error`, as a failure, without its full stop.
Status system_failure(DWORD error);

}  // namespace lexicull

#endif  // LEXICULL_PLATFORM_WINDOWS_TEXT_H_
