#include "book/book_byte_masks.h"

#include <gtest/gtest.h>

#include <random>

namespace lexicull {
namespace {

// Every byte value at every offset, in both ways of making the masks.
TEST(BookByteMasks, MarkExactlyTheEndsAndTheOtherBytesBelowA) {
  std::mt19937 random(64);
  unsigned char bytes[64];
  for (int byte = 0; byte < 256; ++byte) {
    for (unsigned offset = 0; offset < 64; ++offset) {
      for (unsigned char& other : bytes) other = static_cast<unsigned char>(random());
      bytes[offset] = static_cast<unsigned char>(byte);
      std::uint64_t ends = 0;
      std::uint64_t specials = 0;
      for (unsigned i = 0; i < 64; ++i) {
        const bool end = bytes[i] == kSpace || bytes[i] == kLineFeed;
        ends |= std::uint64_t{end} << i;
        specials |= std::uint64_t{!end && bytes[i] < 'A'} << i;
      }
      const BookByteMasks portable = book_byte_masks_portable(bytes);
      ASSERT_EQ(portable.ends, ends) << byte << " at " << offset;
      ASSERT_EQ(portable.specials, specials) << byte << " at " << offset;
      const BookByteMasks fastest = book_byte_masks(bytes);
      ASSERT_EQ(fastest.ends, ends) << byte << " at " << offset;
      ASSERT_EQ(fastest.specials, specials) << byte << " at " << offset;
    }
  }
}

}  // namespace
}  // namespace lexicull
