#include "study/study_options.h"

namespace lexicull {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool parse_top(std::string_view text, std::uint64_t* top) {
  if (text.empty()) return false;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (!is_digit(c)) return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (~std::uint64_t{0} - digit) / 10) return false;
    value = value * 10 + digit;
  }
  *top = value;
  return true;
}

bool parse_coverage(std::string_view text, unsigned* hundredths) {
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view decimals =
      point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  if (whole.empty() || whole.size() > 3 || decimals.size() > 2 ||
      (point != std::string_view::npos && decimals.empty())) {
    return false;
  }
  unsigned value = 0;
  for (const char c : whole) {
    if (!is_digit(c)) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  for (std::size_t i = 0; i < 2; ++i) {
    const char c = i < decimals.size() ? decimals[i] : '0';
    if (!is_digit(c)) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > 10000) return false;
  *hundredths = value;
  return true;
}

bool parse_line_order(std::string_view text, LineOrder* order) {
  if (text == "bytes") {
    *order = LineOrder::kBytes;
  } else if (text == "frequency") {
    *order = LineOrder::kFrequency;
  } else {
    return false;
  }
  return true;
}

}  // namespace lexicull
