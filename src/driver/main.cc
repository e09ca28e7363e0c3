// lexicull: cuts a bilingual vocabulary down to the words of one book.
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "book/book_word_set.h"
#include "book/collect_book_words.h"
#include "driver/command_line.h"
#include "driver/platform.h"
#include "vocabulary/read_vocabulary.h"
#include "vocabulary/vocabulary_map.h"
#include "vocabulary/write_filtered_vocabulary.h"

#ifndef LEXICULL_VERSION
#define LEXICULL_VERSION "unknown"
#endif

namespace lexicull {
namespace {

Status write_line(ByteSink& sink, const std::string& text) {
  const std::string line = text + kLineEnd;
  return sink.write(reinterpret_cast<const unsigned char*>(line.data()), line.size());
}

// Says why the run failed, where it can: a message that cannot be written
// leaves only the exit status to tell.
int fail(std::string_view subject, const Status& status) {
  (void)write_line(standard_error(), "lexicull: " + std::string(subject) + ": " + status.reason());
  return kExitInputOutputError;
}

// The end of a run that wrote to standard output: a reader that went away
// hears nothing more, any other failed write is reported.
int finish_output(const Status& status) {
  if (status.reader_gone()) return kExitInputOutputError;
  if (!status.ok()) return fail("standard output", status);
  return kExitSuccess;
}

// Opens the file and hands it to one reading phase.
template <typename Phase>
Status read_input(const std::string& path, Phase phase) {
  std::unique_ptr<InputFile> file;
  Status status = open_input_file(path, &file);
  return status.ok() ? phase(*file) : status;
}

int run(const CommandLine& command) {
  switch (command.action) {
    case Action::kUsageError:
      // The status says it all when even the usage line cannot be written.
      (void)write_line(standard_error(), kUsageLine);
      return kExitUsageError;
    case Action::kShowHelp:
      return finish_output(write_line(standard_output(), kUsageLine));
    case Action::kShowVersion:
      return finish_output(write_line(standard_output(), "lexicull " LEXICULL_VERSION));
    case Action::kRun:
      break;
  }

  PartOptions parts;
  if (!parse_thread_count(std::getenv("LEXICULL_THREADS"), usable_processor_count(),
                          &parts.threads)) {
    (void)write_line(standard_error(),
                     std::string("lexicull: LEXICULL_THREADS: ") + kThreadCountExpected);
    return kExitUsageError;
  }

  BookWordSet book_words;
  Status status = read_input(command.book_path, [&](InputFile& book) {
    return collect_book_words(book, book_words, parts);
  });
  if (!status.ok()) return fail(command.book_path, status);

  VocabularyMap vocabulary(book_words);
  status = read_input(command.vocabulary_path, [&](InputFile& entries) {
    return read_vocabulary(entries, vocabulary, parts);
  });
  if (!status.ok()) return fail(command.vocabulary_path, status);

  return finish_output(write_filtered_vocabulary(book_words, vocabulary, standard_output()));
}

// Written directly, past any buffer, since memory may be gone.
void report_abnormal_termination() {
  static constexpr char kMessage[] = "\r\nAbnormal program termination\r\n";
  (void)standard_error().write(reinterpret_cast<const unsigned char*>(kMessage),
                               sizeof kMessage - 1);
}

}  // namespace
}  // namespace lexicull

int main(int argc, char** argv) {
  lexicull::prepare_process();
  try {
    return lexicull::run(lexicull::parse_command_line(lexicull::program_arguments(argc, argv)));
  } catch (...) {
    // Out of memory is the only failure the run can throw.
    lexicull::report_abnormal_termination();
    return lexicull::kExitAbnormalTermination;
  }
}
