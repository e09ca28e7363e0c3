#include "text/byte_masks.h"

#include <gtest/gtest.h>

#include <random>

#include "text/byte_classes.h"

namespace lexicull {
namespace {

// Every byte value at every offset, in both ways of making the masks, for
// the classes both readers ask for.
TEST(ByteMasks, MarkExactlyTheBytesAskedFor) {
  struct Ask {
    unsigned char first, second, ceiling;
  };
  std::mt19937 random(64);
  unsigned char bytes[64];
  for (const Ask ask : {Ask{kSpace, kLineFeed, 'A'}, Ask{kLineFeed, kEntrySeparator, 0x80}}) {
    for (int byte = 0; byte < 256; ++byte) {
      for (unsigned offset = 0; offset < 64; ++offset) {
        for (unsigned char& other : bytes) other = static_cast<unsigned char>(random());
        bytes[offset] = static_cast<unsigned char>(byte);
        ByteMasks expected{0, 0, 0};
        for (unsigned i = 0; i < 64; ++i) {
          expected.first |= std::uint64_t{bytes[i] == ask.first} << i;
          expected.second |= std::uint64_t{bytes[i] == ask.second} << i;
          expected.below |= std::uint64_t{bytes[i] < ask.ceiling} << i;
        }
        for (const ByteMasks masks :
             {byte_masks_portable(bytes, ask.first, ask.second, ask.ceiling),
              byte_masks(bytes, ask.first, ask.second, ask.ceiling)}) {
          ASSERT_EQ(masks.first, expected.first) << byte << " at " << offset;
          ASSERT_EQ(masks.second, expected.second) << byte << " at " << offset;
          ASSERT_EQ(masks.below, expected.below) << byte << " at " << offset;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lexicull
