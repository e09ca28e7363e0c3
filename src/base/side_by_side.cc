#include "base/side_by_side.h"

#include <exception>
#include <vector>

#include "base/thread.h"

namespace lexicull {

void run_side_by_side(std::size_t count, const std::function<void(std::size_t share)>& share) {
  std::vector<std::exception_ptr> failures(count);
  auto run = [&](std::size_t index) {
    try {
      share(index);
    } catch (...) {
      failures[index] = std::current_exception();
    }
  };
  std::vector<Thread> workers;
  std::vector<std::size_t> left_over;
  for (std::size_t index = 1; index < count; ++index) {
    try {
      workers.emplace_back([&run, index] { run(index); });
    } catch (...) {
      left_over.push_back(index);
    }
  }
  if (count > 0) run(0);
  for (const std::size_t index : left_over) run(index);
  for (Thread& worker : workers) worker.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace lexicull
