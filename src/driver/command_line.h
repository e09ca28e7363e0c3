#ifndef LEXICULL_DRIVER_COMMAND_LINE_H_
#define LEXICULL_DRIVER_COMMAND_LINE_H_

#include <string>
#include <vector>

namespace lexicull {

inline constexpr char kUsageLine[] =
    "Usage: lexicull <book_file> <vocabulary_file> > <filtered_vocabulary_file>";

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitInputOutputError = 1,  // an input could not be read, or the output written
  kExitUsageError = 2,
  kExitAbnormalTermination = 3,  // out of memory
};

enum class Action {
  kRun,         // filter the vocabulary through the book
  kUsageError,  // too few arguments
  kShowHelp,    // the usage line, asked for
  kShowVersion,
};

struct CommandLine {
  Action action = Action::kUsageError;
  std::string book_path;
  std::string vocabulary_path;
};

// Reads the arguments as given (the first is the program). With two or more
// after it, the first two are the book and the vocabulary, as they stand,
// and any more are ignored; a lone "--help", "-h" or "--version" asks for
// that.
CommandLine parse_command_line(const std::vector<std::string>& arguments);

inline constexpr char kThreadCountExpected[] = "not a whole number from 1 to 256";

// How many threads read a large file: `value` (from LEXICULL_THREADS) when
// set and not empty, else one per processor of `processors` (at least one). False for a value that
// is not a whole number from 1 to 256.
bool parse_thread_count(const char* value, unsigned processors, unsigned* threads);

}  // namespace lexicull

#endif  // LEXICULL_DRIVER_COMMAND_LINE_H_
