#ifndef LEXICULL_PLATFORM_SHARED_LIBRARY_H_
#define LEXICULL_PLATFORM_SHARED_LIBRARY_H_

#include <string>

#include "base/status.h"

namespace lexicull {

// A shared library loaded while the program runs, for a library that only
// some inputs need: one linked in is loaded, with the libraries it needs in
// turn, at every start, and costs every run its time. A loaded library stays
// loaded until the process ends. Only programs that load their libraries from
// the system have this; the Windows programs link theirs in.
class SharedLibrary {
 public:
  // Loads the library with the file name `name` (libxml2.so.2), looked for
  // as the system's loader looks for the libraries a program needs.
  static Status load(const std::string& name, SharedLibrary* library);

  // The address of the function or object named `name`, or null.
  void* symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
};

}  // namespace lexicull

#endif  // LEXICULL_PLATFORM_SHARED_LIBRARY_H_
