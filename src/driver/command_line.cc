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

}  // namespace lexicull
