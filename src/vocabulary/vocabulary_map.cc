#include "vocabulary/vocabulary_map.h"

namespace lexicull {

void VocabularyMap::set(std::string_view key, std::string_view translation) {
  const BookWordSet::WordId id = keys_.find(key);
  if (id != BookWordSet::kAbsent) translations_[id].assign(translation);
}

std::string_view VocabularyMap::translation(std::string_view key) const {
  const BookWordSet::WordId id = keys_.find(key);
  return id == BookWordSet::kAbsent ? std::string_view() : translation(id);
}

}  // namespace lexicull
