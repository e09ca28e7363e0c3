#include "vocabulary/vocabulary_reader.h"

#include "vocabulary/dictd_dictionary.h"
#include "vocabulary/read_vocabulary.h"

namespace lexicull {
namespace {

class LinesVocabulary final : public VocabularyReader {
 public:
  LinesVocabulary(InputFile& lines, const PartOptions& options)
      : lines_(lines), options_(options) {}
  Status read(VocabularyMap& map) override { return read_vocabulary(lines_, map, options_); }

 private:
  InputFile& lines_;
  PartOptions options_;
};

class DictdVocabulary final : public VocabularyReader {
 public:
  DictdVocabulary(InputFile& index, const RandomAccessFile& data, bool compressed,
                  const PartOptions& options)
      : index_(index), data_(data), compressed_(compressed), options_(options) {}
  Status read(VocabularyMap& map) override {
    return read_dictd_vocabulary(index_, data_, compressed_, options_, map);
  }

 private:
  InputFile& index_;
  const RandomAccessFile& data_;
  bool compressed_;
  PartOptions options_;
};

}  // namespace

std::unique_ptr<VocabularyReader> lines_vocabulary(InputFile& lines, const PartOptions& options) {
  return std::make_unique<LinesVocabulary>(lines, options);
}

std::unique_ptr<VocabularyReader> dictd_vocabulary(InputFile& index, const RandomAccessFile& data,
                                                   bool compressed, const PartOptions& options) {
  return std::make_unique<DictdVocabulary>(index, data, compressed, options);
}

}  // namespace lexicull
