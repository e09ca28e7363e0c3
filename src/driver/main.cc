// lexicull: cuts a bilingual vocabulary down to the words of one book.
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

void write_line(ByteSink& sink, const std::string& text) {
  const std::string line = text + kLineEnd;
  sink.write(reinterpret_cast<const unsigned char*>(line.data()), line.size());
}

int fail(std::string_view subject, const Status& status) {
  write_line(standard_error(), "lexicull: " + std::string(subject) + ": " + status.reason());
  return kExitInputOutputError;
}

// Opens the file and hands it to one reading phase.
template <typename Phase>
Status read_input(const std::string& path, Phase phase) {
  std::unique_ptr<ByteSource> file;
  Status status = open_input_file(path, &file);
  return status.ok() ? phase(*file) : status;
}

int run(const CommandLine& command) {
  switch (command.action) {
    case Action::kUsageError:
      write_line(standard_error(), kUsageLine);
      return kExitUsageError;
    case Action::kShowHelp:
      write_line(standard_output(), kUsageLine);
      return kExitSuccess;
    case Action::kShowVersion:
      write_line(standard_output(), "lexicull " LEXICULL_VERSION);
      return kExitSuccess;
    case Action::kRun:
      break;
  }

  BookWordSet book_words;
  Status status = read_input(
      command.book_path, [&](ByteSource& book) { return collect_book_words(book, book_words); });
  if (!status.ok()) return fail(command.book_path, status);

  VocabularyMap vocabulary(book_words);
  status = read_input(command.vocabulary_path,
                      [&](ByteSource& entries) { return read_vocabulary(entries, vocabulary); });
  if (!status.ok()) return fail(command.vocabulary_path, status);

  status = write_filtered_vocabulary(book_words, vocabulary, standard_output());
  if (status.reader_gone()) return kExitInputOutputError;
  if (!status.ok()) return fail("standard output", status);
  return kExitSuccess;
}

// Written directly, past any buffer, since memory may be gone.
void report_abnormal_termination() {
  static constexpr char kMessage[] = "\r\nAbnormal program termination\r\n";
  standard_error().write(reinterpret_cast<const unsigned char*>(kMessage), sizeof kMessage - 1);
}

}  // namespace
}  // namespace lexicull

int main(int argc, char** argv) {
  lexicull::prepare_standard_streams();
  try {
    return lexicull::run(lexicull::parse_command_line(argc, argv));
  } catch (...) {
    // Out of memory is the only failure the run can throw.
    lexicull::report_abnormal_termination();
    return lexicull::kExitAbnormalTermination;
  }
}
