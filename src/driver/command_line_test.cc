#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace lexicull {
namespace {

TEST(ParseCommandLine, OptionsAnywhereOnTheLineAsGnuProgramsTakeThem) {
  const struct {
    std::vector<std::string> argv;
    Action action;
    std::string book;
    std::string vocabulary;
    std::string stem;  // "" without --stem
    std::string message;
  } cases[] = {
      {{"lexicull"}, Action::kUsageError, "", "", "", ""},
      {{"lexicull", "book.txt"}, Action::kUsageError, "", "", "", ""},
      {{"lexicull", "--help"}, Action::kShowHelp, "", "", "", ""},
      {{"lexicull", "b", "-h"}, Action::kShowHelp, "", "", "", ""},
      {{"lexicull", "--he", "b", "v"}, Action::kShowHelp, "", "", "", ""},
      {{"lexicull", "--version"}, Action::kShowVersion, "", "", "", ""},
      {{"lexicull", "b", "v"}, Action::kRun, "b", "v", "", ""},
      {{"lexicull", "b", "v", "--help", "--bad"}, Action::kShowHelp, "", "", "", ""},
      {{"lexicull", "b", "v", "--stem=de_DE"}, Action::kRun, "b", "v", "de_DE", ""},
      {{"lexicull", "b", "v", "w", "--st", "x", "--", "--bad"}, Action::kRun, "b", "v", "x", ""},
      {{"lexicull", "b", "v", "--bad", "--help"},
       Action::kOptionError,
       "",
       "",
       "",
       "unrecognized option '--bad'"},
      {{"lexicull", "", " v *?"}, Action::kRun, "", " v *?", "", ""},
      {{"lexicull", "--stem=de_DE", "b", "v"}, Action::kRun, "b", "v", "de_DE", ""},
      {{"lexicull", "b", "--stem", "x.dic", "v"}, Action::kRun, "b", "v", "x.dic", ""},
      {{"lexicull", "--st=en", "--", "--help", "-"}, Action::kRun, "--help", "-", "en", ""},
      {{"lexicull", "-", "v"}, Action::kRun, "-", "v", "", ""},
      {{"lexicull", "-", "-"}, Action::kInputError, "", "", "", "standard input (-) can be"},
      {{"lexicull", "--x", "b", "v"},
       Action::kOptionError,
       "",
       "",
       "",
       "unrecognized option '--x'"},
      {{"lexicull", "--x=1"}, Action::kOptionError, "", "", "", "unrecognized option '--x'"},
      {{"lexicull", "-qh"}, Action::kOptionError, "", "", "", "invalid option -- 'q'"},
      {{"lexicull", "--stem"}, Action::kOptionError, "", "", "", "option '--stem' requires an"},
      {{"lexicull", "--help=1"}, Action::kOptionError, "", "", "", "option '--help' doesn't allow"},
      {{"lexicull", "--"}, Action::kUsageError, "", "", "", ""},
  };
  for (const auto& test : cases) {
    const CommandLine command = parse_command_line(test.argv);
    const std::string where = testing::PrintToString(test.argv);
    EXPECT_EQ(command.action, test.action) << where;
    EXPECT_EQ(command.book_path, test.book) << where;
    EXPECT_EQ(command.vocabulary_path, test.vocabulary) << where;
    EXPECT_EQ(command.stem, !test.stem.empty()) << where;
    EXPECT_EQ(command.stem_dictionary, test.stem) << where;
    EXPECT_EQ(command.message.substr(0, test.message.size()), test.message) << where;
  }
}

TEST(ParseThreadCount, AWholeNumberFrom1To256OrOnePerProcessor) {
  const struct {
    const char* value;
    bool valid;
    unsigned threads;
  } cases[] = {
      {nullptr, true, 6}, {"", true, 6},     {"1", true, 1},    {"256", true, 256},
      {"0", false, 0},    {"257", false, 0}, {"two", false, 0}, {" 2", false, 0},
  };
  for (const auto& test : cases) {
    unsigned threads = 0;
    EXPECT_EQ(parse_thread_count(test.value, 6, &threads), test.valid)
        << (test.value ? test.value : "(unset)");
    if (test.valid) {
      EXPECT_EQ(threads, test.threads);
    }
  }
}

}  // namespace
}  // namespace lexicull
