#ifndef LEXICULL_PLATFORM_PRIVATE_COPY_H_
#define LEXICULL_PLATFORM_PRIVATE_COPY_H_

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/status.h"

namespace lexicull {

// A file that a library which opens files by name (fopen, std::ifstream)
// may open, as often as it likes, while this lives.
class PrivateCopy {
 public:
  virtual ~PrivateCopy() = default;
  // The name to hand to the library, in the C runtime's narrow encoding.
  virtual const std::string& name() const = 0;
};

// A file that needs no copy: the library opens it by this name.
class OriginalFile : public PrivateCopy {
 public:
  explicit OriginalFile(std::string name) : name_(std::move(name)) {}
  const std::string& name() const override { return name_; }

 private:
  std::string name_;
};

// Makes `bytes` (the pieces one after another), read from `original_path`, a file of their own, so
// that what a library reads is exactly what the program read and checked: on Linux an anonymous
// file in memory, named through /proc. Where the system has no such file (Windows), the copy is
// `original_path` itself, which the library then opens again. Each platform's code defines it.
Status make_private_copy(const std::vector<std::string_view>& bytes,
                         const std::string& original_path, std::unique_ptr<PrivateCopy>* copy);

}  // namespace lexicull

#endif  // LEXICULL_PLATFORM_PRIVATE_COPY_H_
