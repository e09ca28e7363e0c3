// libFuzzer target, built once per phase with LEXICULL_FUZZ_TARGET set to
// a harness::Target, such as kBook, kContexts or kRun: the phase against the
// reference rules, whatever the bytes and however they are cut into reads.
#include <cstdio>
#include <cstdlib>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using lexicull::harness::Target;
  const std::string fault = lexicull::harness::check(LEXICULL_FUZZ_TARGET, data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "fuzz finding: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
