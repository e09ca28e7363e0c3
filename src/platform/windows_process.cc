// The process on Windows: its arguments taken as UTF-16 from the C runtime's
// own parser and handed on as UTF-8, never wildcard-expanded; the processors
// of its affinity mask; and no system folders of dictionaries.
#include <windows.h>

#include <new>
#include <string>

#include "platform/platform.h"
#include "platform/windows_text.h"

// Arguments reach the program as typed: "*" and "?" are file names, never
// patterns to expand.
extern "C" {
int _dowildcard = 0;

// The C runtime's own parser of the UTF-16 command line, with the same rules
// as for the narrow arguments main() receives.
struct StartupInfo {
  int new_mode;
};
int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int expand_wildcards,
                   StartupInfo* info);
}

namespace lexicull {

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** arguments = nullptr;
  wchar_t** environment = nullptr;
  StartupInfo info{0};
  if (__wgetmainargs(&count, &arguments, &environment, 0, &info) < 0 || arguments == nullptr) {
    // No memory for them: the narrow ones are all there is.
    if (argv == nullptr) throw std::bad_alloc();
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> result;
  for (int i = 0; i < count; ++i) result.push_back(utf8_from_wide(std::wstring(arguments[i])));
  return result;
}

char search_path_separator() { return ';'; }

std::vector<std::string> system_dictionary_folders() { return {}; }

std::vector<std::string> system_dictd_folders() { return {}; }

unsigned usable_processor_count() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  unsigned count = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask)) {
    for (; process_mask != 0; process_mask &= process_mask - 1) ++count;
  }
  return count == 0 ? 1 : count;
}

}  // namespace lexicull
