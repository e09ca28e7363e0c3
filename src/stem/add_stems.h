#ifndef LEXICULL_STEM_ADD_STEMS_H_
#define LEXICULL_STEM_ADD_STEMS_H_

#include "book/book_word_set.h"
#include "stem/stemmer.h"

namespace lexicull {

// Adds to `words` the stems of every word it holds, lower-cased as keys are,
// so that the vocabulary's entries for them are kept as well. The words are
// shared among up to `threads` threads, each with a stemmer of its own; a
// failure to get memory on any of them is thrown here again.
void add_stems(BookWordSet& words, const StemmerMaker& maker, unsigned threads);

}  // namespace lexicull

#endif  // LEXICULL_STEM_ADD_STEMS_H_
