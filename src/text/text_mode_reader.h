#ifndef LEXICULL_TEXT_TEXT_MODE_READER_H_
#define LEXICULL_TEXT_TEXT_MODE_READER_H_

#include <cstddef>
#include <vector>

#include "base/byte_stream.h"
#include "base/padded_bytes.h"
#include "base/status.h"

namespace lexicull {

// Reads a source as text the same way on every platform, in large blocks:
// a UTF-8 byte-order mark at the very start is skipped, every carriage return
// is dropped wherever it stands, and the first Ctrl-Z ends the text (nothing
// after it is used). Every other byte, NUL and 0x80 to 0xFF included, arrives
// unchanged.
// Where a source begins: only a file's very start may hold a byte-order mark.
enum class TextStart { kFileStart, kInsideFile };

class TextModeReader {
 public:
  static constexpr std::size_t kDefaultBlockSize = 128 * 1024;

  explicit TextModeReader(ByteSource& source, std::size_t block_size = kDefaultBlockSize,
                          TextStart start = TextStart::kFileStart);

  // Points `*text` at the next non-empty run of text; an empty one means the
  // text has ended. The bytes stay valid until the next call.
  Status next(PaddedBytes* text);

  // Whether the text ended at a Ctrl-Z, not at the end of the source.
  bool ended_at_ctrl_z() const { return ended_at_ctrl_z_; }

 private:
  Status fill(std::size_t* count);
  std::size_t capacity() const { return block_.size() - PaddedBytes::kPadding; }

  ByteSource& source_;
  std::vector<unsigned char> block_;
  bool started_;
  bool ended_ = false;
  bool ended_at_ctrl_z_ = false;
};

// Reads all of `source` as text and hands it block by block to `consumer`'s
// feed(PaddedBytes), then calls its finish(). A failed read is returned at
// once, without finish(): what was fed before it stays fed.
template <typename Consumer>
Status feed_text(TextModeReader& reader, Consumer& consumer) {
  for (;;) {
    PaddedBytes text;
    Status status = reader.next(&text);
    if (!status.ok()) return status;
    if (text.empty()) break;
    consumer.feed(text);
  }
  consumer.finish();
  return Status();
}

template <typename Consumer>
Status feed_text(ByteSource& source, Consumer& consumer) {
  TextModeReader reader(source);
  return feed_text(reader, consumer);
}

}  // namespace lexicull

#endif  // LEXICULL_TEXT_TEXT_MODE_READER_H_
