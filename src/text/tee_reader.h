#ifndef LEXICULL_TEXT_TEE_READER_H_
#define LEXICULL_TEXT_TEE_READER_H_

#include <memory>

#include "text/text_parts.h"

namespace lexicull {

// Hands the same text to two readers, for a text that can be read only
// once. The first reader's part separator is the text's; one thread reads
// it, in order, so there are no later parts.
class TeeReader final : public WholeTextReader {
 public:
  TeeReader(TextPartReader& first, TextPartReader& second) : first_(first), second_(second) {}

  void feed(PaddedBytes text) override {
    first_.feed(text);
    second_.feed(text);
  }
  void finish() override {
    first_.finish();
    second_.finish();
  }
  unsigned char part_separator() const override { return first_.part_separator(); }

 private:
  TextPartReader& first_;
  TextPartReader& second_;
};

}  // namespace lexicull

#endif  // LEXICULL_TEXT_TEE_READER_H_
