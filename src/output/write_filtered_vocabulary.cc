#include "output/write_filtered_vocabulary.h"

#include <string>
#include <vector>

namespace lexicull {

Status write_filtered_vocabulary(const BookWordSet& words, const VocabularyMap& vocabulary,
                                 ByteSink& out) {
  std::vector<BookWordSet::WordId> translated;
  for (BookWordSet::WordId id = 0; id < words.size(); ++id) {
    if (!vocabulary.translation(id).empty()) translated.push_back(id);
  }
  words.sort_by_word(translated);
  return write_vocabulary_lines(words, vocabulary, translated, out);
}

Status write_vocabulary_lines(const BookWordSet& words, const VocabularyMap& vocabulary,
                              const std::vector<BookWordSet::WordId>& keys, ByteSink& out) {
  return write_cards(card_format(OutputFormat::kLines), words, vocabulary, keys, nullptr, nullptr,
                     out);
}

}  // namespace lexicull
