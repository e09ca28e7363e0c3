#ifndef LEXICULL_STEM_STEMMING_THREADS_H_
#define LEXICULL_STEM_STEMMING_THREADS_H_

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "book/book_word_set.h"
#include "stem/stemmer.h"

namespace lexicull {

// Stems a book's words on up to `threads` threads, each with a stemmer of its
// own. The first stemmer is made as soon as this is constructed, on a thread
// of its own, so that loading its dictionary overlaps the reading of the
// book; the others are made once the words are known, and the words are
// handed out in small runs, so that the first thread takes more of them.
// Every thread is joined before add_stems() returns or throws, so the words
// it reads outlive the threads that read them.
class StemmingThreads {
 public:
  // Starts a thread that runs `work`, or throws as std::thread's constructor
  // does: std::system_error when the system has no thread to give, anything
  // else (std::bad_alloc) when memory runs out.
  using ThreadStart = std::function<std::thread(std::function<void()> work)>;
  static std::thread start_thread(std::function<void()> work);

  // `threads` is at least one; `maker` must outlive this.
  StemmingThreads(const StemmerMaker& maker, unsigned threads,
                  ThreadStart start = &StemmingThreads::start_thread);
  // Waits for the first thread; when add_stems() was never called, it stops
  // as soon as its stemmer is made.
  ~StemmingThreads();
  StemmingThreads(const StemmingThreads&) = delete;
  StemmingThreads& operator=(const StemmingThreads&) = delete;

  // Adds to `words` the stems of every word it holds, lower-cased as keys
  // are, so that the vocabulary's entries for them are kept as well. Once
  // only. A thread the system cannot give leaves the words to the others; a
  // failure to get memory, on any thread or in starting one, is thrown here
  // once every thread has stopped.
  void add_stems(BookWordSet& words);

 private:
  struct Share {
    std::vector<std::string> stems;
    std::exception_ptr failure;
  };

  void work(Share& share) noexcept;

  const StemmerMaker& maker_;
  const unsigned threads_;
  const ThreadStart start_;
  std::vector<Share> shares_;
  std::thread first_;
  std::mutex mutex_;
  std::condition_variable words_ready_;
  const BookWordSet* words_ = nullptr;  // set under mutex_
  bool abandoned_ = false;              // set under mutex_
  std::atomic<std::size_t> next_word_{0};
  std::atomic<bool> stopping_{false};  // a thread failed: the others stop too
};

}  // namespace lexicull

#endif  // LEXICULL_STEM_STEMMING_THREADS_H_
