#include "text/text_mode_reader.h"

#include <cstring>

#include "base/page_mapping.h"
#include "text/byte_classes.h"

namespace lexicull {
namespace {

constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// Removes every carriage return from [data, data + size) in place and returns
// the new size. memchr finds the first one fast; most text has none at all or
// one per line.
std::size_t drop_carriage_returns(unsigned char* data, std::size_t size) {
  auto* found = static_cast<unsigned char*>(std::memchr(data, kCarriageReturn, size));
  if (found == nullptr) return size;
  unsigned char* out = found;
  const unsigned char* in = found + 1;
  const unsigned char* const end = data + size;
  while (in < end) {
    const auto* next =
        static_cast<const unsigned char*>(std::memchr(in, kCarriageReturn, end - in));
    const unsigned char* stop = next == nullptr ? end : next;
    std::memmove(out, in, stop - in);
    out += stop - in;
    in = stop + 1;
  }
  return out - data;
}

}  // namespace

TextModeReader::TextModeReader(ByteSource& source, std::size_t block_size, TextStart start)
    : source_(source), started_(start == TextStart::kInsideFile) {
  const std::size_t size =
      (block_size < sizeof kByteOrderMark ? sizeof kByteOrderMark : block_size) +
      PaddedBytes::kPadding;
  // Written whole by the zeros that follow, and again by each read of a
  // large input.
  block_.reserve(size);
  map_for_writing(block_.data(), size);
  block_.resize(size);
}

Status TextModeReader::fill(std::size_t* count) {
  *count = 0;
  if (started_) return source_.read(block_.data(), capacity(), count);
  // The mark is recognised only whole at the start, however the source cuts
  // its first bytes.
  started_ = true;
  Status status = read_at_least(source_, block_.data(), sizeof kByteOrderMark, capacity(), count);
  if (!status.ok()) return status;
  if (*count >= sizeof kByteOrderMark &&
      std::memcmp(block_.data(), kByteOrderMark, sizeof kByteOrderMark) == 0) {
    *count -= sizeof kByteOrderMark;
    std::memmove(block_.data(), block_.data() + sizeof kByteOrderMark, *count);
    // A count of 0 would read as the end of the input: the text may go on.
    if (*count == 0) return source_.read(block_.data(), capacity(), count);
  }
  return Status();
}

Status TextModeReader::next(PaddedBytes* text) {
  *text = PaddedBytes();
  while (!ended_) {
    std::size_t count = 0;
    Status status = fill(&count);
    if (!status.ok()) return status;
    if (count == 0) {
      ended_ = true;
      break;
    }
    if (const void* ctrl_z = std::memchr(block_.data(), kCtrlZ, count)) {
      count = static_cast<const unsigned char*>(ctrl_z) - block_.data();
      ended_ = true;
      ended_at_ctrl_z_ = true;
    }
    *text =
        PaddedBytes::in_padded_buffer(block_.data(), drop_carriage_returns(block_.data(), count));
    if (!text->empty()) break;
  }
  return Status();
}

}  // namespace lexicull
