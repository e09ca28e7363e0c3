#ifndef LEXICULL_VOCABULARY_VOCABULARY_READER_H_
#define LEXICULL_VOCABULARY_VOCABULARY_READER_H_

// A vocabulary in one of its formats, over inputs the caller has opened:
// `key|translation` lines, or a dictd dictionary's index and data.

#include <memory>

#include "base/byte_stream.h"
#include "base/status.h"
#include "text/text_parts.h"
#include "vocabulary/vocabulary_map.h"

namespace lexicull {

class VocabularyReader {
 public:
  virtual ~VocabularyReader() = default;
  // Begins, on a thread of its own, what needs no book word, while the
  // caller reads the book; read() takes it over. Most formats have nothing
  // to begin.
  virtual void start_early() {}
  // Reads the translations of the map's book words into it. Fails as the
  // format's reader does; what was read up to then stays in `map`.
  virtual Status read(VocabularyMap& map) = 0;
};

// `key|translation` lines (read_vocabulary), which must outlive the reader.
std::unique_ptr<VocabularyReader> lines_vocabulary(InputFile& lines, const PartOptions& options);

// A dictd dictionary (read_dictd_vocabulary), whose files must outlive the
// reader.
std::unique_ptr<VocabularyReader> dictd_vocabulary(InputFile& index, const RandomAccessFile& data,
                                                   bool compressed, const PartOptions& options);

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_VOCABULARY_READER_H_
