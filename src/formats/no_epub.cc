// EPUB books in a program built without expat, zlib and libdeflate, where they
// could not be had for its machine: every book is then read as text.
#include "formats/epub_book.h"

namespace lexicull {

bool is_epub(const RandomAccessFile&) { return false; }

Status read_epub_text(const RandomAccessFile&, TextPartReader&, const PartOptions&,
                      std::vector<std::string>*) {
  return Status::failure("this lexicull was built without EPUB support");
}

namespace {

class PassedOn : public ByteSource {
 public:
  explicit PassedOn(ByteSource& stream) : stream_(stream) {}
  Status read(unsigned char* buffer, std::size_t capacity, std::size_t* count) override {
    return stream_.read(buffer, capacity, count);
  }

 private:
  ByteSource& stream_;
};

}  // namespace

Status take_stream(ByteSource& stream, std::unique_ptr<RandomAccessFile>*,
                   std::unique_ptr<ByteSource>* text) {
  text->reset(new PassedOn(stream));
  return Status();
}

}  // namespace lexicull
