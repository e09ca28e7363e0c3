#include "text/text_parts.h"

#include <cstring>

namespace lexicull {

Status cut_into_parts(const InputFile& file, std::uint64_t size, unsigned char separator,
                      const PartOptions& options, std::vector<TextPart>* parts) {
  parts->clear();
  const unsigned wanted = options.threads == 0 ? 1 : options.threads;
  constexpr std::size_t kSearched = 64 * 1024;
  unsigned char window[kSearched];
  std::uint64_t begin = 0;
  for (unsigned k = 1; k < wanted; ++k) {
    const std::uint64_t nominal = size / wanted * k + size % wanted * k / wanted;
    if (nominal < begin + options.min_part_size || nominal + options.min_part_size > size) {
      continue;
    }
    std::size_t got = 0;
    Status status = file.read_at(nominal, window, kSearched, &got);
    if (!status.ok()) return status;
    const void* found = std::memchr(window, separator, got);
    if (found == nullptr) continue;
    const std::uint64_t cut = nominal + (static_cast<const unsigned char*>(found) - window) + 1;
    parts->push_back(TextPart{begin, cut});
    begin = cut;
  }
  // The last part reads on to wherever the file ends then, as a file read
  // whole would if it grew meanwhile.
  parts->push_back(TextPart{begin, TextPart::kToTheEnd});
  return Status();
}

}  // namespace lexicull
