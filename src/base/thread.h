#ifndef LEXICULL_BASE_THREAD_H_
#define LEXICULL_BASE_THREAD_H_

#include <exception>
#include <functional>
#include <memory>
#include <utility>

namespace lexicull {

// A thread of the program's own: what std::thread does, except where it
// starts. Some kernels queue a new thread on the processor of the thread
// that made it, which goes on running, so that the new one waits there for
// the scheduler's next tick (about 4 ms on the machines measured) while
// another processor idles, and work shared out for a few milliseconds gains
// nothing. Where the system lets a program say so, a new thread therefore
// starts on another processor than its maker's, and is free to run wherever
// the process may as soon as it has started. thread_posix.cc and
// thread_windows.cc define it.
class Thread {
 public:
  // No thread: not joinable.
  Thread() = default;
  // Runs `work`, which must not throw, on a new thread. Throws as
  // std::thread's constructor does: std::system_error when the system has
  // no thread to give, std::bad_alloc when memory runs out.
  explicit Thread(std::function<void()> work);
  Thread(Thread&& other) noexcept = default;
  // Only onto a thread that is not joinable.
  Thread& operator=(Thread&& other) noexcept {
    if (joinable()) std::terminate();
    running_ = std::move(other.running_);
    return *this;
  }
  // A joinable thread must have been joined: destroying it ends the
  // program, as std::thread does.
  ~Thread() {
    if (joinable()) std::terminate();
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Whether it runs work that has not been joined.
  bool joinable() const { return running_ != nullptr; }
  // Waits until the work has returned; the thread is then not joinable.
  void join();

  struct Running;  // what the new thread needs, the system's own

 private:
  struct Ending {
    void operator()(Running* running) const;
  };
  std::unique_ptr<Running, Ending> running_;
};

// Lets the calling thread run only on a processor that no other thread
// wants: for work that merely gets ahead of what the others will need, and
// must not slow them. Only a hint, which may do nothing.
void run_this_thread_when_idle();

}  // namespace lexicull

#endif  // LEXICULL_BASE_THREAD_H_
