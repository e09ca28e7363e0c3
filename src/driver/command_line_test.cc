#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace lexicull {
namespace {

TEST(ParseCommandLine, TwoOrMoreArgumentsAreAlwaysPaths) {
  const struct {
    std::vector<std::string> argv;
    Action action;
    std::string book;
    std::string vocabulary;
  } cases[] = {
      {{"lexicull"}, Action::kUsageError, "", ""},
      {{"lexicull", "book.txt"}, Action::kUsageError, "", ""},
      {{"lexicull", "--help"}, Action::kShowHelp, "", ""},
      {{"lexicull", "-h"}, Action::kShowHelp, "", ""},
      {{"lexicull", "--version"}, Action::kShowVersion, "", ""},
      {{"lexicull", "--HELP"}, Action::kUsageError, "", ""},
      {{"lexicull", "b", "v"}, Action::kRun, "b", "v"},
      {{"lexicull", "--help", "--version", "x"}, Action::kRun, "--help", "--version"},
      {{"lexicull", "", " v *?"}, Action::kRun, "", " v *?"},
  };
  for (const auto& test : cases) {
    const CommandLine command = parse_command_line(test.argv);
    EXPECT_EQ(command.action, test.action) << test.argv.size();
    EXPECT_EQ(command.book_path, test.book);
    EXPECT_EQ(command.vocabulary_path, test.vocabulary);
  }
}

}  // namespace
}  // namespace lexicull
