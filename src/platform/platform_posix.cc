// The platform on POSIX systems. A regular file is read with pread, so that
// its parts can be read on several threads; pipes, FIFOs and terminals are
// read in order. Writes go out whole, retried after EINTR; a reader that
// went away is told apart when SIGPIPE is ignored. A dictionary that
// libhunspell must open by name is handed over as an anonymous file in
// memory (memfd, opened through /proc), so that the bytes checked are the
// bytes it reads.
#include <errno.h>
#include <fcntl.h>
#if __has_include(<malloc.h>)
#include <malloc.h>
#endif
#include <sched.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

#include "platform/platform.h"
#include "platform/private_copy.h"

namespace lexicull {
namespace {

Status system_failure(int error) { return Status::failure(strerror(error)); }

// Reads with EINTR retried; `read_once` makes one system call.
template <typename ReadOnce>
Status read_retrying(ReadOnce read_once, std::size_t* count) {
  for (;;) {
    const ssize_t got = read_once();
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

// A pipe, a FIFO, a terminal or a device: read in order.
class PosixStream : public ByteSource {
 public:
  explicit PosixStream(int descriptor) : descriptor_(descriptor) {}
  ~PosixStream() override { close(descriptor_); }
  PosixStream(const PosixStream&) = delete;
  PosixStream& operator=(const PosixStream&) = delete;

  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    return read_retrying([&] { return ::read(descriptor_, buffer, capacity); }, count);
  }

 private:
  int descriptor_;
};

// A regular file: read at offsets by pread, which leaves the descriptor's
// position alone.
class PosixRegularFile : public RandomAccessFile {
 public:
  PosixRegularFile(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}
  ~PosixRegularFile() override { close(descriptor_); }
  PosixRegularFile(const PosixRegularFile&) = delete;
  PosixRegularFile& operator=(const PosixRegularFile&) = delete;

  std::uint64_t size() const override { return size_; }

  Status read_at(std::uint64_t offset, unsigned char* buffer, std::size_t capacity,
                 std::size_t* count) const override {
    return read_retrying(
        [&] { return ::pread(descriptor_, buffer, capacity, static_cast<off_t>(offset)); }, count);
  }

 private:
  int descriptor_;
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
#if defined(M_MMAP_THRESHOLD) && defined(M_TRIM_THRESHOLD)
  // Each phase of a run allocates and frees blocks of a few hundred KiB (a
  // dictd index's rows and their orders, the parts' buffers), and the
  // first touch of a fresh page costs about 2 us. So blocks of up to 1 MiB
  // come from the heap, and up to 16 MiB of freed heap is kept, for the
  // next phase to use without mapping its pages afresh: a third fewer page
  // faults with a dictd dictionary. Larger blocks are still mapped alone,
  // so that a huge word's buffer grows by remapping, never held twice.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  mallopt(M_TRIM_THRESHOLD, 16 << 20);
#endif
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
  struct stat status;
  if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
    file->reset(new InputFile(std::unique_ptr<RandomAccessFile>(
        new PosixRegularFile(descriptor, static_cast<std::uint64_t>(status.st_size)))));
  } else {
    file->reset(new InputFile(std::unique_ptr<ByteSource>(new PosixStream(descriptor))));
  }
  return Status();
}

namespace {

// A path that is no regular file is refused before it is opened: opening a
// FIFO, even without waiting, lets a writer that waits for a reader start,
// and closing it then breaks the writer's pipe, so that a later opening to
// read it waits for ever.
Status refuse_unless_regular(const struct stat& status) {
  if (S_ISREG(status.st_mode)) return Status();
  return S_ISDIR(status.st_mode) ? system_failure(EISDIR) : Status::failure("not a regular file");
}

}  // namespace

Status open_regular_file(const std::string& path, std::unique_ptr<RandomAccessFile>* file) {
  struct stat before;
  if (stat(path.c_str(), &before) != 0) return system_failure(errno);
  Status refused = refuse_unless_regular(before);
  if (!refused.ok()) return refused;
  // Without O_NONBLOCK, opening a FIFO put in its place since waits for a
  // writer.
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (descriptor < 0) return system_failure(errno);
  struct stat status;
  if (fstat(descriptor, &status) != 0) {
    const int error = errno;
    close(descriptor);
    return system_failure(error);
  }
  refused = refuse_unless_regular(status);
  if (!refused.ok()) {
    close(descriptor);
    return refused;
  }
  file->reset(new PosixRegularFile(descriptor, static_cast<std::uint64_t>(status.st_size)));
  return Status();
}

namespace {

// An anonymous file in memory, opened by others through /proc, which gives
// every opening a position of its own.
class MemoryFileCopy : public PrivateCopy {
 public:
  MemoryFileCopy(int descriptor, std::string name)
      : descriptor_(descriptor), name_(std::move(name)) {}
  ~MemoryFileCopy() override { close(descriptor_); }
  MemoryFileCopy(const MemoryFileCopy&) = delete;
  MemoryFileCopy& operator=(const MemoryFileCopy&) = delete;
  const std::string& name() const override { return name_; }

 private:
  int descriptor_;
  std::string name_;
};

}  // namespace

Status make_private_copy(const std::vector<std::string_view>& bytes,
                         const std::string& original_path, std::unique_ptr<PrivateCopy>* copy) {
#ifdef MFD_CLOEXEC
  const int descriptor = memfd_create("lexicull-dictionary", MFD_CLOEXEC);
  if (descriptor >= 0) {
    PosixSink sink(descriptor);
    const std::string name = "/proc/self/fd/" + std::to_string(descriptor);
    bool written = true;
    for (const std::string_view piece : bytes) {
      written = written &&
                sink.write(reinterpret_cast<const unsigned char*>(piece.data()), piece.size()).ok();
    }
    if (written && access(name.c_str(), R_OK) == 0) {
      copy->reset(new MemoryFileCopy(descriptor, name));
      return Status();
    }
    close(descriptor);
  }
#endif
  // No anonymous files, or no /proc to name them: the library opens the
  // file that was read, which was a regular file then.
  copy->reset(new OriginalFile(original_path));
  return Status();
}

std::unique_ptr<InputFile> standard_input() {
  // Its own descriptor, so that the one the process was given stays open.
  const int descriptor = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  return std::make_unique<InputFile>(
      std::unique_ptr<ByteSource>(new PosixStream(descriptor >= 0 ? descriptor : STDIN_FILENO)));
}

char search_path_separator() { return ':'; }

std::vector<std::string> system_dictionary_folders() {
  return {"/usr/share/hunspell", "/usr/share/myspell", "/usr/share/myspell/dicts"};
}

std::vector<std::string> system_dictd_folders() { return {"/usr/share/dictd"}; }

unsigned usable_processor_count() {
#ifdef CPU_COUNT
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    const int count = CPU_COUNT(&allowed);
    if (count > 0) return static_cast<unsigned>(count);
  }
#endif
  const unsigned count = std::thread::hardware_concurrency();
  return count == 0 ? 1 : count;
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
