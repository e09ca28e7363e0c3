#include "text/line_marks.h"

#include "base/swar.h"
#include "text/byte_masks.h"

namespace lexicull {

void LineMarks::mark(PaddedBytes text, unsigned char line_end, unsigned char separator) {
  size_ = text.size();
  const std::size_t words = text.size() / 64 + 1;
  if (marks_.size() < words + 1) marks_.resize(words + 1);
  const unsigned char* const data = text.data();
  for (std::size_t word = 0; word < words; ++word) {
    const std::size_t offset = word * 64;
    ByteMasks masks = byte_masks(data + offset, line_end, separator, 0);
    // The padding may hold anything; only the text counts.
    if (text.size() - offset < 64) masks.keep_first(static_cast<unsigned>(text.size() - offset));
    marks_[word] = Marks{masks.first, masks.second};
  }
  marks_[words] = Marks{0, 0};
}

std::size_t LineMarks::next_line_end(std::size_t at) const {
  if (at >= size_) return size_;
  std::size_t word = at / 64;
  std::uint64_t line_ends = marks_[word].line_ends >> (at % 64) << (at % 64);
  while (line_ends == 0) {
    if (++word > size_ / 64) return size_;
    line_ends = marks_[word].line_ends;
  }
  return word * 64 + swar::lowest_bit(line_ends);
}

}  // namespace lexicull
