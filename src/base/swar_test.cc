#include "base/swar.h"

#include <gtest/gtest.h>

#include "text/byte_classes.h"

namespace lexicull {
namespace {

// Every byte value in every lane, against the byte-at-a-time definitions.
TEST(Swar, AgreesWithTheByteAtATimeDefinitions) {
  for (int byte = 0; byte < 256; ++byte) {
    for (int lane = 0; lane < 8; ++lane) {
      unsigned char bytes[8] = {'a', 'B', 0x80, 0xFF, 0, '|', '\n', 'z'};
      bytes[lane] = static_cast<unsigned char>(byte);
      const swar::Bytes8 value = swar::load(bytes);

      unsigned char lowered[8];
      swar::store(lowered, swar::to_lower(value));
      for (int i = 0; i < 8; ++i) ASSERT_EQ(lowered[i], to_lower(bytes[i])) << byte << " " << lane;

      swar::store(lowered, swar::to_lower_if_at_least_a(value));
      for (int i = 0; i < 8; ++i) {
        if (bytes[i] >= 'A') {
          ASSERT_EQ(lowered[i], to_lower(bytes[i])) << byte << " " << lane;
        }
      }

      const swar::Bytes8 low = swar::below(value, 'A');
      for (int i = 0; i < 8; ++i) {
        ASSERT_EQ((low >> (8 * i + 7)) & 1, bytes[i] < 'A' ? 1u : 0u) << byte << " " << lane;
      }

      int first_bar = -1;
      for (int i = 0; i < 8 && first_bar < 0; ++i) {
        if (bytes[i] == '|') first_bar = i;
      }
      const swar::Bytes8 bars = swar::first_equal(value, '|');
      if (first_bar < 0) {
        ASSERT_EQ(bars, 0u) << byte << " " << lane;
      } else {
        ASSERT_EQ(static_cast<int>(swar::first_marked(bars)), first_bar) << byte << " " << lane;
      }
    }
  }
}

}  // namespace
}  // namespace lexicull
