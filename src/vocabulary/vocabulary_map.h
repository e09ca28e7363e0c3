#ifndef LEXICULL_VOCABULARY_VOCABULARY_MAP_H_
#define LEXICULL_VOCABULARY_VOCABULARY_MAP_H_

#include <string>
#include <string_view>
#include <vector>

#include "book/book_word_set.h"

namespace lexicull {

// Translations by key, for the keys that are words of the book. Only those
// can ever be written, so entries for other keys are never stored and memory
// follows the book, not the dictionary. An absent key and an empty
// translation mean the same: nothing to write.
class VocabularyMap {
 public:
  explicit VocabularyMap(const BookWordSet& keys)
      : keys_(keys), translations_(keys.size()), set_(keys.size()) {}

  const BookWordSet& keys() const { return keys_; }

  // The translation to overwrite for the key with this id.
  std::string& translation_slot(BookWordSet::WordId id) {
    set_[id] = true;
    return translations_[id];
  }

  // Takes every translation that `later` set, whose lines came after all of
  // this map's: the later line for a key wins, even with an empty one.
  void take_later(VocabularyMap& later) {
    for (std::size_t id = 0; id < translations_.size(); ++id) {
      if (later.set_[id])
        translation_slot(static_cast<BookWordSet::WordId>(id)).swap(later.translations_[id]);
    }
  }

  // The translation of the book word with this id; empty when it has none.
  std::string_view translation(BookWordSet::WordId id) const { return translations_[id]; }

 private:
  const BookWordSet& keys_;
  std::vector<std::string> translations_;
  std::vector<bool> set_;  // by a line, even to the empty translation
};

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_VOCABULARY_MAP_H_
