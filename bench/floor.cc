// The floor of the job: what any program that does it must do at least. It
// reads the book and then the vocabulary to their ends in 128 KiB blocks,
// and writes the expected output (a file given to it) with one write per
// line, as the contract's flush per line asks. Nothing is parsed, hashed or
// sorted. With --one-write it writes the output at once instead: the
// difference is what the flush per line costs.
//
//   floor [--one-write] BOOK VOCABULARY EXPECTED_OUTPUT > output
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kBlockSize = 128 * 1024;

// Reads a file to its end, block by block; returns its content when kept.
bool read_all(const char* path, std::vector<char>* kept) {
  const int descriptor = open(path, O_RDONLY);
  if (descriptor < 0) return false;
  std::vector<char> block(kBlockSize);
  for (;;) {
    const ssize_t got = read(descriptor, block.data(), block.size());
    if (got < 0) return false;
    if (got == 0) break;
    if (kept != nullptr) kept->insert(kept->end(), block.data(), block.data() + got);
  }
  close(descriptor);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool one_write = argc == 5 && std::strcmp(argv[1], "--one-write") == 0;
  if (one_write) ++argv;
  if (argc != (one_write ? 5 : 4)) {
    std::fprintf(stderr, "usage: floor [--one-write] BOOK VOCABULARY EXPECTED_OUTPUT\n");
    return 2;
  }
  std::vector<char> expected;
  if (!read_all(argv[3], &expected) || !read_all(argv[1], nullptr) ||
      !read_all(argv[2], nullptr)) {
    std::perror("floor");
    return 1;
  }
  const char* line = expected.data();
  const char* const end = line + expected.size();
  while (line < end) {
    const void* line_feed = std::memchr(line, '\n', end - line);
    const char* next = line_feed && !one_write ? static_cast<const char*>(line_feed) + 1 : end;
    if (write(STDOUT_FILENO, line, next - line) != next - line) return 1;
    line = next;
  }
  return 0;
}
