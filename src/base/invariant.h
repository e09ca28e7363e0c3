#ifndef LEXICULL_BASE_INVARIANT_H_
#define LEXICULL_BASE_INVARIANT_H_

// What a hot loop or a fixed buffer relies on, checked in every test build
// (the CMake option LEXICULL_CHECK_INVARIANTS: the asan, tsan, s390x, fuzz
// and debug presets) and free in the programs that ship. A broken one is a
// bug in this program: the check build says where and stops at once.

#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace lexicull {
namespace invariant_detail {

[[noreturn]] inline void broken(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
  std::abort();
}

// Stops when !(a <= b), or !(a < b) with `strict`, saying both values.
template <typename A, typename B>
void check_order(const A& a, const B& b, bool strict, const char* a_text, const char* b_text,
                 const char* file, int line) {
  static_assert(std::is_integral_v<A> && std::is_integral_v<B>, "whole numbers only");
  const bool holds = std::is_signed_v<A> == std::is_signed_v<B> ? (strict ? a < b : a <= b)
                     : std::is_signed_v<A>
                         ? a < 0 || (strict ? static_cast<std::make_unsigned_t<A>>(a) < b
                                            : static_cast<std::make_unsigned_t<A>>(a) <= b)
                         : b >= 0 && (strict ? a < static_cast<std::make_unsigned_t<B>>(b)
                                             : a <= static_cast<std::make_unsigned_t<B>>(b));
  if (holds) return;
  std::fprintf(stderr, "%s:%d: invariant broken: %s %s %s (%lld %s %lld)\n", file, line, a_text,
               strict ? "<" : "<=", b_text, static_cast<long long>(a),
               strict ? "<" : "<=", static_cast<long long>(b));
  std::abort();
}

}  // namespace invariant_detail

#if defined(LEXICULL_CHECK_INVARIANTS)
inline constexpr bool kInvariantsChecked = true;
#define LEXICULL_INVARIANT(condition) \
  ((condition) ? static_cast<void>(0) \
               : ::lexicull::invariant_detail::broken(__FILE__, __LINE__, #condition))
#define LEXICULL_INVARIANT_LE(a, b) \
  ::lexicull::invariant_detail::check_order((a), (b), false, #a, #b, __FILE__, __LINE__)
#define LEXICULL_INVARIANT_LT(a, b) \
  ::lexicull::invariant_detail::check_order((a), (b), true, #a, #b, __FILE__, __LINE__)
#else
inline constexpr bool kInvariantsChecked = false;
#define LEXICULL_INVARIANT(condition) static_cast<void>(0)
#define LEXICULL_INVARIANT_LE(a, b) static_cast<void>(0)
#define LEXICULL_INVARIANT_LT(a, b) static_cast<void>(0)
#endif

// `from` as the type it is known to be (a reader's later part is always of
// its own type): a static_cast, checked where invariants are.
template <typename To, typename From>
To& checked_downcast(From& from) {
  static_assert(std::is_base_of_v<From, To>, "a downcast only");
  if constexpr (kInvariantsChecked) {
    if (dynamic_cast<To*>(&from) == nullptr) {
      invariant_detail::broken(__FILE__, __LINE__, "a downcast to a type the object is not");
    }
  }
  return static_cast<To&>(from);
}

}  // namespace lexicull

#endif  // LEXICULL_BASE_INVARIANT_H_
