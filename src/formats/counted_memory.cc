#include "formats/counted_memory.h"

#include <cstdlib>
#include <new>

namespace lexicull {
namespace {

thread_local MemoryAccount* account_in_use = nullptr;

struct alignas(std::max_align_t) BlockHeader {
  MemoryAccount* account;
  std::size_t size;
};

}  // namespace

void MemoryAccount::close() {
  closed_ = true;
  if (used_ == 0) delete this;
}

CountingFor::CountingFor(MemoryAccount* account) : outer_(account_in_use) {
  account_in_use = account;
}

CountingFor::~CountingFor() { account_in_use = outer_; }

void* allocate_counted(std::size_t size) {
  MemoryAccount* const account = account_in_use;
  if (account != nullptr && size > account->limit_ - account->used_) {
    account->refused_ = true;
    return nullptr;
  }
  void* block = std::malloc(sizeof(BlockHeader) + size);
  if (block == nullptr) return nullptr;
  if (account != nullptr) account->used_ += size;
  return new (block) BlockHeader{account, size} + 1;
}

void* reallocate_counted(void* bytes, std::size_t size) {
  if (bytes == nullptr) return allocate_counted(size);
  BlockHeader* header = static_cast<BlockHeader*>(bytes) - 1;
  MemoryAccount* const account = header->account;
  const std::size_t old_size = header->size;
  if (account != nullptr && size > old_size && size - old_size > account->limit_ - account->used_) {
    account->refused_ = true;
    return nullptr;
  }
  void* block = std::realloc(header, sizeof(BlockHeader) + size);
  if (block == nullptr) return nullptr;
  if (account != nullptr) account->used_ = account->used_ - old_size + size;
  header = static_cast<BlockHeader*>(block);
  header->size = size;
  return header + 1;
}

void free_counted(void* bytes) {
  if (bytes == nullptr) return;
  BlockHeader* header = static_cast<BlockHeader*>(bytes) - 1;
  MemoryAccount* const account = header->account;
  if (account != nullptr) {
    account->used_ -= header->size;
    if (account->closed_ && account->used_ == 0) delete account;
  }
  std::free(header);
}

}  // namespace lexicull
