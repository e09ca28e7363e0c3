#ifndef LEXICULL_BASE_PAGE_MAPPING_H_
#define LEXICULL_BASE_PAGE_MAPPING_H_

#include <cstddef>

namespace lexicull {

// Asks the system to map at once the pages of the `size` bytes at `data`,
// which the caller is about to write, all or nearly all of them: a page
// first written later costs a fault of its own, and pages mapped together
// cost a fraction of that each. The bytes keep their values. Only a hint: it
// may do nothing, and it never fails. page_mapping_posix.cc and
// page_mapping_windows.cc define it.
void map_for_writing(void* data, std::size_t size);

}  // namespace lexicull

#endif  // LEXICULL_BASE_PAGE_MAPPING_H_
