#ifndef LEXICULL_TEXT_LINE_MARKS_H_
#define LEXICULL_TEXT_LINE_MARKS_H_

// The line ends and separators of a block of text, found 64 bytes at a time,
// so that a reader of short lines finds each line's end and fields with a
// few bit operations and no call per line.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/padded_bytes.h"

namespace lexicull {

class LineMarks {
 public:
  // A bit per byte of 64 bytes: those that end a line, and the separators.
  struct Marks {
    std::uint64_t line_ends;
    std::uint64_t separators;
  };

  // Marks the bytes of `text` equal to `line_end` and `separator`. Its
  // memory is kept from block to block.
  void mark(PaddedBytes text, unsigned char line_end, unsigned char separator);

  // The marks of the 64 bytes from offset `at` of the block, `at` within it;
  // none past its end.
  Marks from(std::size_t at) const {
    const Marks& low = marks_[at / 64];
    const Marks& high = marks_[at / 64 + 1];
    const unsigned shift = at % 64;
    // Shifted in two steps, so that a shift of 0 takes none of `high`.
    const auto join = [shift](std::uint64_t low_bits, std::uint64_t high_bits) {
      return low_bits >> shift | (high_bits << 1) << (63 - shift);
    };
    return Marks{join(low.line_ends, high.line_ends), join(low.separators, high.separators)};
  }

  // The offset of the first line end at or after offset `at`, or the
  // block's size where there is none.
  std::size_t next_line_end(std::size_t at) const;

 private:
  std::size_t size_ = 0;      // of the block marked
  std::vector<Marks> marks_;  // of the 64 bytes from 64 * i, then one empty
};

}  // namespace lexicull

#endif  // LEXICULL_TEXT_LINE_MARKS_H_
