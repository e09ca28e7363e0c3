#include "driver/command_line.h"

#include <string_view>

namespace lexicull {

CommandLine parse_command_line(int argc, const char* const* argv) {
  CommandLine command;
  if (argc >= 3) {
    command.action = Action::kRun;
    command.book_path = argv[1];
    command.vocabulary_path = argv[2];
  } else if (argc == 2) {
    const std::string_view only = argv[1];
    if (only == "--help" || only == "-h") command.action = Action::kShowHelp;
    if (only == "--version") command.action = Action::kShowVersion;
  }
  return command;
}

}  // namespace lexicull
