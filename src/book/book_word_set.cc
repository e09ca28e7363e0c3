// The word set's slow paths: new words, growth, batches and sorting. A new
// word's bytes go to the arena and its id is the next; the table doubles at
// half full, in place, refilled from the arena in id order. A batch asks
// for all its words' first slots before it reads any, so that in a large
// set the cache misses overlap. Sorting compares eight-byte prefixes as
// integers and only ties in full.
#include "book/book_word_set.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/invariant.h"

namespace lexicull {
namespace {

// Room for two thousand words before the first growth, in 96 KiB.
constexpr unsigned kInitialSlotBits = 12;

std::uint64_t mix(std::uint64_t state, std::uint64_t value) {
  state = (state ^ value) * 0x9E3779B97F4A7C15ull;
  return state ^ (state >> 29);
}

}  // namespace

BookWordSet::BookWordSet()
    : slots_(std::size_t{1} << kInitialSlotBits),
      filter_((std::size_t{4} << kInitialSlotBits) / 64),
      shift_(64 - kInitialSlotBits) {}

// Reads only the word's own bytes: the words in the arena have no padding.
BookWordSet::SlotKey BookWordSet::long_slot_key_of(const unsigned char* bytes, std::size_t size) {
  std::uint64_t state = mix(0x243F6A8885A308D3ull, size);
  const unsigned char* const end = bytes + size;
  for (; bytes + 8 <= end; bytes += 8) state = mix(state, load_little_endian64(bytes));
  state = mix(state, load_little_endian_partial(bytes, static_cast<std::size_t>(end - bytes)));
  // The tag is the hash's top half with a bit set that marks it long (above
  // kHeldWordSize): a slot with another tag holds another word, told without
  // reading its record.
  static_assert((kLongTagBit >> 32) > kLongestHeldTag, "a long word's tag is no held word's");
  const std::uint64_t hash = state * 0x9E3779B97F4A7C15ull | kLongTagBit;
  return SlotKey{static_cast<std::uint32_t>(hash >> 32), hash};
}

bool BookWordSet::long_word_matches(const unsigned char* record, const WordKey& key) {
  // The head matched in the slot.
  constexpr std::size_t kHeadSize = 8;
  return record_size(record) == key.size() &&
         std::memcmp(record_bytes(record) + kHeadSize, key.long_bytes() + kHeadSize,
                     key.size() - kHeadSize) == 0;
}

bool BookWordSet::probe(const WordKey& key, const SlotKey& slot_key, std::size_t first,
                        std::size_t* free_index) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t index = first;
  for (; slots_[index].tag != kFreeTag; index = (index + 1) & mask) {
    if (matches(index, slot_key, key)) {
      // The word changes places with the one in its first slot, so that a
      // frequent word found past it is found at once from now on. Both stay
      // reachable: every slot between the two is taken, or the probe would
      // have stopped, and a probe needs nothing more of the slots it passes.
      if (index != first) std::swap(slots_[index], slots_[first]);
      if (counting_) ++occurrences_[slots_[first].id];
      return true;
    }
  }
  *free_index = index;
  return false;
}

void BookWordSet::insert_new(const WordKey& key, const SlotKey& slot_key, std::size_t first) {
  std::size_t index;
  if (probe(key, slot_key, first, &index)) return;
  const std::size_t size = key.size();
  if (key.is_held()) {
    unsigned char held_bytes[WordKey::kHeldWordSize];
    store_little_endian64(held_bytes, key.head());
    store_little_endian64(held_bytes + 8, key.tail());
    place(key, slot_key, index, arena_.copy(held_bytes, size));
    return;
  }
  if (size > static_cast<std::size_t>(-1) - sizeof size) throw std::bad_alloc();
  unsigned char* const record = arena_.allocate(sizeof size + size);
  std::memcpy(record, &size, sizeof size);
  std::memcpy(record + sizeof size, key.long_bytes(), size);
  place(key, slot_key, index, record_bytes(record));
}

void BookWordSet::insert_taking(const WordKey& key, ByteBuffer& buffer) {
  const std::size_t size = key.size();
  LEXICULL_INVARIANT(!key.is_held() && key.long_bytes() == buffer.data());
  LEXICULL_INVARIANT(buffer.capacity() >= size + PaddedBytes::kPadding);
  const SlotKey slot_key = slot_key_of(key);
  std::size_t index;
  if (probe(key, slot_key, slot_of(slot_key.hash), &index)) return;
  // The record (its size, then its bytes) is made in place: the padding
  // after the word has room for the size and what the arena lets be read
  // past its strings.
  static_assert(PaddedBytes::kPadding >= sizeof size + Arena::kReadablePastEnd,
                "a word's padding holds its record's size");
  unsigned char* const record = buffer.data();
  std::memmove(record + sizeof size, record, size);
  std::memcpy(record, &size, sizeof size);
  const std::size_t capacity = buffer.capacity();
  arena_.adopt(buffer.release(), capacity);
  place(key, slot_key, index, record_bytes(record));
}

void BookWordSet::place(const WordKey& key, const SlotKey& slot_key, std::size_t index,
                        const unsigned char* bytes) {
  // Ids must stay distinct from kAbsent; a book with four thousand million
  // distinct words exhausts memory long before.
  if (words_.size() + 1 >= kAbsent) throw std::bad_alloc();
  const auto id = static_cast<WordId>(words_.size());
  const std::size_t size = key.size();
  words_.push_back(Word{bytes, size});
  slots_[index] = key.is_held()
                      ? Slot{key.head(), key.tail(), slot_key.tag, id}
                      : Slot{key.head(), reinterpret_cast<std::uintptr_t>(bytes - sizeof size),
                             slot_key.tag, id};
  longest_word_size_ = std::max(longest_word_size_, size);
  add_to_filter(key.filter_hash());
  if (counting_) occurrences_.push_back(1);
  // Half-full keeps probe runs short.
  if (words_.size() * 2 > slots_.size()) grow_slots();
}

void BookWordSet::grow_slots() {
  // The table grows in place and is filled again from the words, which lie
  // in id order in the arena and are read in that order, fast. A table
  // moved into fresh memory at each growth would touch about twice the
  // memory it ends with, and a first touch of a page costs more than
  // placing the words on it.
  slots_.clear_to_size(slots_.size() * 2);
  filter_.assign(slots_.size() * 4 / 64, 0);
  --shift_;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t id = 0; id < words_.size(); ++id) {
    const Word& word = words_[id];
    const std::size_t size = word.size;
    // The arena lets a word be read as two integers whatever its size.
    const std::uint64_t head = load_little_endian64(word.bytes) & head_bytes_mask(size);
    std::uint64_t tail_or_record;
    SlotKey slot_key;
    if (size <= WordKey::kHeldWordSize) {
      tail_or_record = load_little_endian64(word.bytes + 8) & tail_bytes_mask(size);
      slot_key = SlotKey{held_tag(size), WordKey::hash_of_held(head, tail_or_record, size)};
    } else {
      tail_or_record = reinterpret_cast<std::uintptr_t>(word.bytes - sizeof(std::size_t));
      slot_key = long_slot_key_of(word.bytes, size);
    }
    std::size_t index = slot_of(slot_key.hash);
    while (slots_[index].tag != kFreeTag) index = (index + 1) & mask;
    slots_[index] = Slot{head, tail_or_record, slot_key.tag, static_cast<WordId>(id)};
    add_to_filter(WordKey::filter_hash_of(head, size));
  }
}

void BookWordSet::insert_new_held(std::uint64_t head, std::uint64_t tail, std::size_t size,
                                  std::size_t first) {
  const WordKey key = WordKey::of_held(head, tail, size);
  insert_new(key, slot_key_of(key), first);
}

void BookWordSet::insert_held_words(const std::uint64_t* heads, const std::uint64_t* tails,
                                    const unsigned char* sizes, std::size_t count) {
  if (!batches_pay()) {
    for (std::size_t i = 0; i < count; ++i) insert_held(heads[i], tails[i], sizes[i]);
    return;
  }
  // Far enough ahead for the slot to arrive, near enough to stay in cache.
  constexpr std::size_t kAhead = 16;
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count) {
      const std::size_t ahead = i + kAhead;
      __builtin_prefetch(
          &slots_[slot_of(WordKey::hash_of_held(heads[ahead], tails[ahead], sizes[ahead]))]);
    }
    insert_held(heads[i], tails[i], sizes[i]);
  }
}

void BookWordSet::insert_batch(const WordKey* keys, std::size_t count) {
  SlotKey slot_keys[kBatchSize];
  LEXICULL_INVARIANT_LE(count, kBatchSize);
  for (std::size_t i = 0; i < count; ++i) {
    slot_keys[i] = slot_key_of(keys[i]);
    __builtin_prefetch(&slots_[slot_of(slot_keys[i].hash)]);
  }
  for (std::size_t i = 0; i < count; ++i) {
    // The slot again: an insert before this one may have grown the table.
    const std::size_t index = slot_of(slot_keys[i].hash);
    if (!matches(index, slot_keys[i], keys[i])) {
      insert_new(keys[i], slot_keys[i], index);
    } else if (counting_) {
      ++occurrences_[slots_[index].id];
    }
  }
}

void BookWordSet::insert_all(BookWordSet& other, std::vector<WordId>* ids_here) {
  // The other set's words stay where they are, in blocks this set keeps.
  arena_.adopt_all(other.arena_);
  if (ids_here != nullptr) ids_here->assign(other.size(), kAbsent);
  // Its slots hold each held word's key already.
  for (const Slot& slot : other.slots_) {
    if (slot.tag == kFreeTag) continue;
    const Word& word = other.words_[slot.id];
    const std::uint64_t tail = word.size <= WordKey::kHeldWordSize
                                   ? slot.tail_or_record
                                   : load_little_endian64(word.bytes + 8);
    const WordKey key = WordKey::of_known_start(slot.head, tail, word.bytes, word.size);
    const SlotKey slot_key = slot_key_of(key);
    const std::size_t first = slot_of(slot_key.hash);
    std::size_t index;
    WordId id;
    if (probe(key, slot_key, first, &index)) {
      id = slots_[first].id;  // where the probe moved it
    } else {
      place(key, slot_key, index, word.bytes);
      id = static_cast<WordId>(words_.size() - 1);
    }
    // Counted once by now; the rest of its occurrences there too.
    const std::uint64_t more = other.occurrences(slot.id);
    if (counting_ && more > 1) occurrences_[id] += more - 1;
    if (ids_here != nullptr) (*ids_here)[slot.id] = id;
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
