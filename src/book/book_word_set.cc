#include "book/book_word_set.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lexicull {
namespace {

constexpr std::size_t kInitialSlots = 1024;
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

std::uint64_t load_word(const unsigned char* data, std::size_t size) {
  std::uint64_t value = 0;
  std::memcpy(&value, data, size);
  return value;
}

std::uint64_t mix(std::uint64_t state, std::uint64_t value) {
  state = (state ^ value) * kMultiplier;
  return state ^ (state >> 29);
}

}  // namespace

BookWordSet::BookWordSet() : slots_(kInitialSlots, kAbsent) {}

std::uint32_t BookWordSet::hash(const unsigned char* data, std::size_t size) {
  std::uint64_t state = mix(0x243F6A8885A308D3ull, size);
  for (; size >= 8; data += 8, size -= 8) state = mix(state, load_word(data, 8));
  if (size > 0) state = mix(state, load_word(data, size));
  return static_cast<std::uint32_t>(state >> 32) ^ static_cast<std::uint32_t>(state);
}

bool BookWordSet::matches(WordId id, std::uint32_t hash, const unsigned char* data,
                          std::size_t size) const {
  const Word& word = words_[id];
  return hashes_[id] == hash && word.size == size &&
         (size == 0 || std::memcmp(arena_.data() + word.offset, data, size) == 0);
}

BookWordSet::WordId BookWordSet::find(const unsigned char* data, std::size_t size) const {
  if (size > longest_word_size_ || words_.empty()) return kAbsent;
  const std::uint32_t word_hash = hash(data, size);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = word_hash & mask;; slot = (slot + 1) & mask) {
    const WordId id = slots_[slot];
    if (id == kAbsent) return kAbsent;
    if (matches(id, word_hash, data, size)) return id;
  }
}

void BookWordSet::add(const unsigned char* data, std::size_t size) {
  const std::uint32_t word_hash = hash(data, size);
  std::size_t mask = slots_.size() - 1;
  std::size_t slot = word_hash & mask;
  for (;; slot = (slot + 1) & mask) {
    const WordId id = slots_[slot];
    if (id == kAbsent) break;
    if (matches(id, word_hash, data, size)) return;
  }
  // Ids must stay distinct from kAbsent; a book with four thousand million
  // distinct words exhausts memory long before.
  if (words_.size() + 1 >= kAbsent) throw std::bad_alloc();
  const auto id = static_cast<WordId>(words_.size());
  words_.push_back(Word{arena_.size(), size});
  hashes_.push_back(word_hash);
  arena_.insert(arena_.end(), data, data + size);
  longest_word_size_ = std::max(longest_word_size_, size);
  slots_[slot] = id;
  // Half-full keeps probe runs short.
  if (words_.size() * 2 > slots_.size()) grow_slots();
}

void BookWordSet::grow_slots() {
  std::vector<WordId> grown(slots_.size() * 2, kAbsent);
  const std::size_t mask = grown.size() - 1;
  for (WordId id = 0; id < words_.size(); ++id) {
    std::size_t slot = hashes_[id] & mask;
    while (grown[slot] != kAbsent) slot = (slot + 1) & mask;
    grown[slot] = id;
  }
  slots_.swap(grown);
}

void BookWordSet::sort_by_word(std::vector<WordId>& ids) const {
  std::sort(ids.begin(), ids.end(), [this](WordId left, WordId right) {
    const Word& a = words_[left];
    const Word& b = words_[right];
    const std::size_t common = std::min(a.size, b.size);
    const int order =
        common == 0 ? 0 : std::memcmp(arena_.data() + a.offset, arena_.data() + b.offset, common);
    return order != 0 ? order < 0 : a.size < b.size;
  });
}

}  // namespace lexicull
