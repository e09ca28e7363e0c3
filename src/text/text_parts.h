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
#include <memory>
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
  static constexpr std::uint64_t kToTheEnd = ~std::uint64_t{0};

  std::uint64_t begin;
  std::uint64_t end;  // kToTheEnd: as far as the file goes
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
                       const std::vector<std::unique_ptr<Consumer>>& consumers, std::size_t* used) {
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

// Reads `file` as text into `whole` through a Consumer made on it. A
// seekable file large enough is cut just after `separator` bytes and its
// parts are read side by side: the first into `whole`, each other into a
// container of its own from make_part(), which merge(part) then adds to
// `whole`, in file order, as far as the text goes. Any other file is read
// whole, in order.
template <typename Consumer, typename Container, typename MakePart, typename Merge>
Status read_text_in_parts(InputFile& file, unsigned char separator, const PartOptions& options,
                          Container& whole, MakePart make_part, Merge merge) {
  std::uint64_t size = 0;
  std::vector<TextPart> parts;
  if (options.threads > 1 && file.size_if_seekable(&size)) {
    Status status = cut_into_parts(file, size, separator, options, &parts);
    if (!status.ok()) return status;
  }
  if (parts.size() <= 1) {
    Consumer consumer(whole);
    return feed_text(static_cast<ByteSource&>(file), consumer);
  }
  std::vector<std::unique_ptr<Container>> part_containers;
  std::vector<std::unique_ptr<Consumer>> consumers;
  consumers.push_back(std::make_unique<Consumer>(whole));
  for (std::size_t i = 1; i < parts.size(); ++i) {
    part_containers.push_back(make_part());
    consumers.push_back(std::make_unique<Consumer>(*part_containers.back()));
  }
  std::size_t used = 0;
  Status status = feed_text_parts(file, parts, consumers, &used);
  if (!status.ok()) return status;
  for (std::size_t i = 1; i < used; ++i) merge(*part_containers[i - 1]);
  return Status();
}

}  // namespace lexicull

#endif  // LEXICULL_TEXT_TEXT_PARTS_H_
