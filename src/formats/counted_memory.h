#ifndef LEXICULL_FORMATS_COUNTED_MEMORY_H_
#define LEXICULL_FORMATS_COUNTED_MEMORY_H_

// Memory of the parsers, counted and capped per parser. A parser library's
// allocations go through allocate_counted() and its kin, which know no
// parser: a new block counts against the account that this thread is
// calling into (CountingFor), and each block's header names the account it
// counts against, so that it can be freed anywhere.

#include <cstddef>

namespace lexicull {

class MemoryAccount {
 public:
  // An account of at most `limit` bytes; close() it instead of deleting it.
  static MemoryAccount* open(std::size_t limit) { return new MemoryAccount(limit); }
  // Ends the account once it counts nothing: blocks still counted against
  // it (a library may free them later) keep it.
  void close();

  // Whether a block was refused for going past the limit.
  bool refused() const { return refused_; }

 private:
  explicit MemoryAccount(std::size_t limit) : limit_(limit) {}
  friend void* allocate_counted(std::size_t size);
  friend void* reallocate_counted(void* bytes, std::size_t size);
  friend void free_counted(void* bytes);

  const std::size_t limit_;
  std::size_t used_ = 0;
  bool refused_ = false;
  bool closed_ = false;
};

// Makes `account` the one this thread's parser allocations count against
// while it lives. Blocks made with none are not counted.
class CountingFor {
 public:
  explicit CountingFor(MemoryAccount* account);
  ~CountingFor();
  CountingFor(const CountingFor&) = delete;
  CountingFor& operator=(const CountingFor&) = delete;

 private:
  MemoryAccount* outer_;
};

// malloc, realloc and free, counted: null when the block would take its
// account past the limit (then refused()) or the system has no memory.
void* allocate_counted(std::size_t size);
void* reallocate_counted(void* bytes, std::size_t size);
void free_counted(void* bytes);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_COUNTED_MEMORY_H_
