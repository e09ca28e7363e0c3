// Files on Windows. A regular file is read only at offsets (ReadFile with an
// OVERLAPPED position), so that its parts may be read on several threads;
// pipes and consoles are read in order. Names go to CreateFileW in UTF-16,
// with the \\?\ prefix where they are long, so that names of any script
// and length open. A library that opens files by narrow name gets the name
// in the system's code page, or the short name where that cannot say it.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/private_copy.h"
#include "platform/windows_text.h"

namespace lexicull {
namespace {

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

}  // namespace lexicull
