#ifndef LEXICULL_BASE_INVARIANT_H_
#define LEXICULL_BASE_INVARIANT_H_

// What a hot loop relies on, checked where the sanitizers run (the build
// defines LEXICULL_CHECK_INVARIANTS) and free in the program that ships.
// A broken one is a bug in this program: the check build stops at once.

#include <cstdio>
#include <cstdlib>

#if defined(LEXICULL_CHECK_INVARIANTS)
#define LEXICULL_INVARIANT(condition)                                                            \
  ((condition)                                                                                   \
       ? static_cast<void>(0)                                                                    \
       : (std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition), \
          std::abort()))
#else
#define LEXICULL_INVARIANT(condition) static_cast<void>(0)
#endif

#endif  // LEXICULL_BASE_INVARIANT_H_
