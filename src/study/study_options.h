#ifndef LEXICULL_STUDY_STUDY_OPTIONS_H_
#define LEXICULL_STUDY_STUDY_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lexicull {

// How the lines of a study list are written: by the bytes of their keys, or
// by how often their keys stand in the book, the most frequent first.
enum class LineOrder { kBytes, kFrequency };

// What the learner asks of the list: words to leave out, and how many of the
// rest to keep. Without any of these the run writes every translated word.
struct StudyOptions {
  std::vector<std::string> known_paths;  // files of words the learner knows
  std::optional<std::uint64_t> top;      // keep at most this many lines
  std::optional<unsigned> coverage;      // in hundredths of a percent, 0 to 10000
  LineOrder order = LineOrder::kBytes;
  bool stats = false;  // a summary on standard error

  // Whether any of them was asked for: the run then counts the book's words.
  bool active() const {
    return !known_paths.empty() || top || coverage || order != LineOrder::kBytes || stats;
  }
};

// A --top value: a whole number, 0 or more. False when it is not one.
bool parse_top(std::string_view text, std::uint64_t* top);
// A --coverage value: a percentage from 0 to 100 with at most two decimals
// ("95", "97.5", "99.25"), in hundredths. False when it is not one.
bool parse_coverage(std::string_view text, unsigned* hundredths);
// A --order value: "bytes" or "frequency". False for anything else.
bool parse_line_order(std::string_view text, LineOrder* order);

}  // namespace lexicull

#endif  // LEXICULL_STUDY_STUDY_OPTIONS_H_
