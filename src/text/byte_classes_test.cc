#include "text/byte_classes.h"

#include <gtest/gtest.h>

namespace lexicull {
namespace {

TEST(LowerCase, ChangesOnlyAsciiCapitals) {
  for (int byte = 0; byte < 256; ++byte) {
    const int expected = (byte >= 'A' && byte <= 'Z') ? byte + 32 : byte;
    EXPECT_EQ(to_lower(static_cast<unsigned char>(byte)), expected) << "byte " << byte;
  }
}

}  // namespace
}  // namespace lexicull
