#ifndef LEXICULL_BOOK_BOOK_WORD_SET_H_
#define LEXICULL_BOOK_BOOK_WORD_SET_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace lexicull {

// The distinct words of a book. Words are hashed while the book is read, since
// order matters only once, for the output, when the few that are written get
// sorted. Their bytes live together in one arena; a word of up to eight bytes
// is also held whole in its hash slot, so that finding it again (the common
// case, millions of times per book) compares two integers and nothing else.
class BookWordSet {
 public:
  using WordId = std::uint32_t;
  static constexpr WordId kAbsent = static_cast<WordId>(-1);

  // How many readable bytes the *_padded calls need after a word's end.
  static constexpr std::size_t kPadding = 8;

  BookWordSet();

  // Adds the word unless it is present already. The empty word is a word.
  void add(std::string_view word);
  // The same, for a word followed by at least kPadding readable bytes.
  void add_padded(const unsigned char* data, std::size_t size) {
    const Key key = key_of(data, size);
    const std::size_t index = slot_of(key);
    // Most words of a book were seen before and sit in their first slot.
    if (!matches(slots_[index], key, data, size)) add_new(key, index, data, size);
  }

  // The same, for a word of fewer than 8 bytes given as those bytes in
  // memory order in the low bytes of `head`, the rest zero.
  void add_short(std::uint64_t head, std::size_t size) {
    const Key key = short_key_of(head, size);
    const std::size_t index = slot_of(key);
    if (!matches(slots_[index], key, nullptr, size)) {
      unsigned char bytes[8 + kPadding];
      std::memcpy(bytes, &head, sizeof head);
      add_new(key, index, bytes, size);
    }
  }

  // The id of the word, or kAbsent. Ids run from 0 to size() - 1 in the order
  // the words were first added.
  WordId find(std::string_view word) const;
  WordId find_padded(const unsigned char* data, std::size_t size) const {
    if (size > longest_word_size_) return kAbsent;
    // Most lookups (a dictionary's keys against one book) miss. A small bit
    // filter on the first eight bytes and the size answers most of them
    // before a long key is hashed whole or any slot is read.
    std::uint64_t head;
    std::memcpy(&head, data, sizeof head);
    if (size < 8) head &= (std::uint64_t{1} << (8 * size)) - 1;
    if (!might_hold(head, size)) return kAbsent;
    const Key key =
        size <= kShortWordSize ? short_key_of(head, size) : long_key_of(data, size, head);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = slot_of(key);; index = (index + 1) & mask) {
      const Slot& slot = slots_[index];
      if (matches(slot, key, data, size)) return slot.id;
      if (slot.id == kAbsent) return kAbsent;
    }
  }

  // The same, for a word of fewer than 8 bytes given as add_short takes it.
  WordId find_short(std::uint64_t head, std::size_t size) const {
    if (size > longest_word_size_ || !might_hold(head, size)) return kAbsent;
    const Key key = short_key_of(head, size);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = slot_of(key);; index = (index + 1) & mask) {
      const Slot& slot = slots_[index];
      if (matches(slot, key, nullptr, size)) return slot.id;
      if (slot.id == kAbsent) return kAbsent;
    }
  }

  std::size_t size() const { return words_.size(); }
  std::size_t longest_word_size() const { return longest_word_size_; }
  std::string_view word(WordId id) const {
    return std::string_view(words_[id].bytes, words_[id].size);
  }

  // Sorts `ids` in place by their words' bytes, as unsigned values, a word
  // that is a prefix of another coming first.
  void sort_by_word(std::vector<WordId>& ids) const;

 private:
  struct Word {
    const char* bytes;  // in the arena
    std::size_t size;
  };
  // A short word (up to 8 bytes) is its head and its size; a longer one has
  // a tag above kFreeTag taken from its hash, and its head starts its bytes.
  struct Slot {
    std::uint64_t head;
    std::uint32_t tag;
    WordId id;
  };
  struct Key {
    std::uint64_t head;
    std::uint32_t tag;
    std::uint64_t hash;
  };

  static constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  static constexpr std::uint32_t kShortWordSize = 8;
  // The tag of a free slot, which no word's key has: it must not pass for
  // the empty word, whose head and size are zero.
  static constexpr std::uint32_t kFreeTag = kShortWordSize + 1;

  static Key key_of(const unsigned char* data, std::size_t size) {
    std::uint64_t head;
    std::memcpy(&head, data, sizeof head);
    if (size >= 8) return long_key_of(data, size, head);
    // Only the word's own bytes count, in memory order.
    return short_key_of(head & ((std::uint64_t{1} << (8 * size)) - 1), size);
  }
  static Key short_key_of(std::uint64_t head, std::size_t size) {
    return Key{head, static_cast<std::uint32_t>(size),
               (head ^ (std::uint64_t{size} << 59)) * kMultiplier};
  }
  static Key long_key_of(const unsigned char* data, std::size_t size, std::uint64_t head);
  bool matches(const Slot& slot, const Key& key, const unsigned char* data,
               std::size_t size) const {
    if (slot.tag != key.tag || slot.head != key.head) return false;
    return key.tag <= kShortWordSize || long_word_matches(slot.id, data, size);
  }
  bool long_word_matches(WordId id, const unsigned char* data, std::size_t size) const;
  std::size_t slot_of(const Key& key) const { return static_cast<std::size_t>(key.hash >> shift_); }
  // The filter has four bits per slot. A word's bit comes from the hash of
  // its first eight bytes and its size, which for a short word is its key's.
  std::size_t filter_bit_of(std::uint64_t head, std::size_t size) const {
    return static_cast<std::size_t>(short_key_of(head, size).hash >> (shift_ - 2));
  }
  bool might_hold(std::uint64_t head, std::size_t size) const {
    const std::size_t bit = filter_bit_of(head, size);
    return (filter_[bit / 64] >> (bit % 64)) & 1;
  }
  void add_to_filter(std::uint64_t head, std::size_t size) {
    const std::size_t bit = filter_bit_of(head, size);
    filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }
  void add_new(const Key& key, std::size_t index, const unsigned char* data, std::size_t size);
  void grow_slots();

  // Words are stored in blocks that never move, so that storing one more
  // word never copies the others; a huge word gets a block of its own.
  char* store(const unsigned char* data, std::size_t size);
  std::vector<std::unique_ptr<char[]>> arena_;
  char* arena_free_ = nullptr;
  std::size_t arena_left_ = 0;
  std::vector<Word> words_;
  std::vector<Slot> slots_;  // open addressing, linear probing; id kAbsent marks a free slot
  std::vector<std::uint64_t> filter_;  // a bit for every key hash of a word held
  unsigned shift_;                     // 64 - log2(slot count): the hash's top bits pick the slot
  std::size_t longest_word_size_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BOOK_BOOK_WORD_SET_H_
