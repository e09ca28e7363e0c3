#include "text/text_parts.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>

#include "base/file_range.h"
#include "base/thread.h"
#include "text/text_mode_reader.h"

namespace lexicull {
namespace {

// How far after an even cut point the separator is looked for. A book or a
// vocabulary without a space or a line feed in 64 KiB is not worth cutting
// there.
constexpr std::size_t kSeparatorWindow = 64 * 1024;

// Lowers `first` to `index` unless it is lower already.
void lower_to(std::atomic<std::size_t>& first, std::size_t index) {
  std::size_t seen = first.load(std::memory_order_relaxed);
  while (index < seen && !first.compare_exchange_weak(seen, index, std::memory_order_relaxed)) {
  }
}

// One part of a file, read by a reader of its own, a block at a time. All
// parts share the index of the first part known to hold a Ctrl-Z: a part
// after it has nothing to add and stops.
class PartRun {
 public:
  PartRun(const RandomAccessFile& file, const TextPart& part, std::size_t index,
          TextPartReader& reader, TextStart start, std::atomic<std::size_t>& first_ctrl_z_part)
      : range_(file, part.begin, part.end),
        text_(range_, TextModeReader::kDefaultBlockSize, start),
        index_(index),
        reader_(reader),
        first_ctrl_z_part_(first_ctrl_z_part) {}
  PartRun(const PartRun&) = delete;
  PartRun& operator=(const PartRun&) = delete;

  // Reads and feeds the next block; false once the part is done: read to
  // its end, failed, or after the text's end.
  bool step() {
    if (first_ctrl_z_part_.load(std::memory_order_relaxed) < index_) return false;
    PaddedBytes text;
    status_ = text_.next(&text);
    if (!status_.ok()) return false;
    if (text_.ended_at_ctrl_z()) lower_to(first_ctrl_z_part_, index_);
    if (text.empty()) {
      reader_.finish();
      return false;
    }
    reader_.feed(text);
    return true;
  }

  // Reads the rest of the part; a failure to get memory is kept for the
  // thread that waits for this one.
  void run() noexcept {
    try {
      while (step()) {
      }
    } catch (...) {
      failure_ = std::current_exception();
    }
  }

  const Status& status() const { return status_; }
  std::exception_ptr failure() const { return failure_; }
  bool ended_at_ctrl_z() const { return text_.ended_at_ctrl_z(); }

 private:
  FileRange range_;
  TextModeReader text_;
  std::size_t index_;
  TextPartReader& reader_;
  std::atomic<std::size_t>& first_ctrl_z_part_;
  Status status_;
  std::exception_ptr failure_;
};

Status read_parts(const RandomAccessFile& file, std::uint64_t begin, TextPartReader& reader,
                  const PartOptions& options) {
  const std::vector<TextPart> parts = cut_into_parts(file, reader.part_separator(), options, begin);
  const std::size_t count = parts.size();
  std::vector<std::unique_ptr<TextPartReader>> later_readers;
  for (std::size_t i = 1; i < count; ++i) later_readers.push_back(reader.make_later_part());
  std::atomic<std::size_t> first_ctrl_z_part{count};
  std::vector<std::unique_ptr<PartRun>> runs;
  for (std::size_t i = 0; i < count; ++i) {
    runs.push_back(std::make_unique<PartRun>(
        file, parts[i], i, i == 0 ? reader : *later_readers[i - 1],
        i == 0 && begin == 0 ? TextStart::kFileStart : TextStart::kInsideFile, first_ctrl_z_part));
  }

  // The first block is read before any other part starts: a file that is
  // text only up to a Ctrl-Z in its first bytes then costs no more than
  // when it is read whole.
  PartRun& first = *runs[0];
  const bool first_goes_on = first.step();
  const bool others_needed = first.status().ok() && first_ctrl_z_part.load() != 0;
  std::vector<Thread> threads;
  std::size_t started = 1;
  if (others_needed) {
    threads.reserve(count);
    try {
      for (; started < count; ++started) {
        threads.emplace_back([run = runs[started].get()] { run->run(); });
      }
    } catch (...) {
      // No thread to be had: the parts without one are read here, in turn.
    }
  }
  if (first_goes_on) first.run();
  if (others_needed) {
    for (std::size_t i = started; i < count; ++i) runs[i]->run();
  }
  for (Thread& thread : threads) thread.join();

  std::size_t used = count;
  for (std::size_t i = 0; i < count; ++i) {
    if (runs[i]->failure()) std::rethrow_exception(runs[i]->failure());
    if (!runs[i]->status().ok()) return runs[i]->status();
    if (runs[i]->ended_at_ctrl_z()) {
      used = i + 1;
      break;
    }
  }
  runs.clear();  // their blocks are no longer needed
  for (std::size_t i = 1; i < used; ++i) {
    reader.take_later_part(*later_readers[i - 1]);
    later_readers[i - 1].reset();
  }
  return Status();
}

}  // namespace

std::vector<TextPart> cut_into_parts(const RandomAccessFile& file, unsigned char separator,
                                     const PartOptions& options, std::uint64_t start) {
  const std::uint64_t size = file.size() > start ? file.size() - start : 0;
  const std::uint64_t min_part_size = std::max<std::uint64_t>(options.min_part_size, 1);
  const std::uint64_t count =
      std::max<std::uint64_t>(std::min<std::uint64_t>(size / min_part_size, options.threads), 1);
  std::vector<TextPart> parts;
  std::vector<unsigned char> window(count > 1 ? kSeparatorWindow : 0);
  std::uint64_t begin = start;
  for (std::uint64_t k = 1; k < count; ++k) {
    // k * size / count without overflow: the remainder is below count.
    const std::uint64_t even = start + size / count * k + size % count * k / count;
    std::size_t got = 0;
    if (!read_fully_at(file, even, window.data(), window.size(), &got).ok()) continue;
    const void* found = std::memchr(window.data(), separator, got);
    if (found == nullptr) continue;
    const std::uint64_t cut =
        even +
        static_cast<std::uint64_t>(static_cast<const unsigned char*>(found) - window.data()) + 1;
    // A separator far enough ahead can land on the next cut, or on the
    // file's last byte: no part may be empty.
    if (cut <= begin || cut >= start + size) continue;
    parts.push_back(TextPart{begin, cut});
    begin = cut;
  }
  // The last part reads on to wherever the file ends then, as a file read
  // whole would if it grew meanwhile.
  parts.push_back(TextPart{begin, TextPart::kToTheEnd});
  return parts;
}

Status read_text(InputFile& input, TextPartReader& reader, const PartOptions& options) {
  if (ByteSource* in_order = input.in_order()) return feed_text(*in_order, reader);
  return read_parts(*input.at_offsets(), 0, reader, options);
}

Status read_text_from(const RandomAccessFile& file, std::uint64_t begin, TextPartReader& reader,
                      const PartOptions& options) {
  return read_parts(file, begin, reader, options);
}

}  // namespace lexicull
