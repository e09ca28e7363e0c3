// Test-only shim, preloaded into lexicull: makes reading one file fail with
// EIO partway, as a failing disk would.
//
//   LD_PRELOAD=libfailing_read.so LEXICULL_FAIL_PATH=book.txt LEXICULL_FAIL_AFTER=100 lexicull ...
//
// After LEXICULL_FAIL_AFTER bytes of the file opened by exactly that name,
// every further read of it fails, whether by read or by pread. (A 64-bit
// build calls no open64 to catch.)
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
#include <atomic>

namespace {

std::atomic<int> failing_descriptor{-1};
std::atomic<long long> delivered{0};

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

// How much of `count` the failing file may still deliver; 0 means fail.
size_t allowance(int descriptor, size_t count) {
  if (descriptor < 0 || descriptor != failing_descriptor) return count;
  const long long left = fail_after() - delivered;
  if (left <= 0) return 0;
  return static_cast<long long>(count) > left ? static_cast<size_t>(left) : count;
}

ssize_t account(int descriptor, ssize_t got) {
  if (got > 0 && descriptor == failing_descriptor) delivered += got;
  return got;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & O_CREAT) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
  }
  const int descriptor = next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
  if (descriptor >= 0 && is_failing_path(path)) {
    failing_descriptor = descriptor;
    delivered = 0;
  }
  return descriptor;
}

ssize_t read(int descriptor, void* buffer, size_t count) {
  static const auto real_read = next<ssize_t (*)(int, void*, size_t)>("read");
  const size_t allowed = allowance(descriptor, count);
  if (count > 0 && allowed == 0) {
    errno = EIO;
    return -1;
  }
  return account(descriptor, real_read(descriptor, buffer, allowed));
}

// Regular files are read at offsets, so that two threads can read two parts.
ssize_t pread(int descriptor, void* buffer, size_t count, off_t offset) {
  static const auto real_pread = next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  const size_t allowed = allowance(descriptor, count);
  if (count > 0 && allowed == 0) {
    errno = EIO;
    return -1;
  }
  return account(descriptor, real_pread(descriptor, buffer, allowed, offset));
}

ssize_t pread64(int descriptor, void* buffer, size_t count, off_t offset) {
  return pread(descriptor, buffer, count, offset);
}

int close(int descriptor) {
  if (descriptor == failing_descriptor) failing_descriptor = -1;
  return next<int (*)(int)>("close")(descriptor);
}

}  // extern "C"
