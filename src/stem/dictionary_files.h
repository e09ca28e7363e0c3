#ifndef LEXICULL_STEM_DICTIONARY_FILES_H_
#define LEXICULL_STEM_DICTIONARY_FILES_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "stem/stemmer.h"

namespace lexicull {

// Where the dictionary that the user named may be, best first, as hunspell's
// own tools look for it. A name that holds a folder separator or ends in
// ".dic" is the path of its word list, with the affix file beside it. Any
// other name (such as "de_DE") is looked for in each folder of
// `search_path` (DICPATH: folders separated by `separator`), then in each
// of `system_folders`.
std::vector<DictionaryFiles> dictionary_candidates(std::string_view name,
                                                   std::string_view search_path, char separator,
                                                   const std::vector<std::string>& system_folders);

// The largest dictionary file that is read: about twice the largest that
// Debian ships (mn_MN.dic, 17 MB; ko.aff, 11 MB), so that a file named by
// mistake cannot take all memory, on every thread that loads it.
inline constexpr std::uint64_t kLargestDictionaryFile = std::uint64_t{32} << 20;

// Whether a .dic file of `size` bytes that begins with `start` (its first
// line at least) is a hunspell word list as the library reads one: its first
// line (after an optional byte-order mark) holds the number of its words,
// read as C's atoi reads it. The library makes a table of that many entries
// up front, so the count must be at least one and no more than the file has
// bytes.
Status check_word_list(std::string_view start, std::uint64_t size);

// Whether `affixes`, a whole .aff file, can be handed to the library. Each
// table (PFX, SFX, REP, MAP, BREAK, PHONE, ICONV, OCONV, AF, AM,
// CHECKCOMPOUNDPATTERN, COMPOUNDRULE) is found as the library finds it, and
// its count, read as the library reads it, may be no larger than the number
// of entry lines that follow it: the library makes room for that many
// entries before it reads them.
Status check_affix_file(std::string_view affixes);

// Opens `path` when it is a regular file, refusing anything else at once (a
// FIFO is not waited on). The platform layer gives the program's own.
using OpenRegularFile =
    std::function<Status(const std::string& path, std::unique_ptr<RandomAccessFile>* file)>;

// Where to look for a dictionary by name.
struct DictionarySearch {
  std::string search_path;  // DICPATH
  char separator = ':';
  std::vector<std::string> system_folders;
};

// Finds the dictionary that `name` names (see dictionary_candidates), reads
// both of its files once, whole, and checks them as the library will read
// them. A candidate whose .dic cannot be opened is passed over; anything
// else that is wrong ends the search. A failure's reason starts with the
// file or the name it is about.
Status find_dictionary(std::string_view name, const DictionarySearch& search,
                       const OpenRegularFile& open, DictionaryText* text);

}  // namespace lexicull

#endif  // LEXICULL_STEM_DICTIONARY_FILES_H_
