#include "base/side_by_side.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace lexicull {
namespace {

TEST(SideBySide, EveryShareRunsAndTheLowestFailureIsThrownAfterAllEnded) {
  for (const std::size_t count : {0, 1, 2, 5}) {
    std::vector<std::atomic<int>> runs(count);
    run_side_by_side(count, [&](std::size_t share) { ++runs[share]; });
    for (std::size_t share = 0; share < count; ++share) EXPECT_EQ(runs[share], 1) << share;
  }
  std::atomic<int> ended{0};
  try {
    run_side_by_side(4, [&](std::size_t share) {
      ++ended;
      if (share >= 2) throw std::runtime_error("share " + std::to_string(share));
    });
    ADD_FAILURE() << "nothing thrown";
  } catch (const std::runtime_error& failure) {
    EXPECT_STREQ(failure.what(), "share 2");
  }
  EXPECT_EQ(ended, 4);
}

}  // namespace
}  // namespace lexicull
