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

// Its data is opened, and its index read, as early as the caller asks.
class DictdVocabulary final : public VocabularyReader {
 public:
  DictdVocabulary(InputFile& index, const RandomAccessFile& data, bool compressed,
                  const PartOptions& options)
      : index_(index), data_(data), compressed_(compressed), options_(options) {}
  void start_early() override {
    open();
    if (index_reader_) index_reader_->start_early();
  }
  Status read(VocabularyMap& map) override {
    open();
    if (!open_status_.ok()) return open_status_;
    return read_dictd_entries(*index_reader_, *entries_, options_, map);
  }

 private:
  void open() {
    if (opened_) return;
    opened_ = true;
    open_status_ = open_dictd_data(data_, compressed_, &entries_);
    if (open_status_.ok()) {
      index_reader_ = std::make_unique<DictdIndexReader>(index_, entries_->size(), options_);
    }
  }

  InputFile& index_;
  const RandomAccessFile& data_;
  bool compressed_;
  PartOptions options_;
  bool opened_ = false;
  Status open_status_;
  std::unique_ptr<EntryData> entries_;
  std::unique_ptr<DictdIndexReader> index_reader_;  // stopped before the rest goes
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
