#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <string>

#include "driver/platform.h"

// Arguments reach the program as typed: "*" and "?" are file names, never
// patterns to expand.
extern "C" {
int _dowildcard = 0;
}

namespace lexicull {
namespace {

Status system_failure(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0,
      nullptr);
  std::string reason = length > 0 ? std::string(text, length) : "Error " + std::to_string(error);
  if (text != nullptr) LocalFree(text);
  // System messages end with a full stop and a line end; a diagnostic line
  // ends with neither.
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return Status::failure(reason);
}

class WindowsFile : public ByteSource {
 public:
  explicit WindowsFile(HANDLE handle) : handle_(handle) {}
  ~WindowsFile() override { CloseHandle(handle_); }
  WindowsFile(const WindowsFile&) = delete;
  WindowsFile& operator=(const WindowsFile&) = delete;

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    const DWORD wanted = capacity > (1u << 30) ? (1u << 30) : static_cast<DWORD>(capacity);
    DWORD got = 0;
    *count = 0;
    if (!ReadFile(handle_, buffer, wanted, &got, nullptr)) {
      const DWORD error = GetLastError();
      // A pipe whose writer has closed reports its end this way.
      if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return Status();
      return system_failure(error);
    }
    *count = got;
    return Status();
  }

 private:
  HANDLE handle_;
};

class WindowsSink : public ByteSink {
 public:
  explicit WindowsSink(DWORD which) : which_(which) {}

  Status write(const unsigned char* data, std::size_t size) override {
    const HANDLE handle = GetStdHandle(which_);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
      return system_failure(ERROR_INVALID_HANDLE);
    }
    while (size > 0) {
      const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!WriteFile(handle, data, chunk, &written, nullptr)) {
        const DWORD error = GetLastError();
        // Windows has no SIGPIPE: a pipe whose reader has gone says so here.
        if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE ||
            error == ERROR_PIPE_NOT_CONNECTED) {
          return Status::reader_gone(system_failure(error).reason());
        }
        return system_failure(error);
      }
      if (written == 0) return system_failure(ERROR_WRITE_FAULT);
      data += written;
      size -= written;
    }
    return Status();
  }

 private:
  DWORD which_;
};

}  // namespace

void prepare_standard_streams() {
  // Output goes through WriteFile and bypasses the C runtime, but binary mode
  // also keeps anything the runtime itself might print free of CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

Status open_input_file(const std::string& path, std::unique_ptr<ByteSource>* file) {
  const HANDLE handle = CreateFileA(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return system_failure(GetLastError());
  file->reset(new WindowsFile(handle));
  return Status();
}

ByteSink& standard_output() {
  static WindowsSink sink(STD_OUTPUT_HANDLE);
  return sink;
}

ByteSink& standard_error() {
  static WindowsSink sink(STD_ERROR_HANDLE);
  return sink;
}

}  // namespace lexicull
