#include "text/word_start.h"

#include <gtest/gtest.h>

#include <random>

#include "base/coding.h"
#include "text/byte_classes.h"

namespace lexicull {
namespace {

// Every byte value at every offset of every size, both ways of making the
// start, against lower-casing byte by byte.
TEST(WordStart, IsTheLowerCasedBytesOfTheWordAndZerosAfter) {
  std::mt19937 random(16);
  unsigned char bytes[16];
  for (std::size_t size = 0; size <= 16; ++size) {
    for (int byte = 0; byte < 256; ++byte) {
      for (unsigned offset = 0; offset < 16; ++offset) {
        for (unsigned char& other : bytes) other = static_cast<unsigned char>(random());
        bytes[offset] = static_cast<unsigned char>(byte);
        unsigned char expected[16] = {};
        for (std::size_t i = 0; i < size; ++i) expected[i] = to_lower(bytes[i]);
        for (const WordStart start :
             {lowered_word_start_portable(bytes, size), lowered_word_start(bytes, size)}) {
          ASSERT_EQ(start.head, load_little_endian64(expected)) << size << " " << byte;
          ASSERT_EQ(start.tail, load_little_endian64(expected + 8)) << size << " " << byte;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lexicull
