#ifndef LEXICULL_STEM_DICTIONARY_FILES_H_
#define LEXICULL_STEM_DICTIONARY_FILES_H_

#include <cstdint>
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

// Whether `start`, the first bytes of a .dic file of `size` bytes, begins as
// a hunspell word list must: with the number of its words (after an optional
// byte-order mark), which the file must have room for. The library makes a
// table of that many entries up front, so a damaged count could take
// gigabytes. Anything else is not a word list. A `size` of kUnknownSize (a
// pipe) leaves the count unchecked.
inline constexpr std::uint64_t kUnknownSize = ~std::uint64_t{0};
Status check_word_list_start(std::string_view start, std::uint64_t size = kUnknownSize);

// Whether `affixes`, a whole .aff file, can be handed to the library: every
// table it declares (PFX, SFX, REP, MAP, BREAK, PHONE, ICONV, OCONV, AF, AM,
// CHECKCOMPOUNDPATTERN, COMPOUNDRULE) counts no more entries than the file
// has lines, since the library makes room for that many up front.
Status check_affix_file(std::string_view affixes);

}  // namespace lexicull

#endif  // LEXICULL_STEM_DICTIONARY_FILES_H_
