// Test-only shim, preloaded into lexicull: makes reading one file fail with
// EIO partway, as a failing disk would.
//
//   LD_PRELOAD=libfailing_read.so LEXICULL_FAIL_PATH=book.txt LEXICULL_FAIL_AFTER=100 lexicull ...
//
// After LEXICULL_FAIL_AFTER bytes of the file opened by exactly that name,
// every further read of it fails: in order, and at offsets (a read at an
// offset fails from that many bytes into the file on). lexicull is built
// with 64-bit file offsets, so it calls open64 and pread64.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

int failing_descriptor = -1;
long long delivered = 0;

bool is_failing_path(const char* path) {
  const char* failing = getenv("LEXICULL_FAIL_PATH");
  return failing != nullptr && path != nullptr && strcmp(path, failing) == 0;
}

long long fail_after() {
  const char* after = getenv("LEXICULL_FAIL_AFTER");
  return after != nullptr ? atoll(after) : 0;
}

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int remember(const char* path, int descriptor) {
  if (descriptor >= 0 && is_failing_path(path)) {
    failing_descriptor = descriptor;
    delivered = 0;
  }
  return descriptor;
}

}  // namespace

extern "C" {

static int open_with(const char* name, const char* path, int flags, va_list arguments) {
  const mode_t mode = (flags & O_CREAT) ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
  return remember(path, next<int (*)(const char*, int, ...)>(name)(path, flags, mode));
}

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const int descriptor = open_with("open", path, flags, arguments);
  va_end(arguments);
  return descriptor;
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const int descriptor = open_with("open64", path, flags, arguments);
  va_end(arguments);
  return descriptor;
}

static ssize_t pread_with(const char* name, int descriptor, void* buffer, size_t count,
                          off64_t offset) {
  const auto real_pread = next<ssize_t (*)(int, void*, size_t, off64_t)>(name);
  if (descriptor == failing_descriptor && descriptor >= 0) {
    const long long left = fail_after() - offset;
    if (left <= 0) {
      errno = EIO;
      return -1;
    }
    if (static_cast<long long>(count) > left) count = static_cast<size_t>(left);
  }
  return real_pread(descriptor, buffer, count, offset);
}

ssize_t pread(int descriptor, void* buffer, size_t count, off_t offset) {
  return pread_with("pread", descriptor, buffer, count, offset);
}

ssize_t pread64(int descriptor, void* buffer, size_t count, off64_t offset) {
  return pread_with("pread64", descriptor, buffer, count, offset);
}

ssize_t read(int descriptor, void* buffer, size_t count) {
  static const auto real_read = next<ssize_t (*)(int, void*, size_t)>("read");
  if (descriptor != failing_descriptor || descriptor < 0)
    return real_read(descriptor, buffer, count);
  const long long left = fail_after() - delivered;
  if (left <= 0) {
    errno = EIO;
    return -1;
  }
  if (static_cast<long long>(count) > left) count = static_cast<size_t>(left);
  const ssize_t got = real_read(descriptor, buffer, count);
  if (got > 0) delivered += got;
  return got;
}

int close(int descriptor) {
  if (descriptor == failing_descriptor) failing_descriptor = -1;
  return next<int (*)(int)>("close")(descriptor);
}

}  // extern "C"
