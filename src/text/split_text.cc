#include "text/split_text.h"

#include <cstring>
#include <vector>

namespace lexicull {
namespace {

// How far past the middle a delimiter is looked for before the file is read
// whole after all (one chunk of a book may be huge).
constexpr std::uint64_t kLongestSearch = 1 << 20;

}  // namespace

std::uint64_t find_cut(RandomAccessSource& input, unsigned char delimiter, std::uint64_t smallest) {
  const std::uint64_t size = input.size();
  if (size < smallest || size < 2) return 0;
  const std::uint64_t middle = size / 2;
  const std::uint64_t search_end = size - middle > kLongestSearch ? middle + kLongestSearch : size;
  std::unique_ptr<ByteSource> window = input.range(middle, search_end);
  std::vector<unsigned char> block(64 * 1024);
  std::uint64_t offset = middle;
  for (;;) {
    std::size_t count = 0;
    // A failed read here is left to the reading proper, which meets it only
    // if the text goes that far.
    if (!window->read(block.data(), block.size(), &count).ok() || count == 0) return 0;
    if (const void* found = std::memchr(block.data(), delimiter, count)) {
      const std::uint64_t after =
          offset + (static_cast<const unsigned char*>(found) - block.data()) + 1;
      return after < size ? after : 0;
    }
    offset += count;
  }
}

}  // namespace lexicull
