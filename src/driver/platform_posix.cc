#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "driver/platform.h"

namespace lexicull {
namespace {

Status system_failure(int error) { return Status::failure(strerror(error)); }

Status read_retrying(int descriptor, unsigned char* buffer, std::size_t capacity,
                     const off_t* offset, std::size_t* count) {
  for (;;) {
    const ssize_t got = offset ? ::pread(descriptor, buffer, capacity, *offset)
                               : ::read(descriptor, buffer, capacity);
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

// A part of a regular file, read with pread so that parts read on different
// threads never share a file position.
class PosixFileRange : public ByteSource {
 public:
  PosixFileRange(int descriptor, std::uint64_t begin, std::uint64_t end)
      : descriptor_(descriptor), position_(begin), end_(end) {}

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    if (capacity > end_ - position_) capacity = static_cast<std::size_t>(end_ - position_);
    if (capacity == 0) {
      *count = 0;
      return Status();
    }
    const off_t offset = static_cast<off_t>(position_);
    Status status = read_retrying(descriptor_, buffer, capacity, &offset, count);
    position_ += *count;
    return status;
  }

 private:
  int descriptor_;
  std::uint64_t position_;
  std::uint64_t end_;
};

class PosixFile : public InputFile, public RandomAccessSource {
 public:
  PosixFile(int descriptor, bool regular, std::uint64_t size)
      : descriptor_(descriptor), regular_(regular), size_(size) {}
  ~PosixFile() override { close(descriptor_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    return read_retrying(descriptor_, buffer, capacity, nullptr, count);
  }

  RandomAccessSource* random_access() override { return regular_ ? this : nullptr; }
  std::uint64_t size() const override { return size_; }
  std::unique_ptr<ByteSource> range(std::uint64_t begin, std::uint64_t end) override {
    return std::make_unique<PosixFileRange>(descriptor_, begin, end);
  }

 private:
  int descriptor_;
  bool regular_;
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

void prepare_standard_streams() {
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
  struct stat facts;
  const bool regular = fstat(descriptor, &facts) == 0 && S_ISREG(facts.st_mode);
  file->reset(
      new PosixFile(descriptor, regular, regular ? static_cast<std::uint64_t>(facts.st_size) : 0));
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
