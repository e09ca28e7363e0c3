#ifndef LEXICULL_VOCABULARY_READ_VOCABULARY_H_
#define LEXICULL_VOCABULARY_READ_VOCABULARY_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_buffer.h"
#include "base/byte_stream.h"
#include "base/padded_bytes.h"
#include "base/status.h"
#include "text/byte_classes.h"
#include "text/line_marks.h"
#include "text/text_parts.h"
#include "vocabulary/vocabulary_map.h"

namespace lexicull {

// Turns vocabulary text into entries, one block at a time, so that a line may
// span any number of blocks. Each line is lower-cased and split at its first
// "|" into key and translation (a line without one is both); a later line for
// a key replaces the earlier translation, also with an empty one. Lines whose
// key is no book word are passed over without being stored, even while they
// are still arriving.
class VocabularyEntryReader final : public PartReaderOf<VocabularyEntryReader> {
 public:
  // After a line feed, a line begins afresh.
  static constexpr unsigned char kPartSeparator = kLineFeed;

  explicit VocabularyEntryReader(VocabularyMap& map) : map_(map) {}

  void feed(PaddedBytes text) override;
  // Ends the text: a last line needs no line feed.
  void finish() override;

  unsigned char part_separator() const override { return kPartSeparator; }
  // Reads into a map of its own, which holds only what its lines set.
  std::unique_ptr<VocabularyEntryReader> make_later() const;
  void take_later(VocabularyEntryReader& later) { map_.take_later(later.map_); }

 private:
  explicit VocabularyEntryReader(std::unique_ptr<VocabularyMap> own_map)
      : own_map_(std::move(own_map)), map_(*own_map_) {}

  // Reads the lines of one block, leaving some in the queue perhaps.
  void feed_lines(PaddedBytes text);
  // take_line needs make_key_room for the line first, and no line queued.
  void take_line(PaddedBytes line);
  // Takes a line of the block being fed whose key, of `key_size` bytes, may
  // be a book word. Its lookup would wait for its slot, out of the nearest
  // caches already in a book of a few thousand words: a key of up to
  // sixteen bytes waits in a queue while its slot is asked for, and the
  // queue is taken in order. A small set pays next to nothing for it.
  void take_or_queue_line(PaddedBytes line, std::size_t key_size);
  void take_queued_lines();
  // Gives book word `id` the translation on its line of `size` bytes, whose
  // key has `key_size` bytes (lower-cased at `lowered_key`): what follows the
  // separator, or the key itself where the line has none.
  void set_translation(BookWordSet::WordId id, const unsigned char* line, std::size_t size,
                       const unsigned char* lowered_key, std::size_t key_size);
  BookWordSet::WordId find_key(PaddedBytes key);
  void make_key_room(std::size_t line_size);
  void take_pending_line();

  void append_pending(const unsigned char* data, std::size_t size);
  void clear_pending();
  void drop_pending_line_if_useless();

  // The first line feed of the block at or after offset `at`, or null.
  const unsigned char* next_line_feed(PaddedBytes text, std::size_t at) const;

  std::unique_ptr<VocabularyMap> own_map_;  // a later part's
  VocabularyMap& map_;
  ByteBuffer key_;      // the lower-cased key
  ByteBuffer pending_;  // a line cut by the end of a block
  std::string sense_;   // a translation lower-cased, with every sense kept
  std::size_t pending_size_ = 0;
  std::size_t pending_searched_ = 0;  // bytes of it known to hold no separator
  bool pending_key_wanted_ = false;   // its key is known to be a book word
  bool skipping_line_ = false;        // the rest of the current line is of no use

  struct QueuedLine {
    const unsigned char* line;  // in the block being fed
    std::size_t size;
    std::size_t key_size;
    std::uint64_t key_head;  // lower-cased, as WordKey holds them
    std::uint64_t key_tail;
  };
  static constexpr std::size_t kLineQueueSize = 16;
  QueuedLine queued_lines_[kLineQueueSize];
  std::size_t queued_line_count_ = 0;
  LineMarks marks_;  // of the block being fed
};

// Reads the whole vocabulary into `map`: a regular file large enough in
// parts, side by side, the later line for a key winning across parts too.
// Fails only when reading does; the entries read up to then stay in `map`.
Status read_vocabulary(InputFile& vocabulary, VocabularyMap& map, const PartOptions& options);

}  // namespace lexicull

#endif  // LEXICULL_VOCABULARY_READ_VOCABULARY_H_
