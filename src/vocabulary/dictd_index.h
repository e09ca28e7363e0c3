#ifndef LEXICULL_VOCABULARY_DICTD_INDEX_H_
#define LEXICULL_VOCABULARY_DICTD_INDEX_H_

// A dictd dictionary's index: "headword TAB offset TAB length" lines, the
// numbers in base64 digits, each headword in dictd's normal form.

#include <cstddef>
#include <cstdint>
#include <memory>
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

// What an index read early may hold: its lines' forms and entries, until
// the book's words are known.
inline constexpr std::size_t kMostEarlyIndexMemory = std::size_t{16} << 20;

// One reading of an index, which may begin before the book's words are
// known. Most of the work on a line needs no book word: its fields are
// checked and its headword's normal form hashed. So the index's first lines
// are read that way while the book is read, on a processor that the book
// leaves idle, and only matched to the book's words once they are known.
class DictdIndexReader {
 public:
  // `index` must outlive the reader; its entries lie in data of `data_size`
  // bytes.
  DictdIndexReader(InputFile& index, std::uint64_t data_size, const PartOptions& options);
  // Stops the early reading and waits for it.
  ~DictdIndexReader();
  DictdIndexReader(const DictdIndexReader&) = delete;
  DictdIndexReader& operator=(const DictdIndexReader&) = delete;

  // Reads the index from its start on a thread of its own, until rows() is
  // called, the text ends, a line fails, or what it holds reaches
  // kMostEarlyIndexMemory. Does nothing for an index read in order, for one
  // thread, or when no thread can be had.
  void start_early();
  // The same reading on this thread, at most `blocks` blocks of
  // `block_size` bytes of the file: the steps that start_early()'s thread
  // takes, where a test chooses them.
  void read_early(std::size_t blocks, std::size_t block_size);

  // The rows that the book words of `words` take, in the index's order:
  // those of the lines read early, then those of the rest, read in parts of
  // 1 MiB or more side by side. Every line must have the index's form and
  // point inside the data, an entry of at most kLargestDictdEntry; the first
  // that does not fails the reading with its line number, as does the line
  // that takes the rows past kMostDictdRows. Empty headwords and the
  // dictionary's own notes (00-database..., 00database...) match no word.
  // Called once.
  Status rows(const BookWordSet& words, std::vector<DictdIndexRow>* rows);

 private:
  struct Reading;
  std::unique_ptr<Reading> reading_;
};

// The rows that the book words of `words` take (DictdIndexReader::rows),
// the whole index read now.
Status read_dictd_index(InputFile& index, const BookWordSet& words, std::uint64_t data_size,
                        const PartOptions& options, std::vector<DictdIndexRow>* rows);

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_DICTD_INDEX_H_
