#include <pthread.h>
#include <sched.h>

#include <cerrno>
#include <exception>
#include <system_error>
#include <utility>

#include "base/thread.h"

namespace lexicull {

struct Thread::Running {
  explicit Running(std::function<void()> work) : work(std::move(work)) {}
  std::function<void()> work;
  pthread_t id{};
#ifdef CPU_COUNT
  cpu_set_t allowed;    // where the process may run: the new thread's own, once started
  bool placed = false;  // started elsewhere than its maker, by `allowed` less one
#endif
};

void Thread::Ending::operator()(Running* running) const { delete running; }

namespace {

extern "C" void* run_thread(void* argument) {
  auto& running = *static_cast<Thread::Running*>(argument);
#ifdef CPU_COUNT
  if (running.placed) (void)sched_setaffinity(0, sizeof running.allowed, &running.allowed);
#endif
  try {
    running.work();
  } catch (...) {
    std::terminate();  // as std::thread does
  }
  return nullptr;
}

// Starts `running` on a new thread, on another processor than this one's
// where the process may run on two or more; true when it started.
bool start(Thread::Running& running, bool elsewhere) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
#ifdef CPU_COUNT
  running.placed = false;
  const int here = sched_getcpu();
  if (elsewhere && here >= 0 && here < CPU_SETSIZE &&
      sched_getaffinity(0, sizeof running.allowed, &running.allowed) == 0 &&
      CPU_COUNT(&running.allowed) > 1 && CPU_ISSET(here, &running.allowed)) {
    cpu_set_t others = running.allowed;
    CPU_CLR(here, &others);
    running.placed = pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
  }
#else
  (void)elsewhere;
#endif
  const int error = pthread_create(&running.id, &attributes, &run_thread, &running);
  pthread_attr_destroy(&attributes);
  if (error == 0) return true;
  if (error == EAGAIN) throw std::system_error(error, std::generic_category(), "pthread_create");
  return false;
}

}  // namespace

Thread::Thread(std::function<void()> work) : running_(new Running(std::move(work))) {
  // A system that refuses the processors asked for still gets its thread.
  if (!start(*running_, true) && !start(*running_, false)) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "pthread_create");
  }
}

void run_this_thread_when_idle() {
#ifdef SCHED_IDLE
  // A thread that waits for one of the others (a lock it holds) gives it
  // an idle processor, so that it cannot hold them up for long.
  sched_param parameters{};
  (void)pthread_setschedparam(pthread_self(), SCHED_IDLE, &parameters);
#endif
}

void Thread::join() {
  if (!joinable()) throw std::system_error(std::make_error_code(std::errc::invalid_argument));
  const int error = pthread_join(running_->id, nullptr);
  if (error != 0) throw std::system_error(error, std::generic_category(), "pthread_join");
  running_.reset();
}

}  // namespace lexicull
