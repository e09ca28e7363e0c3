#ifndef LEXICULL_DRIVER_COMMAND_LINE_H_
#define LEXICULL_DRIVER_COMMAND_LINE_H_

#include <string>
#include <vector>

#include "formats/book_formats.h"
#include "output/cards.h"
#include "study/study_options.h"

namespace lexicull {

inline constexpr char kUsageLine[] =
    "Usage: lexicull <book_file> <vocabulary_file> > <filtered_vocabulary_file>";

// What --help prints after the usage line, one line per element.
extern const std::vector<std::string> kHelpLines;

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitInputOutputError = 1,  // an input could not be read, or the output written
  kExitUsageError = 2,
  kExitAbnormalTermination = 3,  // out of memory
};

enum class Action {
  kRun,          // filter the vocabulary through the book
  kUsageError,   // too few file names: the usage line
  kOptionError,  // a wrong option: `message`, then a pointer to --help
  kInputError,   // a wrong pair of inputs: `message` alone
  kShowHelp,
  kShowVersion,
};

// The name that stands for standard input.
inline constexpr char kStandardInputName[] = "-";

struct CommandLine {
  Action action = Action::kUsageError;
  std::string book_path;
  std::string vocabulary_path;
  bool stem = false;
  std::string stem_dictionary;  // as the user named it
  StudyOptions study;
  bool all_senses = false;  // --senses=all
  BookFormat book_format = BookFormat::kAuto;
  OutputFormat output_format = OutputFormat::kLines;
  std::string message;  // for kOptionError and kInputError
};

// Reads the arguments as GNU programs do (the first is the program). Options
// may stand anywhere on the line: --stem=DICTIONARY (or --stem DICTIONARY,
// and so for every option with an argument), the study list's --known=FILE
// (any number of times), --top=N, --coverage=PERCENT, --order=ORDER,
// --stats, --senses=last|all, --book-format=FORMAT and --format=FORMAT, -h or --help, --version,
// and any unambiguous abbreviation of a long one.
// "--" ends the options, and "-" is a file name, standard input, for the
// book or the vocabulary but not both. The first two file names are the book
// and the vocabulary, as they stand; further file names are ignored.
CommandLine parse_command_line(const std::vector<std::string>& arguments);

inline constexpr char kThreadCountExpected[] = "not a whole number from 1 to 256";

// How many threads read a large file: `value` (from LEXICULL_THREADS) when
// set and not empty, else one per processor of `processors` (at least one).
// False for a value that is not a whole number from 1 to 256.
bool parse_thread_count(const char* value, unsigned processors, unsigned* threads);

}  // namespace lexicull

#endif  // LEXICULL_DRIVER_COMMAND_LINE_H_
