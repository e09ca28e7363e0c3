#include "vocabulary/write_filtered_vocabulary.h"

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
  std::string line;
  for (BookWordSet::WordId id : keys) {
    // Exactly the room the line needs: a huge line is then held once, not twice.
    line.reserve(words.word(id).size() + 1 + vocabulary.translation(id).size() + sizeof kLineEnd);
    line.assign(words.word(id));
    line += '|';
    line += vocabulary.translation(id);
    line += kLineEnd;
    Status status = out.write(reinterpret_cast<const unsigned char*>(line.data()), line.size());
    if (!status.ok()) return status;
  }
  return Status();
}

}  // namespace lexicull
