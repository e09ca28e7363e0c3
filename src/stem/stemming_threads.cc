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

std::thread StemmingThreads::start_thread(std::function<void()> work) {
  return std::thread(std::move(work));
}

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
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
  }
  words_ready_.notify_all();
  if (first_.joinable()) first_.join();
}

void StemmingThreads::work(Share& share) noexcept {
  try {
    const std::unique_ptr<Stemmer> stemmer = maker_.make();
    const BookWordSet* words = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      words_ready_.wait(lock, [this] { return words_ != nullptr || abandoned_; });
      if (words_ == nullptr) return;
      words = words_;
    }
    while (!stopping_.load(std::memory_order_relaxed)) {
      const std::size_t begin = next_word_.fetch_add(kRun, std::memory_order_relaxed);
      const std::size_t end = std::min(begin + kRun, words->size());
      if (begin >= end) break;
      for (std::size_t id = begin; id < end; ++id) {
        stemmer->add_stems(words->word(static_cast<BookWordSet::WordId>(id)), share.stems);
      }
    }
  } catch (...) {
    share.failure = std::current_exception();
    stopping_.store(true, std::memory_order_relaxed);
  }
}

void StemmingThreads::add_stems(BookWordSet& words) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    words_ = &words;
  }
  words_ready_.notify_all();
  const std::size_t wanted = std::clamp<std::size_t>(words.size() / kWordsPerThread, 1, threads_);
  std::vector<std::thread> others;
  std::exception_ptr failure;
  try {
    others.reserve(wanted);
    for (std::size_t i = 1; i < wanted; ++i) {
      Share& share = shares_[i];
      others.push_back(start_([this, &share] { work(share); }));
    }
  } catch (const std::system_error&) {
    // Fewer threads: the runs of words go to those there are.
  } catch (...) {
    // Out of memory: the threads that run stop at their next run of words,
    // and are joined before the failure goes up.
    failure = std::current_exception();
    stopping_.store(true, std::memory_order_relaxed);
  }
  if (!first_.joinable() && !failure) work(shares_[0]);
  for (std::thread& thread : others) thread.join();
  if (first_.joinable()) first_.join();
  if (failure) std::rethrow_exception(failure);

  ByteBuffer buffer;
  for (Share& share : shares_) {
    if (share.failure) std::rethrow_exception(share.failure);
    for (const std::string& stem : share.stems) words.insert(WordKey::of_copy(stem, buffer));
    share.stems = std::vector<std::string>();
  }
}

}  // namespace lexicull
