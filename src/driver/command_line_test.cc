#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <optional>
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
      {{"lexicull", "b", "v", "w", "--ste", "x", "--", "--bad"}, Action::kRun, "b", "v", "x", ""},
      {{"lexicull", "b", "v", "--bad", "--help"},
       Action::kOptionError,
       "",
       "",
       "",
       "unrecognized option '--bad'"},
      {{"lexicull", "", " v *?"}, Action::kRun, "", " v *?", "", ""},
      {{"lexicull", "--stem=de_DE", "b", "v"}, Action::kRun, "b", "v", "de_DE", ""},
      {{"lexicull", "b", "--stem", "x.dic", "v"}, Action::kRun, "b", "v", "x.dic", ""},
      {{"lexicull", "--ste=en", "--", "--help", "-"}, Action::kRun, "--help", "-", "en", ""},
      {{"lexicull", "--st=en", "b", "v"},
       Action::kOptionError,
       "",
       "",
       "",
       "option '--st' is ambiguous"},
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

TEST(ParseCommandLine, StudyOptionsAndTheirMalformedValues) {
  const struct {
    std::vector<std::string> arguments;  // before the file names b and v
    std::string message;                 // "" for a run
    std::vector<std::string> known;
    std::optional<std::uint64_t> top;
    std::optional<unsigned> coverage;
    LineOrder order;
    bool stats;
  } cases[] = {
      {{}, "", {}, {}, {}, LineOrder::kBytes, false},
      {{"--known=k1", "--known", "k2", "--top", "0", "--coverage=97.5", "--order=frequency",
        "--stats"},
       "",
       {"k1", "k2"},
       0,
       9750,
       LineOrder::kFrequency,
       true},
      {{"--top=18446744073709551615", "--coverage=0", "--order=bytes"},
       "",
       {},
       ~std::uint64_t{0},
       0,
       LineOrder::kBytes,
       false},
      {{"--coverage=100.00", "--co", "99.25"}, "", {}, {}, 9925, LineOrder::kBytes, false},
      {{"--top=-1"}, "invalid argument '-1' for '--top'", {}, {}, {}, LineOrder::kBytes, false},
      {{"--top=18446744073709551616"}, "invalid argument", {}, {}, {}, LineOrder::kBytes, false},
      {{"--top="}, "invalid argument '' for '--top'", {}, {}, {}, LineOrder::kBytes, false},
      {{"--coverage=100.5"}, "invalid argument", {}, {}, {}, LineOrder::kBytes, false},
      {{"--coverage=97.555"}, "invalid argument", {}, {}, {}, LineOrder::kBytes, false},
      {{"--coverage=.5"}, "invalid argument", {}, {}, {}, LineOrder::kBytes, false},
      {{"--coverage=95%"}, "invalid argument", {}, {}, {}, LineOrder::kBytes, false},
      {{"--order=random"},
       "invalid argument 'random' for '--order'",
       {},
       {},
       {},
       LineOrder::kBytes,
       false},
      {{"--stats=yes"}, "option '--stats' doesn't allow", {}, {}, {}, LineOrder::kBytes, false},
  };
  for (const auto& test : cases) {
    std::vector<std::string> argv = {"lexicull"};
    argv.insert(argv.end(), test.arguments.begin(), test.arguments.end());
    argv.insert(argv.end(), {"b", "v"});
    const CommandLine command = parse_command_line(argv);
    const std::string where = testing::PrintToString(argv);
    if (!test.message.empty()) {
      EXPECT_EQ(command.action, Action::kOptionError) << where;
      EXPECT_EQ(command.message.substr(0, test.message.size()), test.message) << where;
      continue;
    }
    EXPECT_EQ(command.action, Action::kRun) << where;
    EXPECT_EQ(command.study.known_paths, test.known) << where;
    EXPECT_EQ(command.study.top, test.top) << where;
    EXPECT_EQ(command.study.coverage, test.coverage) << where;
    EXPECT_EQ(command.study.order, test.order) << where;
    EXPECT_EQ(command.study.stats, test.stats) << where;
  }
  // Standard input is read once: for a known-words file only when neither
  // the book nor the vocabulary is.
  EXPECT_EQ(parse_command_line({"lexicull", "--known=-", "-", "v"}).action, Action::kInputError);
  EXPECT_EQ(parse_command_line({"lexicull", "--known=-", "b", "v"}).action, Action::kRun);
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
