#ifndef LEXICULL_BASE_ARENA_H_
#define LEXICULL_BASE_ARENA_H_

#include <cstddef>
#include <memory>
#include <vector>

#include "base/byte_buffer.h"

namespace lexicull {

// Copies of many small byte strings, kept in large blocks that never move:
// storing one more never copies the others, and all are freed at once. A
// large string gets a block of its own, so that no block wastes much.
class Arena {
 public:
  // Bytes past the end of every string that may be read, though their
  // values are unspecified: a short string can be loaded as whole integers.
  static constexpr std::size_t kReadablePastEnd = 16;

  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // Room for `size` bytes, valid as long as the arena.
  unsigned char* allocate(std::size_t size);
  // A copy of the `size` bytes at `data`, valid as long as the arena.
  const unsigned char* copy(const unsigned char* data, std::size_t size);
  // Keeps `block`, of `size` bytes, kReadablePastEnd of them past the
  // strings it holds, as long as the arena: strings already in it stay where
  // they are, and nothing is copied.
  void adopt(MallocBytes block, std::size_t size);
  // Keeps every block of `other`, leaving it empty: its strings stay where
  // they are, valid as long as this arena.
  void adopt_all(Arena& other);

  // Bytes taken from the system so far.
  std::size_t memory_usage() const { return memory_usage_; }

 private:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  unsigned char* new_block(std::size_t size);

  std::vector<MallocBytes> blocks_;
  unsigned char* free_ = nullptr;
  std::size_t left_ = 0;
  std::size_t memory_usage_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BASE_ARENA_H_
