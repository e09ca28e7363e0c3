#ifndef LEXICULL_STEM_DICTIONARY_FILES_H_
#define LEXICULL_STEM_DICTIONARY_FILES_H_

#include <string>
#include <string_view>
#include <vector>

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

// Whether `start`, the first bytes of a .dic file, begins as a hunspell word
// list must: with the number of its words (after an optional byte-order
// mark). Anything else is not a word list.
Status check_word_list_start(std::string_view start);

}  // namespace lexicull

#endif  // LEXICULL_STEM_DICTIONARY_FILES_H_
