#ifndef LEXICULL_BOOK_COLLECT_BOOK_WORDS_H_
#define LEXICULL_BOOK_COLLECT_BOOK_WORDS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

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
class BookWordCollector final : public PartReaderOf<BookWordCollector> {
 public:
  // After a space a chunk begins afresh: nothing of the words before it (not
  // even a hyphen that joins lines) reaches past it.
  static constexpr unsigned char kPartSeparator = kSpace;

  explicit BookWordCollector(BookWordSet& words) : words_(words) {}

  void feed(PaddedBytes text) override;
  // Ends the text: a chunk that was started counts even without a final space.
  void finish() override;

  unsigned char part_separator() const override { return kPartSeparator; }
  // From now on each word goes into the set at once, never in a batch, and
  // for each word new to the set `*ends` gets the offset in its block of
  // the space or line feed after it (kAtTextEnd for the word that finish()
  // ends), in the order of the words' ids. The caller empties it as it
  // likes; null stops the noting.
  static constexpr std::size_t kAtTextEnd = ~std::size_t{0};
  void note_new_word_ends(std::vector<std::size_t>* ends) {
    new_word_ends_ = ends;
    noted_words_ = words_.size();
  }
  // Collects into a word set of its own.
  std::unique_ptr<BookWordCollector> make_later() const;
  // Takes over a later part's words; `ids_here` as BookWordSet::insert_all
  // gives it.
  void take_later(BookWordCollector& later, std::vector<BookWordSet::WordId>* ids_here = nullptr) {
    words_.insert_all(later.words_, ids_here);
  }

 private:
  explicit BookWordCollector(std::unique_ptr<BookWordSet> own_words)
      : own_words_(std::move(own_words)), words_(*own_words_) {}

  // Words longer than sixteen bytes, in a large set, wait in batches for the
  // word set, which looks their slots up together. Their bytes are copied
  // into batch_bytes_, since the text and word_ are reused before the batch
  // goes in; a very long one goes in at once instead.
  static constexpr std::size_t kLongestBatchedWord = 64;
  static constexpr std::size_t kBatchBytes = BookWordSet::kBatchSize * kLongestBatchedWord;
  // A word this long or longer is handed to the word set with word_'s
  // memory, not copied, so that it is never held twice; word_ grows afresh.
  static constexpr std::size_t kLeastWordTaken = std::size_t{1} << 20;

  // Runs the byte-at-a-time reader from `in` until it ends a word or the
  // block, carrying word_ across blocks; returns where it stopped. It serves
  // what the masks leave to it: words that go on past their window or their
  // block, and lines that a hyphen may join.
  const unsigned char* read_until_word_ends(const unsigned char* in, const unsigned char* end);
  // Adds the first `size` bytes of word_.
  void add_word(std::size_t size);
  // Adds the `size` bytes at `bytes`, as yet unlowered, which hold nothing
  // but bytes of the word.
  void add_text_word(const unsigned char* bytes, std::size_t size);
  // Adds the `size` bytes at `word` but the punctuation marked in `dropped`
  // (`others` marks the other bytes below "A"); false, adding nothing, when
  // a hyphen may join the line to the next, which only the byte-at-a-time
  // reader can tell.
  bool add_word_with_specials(const unsigned char* word, unsigned size, std::uint64_t dropped,
                              std::uint64_t others);
  // Adds the `size` bytes at `bytes` but those marked in `dropped`.
  void add_text_word_without(const unsigned char* bytes, std::size_t size, std::uint64_t dropped);
  // Adds the lower-cased word of `size` bytes, more than sixteen, that the
  // caller has put at the end of batch_bytes_; it stays there while its
  // batch waits.
  void add_long_word(std::size_t size);
  // Whether words wait in batches: in a large set, unless new words are
  // noted.
  bool batches_pay() const { return new_word_ends_ == nullptr && words_.batches_pay(); }
  // Notes the words that the set took since the last call, which were
  // ended by the byte at `end` of the block (or the text's end).
  void note_words_ended_at(std::size_t end) {
    for (; noted_words_ < words_.size(); ++noted_words_) new_word_ends_->push_back(end);
  }
  // In a large set, words of up to sixteen bytes wait in a queue of their
  // own, which the set takes in one call, asking for slots ahead of their
  // use; a small set is in cache, and a word goes in at once.
  void add_held_word(std::uint64_t head, std::uint64_t tail, std::size_t size) {
    if (batches_pay()) {
      queue_held_word(head, tail, size);
    } else {
      words_.insert_held(head, tail, size);
    }
  }
  void queue_held_word(std::uint64_t head, std::uint64_t tail, std::size_t size) {
    held_heads_[held_count_] = head;
    held_tails_[held_count_] = tail;
    held_sizes_[held_count_] = static_cast<unsigned char>(size);
    if (++held_count_ == kHeldQueueSize) flush_held_words();
  }
  void flush_held_words() {
    words_.insert_held_words(held_heads_, held_tails_, held_sizes_, held_count_);
    held_count_ = 0;
  }
  void add_to_batch(const WordKey& key) {
    batch_[batch_size_++] = key;
    if (batch_size_ == BookWordSet::kBatchSize) flush_batch();
  }
  void flush_batch() {
    flush_held_words();
    if (batch_size_ == 0) return;
    words_.insert_batch(batch_, batch_size_);
    batch_size_ = 0;
    batch_bytes_size_ = 0;
  }

  std::unique_ptr<BookWordSet> own_words_;  // a later part's
  BookWordSet& words_;
  static constexpr std::size_t kHeldQueueSize = 256;
  std::uint64_t held_heads_[kHeldQueueSize];
  std::uint64_t held_tails_[kHeldQueueSize];
  unsigned char held_sizes_[kHeldQueueSize];
  std::size_t held_count_ = 0;
  WordKey batch_[BookWordSet::kBatchSize];
  std::size_t batch_size_ = 0;
  ByteBuffer batch_bytes_;  // the batch's long words
  std::size_t batch_bytes_size_ = 0;

  std::vector<std::size_t>* new_word_ends_ = nullptr;
  std::size_t noted_words_ = 0;           // the set's size when words were last noted
  const unsigned char* block_ = nullptr;  // the block being fed

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
