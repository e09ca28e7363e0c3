#include "base/page_mapping.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace lexicull {

void map_for_writing(void* data, std::size_t size) {
#ifdef MADV_POPULATE_WRITE
  static const long page_size = sysconf(_SC_PAGESIZE);
  if (page_size <= 0) return;
  const auto page = static_cast<std::uintptr_t>(page_size);
  // Only the pages that lie wholly inside: madvise takes whole pages, and a
  // page shared with other memory may be left to its first write.
  const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) / page * page;
  // Kernels before 5.14 refuse the advice; the pages are then mapped as they
  // are written, as without it.
  if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace lexicull
