// The standard streams on Windows. Output goes out with WriteFile; a pipe
// whose reader went away is told apart, since Windows has no SIGPIPE.
// Messages to a console go through WriteConsoleW, which shows UTF-8 whatever
// the console's code page; redirected, they stay their UTF-8 bytes.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/windows_text.h"

namespace lexicull {
namespace {

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

 protected:
  HANDLE handle() const { return GetStdHandle(which_); }

 private:
  DWORD which_;
};

// A console shows text in its own UTF-16, whatever its code page: messages
// go there through WriteConsoleW. Redirected to a file or a pipe, they stay
// the UTF-8 bytes they are.
class MessageSink : public WindowsSink {
 public:
  MessageSink() : WindowsSink(STD_ERROR_HANDLE) {}

  Status write(const unsigned char* data, std::size_t size) override {
    DWORD mode = 0;
    if (!GetConsoleMode(handle(), &mode)) return WindowsSink::write(data, size);
    const std::wstring text =
        wide_from_utf8(std::string(reinterpret_cast<const char*>(data), size));
    const wchar_t* rest = text.data();
    std::size_t left = text.size();
    while (left > 0) {
      // The console takes a limited amount at once.
      const DWORD chunk = left > 8192 ? 8192 : static_cast<DWORD>(left);
      DWORD written = 0;
      if (!WriteConsoleW(handle(), rest, chunk, &written, nullptr) || written == 0) {
        return system_failure(GetLastError());
      }
      rest += written;
      left -= written;
    }
    return Status();
  }
};

}  // namespace

void prepare_process() {
  // Output goes through WriteFile and bypasses the C runtime, but binary mode
  // also keeps anything the runtime itself might print free of CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

ByteSink& standard_output() {
  static WindowsSink sink(STD_OUTPUT_HANDLE);
  return sink;
}

ByteSink& standard_error() {
  static MessageSink sink;
  return sink;
}

}  // namespace lexicull
