#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/platform.h"

namespace lexicull {
namespace {

Status system_failure(int error) { return Status::failure(strerror(error)); }

class PosixFile : public InputFile {
 public:
  explicit PosixFile(int descriptor) : descriptor_(descriptor) {
    struct stat status;
    seekable_ = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    size_ = seekable_ ? static_cast<std::uint64_t>(status.st_size) : 0;
  }
  ~PosixFile() override { close(descriptor_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    for (;;) {
      const ssize_t got = ::read(descriptor_, buffer, capacity);
      if (got >= 0) {
        *count = static_cast<std::size_t>(got);
        return Status();
      }
      if (errno != EINTR) {
        *count = 0;
        return system_failure(errno);
      }
    }
  }

  bool size_if_seekable(std::uint64_t* size) const override {
    *size = size_;
    return seekable_;
  }

  Status read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                 std::size_t* count) const override {
    for (;;) {
      const ssize_t got = ::pread(descriptor_, buffer, capacity, static_cast<off_t>(offset));
      if (got >= 0) {
        *count = static_cast<std::size_t>(got);
        return Status();
      }
      if (errno != EINTR) {
        *count = 0;
        return system_failure(errno);
      }
    }
  }

 private:
  int descriptor_;
  bool seekable_;
  std::uint64_t size_;
};

class PosixSink : public ByteSink {
 public:
  explicit PosixSink(int descriptor) : descriptor_(descriptor) {}

  Status write(const unsigned char* data, std::size_t size) override {
    while (size > 0) {
      const ssize_t written = ::write(descriptor_, data, size);
      if (written < 0) {
        if (errno == EINTR) continue;
        // Only seen when SIGPIPE is ignored; otherwise it ends the process.
        if (errno == EPIPE) return Status::reader_gone(strerror(errno));
        return system_failure(errno);
      }
      data += written;
      size -= static_cast<std::size_t>(written);
    }
    return Status();
  }

 private:
  int descriptor_;
};

}  // namespace

std::vector<std::string> program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void prepare_process() {
  // A descriptor left closed by the caller is filled with /dev/null opened
  // read-only: an input file then cannot take its number, and writing to it
  // still fails, as it should.
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
      const int placeholder = open("/dev/null", O_RDONLY);
      if (placeholder >= 0 && placeholder != descriptor) {
        dup2(placeholder, descriptor);
        close(placeholder);
      }
    }
  }
}

Status open_input_file(const std::string& path, std::unique_ptr<InputFile>* file) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return system_failure(errno);
#ifdef POSIX_FADV_SEQUENTIAL
  posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  file->reset(new PosixFile(descriptor));
  return Status();
}

ByteSink& standard_output() {
  static PosixSink sink(STDOUT_FILENO);
  return sink;
}

ByteSink& standard_error() {
  static PosixSink sink(STDERR_FILENO);
  return sink;
}

}  // namespace lexicull
