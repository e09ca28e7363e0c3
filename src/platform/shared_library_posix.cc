#include "platform/shared_library.h"

#include <dlfcn.h>

namespace lexicull {

Status SharedLibrary::load(const std::string& name, SharedLibrary* library) {
  // Local, so that its names cannot stand in for another library's; now,
  // so that a missing function is found here and not in the middle of a
  // book.
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    return Status::failure(reason != nullptr ? reason : "cannot load " + name);
  }
  library->handle_ = handle;
  return Status();
}

void* SharedLibrary::symbol(const char* name) const { return dlsym(handle_, name); }

}  // namespace lexicull
