#ifndef LEXICULL_BOOK_COLLECT_BOOK_WORDS_H_
#define LEXICULL_BOOK_COLLECT_BOOK_WORDS_H_

#include <cstddef>
#include <memory>

#include "base/byte_buffer.h"
#include "base/byte_stream.h"
#include "base/padded_bytes.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "text/byte_classes.h"
#include "text/text_parts.h"

namespace lexicull {

// Turns book text into words, one block at a time, so that a word may span
// any number of blocks. Chunks are the runs between spaces; each is
// lower-cased, loses its punctuation, and is cut at every line feed, except
// that a line whose first hyphen is its last byte joins the next line without
// that hyphen.
class BookWordCollector final : public TextPartReader {
 public:
  // After a space a chunk begins afresh: nothing of the words before it (not
  // even a hyphen that joins lines) reaches past it.
  static constexpr unsigned char kPartSeparator = kSpace;

  explicit BookWordCollector(BookWordSet& words) : words_(words) {}

  void feed(PaddedBytes text) override;
  // Ends the text: a chunk that was started counts even without a final space.
  void finish() override;

  unsigned char part_separator() const override { return kPartSeparator; }
  // Collects into a word set of its own.
  std::unique_ptr<TextPartReader> make_later_part() const override;
  void take_later_part(TextPartReader& later) override;

 private:
  explicit BookWordCollector(std::unique_ptr<BookWordSet> own_words)
      : own_words_(std::move(own_words)), words_(*own_words_) {}

  std::unique_ptr<BookWordSet> own_words_;  // a later part's
  BookWordSet& words_;
  // Adds the first `size` bytes of word_.
  void add_word(std::size_t size) { words_.insert(WordKey::of(word_.view(size))); }

  ByteBuffer word_;  // the line being built
  std::size_t length_ = 0;
  std::size_t first_hyphen_ = kNoHyphen;
  bool chunk_started_ = false;  // a byte came after the last space

  static constexpr std::size_t kNoHyphen = static_cast<std::size_t>(-1);
};

// Reads the whole book and adds its words to `words`: a regular file large
// enough in parts, side by side. Fails only when reading does; the words read
// up to then stay in `words`.
Status collect_book_words(InputFile& book, BookWordSet& words, const PartOptions& options);

}  // namespace lexicull

#endif  // LEXICULL_BOOK_COLLECT_BOOK_WORDS_H_
