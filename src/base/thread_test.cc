#include "base/thread.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"

namespace lexicull {
namespace {

TEST(Thread, RunsItsWorkAndThenMayRunWhereverTheProcessMay) {
  // A thread started away from its maker must not stay kept from the
  // maker's processor: it sees the same processors as the process.
  const unsigned processors = usable_processor_count();
  std::vector<unsigned> seen(4, 0);
  std::vector<Thread> threads;
  for (unsigned& count : seen) threads.emplace_back([&count] { count = usable_processor_count(); });
  for (Thread& thread : threads) {
    EXPECT_TRUE(thread.joinable());
    thread.join();
    EXPECT_FALSE(thread.joinable());
  }
  for (const unsigned count : seen) EXPECT_EQ(count, processors);

  Thread none;
  EXPECT_FALSE(none.joinable());
  int ran = 0;
  Thread started([&ran] { ran = 1; });
  none = std::move(started);
  EXPECT_FALSE(started.joinable());
  ASSERT_TRUE(none.joinable());
  none.join();
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace lexicull
