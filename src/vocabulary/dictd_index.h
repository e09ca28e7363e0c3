#ifndef LEXICULL_VOCABULARY_DICTD_INDEX_H_
#define LEXICULL_VOCABULARY_DICTD_INDEX_H_

// A dictd dictionary's index: "headword TAB offset TAB length" lines, the
// numbers in base64 digits, each headword in dictd's normal form.

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "text/text_parts.h"
#include "vocabulary/dictd_data.h"

namespace lexicull {

// No dictionary has entries near this size; a crafted one could make a few
// lines of index ask for gigabytes.
inline constexpr std::uint64_t kLargestDictdEntry = std::uint64_t{1} << 20;
// Nor do a book's words take near this many rows of any index (a large one
// has a million lines); an index of the same line repeated could take
// gigabytes of rows.
inline constexpr std::size_t kMostDictdRows = std::size_t{1} << 22;

// The number that dictd's base64 digits (A-Z a-z 0-9 + /, most significant
// first) spell; false for no digits, another byte, or more than 60 bits.
bool parse_dictd_number(std::string_view digits, std::uint64_t* value);

// A row of the index that a book word takes: its headword has the word's
// normal form (dictd_normal_form).
struct DictdIndexRow {
  BookWordSet::WordId word;
  EntryRange range;
};

// The rows that the book words of `words` take, in the index's order. Every
// line must have the index's form and point inside data of `data_size`
// bytes, an entry of at most kLargestDictdEntry; the first that does not
// fails the reading with its line number, as does the line that takes the
// rows past kMostDictdRows. Empty headwords and the dictionary's own notes
// (00-database..., 00database...) match no word.
// Large indexes are read in parts of 1 MiB or more side by side.
Status read_dictd_index(InputFile& index, const BookWordSet& words, std::uint64_t data_size,
                        const PartOptions& options, std::vector<DictdIndexRow>* rows);

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_DICTD_INDEX_H_
