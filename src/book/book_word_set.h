#ifndef LEXICULL_BOOK_BOOK_WORD_SET_H_
#define LEXICULL_BOOK_BOOK_WORD_SET_H_

// The set of a book's distinct words, the structure every word of the book
// goes through. An open-addressing table whose slots hold a word's first
// sixteen bytes (so most lookups compare two integers and read nothing
// else), a bit filter in front of it for lookups that miss, words' bytes
// in an arena, ids in the order words first came, and, while counting,
// each word's occurrences by id.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/arena.h"
#include "base/block_list.h"
#include "base/byte_buffer.h"
#include "base/coding.h"
#include "base/invariant.h"
#include "base/padded_bytes.h"
#include "base/zeroed_array.h"
#include "book/word_key.h"
#include "text/word_start.h"

namespace lexicull {

// The distinct words of a book. Words are hashed while the book is read, since
// order matters only once, for the output, when the few that are written get
// sorted. Their bytes live together in an arena; a word of up to sixteen
// bytes is also held whole in its hash slot, so that finding it again (the
// common case, millions of times per book) compares integers and reads no
// other memory.
class BookWordSet {
 public:
  using WordId = std::uint32_t;
  static constexpr WordId kAbsent = static_cast<WordId>(-1);

  BookWordSet();

  // Adds the word unless it is present already. The empty word is a word.
  // While occurrences are counted, each call counts one of its word.
  void insert(const WordKey& key) {
    if (key.is_held()) {
      insert_held(key.head(), key.tail(), key.size());
      return;
    }
    const SlotKey slot_key = slot_key_of(key);
    const std::size_t index = slot_of(slot_key.hash);
    // Most words of a book were seen before and sit in their first slot.
    if (!matches(index, slot_key, key)) {
      insert_new(key, slot_key, index);
    } else if (counting_) {
      ++occurrences_[slots_[index].id];
    }
  }

  // From now on, until stop_counting(), every insert counts one occurrence
  // of its word. Only for an empty set.
  void count_occurrences() {
    LEXICULL_INVARIANT(size() == 0);
    counting_ = true;
  }
  // Words inserted from now on (stems) count no occurrence.
  void stop_counting() { counting_ = false; }
  bool counts_occurrences() const { return counting_; }
  // How often the word with this id was inserted while counting: 0 for a
  // word inserted only after, or when nothing was counted.
  std::uint64_t occurrences(WordId id) const {
    return id < occurrences_.size() ? occurrences_[id] : 0;
  }

  // The id of the word, or kAbsent. Ids run from 0 to size() - 1 in the order
  // the words were first added.
  WordId find(const WordKey& key) const {
    // Most lookups (a dictionary's keys against one book) miss. A small bit
    // filter on the head and the size answers most of them before a long
    // key is hashed whole or any slot is read.
    if (key.size() > longest_word_size_ || !might_hold(key)) return kAbsent;
    const SlotKey slot_key = slot_key_of(key);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = slot_of(slot_key.hash);; index = (index + 1) & mask) {
      if (matches(index, slot_key, key)) return slots_[index].id;
      if (slots_[index].tag == kFreeTag) return kAbsent;
    }
  }

  // Whether a word of `size` bytes whose first eight bytes, in any case,
  // are `head` (the first byte the least significant; those past the word
  // may be anything) may be in the set: false for most words that are not,
  // at the cost of a hash of the head and one load.
  bool might_hold_any_case(std::uint64_t head, std::size_t size) const {
    if (size > longest_word_size_) return false;
    return filter_holds(WordKey::filter_hash_of(head, size));
  }

  static constexpr std::size_t kBatchSize = 64;

  // Whether the slots have outgrown the caches near the core, so that
  // insert_batch() and insert_held_words() pay for their bookkeeping
  // (measured: a set of 13,000 words went 25% slower through them; one of
  // 45,000 40% faster).
  bool batches_pay() const { return slots_.size() >= kBatchingSlots; }

  // Adds a word of up to sixteen bytes given by its head, tail and size (as
  // WordKey::of_held takes them), as insert() would.
  void insert_held(std::uint64_t head, std::uint64_t tail, std::size_t size) {
    const std::size_t index = slot_of(WordKey::hash_of_held(head, tail, size));
    const Slot& slot = slots_[index];
    // The key is made only for a word not found at once, so that the loop
    // of the common case keeps it in registers.
    if (slot.tag != held_tag(size) || slot.head != head || slot.tail_or_record != tail) {
      insert_new_held(head, tail, size, index);
    } else if (counting_) {
      ++occurrences_[slot.id];
    }
  }

  // Asks for the first slot of a word of up to sixteen bytes, which find()
  // will read soon.
  void prefetch_held(std::uint64_t head, std::uint64_t tail, std::size_t size) const {
    __builtin_prefetch(&slots_[slot_of(WordKey::hash_of_held(head, tail, size))]);
  }

  // Adds the words of up to sixteen bytes given by their heads, tails and
  // sizes, as insert_held() would, in turn. In a large set each slot is
  // asked for some words ahead of its use.
  void insert_held_words(const std::uint64_t* heads, const std::uint64_t* tails,
                         const unsigned char* sizes, std::size_t count);

  // Adds up to kBatchSize words as insert() would, in turn, but asks for all
  // their first slots before it looks at any: most of a large set is out of
  // cache, and the misses then overlap instead of adding up.
  void insert_batch(const WordKey* keys, std::size_t count);

  // Adds the word of more than sixteen bytes whose key `key` was made from
  // the start of `buffer`, as insert() would. Where it is new, the set keeps
  // the buffer's memory rather than a copy, and `buffer` is left empty: a
  // huge word is never held twice.
  void insert_taking(const WordKey& key, ByteBuffer& buffer);

  // Adds every word of `other`, as if each were inserted here as often as
  // it was there. The words are not copied: this set keeps their memory,
  // and `other` is left to be destroyed. Where `ids_here` is given, it gets
  // each of other's words' id in this set, by other's id; the words new
  // here have the ids from the set's former size on.
  void insert_all(BookWordSet& other, std::vector<WordId>* ids_here = nullptr);

  std::size_t size() const { return words_.size(); }
  std::size_t longest_word_size() const { return longest_word_size_; }
  std::string_view word(WordId id) const {
    return std::string_view(reinterpret_cast<const char*>(words_[id].bytes), words_[id].size);
  }

  // Sorts `ids` in place by their words' bytes, as unsigned values, a word
  // that is a prefix of another coming first.
  void sort_by_word(std::vector<WordId>& ids) const;

 private:
  struct Word {
    const unsigned char* bytes;  // in the arena
    std::size_t size;
  };
  // Every slot holds its word's head. A word of up to sixteen bytes has its
  // held_tag(), from its size, and its tail. A longer one has a tag above
  // kHeldWordSize taken from its hash, and in place of a tail the address
  // of its record in the arena (its size, then its bytes), so that telling
  // it from another word of the same tag and head costs one cache miss.
  struct Slot {
    std::uint64_t head;
    std::uint64_t tail_or_record;
    std::uint32_t tag;
    WordId id;
  };
  struct SlotKey {
    std::uint32_t tag;
    std::uint64_t hash;
  };

  // The tag of a free slot, which no word's key has: a slot of zero bytes
  // is free, and a table is made ready without a write.
  static constexpr std::uint32_t kFreeTag = 0;
  static std::uint32_t held_tag(std::size_t size) { return static_cast<std::uint32_t>(size) + 1; }
  static constexpr std::uint32_t kLongestHeldTag = WordKey::kHeldWordSize + 1;
  static constexpr std::uint64_t kLongTagBit = std::uint64_t{0x20} << 32;
  static constexpr std::size_t kBatchingSlots = std::size_t{1} << 16;

  static SlotKey slot_key_of(const WordKey& key) {
    if (key.is_held()) {
      return SlotKey{held_tag(key.size()),
                     WordKey::hash_of_held(key.head(), key.tail(), key.size())};
    }
    return long_slot_key_of(key.long_bytes(), key.size());
  }
  static SlotKey long_slot_key_of(const unsigned char* bytes, std::size_t size);
  bool matches(std::size_t index, const SlotKey& slot_key, const WordKey& key) const {
    const Slot& slot = slots_[index];
    if (slot.tag != slot_key.tag || slot.head != key.head()) return false;
    if (key.is_held()) return slot.tail_or_record == key.tail();
    return long_word_matches(record_of(slot), key);
  }
  static const unsigned char* record_of(const Slot& slot) {
    return reinterpret_cast<const unsigned char*>(static_cast<std::uintptr_t>(slot.tail_or_record));
  }
  static std::size_t record_size(const unsigned char* record) {
    std::size_t size;
    std::memcpy(&size, record, sizeof size);
    return size;
  }
  static const unsigned char* record_bytes(const unsigned char* record) {
    return record + sizeof(std::size_t);
  }
  static bool long_word_matches(const unsigned char* record, const WordKey& key);
  std::size_t slot_of(std::uint64_t hash) const { return static_cast<std::size_t>(hash >> shift_); }
  // The filter has four bits per slot. A filter hash sets two bits of one
  // 64-bit word of it, all three picked by bits of the hash below those that
  // pick the slot: one load answers, and few words not held pass.
  std::size_t filter_word_of(std::uint64_t filter_hash) const {
    return static_cast<std::size_t>(filter_hash >> (shift_ + 4));
  }
  std::uint64_t filter_bits_of(std::uint64_t filter_hash) const {
    return std::uint64_t{1} << ((filter_hash >> (shift_ - 2)) & 63) |
           std::uint64_t{1} << ((filter_hash >> (shift_ - 8)) & 63);
  }
  bool filter_holds(std::uint64_t filter_hash) const {
    const std::uint64_t bits = filter_bits_of(filter_hash);
    return (filter_[filter_word_of(filter_hash)] & bits) == bits;
  }
  bool might_hold(const WordKey& key) const { return filter_holds(key.filter_hash()); }
  void add_to_filter(std::uint64_t filter_hash) {
    filter_[filter_word_of(filter_hash)] |= filter_bits_of(filter_hash);
  }
  // Adds the word, which its first slot `first` does not hold, unless a
  // later slot of its probe does; that word then moves into `first`.
  void insert_new_held(std::uint64_t head, std::uint64_t tail, std::size_t size, std::size_t first);
  void insert_new(const WordKey& key, const SlotKey& slot_key, std::size_t first);
  // Looks for the word from its first slot `first` on: true, the word moved
  // into `first` and counted, where it is found; else the free slot it
  // would take lands in `*free_index`.
  bool probe(const WordKey& key, const SlotKey& slot_key, std::size_t first,
             std::size_t* free_index);
  // Puts the new word, whose bytes are at `bytes` in the arena (for a long
  // word, just after its size), into the free slot `index`.
  void place(const WordKey& key, const SlotKey& slot_key, std::size_t index,
             const unsigned char* bytes);
  void grow_slots();

  Arena arena_;
  BlockList<Word> words_;              // by id
  ZeroedArray<Slot> slots_;            // open addressing, linear probing
  std::vector<std::uint64_t> filter_;  // bits for every filter hash of a word held
  unsigned shift_;                     // 64 - log2(slot count): the hash's top bits pick the slot
  std::size_t longest_word_size_ = 0;
  // By id, while counting and for the words inserted until it stopped.
  std::vector<std::uint64_t> occurrences_;
  bool counting_ = false;
};

}  // namespace lexicull

#endif  // LEXICULL_BOOK_BOOK_WORD_SET_H_
