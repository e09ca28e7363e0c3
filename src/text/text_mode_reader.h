#ifndef LEXICULL_TEXT_TEXT_MODE_READER_H_
#define LEXICULL_TEXT_TEXT_MODE_READER_H_

#include <cstddef>
#include <vector>

#include "text/byte_stream.h"
#include "text/status.h"

namespace lexicull {

// Reads a source as text the same way on every platform, in large blocks:
// a UTF-8 byte-order mark at the very start is skipped, every carriage return
// is dropped wherever it stands, and the first Ctrl-Z ends the text (nothing
// after it is used). Every other byte, NUL and 0x80 to 0xFF included, arrives
// unchanged.
class TextModeReader {
 public:
  static constexpr std::size_t kDefaultBlockSize = 128 * 1024;
  // Readable bytes after the end of every run of text that next() delivers,
  // so that callers may load eight or sixty-four bytes at a time up to its
  // last byte.
  static constexpr std::size_t kPadding = 64;

  explicit TextModeReader(ByteSource& source, std::size_t block_size = kDefaultBlockSize);

  // Points `*data` at the next non-empty run of text and stores its length in
  // `*size`; a size of 0 means the text has ended. The bytes stay valid until
  // the next call.
  Status next(const unsigned char** data, std::size_t* size);

 private:
  Status fill(std::size_t* count);
  std::size_t capacity() const { return block_.size() - kPadding; }

  ByteSource& source_;
  std::vector<unsigned char> block_;
  bool started_ = false;
  bool ended_ = false;
};

// Reads all of `source` as text and hands it block by block to `consumer`'s
// feed(data, size), then calls its finish(). A failed read is returned at
// once, without finish(): what was fed before it stays fed.
template <typename Consumer>
Status feed_text(ByteSource& source, Consumer& consumer) {
  TextModeReader reader(source);
  for (;;) {
    const unsigned char* text = nullptr;
    std::size_t size = 0;
    Status status = reader.next(&text, &size);
    if (!status.ok()) return status;
    if (size == 0) break;
    consumer.feed(text, size);
  }
  consumer.finish();
  return Status();
}

}  // namespace lexicull

#endif  // LEXICULL_TEXT_TEXT_MODE_READER_H_
