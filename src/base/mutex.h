#ifndef LEXICULL_BASE_MUTEX_H_
#define LEXICULL_BASE_MUTEX_H_

// std::mutex and its lock and condition variable, as clang's thread-safety
// analysis can follow them: the standard library's carry no attributes.

#include <condition_variable>
#include <mutex>

#include "base/thread_annotations.h"

namespace lexicull {

class CAPABILITY("mutex") Mutex {
 public:
  void lock() ACQUIRE() { mutex_.lock(); }
  void unlock() RELEASE() { mutex_.unlock(); }

 private:
  friend class CondVar;
  std::mutex mutex_;
};

// Holds a mutex while it lives.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  ~MutexLock() RELEASE() { mutex_.unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

// Waits for a change that another thread makes under a mutex, always the
// same one.
class CondVar {
 public:
  // Releases `mutex` while it waits, and holds it again on return, which
  // may come without a signal: wait in a loop on the condition.
  void wait(Mutex& mutex) REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
    condition_.wait(lock);
    lock.release();
  }
  void signal_all() { condition_.notify_all(); }

 private:
  std::condition_variable condition_;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_MUTEX_H_
