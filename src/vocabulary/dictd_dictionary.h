#ifndef LEXICULL_VOCABULARY_DICTD_DICTIONARY_H_
#define LEXICULL_VOCABULARY_DICTD_DICTIONARY_H_

// dictd dictionaries, as Debian ships some 200 of them: an index of
// "headword TAB offset TAB length" lines, the numbers in base64 digits, and
// the entries' text, plain (.dict) or dictzip (.dict.dz: gzip whose chunks
// inflate each on its own, so that only those the book needs are read).

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "text/text_parts.h"
#include "vocabulary/dictd_data.h"
#include "vocabulary/dictd_index.h"
#include "vocabulary/vocabulary_map.h"

namespace lexicull {

// A word's senses in the order first given, each once. Holds views: the
// bytes they point into must outlive it.
class SenseList {
 public:
  // Appends `sense` unless the list holds it already.
  void add(std::string_view sense);
  // Empties the list, keeping its memory for the next word's senses.
  void clear() {
    senses_.clear();
    seen_.clear();
  }
  const std::vector<std::string_view>& senses() const { return senses_; }

 private:
  std::vector<std::string_view> senses_;
  // Made once there are many: some words have hundreds of senses.
  std::unordered_set<std::string_view> seen_;
};

// The senses that an entry (without CR) gives, in its order, repeats
// included: its lines but the first (the headword), those indented by at
// most three spaces or tabs that are not blank and are no cross-reference
// or note ("see:", "Synonym:", "Note:" ...), each trimmed and without one
// leading "N. ". Views into `entry`.
std::vector<std::string_view> dictd_senses(std::string_view entry);

// The entry's first line, lower-cased (unicode_lower): a word takes the
// entry when this holds it as a word (holds_as_word), so "went" takes the
// entry of "go" whose first line names it, and "it's" not those of "its".
std::string dictd_head_line(std::string_view entry);

// Gives each book word of `map` the senses of the index rows whose
// headwords have its normal form (dictd_normal_form) and whose entries name
// it, in the index's order, joined with "; ". An entry may have at most 1
// MiB, and those a book needs at most 64 MiB in all. Reads the index in order and
// only the parts of `data` that those entries need, each side by side on up
// to `options.threads` threads (the index in parts of 1 MiB or more). `compressed` for dictzip or
// gzip data. Fails with "not a readable dictd dictionary: ..." for an index line of another form,
// an entry past the data's end, a data file shorter than its chunk table says, or a needed chunk
// that does not inflate to its size; a failed read is returned as it is.
Status read_dictd_vocabulary(InputFile& index, const RandomAccessFile& data, bool compressed,
                             const PartOptions& options, VocabularyMap& map);

// The same, with the index's reading perhaps begun before the book's words
// were known, and the data opened.
Status read_dictd_entries(DictdIndexReader& index, const EntryData& data,
                          const PartOptions& options, VocabularyMap& map);

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_DICTD_DICTIONARY_H_
