#include "stem/add_stems.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "base/byte_buffer.h"

namespace lexicull {
namespace {

// A thread's own dictionary takes longer to load than a few thousand words
// take to stem.
constexpr std::size_t kWordsPerThread = 4096;

struct Share {
  std::vector<std::string> stems;
  std::exception_ptr failure;
};

// Stems every `step`-th word from `first` on: spread like this, each thread
// gets as many short and long words as the others.
void stem_share(const BookWordSet& words, const StemmerMaker& maker, std::size_t first,
                std::size_t step, Share& share) noexcept {
  try {
    const std::unique_ptr<Stemmer> stemmer = maker.make();
    for (std::size_t id = first; id < words.size(); id += step) {
      stemmer->add_stems(words.word(static_cast<BookWordSet::WordId>(id)), share.stems);
    }
  } catch (...) {
    share.failure = std::current_exception();
  }
}

}  // namespace

void add_stems(BookWordSet& words, const StemmerMaker& maker, unsigned threads) {
  const std::size_t count = std::clamp<std::size_t>(words.size() / kWordsPerThread, 1, threads);
  std::vector<Share> shares(count);
  std::vector<std::thread> started;
  started.reserve(count);
  std::size_t next = 1;
  try {
    for (; next < count; ++next) {
      started.emplace_back(stem_share, std::cref(words), std::cref(maker), next, count,
                           std::ref(shares[next]));
    }
  } catch (...) {
    // No thread to be had: the shares without one are stemmed here.
  }
  stem_share(words, maker, 0, count, shares[0]);
  for (std::size_t i = next; i < count; ++i) stem_share(words, maker, i, count, shares[i]);
  for (std::thread& thread : started) thread.join();

  ByteBuffer buffer;
  for (Share& share : shares) {
    if (share.failure) std::rethrow_exception(share.failure);
    for (const std::string& stem : share.stems) {
      buffer.reserve(stem.size(), 0);
      if (!stem.empty()) std::memcpy(buffer.data(), stem.data(), stem.size());
      words.insert(WordKey::of(buffer.view(stem.size())));
    }
  }
}

}  // namespace lexicull
