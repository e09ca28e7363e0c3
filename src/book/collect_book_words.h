#ifndef LEXICULL_BOOK_COLLECT_BOOK_WORDS_H_
#define LEXICULL_BOOK_COLLECT_BOOK_WORDS_H_

#include <cstddef>

#include "base/byte_buffer.h"
#include "base/byte_stream.h"
#include "base/padded_bytes.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "text/text_parts.h"

namespace lexicull {

// Turns book text into words, one block at a time, so that a word may span
// any number of blocks. Chunks are the runs between spaces; each is
// lower-cased, loses its punctuation, and is cut at every line feed, except
// that a line whose first hyphen is its last byte joins the next line without
// that hyphen.
class BookWordCollector {
 public:
  explicit BookWordCollector(BookWordSet& words) : words_(words) {}

  // Takes the next block of text (after text-mode reading).
  void feed(PaddedBytes text);

  // Ends the text: a chunk that was started counts even without a final space.
  void finish();

 private:
  BookWordSet& words_;
  // Adds the first `size` bytes of word_.
  void add_word(std::size_t size) { words_.insert(WordKey::of(word_.view(size))); }

  ByteBuffer word_;  // the line being built
  std::size_t length_ = 0;
  std::size_t first_hyphen_ = kNoHyphen;
  bool chunk_started_ = false;  // a byte came after the last space

  static constexpr std::size_t kNoHyphen = static_cast<std::size_t>(-1);
};

// Reads the whole book from `book` and adds its words to `words`. Fails only
// when the source does; the words read up to then stay in `words`.
Status collect_book_words(ByteSource& book, BookWordSet& words);

// The same for a book file: a regular one large enough is read in parts,
// side by side, each into a word set of its own, and the sets are merged.
Status collect_book_words(InputFile& book, BookWordSet& words, const PartOptions& options);

}  // namespace lexicull

#endif  // LEXICULL_BOOK_COLLECT_BOOK_WORDS_H_
