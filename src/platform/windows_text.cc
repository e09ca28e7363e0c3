#include "platform/windows_text.h"

#include "base/utf16.h"

namespace lexicull {

// Windows' wide characters are UTF-16 code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is not UTF-16");

std::string utf8_from_wide(const wchar_t* text, std::size_t size) {
  return utf8_from_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(text), size));
}

std::string utf8_from_wide(const std::wstring& text) {
  return utf8_from_wide(text.data(), text.size());
}

std::wstring wide_from_utf8(const std::string& text) {
  const std::u16string utf16 = utf16_from_utf8(text);
  return std::wstring(utf16.begin(), utf16.end());
}

Status system_failure(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text),
      0, nullptr);
  std::string reason = length > 0 ? utf8_from_wide(text, length) : "Error " + std::to_string(error);
  if (text != nullptr) LocalFree(text);
  // System messages end with a full stop and a line end; a diagnostic line
  // ends with neither.
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return Status::failure(reason);
}

}  // namespace lexicull
