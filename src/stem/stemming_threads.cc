#include "stem/stemming_threads.h"

#include <algorithm>
#include <system_error>

#include "base/byte_buffer.h"

namespace lexicull {
namespace {

// A thread's own dictionary takes longer to load than a few thousand words
// take to stem.
constexpr std::size_t kWordsPerThread = 4096;
// The words a thread takes at a time.
constexpr std::size_t kRun = 256;

}  // namespace

Thread StemmingThreads::start_thread(std::function<void()> work) { return Thread(std::move(work)); }

StemmingThreads::StemmingThreads(const StemmerMaker& maker, unsigned threads, ThreadStart start)
    : maker_(maker), threads_(std::max(threads, 1u)), start_(std::move(start)), shares_(threads_) {
  // Any other failure leaves no thread behind, so it may go up as it is.
  try {
    first_ = start_([this] { work(shares_[0]); });
  } catch (const std::system_error&) {
    // No thread to be had: the first share is stemmed by add_stems() itself.
  }
}

StemmingThreads::~StemmingThreads() {
  {
    MutexLock lock(mutex_);
    abandoned_ = true;
  }
  words_ready_.signal_all();
  if (first_.joinable()) first_.join();
  for (Thread& thread : others_) thread.join();
}

void StemmingThreads::work(Share& share) noexcept {
  std::unique_ptr<Stemmer> stemmer;
  try {
    stemmer = maker_.make();
  } catch (...) {
    share.failure = std::current_exception();
    stopping_.store(true, std::memory_order_relaxed);
  }
  const BookWordSet* words = nullptr;
  {
    MutexLock lock(mutex_);
    while (words_ == nullptr && !abandoned_) words_ready_.wait(mutex_);
    if (words_ == nullptr) return;
    words = words_;
  }
  try {
    while (stemmer && !stopping_.load(std::memory_order_relaxed)) {
      const std::size_t begin = next_word_.fetch_add(kRun, std::memory_order_relaxed);
      const std::size_t end = std::min(begin + kRun, words->size());
      if (begin >= end) break;
      for (std::size_t id = begin; id < end; ++id) {
        stemmer->add_stems(words->word(static_cast<BookWordSet::WordId>(id)), share.stems);
        share.owners.resize(share.stems.size(), static_cast<BookWordSet::WordId>(id));
      }
    }
  } catch (...) {
    share.failure = std::current_exception();
    stopping_.store(true, std::memory_order_relaxed);
  }
  {
    MutexLock lock(mutex_);
    --stemming_;
  }
  stems_ready_.signal_all();
  // The dictionary goes now, while the run goes on: dropping one takes as
  // long as loading it (30 ms for de_DE), and the threads drop theirs one
  // at a time.
}

void StemmingThreads::add_stems(BookWordSet& words, std::vector<WordStem>* relation) {
  {
    MutexLock lock(mutex_);
    words_ = &words;
    stemming_ = 1;  // the first share, on its thread or on this one
  }
  words_ready_.signal_all();
  const std::size_t wanted = std::clamp<std::size_t>(words.size() / kWordsPerThread, 1, threads_);
  std::exception_ptr failure;
  try {
    others_.reserve(wanted);
    for (std::size_t i = 1; i < wanted; ++i) {
      Share& share = shares_[i];
      {
        MutexLock lock(mutex_);
        ++stemming_;
      }
      try {
        others_.push_back(start_([this, &share] { work(share); }));
      } catch (...) {
        MutexLock lock(mutex_);
        --stemming_;
        throw;
      }
    }
  } catch (const std::system_error&) {
    // Fewer threads: the runs of words go to those there are.
  } catch (...) {
    // Out of memory: the threads that run stop at their next run of words.
    failure = std::current_exception();
    stopping_.store(true, std::memory_order_relaxed);
  }
  if (!first_.joinable()) work(shares_[0]);
  {
    MutexLock lock(mutex_);
    while (stemming_ != 0) stems_ready_.wait(mutex_);
  }
  if (failure) std::rethrow_exception(failure);

  words.stop_counting();
  ByteBuffer buffer;
  for (Share& share : shares_) {
    if (share.failure) std::rethrow_exception(share.failure);
    for (std::size_t i = 0; i < share.stems.size(); ++i) {
      const WordKey key = WordKey::of_copy(share.stems[i], buffer);
      words.insert(key);
      if (relation != nullptr) relation->push_back(WordStem{share.owners[i], words.find(key)});
    }
    share.stems = std::vector<std::string>();
    share.owners = std::vector<BookWordSet::WordId>();
  }
  if (relation != nullptr) {
    std::sort(relation->begin(), relation->end());
    relation->erase(std::unique(relation->begin(), relation->end()), relation->end());
  }
}

}  // namespace lexicull
