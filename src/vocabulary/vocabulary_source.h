#ifndef LEXICULL_VOCABULARY_VOCABULARY_SOURCE_H_
#define LEXICULL_VOCABULARY_VOCABULARY_SOURCE_H_

// Which reader a vocabulary argument takes: `key|translation` lines, or a
// dictd dictionary found by its files' names or by its name alone.

#include <functional>
#include <string>
#include <vector>

#include "base/status.h"

namespace lexicull {

enum class VocabularyFormat { kLines, kDictd };

struct VocabularySource {
  VocabularyFormat format = VocabularyFormat::kLines;
  std::string path;         // the lines, or the dictd index
  std::string data_path;    // a dictd dictionary's entries
  bool compressed = false;  // they are dictzip (or gzip)
};

// Where a dictionary named by its name alone is looked for: the folders of
// LEXICULL_DICTD_PATH, then the system's.
struct DictdSearch {
  std::string search_path;
  char separator = ':';
  std::vector<std::string> system_folders;
};

// Whether a regular file stands at the path.
using FileExists = std::function<bool(const std::string& path)>;

// The source that `argument` names:
// - "-": lines from standard input;
// - NAME.dict.dz: a dictd dictionary, whose NAME.index must stand beside it;
// - NAME.index beside NAME.dict.dz or NAME.dict, or NAME.dict beside
//   NAME.index: a dictd dictionary;
// - any other existing file: lines;
// - a name without a folder separator that is no file: NAME.index (with
//   its data) in the folders of `search`, in order;
// - anything else: lines, which reading then reports as it finds them.
// Fails, with the missing file named, only for a .dict.dz without its index.
Status find_vocabulary(const std::string& argument, const DictdSearch& search,
                       const FileExists& exists, VocabularySource* source);

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_VOCABULARY_SOURCE_H_
