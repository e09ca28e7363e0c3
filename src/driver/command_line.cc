// GNU-style command lines: short options may be grouped, long ones
// abbreviated to any unambiguous prefix and given their argument after "="
// or as the next argument, "--" ends the options, and options and names may
// mix. The result is a CommandLine: an action, the options, the two names,
// or the message of the first mistake.
#include "driver/command_line.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace lexicull {

namespace {

constexpr std::string_view kLongOptions[] = {"help",   "version",     "stem",  "known",
                                             "top",    "coverage",    "order", "stats",
                                             "senses", "book-format", "format"};
// The long options that take an argument.
bool takes_argument(std::string_view option) {
  return option == "stem" || option == "known" || option == "top" || option == "coverage" ||
         option == "order" || option == "senses" || option == "book-format" || option == "format";
}

CommandLine action_only(Action action) {
  CommandLine command;
  command.action = action;
  return command;
}

CommandLine option_error(std::string message) {
  CommandLine command;
  command.action = Action::kOptionError;
  command.message = std::move(message);
  return command;
}

// The long option that `name` (without its dashes) names, whole or as an
// unambiguous beginning; empty with `*error` set otherwise.
std::string_view long_option(std::string_view name, std::string_view argument, std::string* error) {
  std::string_view found;
  for (const std::string_view option : kLongOptions) {
    if (option == name) return option;
    if (option.substr(0, name.size()) == name) {
      if (!found.empty()) {
        *error = "option '" + std::string(argument) + "' is ambiguous";
        return {};
      }
      found = option;
    }
  }
  if (found.empty()) *error = "unrecognized option '" + std::string(argument) + "'";
  return found;
}

}  // namespace

const std::vector<std::string> kHelpLines = {
    "   or: lexicull [OPTION]... <book_file> <vocabulary_file>",
    "",
    "Cuts a bilingual vocabulary down to the words of one book. The book's distinct",
    "words are looked up in the vocabulary, a file of key|translation lines, and the",
    "lines that translate them are written to standard output, lower-cased, one per",
    "word, sorted by bytes. A file name of - is standard input, for the book or the",
    "vocabulary but not both. A book may be text, an EPUB, an HTML page, subtitles",
    "(SRT, WebVTT) or a FictionBook (.fb2, .fb2.zip), told by its content. The",
    "vocabulary may be a dictd dictionary: its .index, .dict or .dict.dz file, or",
    "its name alone (freedict-deu-eng), whose translations keep their case.",
    "",
    "Options:",
    "      --stem=DICTIONARY  also write the entries of the book words' stems, as the",
    "                         hunspell dictionary DICTIONARY gives them: a name such",
    "                         as de_DE, or the path of its .dic file (the .aff beside",
    "                         it); with houses in the book, house|haus is kept",
    "      --known=FILE       leave out the words the learner knows: one per line of",
    "                         FILE, the text before its first | or tab (so a word",
    "                         list, an earlier output or a tab-separated export);",
    "                         any number of times, - for standard input",
    "      --top=N            keep only the N lines whose words the book uses most",
    "      --coverage=PERCENT keep the most used lines only while the known words",
    "                         and the lines before cover less than PERCENT (0 to",
    "                         100, such as 95 or 97.5) of the book's running words",
    "      --order=ORDER      write the lines by their bytes (bytes, the default) or",
    "                         by how often the book uses them (frequency)",
    "      --senses=SENSES    of a key on several lines of key|translation, write the",
    "                         translation of the last line (last, the default) or",
    "                         of all, joined with '; ' (all); a dictd dictionary",
    "                         always gives every sense",
    "      --book-format=FORMAT",
    "                         read the book as FORMAT: auto (the default, by its",
    "                         content), text (any file, byte for byte), epub,",
    "                         html, srt, vtt or fb2",
    "      --format=FORMAT    write word|translation lines (lines, the default), or a",
    "                         card per word with the number of times the book uses",
    "                         it and the first sentence it stands in: tsv (a",
    "                         header, then tab-separated fields), anki (Anki's",
    "                         text import) or jsonl (a JSON object a line)",
    "      --stats            write the book's running and distinct words, the share",
    "                         known, the lines written and the coverage they reach",
    "                         to standard error",
    "  -h, --help             show this help and exit",
    "      --version          show the version and exit",
    "      --                 end the options: what follows are file names",
    "",
    "Environment:",
    "  LEXICULL_THREADS  how many threads read a large file, 1 to 256; by default",
    "                    one per processor that the program may run on. It also",
    "                    bounds the threads that stem, never more than one per",
    "                    processor; each holds a copy of the dictionary",
    "  DICPATH           folders to look in first for a dictionary named by --stem,",
    "                    separated by ':' (';' on Windows); then the system's own",
    "  LEXICULL_DICTD_PATH  folders to look in first for a dictd dictionary named",
    "                    by its name alone (NAME.index and NAME.dict.dz), separated",
    "                    by ':' (';' on Windows); then /usr/share/dictd",
    "",
    "Exit status:",
    "  0  success, also when no word matched",
    "  1  an input could not be opened or read, or the output could not be written",
    "  2  a wrong command line, LEXICULL_THREADS or dictionary",
    "  3  out of memory",
};

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
  CommandLine command;
  std::vector<std::string> names;
  bool options_ended = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      names.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument[1] == '-') {
      const std::size_t equals = argument.find('=');
      const std::string_view name = std::string_view(argument).substr(2, equals - 2);
      std::string error;
      const std::string_view option =
          long_option(name, std::string_view(argument).substr(0, equals), &error);
      if (option.empty()) return option_error(error);
      if (!takes_argument(option) && equals != std::string::npos) {
        return option_error("option '--" + std::string(option) + "' doesn't allow an argument");
      }
      // As GNU programs do, --help and --version act as soon as they are
      // met: what follows them is not looked at.
      if (option == "help") return action_only(Action::kShowHelp);
      if (option == "version") return action_only(Action::kShowVersion);
      if (option == "stats") {
        command.study.stats = true;
        continue;
      }
      std::string value;
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        return option_error("option '--" + std::string(option) + "' requires an argument");
      }
      const std::string invalid =
          "invalid argument '" + value + "' for '--" + std::string(option) + "'";
      if (option == "stem") {
        command.stem = true;
        command.stem_dictionary = value;
      } else if (option == "known") {
        command.study.known_paths.push_back(value);
      } else if (option == "top") {
        std::uint64_t top = 0;
        if (!parse_top(value, &top)) return option_error(invalid + " (a whole number, 0 or more)");
        command.study.top = top;
      } else if (option == "coverage") {
        unsigned coverage = 0;
        if (!parse_coverage(value, &coverage)) {
          return option_error(invalid + " (a percentage from 0 to 100, at most two decimals)");
        }
        command.study.coverage = coverage;
      } else if (option == "order") {
        if (!parse_line_order(value, &command.study.order)) {
          return option_error(invalid + " (bytes or frequency)");
        }
      } else if (option == "senses") {
        if (value != "last" && value != "all") return option_error(invalid + " (last or all)");
        command.all_senses = value == "all";
      } else if (option == "format") {
        if (!parse_output_format(value, &command.output_format)) {
          return option_error(invalid + " (lines, tsv, anki or jsonl)");
        }
      } else if (option == "book-format") {
        if (!parse_book_format(value, &command.book_format)) {
          return option_error(invalid + " (auto, text, epub, html, srt, vtt or fb2)");
        }
      }
    } else {
      for (std::size_t k = 1; k < argument.size(); ++k) {
        if (argument[k] != 'h') {
          return option_error(std::string("invalid option -- '") + argument[k] + "'");
        }
        return action_only(Action::kShowHelp);
      }
    }
  }
  if (names.size() < 2) {
    command.action = Action::kUsageError;
  } else if (names[0] == kStandardInputName && names[1] == kStandardInputName) {
    command.action = Action::kInputError;
    command.message = "standard input (-) can be the book or the vocabulary, not both";
  } else if ((names[0] == kStandardInputName || names[1] == kStandardInputName) &&
             std::count(command.study.known_paths.begin(), command.study.known_paths.end(),
                        kStandardInputName) > 0) {
    command.action = Action::kInputError;
    command.message =
        "standard input (-) can be a known-words file only when neither the book "
        "nor the vocabulary is";
  } else {
    command.action = Action::kRun;
    command.book_path = names[0];
    command.vocabulary_path = names[1];
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
