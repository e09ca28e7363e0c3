#ifndef LEXICULL_TEXT_SPLIT_TEXT_H_
#define LEXICULL_TEXT_SPLIT_TEXT_H_

#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

#include "text/byte_stream.h"
#include "text/status.h"
#include "text/text_mode_reader.h"

namespace lexicull {

// Below this size a file is read whole on one thread: a second one would
// cost more than it saves.
inline constexpr std::uint64_t kSmallestFileToSplit = std::uint64_t{8} << 20;

// Where to cut `input` in two so that the second part starts right after a
// `delimiter` byte at or after the middle: neither reader then needs what
// the other one saw (a chunk of a book ends at a space, a vocabulary line
// at a line feed). Returns 0 when it should be read whole: when it is smaller
// than `smallest`, or no delimiter comes soon enough after the middle.
std::uint64_t find_cut(RandomAccessSource& input, unsigned char delimiter, std::uint64_t smallest);

// Feeds [0, cut) to `first` on this thread and [cut, end) to `second` on
// another, each as text. The second part is text only if the first part did
// not end at a Ctrl-Z: `*second_counts` says whether it did, and a read error
// in a part that does not count is no error. The first error in file order is
// returned. An exception on either thread (out of memory) reaches the caller.
template <typename Consumer>
Status feed_text_in_two_parts(RandomAccessSource& input, std::uint64_t cut, Consumer& first,
                              Consumer& second, bool* second_counts) {
  std::unique_ptr<ByteSource> first_part = input.range(0, cut);
  std::unique_ptr<ByteSource> second_part = input.range(cut, input.size());
  Status second_status;
  std::exception_ptr second_failure;
  std::thread worker([&] {
    try {
      TextModeReader reader(*second_part, TextStart::kMidFile);
      second_status = feed_text(reader, second);
    } catch (...) {
      second_failure = std::current_exception();
    }
  });
  // The worker must be joined however this thread leaves.
  struct Joiner {
    std::thread& thread;
    ~Joiner() { thread.join(); }
  };
  Status first_status;
  bool first_ended_at_ctrl_z = false;
  {
    Joiner joiner{worker};
    TextModeReader reader(*first_part);
    first_status = feed_text(reader, first);
    first_ended_at_ctrl_z = reader.ended_at_ctrl_z();
  }
  *second_counts = first_status.ok() && !first_ended_at_ctrl_z;
  if (!first_status.ok()) return first_status;
  if (!*second_counts) return Status();
  if (second_failure) std::rethrow_exception(second_failure);
  return second_status;
}

}  // namespace lexicull

#endif  // LEXICULL_TEXT_SPLIT_TEXT_H_
