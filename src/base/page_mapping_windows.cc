#include "base/page_mapping.h"

namespace lexicull {

// Each page is left to be mapped at its first write.
void map_for_writing(void* data, std::size_t size) {
  (void)data;
  (void)size;
}

}  // namespace lexicull
