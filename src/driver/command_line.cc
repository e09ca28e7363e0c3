#include "driver/command_line.h"

#include <string_view>

namespace lexicull {

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
  CommandLine command;
  if (arguments.size() >= 3) {
    command.action = Action::kRun;
    command.book_path = arguments[1];
    command.vocabulary_path = arguments[2];
  } else if (arguments.size() == 2) {
    const std::string_view only = arguments[1];
    if (only == "--help" || only == "-h") command.action = Action::kShowHelp;
    if (only == "--version") command.action = Action::kShowVersion;
  }
  return command;
}

bool parse_thread_count(const char* value, unsigned processors, unsigned* threads) {
  // An empty variable is an unset one, as for most tools.
  if (value == nullptr || *value == '\0') {
    *threads = processors == 0 ? 1 : processors;
    return true;
  }
  unsigned count = 0;
  const std::string_view digits = value;
  if (digits.size() > 3) return false;
  for (const char digit : digits) {
    if (digit < '0' || digit > '9') return false;
    count = count * 10 + static_cast<unsigned>(digit - '0');
  }
  if (count < 1 || count > 256) return false;
  *threads = count;
  return true;
}

}  // namespace lexicull
