#ifndef LEXICULL_STEM_STEMMING_THREADS_H_
#define LEXICULL_STEM_STEMMING_THREADS_H_

#include <atomic>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "base/mutex.h"
#include "base/thread.h"
#include "base/thread_annotations.h"
#include "book/book_word_set.h"
#include "stem/stemmer.h"

namespace lexicull {

// A book word and one of its stems, both in the word set.
struct WordStem {
  BookWordSet::WordId word;
  BookWordSet::WordId stem;
  bool operator<(const WordStem& other) const {
    return word != other.word ? word < other.word : stem < other.stem;
  }
  bool operator==(const WordStem& other) const { return word == other.word && stem == other.stem; }
};

// Stems a book's words on up to `threads` threads, each with a stemmer of its
// own. The first stemmer is made as soon as this is constructed, on a thread
// of its own, so that loading its dictionary overlaps the reading of the
// book; the others are made once the words are known, and the words are
// handed out in small runs, so that the first thread takes more of them.
// Every thread has stopped reading the words before add_stems() returns or
// throws; the threads then drop their dictionaries while the run goes on,
// and the destructor waits for them. One thread owns it and calls its
// methods; its own threads share only what mutex_ guards and the atomics.
class StemmingThreads {
 public:
  // Starts a thread that runs `work`, or throws as Thread's constructor
  // does: std::system_error when the system has no thread to give, anything
  // else (std::bad_alloc) when memory runs out.
  using ThreadStart = std::function<Thread(std::function<void()> work)>;
  static Thread start_thread(std::function<void()> work);

  // `threads` is at least one; `maker` must outlive this.
  StemmingThreads(const StemmerMaker& maker, unsigned threads,
                  ThreadStart start = &StemmingThreads::start_thread);
  // Waits for every thread; when add_stems() was never called, the first
  // stops as soon as its stemmer is made.
  ~StemmingThreads();
  StemmingThreads(const StemmingThreads&) = delete;
  StemmingThreads& operator=(const StemmingThreads&) = delete;

  // Adds to `words` the stems of every word it holds, lower-cased as keys
  // are, so that the vocabulary's entries for them are kept as well. Once
  // only. A thread the system cannot give leaves the words to the others; a
  // failure to get memory, on any thread or in starting one, is thrown here
  // once every thread has stopped.
  // Stems count no occurrences. With `relation`, each pair of a word and
  // one of its stems is added to it, once, sorted.
  void add_stems(BookWordSet& words, std::vector<WordStem>* relation = nullptr);

 private:
  struct Share {
    std::vector<std::string> stems;
    std::vector<BookWordSet::WordId> owners;  // the word of each stem
    std::exception_ptr failure;
  };

  void work(Share& share) noexcept;

  const StemmerMaker& maker_;
  const unsigned threads_;
  const ThreadStart start_;
  std::vector<Share> shares_;
  Thread first_;
  std::vector<Thread> others_;
  Mutex mutex_;
  CondVar words_ready_;  // under mutex_
  CondVar stems_ready_;  // under mutex_
  const BookWordSet* words_ GUARDED_BY(mutex_) = nullptr;
  bool abandoned_ GUARDED_BY(mutex_) = false;
  std::size_t stemming_ GUARDED_BY(mutex_) = 0;  // shares not yet stemmed
  std::atomic<std::size_t> next_word_{0};
  std::atomic<bool> stopping_{false};  // a thread failed: the others stop too
};

}  // namespace lexicull

#endif  // LEXICULL_STEM_STEMMING_THREADS_H_
