// The platform on Windows. The program's arguments are taken as UTF-16
// (__wgetmainargs) and handed on as UTF-8; every file name goes back to
// UTF-16 for CreateFileW, with the \\?\ prefix where it is long, so names
// of any script and length open. A regular file is read only at offsets
// (ReadFile with an OVERLAPPED position), so its parts may be read on
// several threads; pipes and consoles are read in order. Output goes out
// with WriteFile, a pipe whose reader went away reported as such, since
// Windows has no SIGPIPE; messages to a console go through WriteConsoleW,
// which shows UTF-8 whatever the console's code page.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <new>
#include <string>

#include "base/page_mapping.h"
#include "base/private_copy.h"
#include "base/utf16.h"
#include "driver/platform.h"

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
namespace {

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

DWORD clamped_read_size(std::size_t capacity) {
  return capacity > (1u << 30) ? (1u << 30) : static_cast<DWORD>(capacity);
}

// A pipe, a console or a device: read in order.
class WindowsStream : public ByteSource {
 public:
  explicit WindowsStream(HANDLE handle) : handle_(handle) {}
  ~WindowsStream() override { CloseHandle(handle_); }
  WindowsStream(const WindowsStream&) = delete;
  WindowsStream& operator=(const WindowsStream&) = delete;

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    DWORD got = 0;
    *count = 0;
    if (!ReadFile(handle_, buffer, clamped_read_size(capacity), &got, nullptr)) {
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

// A file on disk: read only at offsets, each named in an OVERLAPPED. On a
// handle opened for plain reads, Windows also moves the file pointer to
// where each such read ends, from whichever thread it comes; nothing here
// reads from the file pointer, so that does not matter.
class WindowsRegularFile : public RandomAccessFile {
 public:
  WindowsRegularFile(HANDLE handle, std::uint64_t size) : handle_(handle), size_(size) {}
  ~WindowsRegularFile() override { CloseHandle(handle_); }
  WindowsRegularFile(const WindowsRegularFile&) = delete;
  WindowsRegularFile& operator=(const WindowsRegularFile&) = delete;

  std::uint64_t size() const override { return size_; }

  Status read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                 std::size_t* count) const override {
    OVERLAPPED position = {};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    *count = 0;
    if (!ReadFile(handle_, buffer, clamped_read_size(capacity), &got, &position)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) return Status();
      return system_failure(error);
    }
    *count = got;
    return Status();
  }

 private:
  HANDLE handle_;
  std::uint64_t size_;
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

// The name as CreateFileW takes it. A long name (from MAX_PATH on) opens
// only as an absolute path with the \\?\ prefix, which turns off the
// system's own clean-up of the name: GetFullPathNameW does that first
// (the current folder, "/" and "..").
std::wstring system_name(const std::string& path) {
  std::wstring name = wide_from_utf8(path);
  if (name.size() < MAX_PATH - 12) return name;
  std::wstring full(32768, L'\0');
  const DWORD length =
      GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
  if (length == 0 || length >= full.size()) return name;
  full.resize(length);
  if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace

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

void prepare_process() {
  // Output goes through WriteFile and bypasses the C runtime, but binary mode
  // also keeps anything the runtime itself might print free of CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

Status open_input_file(const std::string& path, std::unique_ptr<InputFile>* file) {
  const HANDLE handle =
      CreateFileW(system_name(path).c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return system_failure(GetLastError());
  LARGE_INTEGER size;
  if (GetFileType(handle) == FILE_TYPE_DISK && GetFileSizeEx(handle, &size)) {
    file->reset(new InputFile(std::unique_ptr<RandomAccessFile>(
        new WindowsRegularFile(handle, static_cast<std::uint64_t>(size.QuadPart)))));
  } else {
    file->reset(new InputFile(std::unique_ptr<ByteSource>(new WindowsStream(handle))));
  }
  return Status();
}

Status open_regular_file(const std::string& path, std::unique_ptr<RandomAccessFile>* file) {
  const HANDLE handle = CreateFileW(system_name(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return system_failure(GetLastError());
  BY_HANDLE_FILE_INFORMATION information;
  LARGE_INTEGER size;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &information) ||
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    return Status::failure("not a regular file");
  }
  file->reset(new WindowsRegularFile(handle, static_cast<std::uint64_t>(size.QuadPart)));
  return Status();
}

namespace {

// `path` as a library that opens files with the C runtime's narrow names
// (fopen, std::ifstream) must be given it: in the system's code page, or the
// folder's short name where that code page lacks a character of it; false
// when neither can name the file.
bool name_for_narrow_open(const std::string& path, std::string* name) {
  std::wstring wide = wide_from_utf8(path);
  for (int attempt = 0; attempt < 2; ++attempt) {
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0,
                                         nullptr, &lossy);
    if (size > 0 && !lossy) {
      std::string narrow(static_cast<std::size_t>(size), '\0');
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &narrow[0], size, nullptr,
                          nullptr);
      narrow.pop_back();  // its NUL
      *name = narrow;
      return true;
    }
    // The short (8.3) name, where the volume keeps them, is plain ASCII.
    std::wstring short_name(32768, L'\0');
    const DWORD length =
        GetShortPathNameW(wide.c_str(), &short_name[0], static_cast<DWORD>(short_name.size()));
    if (length == 0 || length >= short_name.size()) return false;
    short_name.resize(length);
    wide = short_name;
  }
  return false;
}

}  // namespace

Status make_private_copy(const std::vector<std::string_view>&, const std::string& original_path,
                         std::unique_ptr<PrivateCopy>* copy) {
  std::string name;
  if (!name_for_narrow_open(original_path, &name)) {
    return Status::failure(original_path +
                           ": this name cannot be passed to the dictionary library");
  }
  // Windows has no anonymous file that a second opening by name could
  // share: the library opens the file that was read.
  copy->reset(new OriginalFile(name));
  return Status();
}

std::unique_ptr<InputFile> standard_input() {
  HANDLE handle = INVALID_HANDLE_VALUE;
  // Its own handle, so that the one the process was given stays open.
  if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(),
                       &handle, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    handle = INVALID_HANDLE_VALUE;
  }
  return std::make_unique<InputFile>(std::unique_ptr<ByteSource>(new WindowsStream(handle)));
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

// Each page is left to be mapped at its first write.
void map_for_writing(void* data, std::size_t size) {
  (void)data;
  (void)size;
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
