#include "vocabulary/vocabulary_map.h"

namespace lexicull {

void VocabularyMap::set(std::string_view key, std::string_view translation) {
  const BookWordSet::WordId id = keys_.find(key);
  if (id != BookWordSet::kAbsent) translation_slot(id).assign(translation);
}

void VocabularyMap::take_later_entries(VocabularyMap& later) {
  for (BookWordSet::WordId id = 0; id < translations_.size(); ++id) {
    if (later.assigned_[id]) translation_slot(id).swap(later.translations_[id]);
  }
}

std::string_view VocabularyMap::translation(std::string_view key) const {
  const BookWordSet::WordId id = keys_.find(key);
  return id == BookWordSet::kAbsent ? std::string_view() : translation(id);
}

}  // namespace lexicull
