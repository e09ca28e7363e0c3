#ifndef LEXICULL_OUTPUT_WRITE_FILTERED_VOCABULARY_H_
#define LEXICULL_OUTPUT_WRITE_FILTERED_VOCABULARY_H_

#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "output/cards.h"
#include "vocabulary/vocabulary_map.h"

namespace lexicull {

// The lines format (cards.h) for the plain run and the study list.

// Writes "word|translation" and a line end for every book word with a
// non-empty translation, in ascending byte order of the words. Each line goes
// to `out` in one write, so that a run cut short leaves only whole lines.
// Stops at the first failed write and returns it.
Status write_filtered_vocabulary(const BookWordSet& words, const VocabularyMap& vocabulary,
                                 ByteSink& out);

// Writes "word|translation" and a line end for each of `keys`, in their
// order, as write_filtered_vocabulary() writes its lines.
Status write_vocabulary_lines(const BookWordSet& words, const VocabularyMap& vocabulary,
                              const std::vector<BookWordSet::WordId>& keys, ByteSink& out);

}  // namespace lexicull

#endif  // LEXICULL_OUTPUT_WRITE_FILTERED_VOCABULARY_H_
