#include "book/book_word_set.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "text/swar.h"

namespace lexicull {
namespace {

// Room for two thousand words before the first growth, in 64 KiB.
constexpr unsigned kInitialSlotBits = 12;

std::uint64_t mix(std::uint64_t state, std::uint64_t value) {
  state = (state ^ value) * 0x9E3779B97F4A7C15ull;
  return state ^ (state >> 29);
}

// The first `size` bytes (at most 8) of a padded word; the rest are zero.
std::uint64_t head_of(const unsigned char* data, std::size_t size) {
  const std::uint64_t all = swar::load(data);
  return size >= 8 ? all : all & ((std::uint64_t{1} << (8 * size)) - 1);
}

// Copies a word into a buffer with padding, for callers that have none.
std::string padded_copy(std::string_view word) {
  std::string copy(word);
  copy.append(BookWordSet::kPadding, '\0');
  return copy;
}

const unsigned char* bytes_of(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace

BookWordSet::BookWordSet()
    : slots_(std::size_t{1} << kInitialSlotBits, Slot{0, kFreeTag, kAbsent}),
      filter_((std::size_t{4} << kInitialSlotBits) / 64),
      shift_(64 - kInitialSlotBits) {}

BookWordSet::Key BookWordSet::long_key_of(const unsigned char* data, std::size_t size,
                                          std::uint64_t head) {
  if (size == kShortWordSize) return short_key_of(head, size);
  std::uint64_t state = mix(0x243F6A8885A308D3ull, size);
  const unsigned char* const end = data + size;
  for (; data + 8 <= end; data += 8) state = mix(state, swar::load(data));
  state = mix(state, head_of(data, end - data));
  const std::uint64_t hash = state * kMultiplier;
  // Any tag above kShortWordSize marks a long word; a few low bits of the
  // hash (which picks the slot from its top bits) set it apart from others.
  return Key{head, static_cast<std::uint32_t>(hash) | 0x10000u, hash};
}

bool BookWordSet::long_word_matches(WordId id, const unsigned char* data, std::size_t size) const {
  const Word& word = words_[id];
  return word.size == size && std::memcmp(word.bytes, data, size) == 0;
}

char* BookWordSet::store(const unsigned char* data, std::size_t size) {
  constexpr std::size_t kBlockSize = 64 * 1024;
  if (size > arena_left_) {
    const std::size_t block_size = size > kBlockSize / 4 ? size : kBlockSize;
    arena_.emplace_back(new char[block_size]);
    if (size > kBlockSize / 4) {
      std::memcpy(arena_.back().get(), data, size);
      return arena_.back().get();
    }
    arena_free_ = arena_.back().get();
    arena_left_ = block_size;
  }
  char* const bytes = arena_free_;
  if (size > 0) std::memcpy(bytes, data, size);
  arena_free_ += size;
  arena_left_ -= size;
  return bytes;
}

BookWordSet::WordId BookWordSet::find(std::string_view word) const {
  const std::string copy = padded_copy(word);
  return find_padded(bytes_of(copy), word.size());
}

void BookWordSet::add(std::string_view word) {
  const std::string copy = padded_copy(word);
  add_padded(bytes_of(copy), word.size());
}

void BookWordSet::add_new(const Key& key, std::size_t index, const unsigned char* data,
                          std::size_t size) {
  const std::size_t mask = slots_.size() - 1;
  for (; slots_[index].id != kAbsent; index = (index + 1) & mask) {
    if (matches(slots_[index], key, data, size)) return;
  }
  // Ids must stay distinct from kAbsent; a book with four thousand million
  // distinct words exhausts memory long before.
  if (words_.size() + 1 >= kAbsent) throw std::bad_alloc();
  const auto id = static_cast<WordId>(words_.size());
  words_.push_back(Word{store(data, size), size});
  longest_word_size_ = std::max(longest_word_size_, size);
  slots_[index] = Slot{key.head, key.tag, id};
  add_to_filter(key.head, size);
  // Half-full keeps probe runs short.
  if (words_.size() * 2 > slots_.size()) grow_slots();
}

void BookWordSet::grow_slots() {
  std::vector<Slot> old_slots(slots_.size() * 2, Slot{0, kFreeTag, kAbsent});
  old_slots.swap(slots_);
  filter_.assign(slots_.size() * 4 / 64, 0);
  --shift_;
  const std::size_t mask = slots_.size() - 1;
  std::string padded;
  for (const Slot& slot : old_slots) {
    if (slot.id == kAbsent) continue;
    // A short word's key is in its slot; only a long one is hashed again.
    Key key;
    std::size_t size = slot.tag;
    if (slot.tag <= kShortWordSize) {
      key = short_key_of(slot.head, size);
    } else {
      size = words_[slot.id].size;
      padded.assign(words_[slot.id].bytes, size);
      padded.append(kPadding, '\0');
      key = key_of(bytes_of(padded), size);
    }
    std::size_t index = slot_of(key);
    while (slots_[index].id != kAbsent) index = (index + 1) & mask;
    slots_[index] = Slot{key.head, key.tag, slot.id};
    add_to_filter(key.head, size);
  }
}

void BookWordSet::sort_by_word(std::vector<WordId>& ids) const {
  // Most pairs differ in their first eight bytes, which compare as one
  // integer when read most significant byte first; only ties compare in full.
  struct Entry {
    std::uint64_t prefix;
    WordId id;
  };
  std::vector<Entry> entries;
  entries.reserve(ids.size());
  for (WordId id : ids) {
    const Word& word = words_[id];
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
      const unsigned char byte = i < word.size ? static_cast<unsigned char>(word.bytes[i]) : 0;
      prefix = prefix << 8 | byte;
    }
    entries.push_back(Entry{prefix, id});
  }
  std::sort(entries.begin(), entries.end(), [this](const Entry& left, const Entry& right) {
    if (left.prefix != right.prefix) return left.prefix < right.prefix;
    const Word& a = words_[left.id];
    const Word& b = words_[right.id];
    const std::size_t common = std::min(a.size, b.size);
    const int order = common == 0 ? 0 : std::memcmp(a.bytes, b.bytes, common);
    return order != 0 ? order < 0 : a.size < b.size;
  });
  for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = entries[i].id;
}

}  // namespace lexicull
