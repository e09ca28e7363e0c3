#include "base/page_mapping.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>

namespace lexicull {
namespace {

// Mapping pages ahead must not change a byte of them, whatever the range:
// empty, inside one page, across pages, from any offset.
TEST(MapForWriting, LeavesEveryByteAsItWas) {
  constexpr std::size_t kSize = 6 * 65536 + 123;
  const std::unique_ptr<unsigned char[]> block(new unsigned char[kSize]);
  for (std::size_t i = 0; i < kSize; ++i) block[i] = static_cast<unsigned char>(i * 7 + 3);
  const struct {
    std::size_t offset;
    std::size_t size;
  } ranges[] = {{0, 0}, {5, 1}, {17, 4096}, {100, 3 * 65536 + 5}, {65536, 65536}, {0, kSize}};
  for (const auto& range : ranges) {
    map_for_writing(block.get() + range.offset, range.size);
    for (std::size_t i = 0; i < kSize; ++i) {
      ASSERT_EQ(block[i], static_cast<unsigned char>(i * 7 + 3))
          << "byte " << i << " after " << range.offset << "+" << range.size;
    }
  }
}

}  // namespace
}  // namespace lexicull
