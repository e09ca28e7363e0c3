#include <windows.h>

#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "base/thread.h"

namespace lexicull {

// Windows starts a new thread on an idle processor where there is one.
struct Thread::Running {
  std::thread thread;
};

void Thread::Ending::operator()(Running* running) const { delete running; }

Thread::Thread(std::function<void()> work) : running_(new Running) {
  running_->thread = std::thread([work = std::move(work)] {
    try {
      work();
    } catch (...) {
      std::terminate();
    }
  });
}

void run_this_thread_when_idle() {
  (void)SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
}

void Thread::join() {
  if (!joinable()) throw std::system_error(std::make_error_code(std::errc::invalid_argument));
  running_->thread.join();
  running_.reset();
}

}  // namespace lexicull
