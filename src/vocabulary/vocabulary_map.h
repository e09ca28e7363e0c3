#ifndef LEXICULL_VOCABULARY_VOCABULARY_MAP_H_
#define LEXICULL_VOCABULARY_VOCABULARY_MAP_H_

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "book/book_word_set.h"

namespace lexicull {

// Translations by key, for the keys that are words of the book. Only those
// can ever be written, so entries for other keys are never stored and memory
// follows the book, not the dictionary. An absent key and an empty
// translation mean the same: nothing to write.
class VocabularyMap {
 public:
  // A map with room for a translation of every book word.
  explicit VocabularyMap(const BookWordSet& keys)
      : keys_(keys), translations_(keys.size()), for_later_part_(false) {}

  // A map for the lines of a later part of the file, which holds only the
  // keys those lines set, so that its memory follows its part, not the book.
  static VocabularyMap for_later_part(const BookWordSet& keys) { return VocabularyMap(keys, true); }

  const BookWordSet& keys() const { return keys_; }

  // The translation to overwrite for the key with this id.
  std::string& translation_slot(BookWordSet::WordId id) {
    return for_later_part_ ? later_translations_[id] : translations_[id];
  }

  // Takes every translation that `later` (a map for a later part) set: its
  // lines came after all of this map's, so the later line for a key wins,
  // even with an empty translation.
  void take_later(VocabularyMap& later) {
    for (auto& [id, translation] : later.later_translations_)
      translation_slot(id).swap(translation);
    later.later_translations_.clear();
  }

  // The translation of the book word with this id; empty when it has none.
  std::string_view translation(BookWordSet::WordId id) const {
    if (!for_later_part_) return translations_[id];
    const auto found = later_translations_.find(id);
    return found == later_translations_.end() ? std::string_view() : found->second;
  }

 private:
  VocabularyMap(const BookWordSet& keys, bool for_later_part)
      : keys_(keys), for_later_part_(for_later_part) {}

  const BookWordSet& keys_;
  std::vector<std::string> translations_;  // by id, for the whole file
  std::unordered_map<BookWordSet::WordId, std::string> later_translations_;
  bool for_later_part_;
};

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_VOCABULARY_MAP_H_
