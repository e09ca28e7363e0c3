#ifndef LEXICULL_TEXT_TEXT_PARTS_H_
#define LEXICULL_TEXT_TEXT_PARTS_H_

// Reading one regular file as text in parts, side by side on several threads,
// with the same result as reading it whole in order. A part begins just after
// a byte that leaves the reader in the state it starts in (a space for the
// book, a line feed for the vocabulary), so that each part can be read on its
// own; only the first may hold a byte-order mark, and the first Ctrl-Z of the
// file ends the text, so that the parts after it are not used.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

#include "base/byte_stream.h"
#include "base/file_range.h"
#include "base/status.h"
#include "text/text_mode_reader.h"

namespace lexicull {

struct PartOptions {
  unsigned threads = 1;
  // Smaller parts are not worth it: a thread, its buffers and the merge of
  // its words cost more than they save (measured: a 4 MiB book was read no
  // faster in two parts than whole).
  std::uint64_t min_part_size = std::uint64_t{8} << 20;
};

struct TextPart {
  std::uint64_t begin;
  std::uint64_t end;
};

// Cuts a seekable file of `size` bytes into at most `options.threads` parts
// of about equal size, each beginning just after a `separator` byte (or at
// the start); where no separator is near, two parts stay one.
Status cut_into_parts(const InputFile& file, std::uint64_t size, unsigned char separator,
                      const PartOptions& options, std::vector<TextPart>* parts);

// Reads each part as text into its own consumer (consumers[i] for parts[i]),
// each on a thread of its own but the first, which runs on this one. On
// success `*used` is the number of parts, from the first, whose text counts:
// those up to the one that holds the file's first Ctrl-Z. A failed read in
// one of those is returned, the first in file order; a failure to get
// memory on any thread is thrown here again.
template <typename Consumer>
Status feed_text_parts(const InputFile& file, const std::vector<TextPart>& parts,
                       std::vector<Consumer*>& consumers, std::size_t* used) {
  const std::size_t count = parts.size();
  std::vector<Status> statuses(count);
  std::vector<char> ended_at_ctrl_z(count, 0);
  std::vector<std::exception_ptr> failures(count);
  auto read_part = [&](std::size_t i) {
    try {
      FileRange range(file, parts[i].begin, parts[i].end);
      TextModeReader reader(range, TextModeReader::kDefaultBlockSize,
                            i == 0 ? TextStart::kFileStart : TextStart::kInsideFile);
      statuses[i] = feed_text(reader, *consumers[i]);
      ended_at_ctrl_z[i] = reader.ended_at_ctrl_z();
    } catch (...) {
      failures[i] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(count);
  try {
    for (std::size_t i = 1; i < count; ++i) threads.emplace_back(read_part, i);
  } catch (...) {
    // No thread to be had: the parts without one are read here, in turn.
    for (std::size_t i = threads.size() + 1; i < count; ++i) read_part(i);
  }
  read_part(0);
  for (std::thread& thread : threads) thread.join();

  *used = count;
  for (std::size_t i = 0; i < count; ++i) {
    if (failures[i]) std::rethrow_exception(failures[i]);
    if (!statuses[i].ok()) return statuses[i];
    if (ended_at_ctrl_z[i]) {
      *used = i + 1;
      break;
    }
  }
  return Status();
}

}  // namespace lexicull

#endif  // LEXICULL_TEXT_TEXT_PARTS_H_
