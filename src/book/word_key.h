#ifndef LEXICULL_BOOK_WORD_KEY_H_
#define LEXICULL_BOOK_WORD_KEY_H_

// A word as the word set takes it: its first sixteen bytes as two integers
// and its hashes, made once by the reader that found the word.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/byte_buffer.h"
#include "base/coding.h"
#include "base/padded_bytes.h"
#include "text/word_start.h"

namespace lexicull {

// What the word set needs to know of a word to insert or find it, computed
// once by the caller: its first sixteen bytes as two integers, the head and
// the tail (the first byte the least significant, on every machine, bytes
// past the word zero), its size, a hash of the head and the size, and, for
// a word longer than sixteen bytes, where its bytes are (valid for the one
// call).
class WordKey {
 public:
  // A word of up to sixteen bytes is its head, its tail and its size: no
  // bytes needed.
  static constexpr std::size_t kHeldWordSize = 16;

  // The key of the empty word.
  WordKey() : WordKey(0, 0, 0, nullptr) {}

  // The key of any word; the view's padding lets its head and tail be
  // loaded whole.
  static WordKey of(PaddedBytes word) {
    const std::size_t size = word.size();
    return WordKey(load_little_endian64(word.data()) & head_bytes_mask(size),
                   load_little_endian64(word.data() + 8) & tail_bytes_mask(size), size,
                   word.data());
  }
  // The key of a word of at most eight bytes, given as those bytes in the
  // order of load_little_endian64, the bytes past `size` zero.
  static WordKey of_short(std::uint64_t head, std::size_t size) {
    return WordKey(head, 0, size, nullptr);
  }
  // The key of a word of at most sixteen bytes, given as its head and tail.
  static WordKey of_held(std::uint64_t head, std::uint64_t tail, std::size_t size) {
    return WordKey(head, tail, size, nullptr);
  }
  // The key of a word held without padding, copied into `buffer` first; it
  // stays valid while `buffer` is left alone.
  static WordKey of_copy(std::string_view word, ByteBuffer& buffer) {
    buffer.reserve(word.size(), 0);
    if (!word.empty()) std::memcpy(buffer.data(), word.data(), word.size());
    return of(buffer.view(word.size()));
  }
  // The key of a word whose head and tail are known already; its bytes need
  // no padding.
  static WordKey of_known_start(std::uint64_t head, std::uint64_t tail, const unsigned char* bytes,
                                std::size_t size) {
    return WordKey(head, tail, size, bytes);
  }

  std::uint64_t head() const { return head_; }
  std::uint64_t tail() const { return tail_; }
  std::size_t size() const { return size_; }
  bool is_held() const { return size_ <= kHeldWordSize; }
  // The hash of the head and the size, which the set's filter takes:
  // filter_hash_of(head(), size()).
  std::uint64_t filter_hash() const { return filter_hash_; }
  const unsigned char* long_bytes() const { return bytes_; }

  // The filter's hash of a head and a size. It is blind to bit 5 of every
  // byte of the head, and so to case: a reader may ask with a head as its
  // text has it, not lower-cased, and any case of a word has its hash.
  static std::uint64_t filter_hash_of(std::uint64_t head, std::size_t size) {
    return hash_of_head((head | kCaseBits) & head_bytes_mask(size), size);
  }
  // The hash of a head and a size on which the slot hash builds.
  static std::uint64_t hash_of_head(std::uint64_t head, std::size_t size) {
    return (head ^ (std::uint64_t{size} << 59)) * kMultiplier;
  }
  // The slot hash of a word of up to sixteen bytes; for one of up to eight,
  // whose tail is zero, hash_of_head(). The head's and the tail's multiplies
  // do not wait for each other: the slot's address is on the path of every
  // word of the book.
  static std::uint64_t hash_of_held(std::uint64_t head, std::uint64_t tail, std::size_t size) {
    return hash_of_head(head, size) ^ tail * kTailMultiplier;
  }

 private:
  static constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  static constexpr std::uint64_t kCaseBits = 0x2020202020202020ull;
  static constexpr std::uint64_t kTailMultiplier = 0xC2B2AE3D27D4EB4Full;

  WordKey(std::uint64_t head, std::uint64_t tail, std::size_t size, const unsigned char* bytes)
      : head_(head),
        tail_(tail),
        size_(size),
        filter_hash_(filter_hash_of(head, size)),
        bytes_(bytes) {}

  std::uint64_t head_;
  std::uint64_t tail_;
  std::size_t size_;
  std::uint64_t filter_hash_;
  const unsigned char* bytes_;
};

}  // namespace lexicull

#endif  // LEXICULL_BOOK_WORD_KEY_H_
