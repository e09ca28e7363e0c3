#ifndef LEXICULL_VOCABULARY_VOCABULARY_MAP_H_
#define LEXICULL_VOCABULARY_VOCABULARY_MAP_H_

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "base/arena.h"
#include "base/zeroed_array.h"
#include "book/book_word_set.h"

namespace lexicull {

// Translations by key, for the keys that are words of the book. Only those
// can ever be written, so entries for other keys are never stored and memory
// follows the book, not the dictionary. An absent key and an empty
// translation mean the same: nothing to write.
class VocabularyMap {
 public:
  // Which of a key's lines give its translation: the last (a later line
  // replaces an earlier one, even with an empty translation), or all of
  // them, their translations joined with "; " in the order of the lines,
  // empty ones and exact repeats dropped.
  enum class Senses { kLast, kAll };

  // A map for the whole file, which can hold a translation of every book
  // word; only the words that get one take memory beyond an index entry.
  explicit VocabularyMap(const BookWordSet& keys, Senses senses = Senses::kLast)
      : VocabularyMap(keys, senses, false) {}

  // A map of the same kind for the lines of a later part of the file, which
  // also keeps the ids of the words it translates, for take_later(): its
  // memory follows its part, not the book.
  static VocabularyMap for_later_part(const BookWordSet& keys, Senses senses) {
    return VocabularyMap(keys, senses, true);
  }

  const BookWordSet& keys() const { return keys_; }
  Senses senses() const { return senses_; }

  // Makes the `size` bytes at `bytes` the translation of the key with this
  // id, in place of any earlier one; returns where they are now, for the
  // caller to change in place. Only with Senses::kLast.
  unsigned char* set_translation(BookWordSet::WordId id, const unsigned char* bytes,
                                 std::size_t size) {
    unsigned char* const stored = make_room(place_of(id), size, 0);
    if (size > 0) std::memcpy(stored, bytes, size);
    return stored;
  }

  // Keeps `block` as long as the map: `size` bytes of it, the last
  // Arena::kReadablePastEnd of them past any translation in it, which
  // set_kept_translation() may then make translations without a copy.
  void keep(MallocBytes block, std::size_t size) { arena_.adopt(std::move(block), size); }
  // Makes the `size` bytes at `bytes`, in a block given to keep(), the
  // whole translation of the key with this id, in place of any earlier one.
  void set_kept_translation(BookWordSet::WordId id, unsigned char* bytes, std::size_t size) {
    stored_[place_of(id)] = Stored{bytes, size, size};
  }
  // With Senses::kAll: adds `sense` to the key's translation, unless it is
  // empty or one of its senses already.
  void add_sense(BookWordSet::WordId id, std::string_view sense) {
    if (sense.empty()) return;
    const std::size_t place = place_of(id);
    const std::string_view known = translation_at(place);
    std::vector<std::size_t>& ends = sense_ends_[place];
    std::size_t at = 0;
    for (const std::size_t end : ends) {
      if (known.substr(at, end - at) == sense) return;
      at = end + kSenseSeparator.size();
    }
    const std::size_t kept = known.size();
    const std::size_t separator = kept == 0 ? 0 : kSenseSeparator.size();
    unsigned char* const stored = make_room(place, kept + separator + sense.size(), kept);
    std::memcpy(stored + kept, kSenseSeparator.data(), separator);
    std::memcpy(stored + kept + separator, sense.data(), sense.size());
    ends.push_back(kept + separator + sense.size());
  }

  // Takes every translation that `later` (a map for a later part) set: its
  // lines came after all of this map's, so the later line for a key wins,
  // even with an empty translation.
  void take_later(VocabularyMap& later) {
    // The later map's bytes stay where they are, in blocks this map keeps.
    arena_.adopt_all(later.arena_);
    for (std::size_t i = 0; i < later.ids_.size(); ++i) {
      if (senses_ == Senses::kAll) {
        const std::string_view senses = later.translation_at(i);
        std::size_t at = 0;
        for (const std::size_t end : later.sense_ends_[i]) {
          add_sense(later.ids_[i], senses.substr(at, end - at));
          at = end + kSenseSeparator.size();
        }
        continue;
      }
      stored_[place_of(later.ids_[i])] = later.stored_[i];
    }
    later.stored_.clear();
    later.ids_.clear();
  }

  // The translation of the book word with this id; empty when it has none.
  std::string_view translation(BookWordSet::WordId id) const {
    const std::uint32_t index = translation_index_[id];
    return index == 0 ? std::string_view() : translation_at(index - 1);
  }

 private:
  static constexpr std::string_view kSenseSeparator = "; ";

  // A translation: its bytes in the arena, and the room they have there.
  struct Stored {
    unsigned char* bytes;
    std::size_t size;
    std::size_t room;
  };

  VocabularyMap(const BookWordSet& keys, Senses senses, bool for_later_part)
      : keys_(keys),
        translation_index_(keys.size()),
        for_later_part_(for_later_part),
        senses_(senses) {
    // Never outgrown, so that the memory is touched only as translations
    // come.
    stored_.reserve(keys.size());
    if (for_later_part_) ids_.reserve(keys.size());
  }

  // The place of the word's translation, made for it (empty) where it has
  // none yet.
  std::size_t place_of(BookWordSet::WordId id) {
    std::uint32_t& index = translation_index_[id];
    if (index == 0) {
      stored_.push_back(Stored{nullptr, 0, 0});
      if (senses_ == Senses::kAll) sense_ends_.emplace_back();
      if (for_later_part_) ids_.push_back(id);
      index = static_cast<std::uint32_t>(stored_.size());
    }
    return index - 1;
  }
  std::string_view translation_at(std::size_t place) const {
    return std::string_view(reinterpret_cast<const char*>(stored_[place].bytes),
                            stored_[place].size);
  }

  // Room for a translation of `size` bytes at `place`, whose first `kept`
  // bytes are those of its translation so far; returns where. A translation
  // that fits is written over the one before. One that does not moves to
  // room at least twice as large, so that the room a word leaves behind, as
  // its lines grow, stays within the room it ends with.
  unsigned char* make_room(std::size_t place, std::size_t size, std::size_t kept) {
    Stored& stored = stored_[place];
    if (size > stored.room) {
      const std::size_t doubled =
          stored.room > static_cast<std::size_t>(-1) / 2 ? stored.room : 2 * stored.room;
      const std::size_t room = std::max(size, doubled);
      unsigned char* const bytes = arena_.allocate(room);
      if (kept > 0) std::memcpy(bytes, stored.bytes, kept);
      stored.bytes = bytes;
      stored.room = room;
    }
    stored.size = size;
    return stored.bytes;
  }

  const BookWordSet& keys_;
  // By id, one more than the place of the word's translation, 0 for none;
  // the translations in the order their words first got one, and in a
  // later part's map those words' ids.
  ZeroedArray<std::uint32_t> translation_index_;
  std::vector<Stored> stored_;
  std::vector<BookWordSet::WordId> ids_;
  Arena arena_;
  // With Senses::kAll, by place: where each of its senses ends.
  std::vector<std::vector<std::size_t>> sense_ends_;
  bool for_later_part_;
  Senses senses_;
};

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_VOCABULARY_MAP_H_
