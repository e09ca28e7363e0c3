#ifndef LEXICULL_VOCABULARY_VOCABULARY_MAP_H_
#define LEXICULL_VOCABULARY_VOCABULARY_MAP_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    std::string& translation = translation_slot(id);
    translation.assign(reinterpret_cast<const char*>(bytes), size);
    return reinterpret_cast<unsigned char*>(&translation[0]);
  }

  // The same, taking the bytes of `translation` without a copy.
  void set_translation(BookWordSet::WordId id, std::string&& translation) {
    translation_slot(id) = std::move(translation);
  }
  // With Senses::kAll: adds `sense` to the key's translation, unless it is
  // empty or one of its senses already.
  void add_sense(BookWordSet::WordId id, std::string_view sense) {
    if (sense.empty()) return;
    std::string& translation = translation_slot(id);
    std::vector<std::size_t>& ends = sense_ends_[slot_of(id)];
    std::size_t at = 0;
    for (const std::size_t end : ends) {
      if (std::string_view(translation).substr(at, end - at) == sense) return;
      at = end + kSenseSeparator.size();
    }
    if (!translation.empty()) translation += kSenseSeparator;
    translation += sense;
    ends.push_back(translation.size());
  }

  // Takes every translation that `later` (a map for a later part) set: its
  // lines came after all of this map's, so the later line for a key wins,
  // even with an empty translation.
  void take_later(VocabularyMap& later) {
    for (std::size_t i = 0; i < later.ids_.size(); ++i) {
      if (senses_ == Senses::kAll) {
        std::size_t at = 0;
        for (const std::size_t end : later.sense_ends_[i]) {
          add_sense(later.ids_[i], std::string_view(later.translations_[i]).substr(at, end - at));
          at = end + kSenseSeparator.size();
        }
        continue;
      }
      translation_slot(later.ids_[i]).swap(later.translations_[i]);
    }
    later.translations_.clear();
    later.ids_.clear();
  }

  // The translation of the book word with this id; empty when it has none.
  std::string_view translation(BookWordSet::WordId id) const {
    const std::uint32_t index = translation_index_[id];
    return index == 0 ? std::string_view() : std::string_view(translations_[index - 1]);
  }

 private:
  static constexpr std::string_view kSenseSeparator = "; ";

  VocabularyMap(const BookWordSet& keys, Senses senses, bool for_later_part)
      : keys_(keys),
        translation_index_(keys.size()),
        for_later_part_(for_later_part),
        senses_(senses) {
    // Never outgrown, so that no translation moves and the memory is
    // touched only as translations come.
    translations_.reserve(keys.size());
    if (for_later_part_) ids_.reserve(keys.size());
  }

  std::string& translation_slot(BookWordSet::WordId id) {
    std::uint32_t& index = translation_index_[id];
    if (index == 0) {
      translations_.emplace_back();
      if (senses_ == Senses::kAll) sense_ends_.emplace_back();
      if (for_later_part_) ids_.push_back(id);
      index = static_cast<std::uint32_t>(translations_.size());
    }
    return translations_[index - 1];
  }
  std::size_t slot_of(BookWordSet::WordId id) const { return translation_index_[id] - 1; }

  const BookWordSet& keys_;
  // By id, one more than the place of the word's translation, 0 for none;
  // the translations in the order their words first got one, never moved,
  // and in a later part's map those words' ids.
  ZeroedArray<std::uint32_t> translation_index_;
  std::vector<std::string> translations_;
  std::vector<BookWordSet::WordId> ids_;
  // With Senses::kAll, by translation: where each of its senses ends.
  std::vector<std::vector<std::size_t>> sense_ends_;
  bool for_later_part_;
  Senses senses_;
};

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_VOCABULARY_MAP_H_
