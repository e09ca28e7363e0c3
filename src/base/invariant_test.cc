#include "base/invariant.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/byte_buffer.h"
#include "base/padded_bytes.h"
#include "book/book_word_set.h"
#include "text/byte_masks.h"

namespace lexicull {
namespace {

struct Part {
  virtual ~Part() = default;
};
struct OnePart : Part {};
struct OtherPart : Part {};

// Each check that a hot loop or a fixed buffer relies on stops a check
// build when broken, saying what broke.
TEST(Invariants, EachCheckStopsTheCheckBuildSayingWhat) {
  if (!kInvariantsChecked) GTEST_SKIP() << "this build checks no invariants";
  unsigned char bytes[8 + PaddedBytes::kPadding] = {};
  const PaddedBytes padded = PaddedBytes::in_padded_buffer(bytes, 8);
  EXPECT_DEATH(padded.part(4, 5), "count <= size_ - offset \\(5 <= 4\\)");
  EXPECT_DEATH(padded.part(9, 0), "offset <= size_ \\(9 <= 8\\)");
  EXPECT_DEATH(padded.from(bytes + 9), "from >= data_ && from <= end\\(\\)");
  ByteBuffer buffer;
  buffer.reserve(10, 0);
  EXPECT_DEATH(buffer.view(buffer.capacity()), "size <= capacity_ - PaddedBytes::kPadding");
  ByteMasks masks{~std::uint64_t{0}, ~std::uint64_t{0}, ~std::uint64_t{0}};
  EXPECT_DEATH(masks.keep_first(64), "count < 64u \\(64 < 64\\)");
  BookWordSet words;
  words.insert(WordKey::of(padded.part(0, 3)));
  EXPECT_DEATH(words.count_occurrences(), "size\\(\\) == 0");
  std::vector<WordKey> batch(BookWordSet::kBatchSize + 1, WordKey::of(padded.part(0, 3)));
  EXPECT_DEATH(words.insert_batch(batch.data(), batch.size()), "count <= kBatchSize");
  OnePart one;
  Part& part = one;
  EXPECT_DEATH(checked_downcast<OtherPart>(part), "a downcast to a type the object is not");
  EXPECT_EQ(&checked_downcast<OnePart>(part), &one);
}

}  // namespace
}  // namespace lexicull
