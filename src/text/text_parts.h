#ifndef LEXICULL_TEXT_TEXT_PARTS_H_
#define LEXICULL_TEXT_TEXT_PARTS_H_

// Reading an input as text, a regular file in parts side by side on several
// threads, with the same result as reading it whole in order. A part begins
// just after a byte that leaves its reader in the state it starts in, so that
// each part can be read on its own; only the first may hold a byte-order
// mark, and the first Ctrl-Z of the file ends the text, so that nothing after
// it is used.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/byte_stream.h"
#include "base/invariant.h"
#include "base/padded_bytes.h"
#include "base/status.h"

namespace lexicull {

struct PartOptions {
  unsigned threads = 1;
  // Smaller parts of a book are not worth it: a later part's word set, its
  // new words and their merge cost more than the part saves (measured: 3
  // and 4 MB books 2% to 9% slower in parts of 1 MiB). Readers whose parts
  // cost less ask for smaller ones.
  std::uint64_t min_part_size = std::uint64_t{8} << 20;
};

// What turns text into a result: fed the text block by block, in order, then
// finished. The reader of a file's first part fills the result itself; each
// later part gets a reader of its own, whose result is taken over after all
// earlier parts'.
class TextPartReader {
 public:
  virtual ~TextPartReader() = default;

  // Takes the next block of text (after text-mode reading).
  virtual void feed(PaddedBytes text) = 0;
  // Ends the text.
  virtual void finish() = 0;

  // The byte after which this reader is in the state it starts in, so that
  // a part may begin just after it.
  virtual unsigned char part_separator() const = 0;
  // A reader of the same kind for a later part, with a result of its own.
  virtual std::unique_ptr<TextPartReader> make_later_part() const = 0;
  // Adds the result of `later`, made by make_later_part() and fed the part
  // that follows everything this reader has been fed.
  virtual void take_later_part(TextPartReader& later) = 0;
  // Whether the parts must be the text's own, in its order. A reader whose
  // result is a set (the words of a book) may be fed whole documents in any
  // order, each in a part; one that numbers what it reads may not.
  virtual bool needs_parts_in_order() const { return false; }
};

// A reader whose later parts are readers of its own kind. `Derived` gives
// `std::unique_ptr<Derived> make_later() const`, a reader with a result of
// its own, and `void take_later(Derived& later)`; the later part comes back
// to it with its own type, the cast checked in every test build.
template <typename Derived>
class PartReaderOf : public TextPartReader {
 public:
  std::unique_ptr<TextPartReader> make_later_part() const final {
    return static_cast<const Derived&>(*this).make_later();
  }
  void take_later_part(TextPartReader& later) final {
    static_cast<Derived&>(*this).take_later(checked_downcast<Derived>(later));
  }
};

// A reader that takes the text whole and in order, on one thread: it makes
// no later parts, so it is read with one thread only.
class WholeTextReader : public TextPartReader {
 public:
  std::unique_ptr<TextPartReader> make_later_part() const final { return nullptr; }
  void take_later_part(TextPartReader&) final {}
};

struct TextPart {
  static constexpr std::uint64_t kToTheEnd = ~std::uint64_t{0};

  std::uint64_t begin;
  std::uint64_t end;  // kToTheEnd: as far as the file goes
};

// Cuts `file` from `begin` on into min(threads, size / min_part_size)
// parts, at least one, where size is what lies after `begin`. The cuts are
// spaced evenly over that size, and each moves forward to just after the
// next `separator`; where none is near (or the bytes there cannot be read)
// that cut is not made and the two parts stay one. The first part begins at
// `begin`, the last reads on to the file's end.
std::vector<TextPart> cut_into_parts(const RandomAccessFile& file, unsigned char separator,
                                     const PartOptions& options, std::uint64_t begin = 0);

// Reads all of `input` as text into `reader`. A file read at offsets is cut
// into parts for `reader`'s separator; each later part is read by a reader
// from make_later_part() on a thread of its own, and taken over in file order
// as far as the text goes. Once a part has met the file's first Ctrl-Z, the
// parts after it stop within a block and are dropped, their read errors
// with them. An input read in order is read whole, on this thread.
// A failed read is returned, the first in file order; a failure to get
// memory on any thread is thrown here again.
Status read_text(InputFile& input, TextPartReader& reader, const PartOptions& options);

// Reads the rest of `file`'s text, from `begin` on, into `reader`, which
// was fed the text before it (read in order, a block at a time, up to
// `begin` and no further): as read_text() does, in parts from `begin` on.
// A byte-order mark is recognised only at the file's start.
Status read_text_from(const RandomAccessFile& file, std::uint64_t begin, TextPartReader& reader,
                      const PartOptions& options);

}  // namespace lexicull

#endif  // LEXICULL_TEXT_TEXT_PARTS_H_
