// lexicull: cuts a bilingual vocabulary down to the words of one book.
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "book/book_word_set.h"
#include "book/collect_book_words.h"
#include "driver/command_line.h"
#include "driver/platform.h"
#include "stem/dictionary_files.h"
#include "stem/stemmer.h"
#include "stem/stemming_threads.h"
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

// Opens the file, or standard input for "-", and hands it to one reading
// phase.
template <typename Phase>
Status read_input(const std::string& path, Phase phase) {
  if (path == kStandardInputName) return phase(*standard_input());
  std::unique_ptr<InputFile> file;
  Status status = open_input_file(path, &file);
  return status.ok() ? phase(*file) : status;
}

// The first bytes of a file, as many as one read gives, and its size
// (kUnknownSize for a pipe).
Status read_start(const std::string& path, std::string* start, std::uint64_t* size) {
  return read_input(path, [start, size](InputFile& file) {
    unsigned char bytes[256];
    std::size_t count = 0;
    Status status = file.in_order() != nullptr
                        ? file.in_order()->read(bytes, sizeof bytes, &count)
                        : file.at_offsets()->read_at(0, bytes, sizeof bytes, &count);
    *size = file.in_order() != nullptr ? kUnknownSize : file.at_offsets()->size();
    start->assign(reinterpret_cast<const char*>(bytes), count);
    return status;
  });
}

// All of a file.
Status read_all(const std::string& path, std::string* bytes) {
  return read_input(path, [bytes](InputFile& file) {
    bytes->clear();
    unsigned char block[64 * 1024];
    for (;;) {
      std::size_t count = 0;
      Status status = file.in_order() != nullptr
                          ? file.in_order()->read(block, sizeof block, &count)
                          : file.at_offsets()->read_at(bytes->size(), block, sizeof block, &count);
      if (!status.ok()) return status;
      if (count == 0) return Status();
      bytes->append(reinterpret_cast<const char*>(block), count);
    }
  });
}

// Finds the dictionary that --stem names and makes sure it can be read, before
// any input is: a missing or damaged one ends the run at once.
int prepare_stemming(const std::string& name, std::unique_ptr<StemmerMaker>* maker) {
  const char* search_path = std::getenv("DICPATH");
  const std::vector<DictionaryFiles> candidates =
      dictionary_candidates(name, search_path == nullptr ? "" : search_path,
                            search_path_separator(), system_dictionary_folders());
  auto refuse = [](const std::string& subject, const std::string& reason) {
    (void)write_line(standard_error(), "lexicull: " + subject + ": " + reason);
    return kExitUsageError;
  };
  std::string tried;
  for (const DictionaryFiles& files : candidates) {
    std::string word_list_start;
    std::string affixes;
    std::uint64_t word_list_size = 0;
    const std::string* failing = &files.words;
    Status status = read_start(files.words, &word_list_start, &word_list_size);
    if (status.ok()) {
      failing = &files.affixes;
      status = read_all(files.affixes, &affixes);
    }
    if (!status.ok()) {
      // A path names one pair of files: say which of them is wrong, and why.
      if (candidates.size() == 1) return refuse(*failing, status.reason());
      tried += (tried.empty() ? "" : ", ") + files.words;
      continue;
    }
    status = check_word_list_start(word_list_start, word_list_size);
    if (!status.ok()) return refuse(files.words, status.reason());
    status = check_affix_file(affixes);
    if (!status.ok()) return refuse(files.affixes, status.reason());
    DictionaryFiles narrow;
    if (!name_for_narrow_open(files.affixes, &narrow.affixes) ||
        !name_for_narrow_open(files.words, &narrow.words)) {
      return refuse(files.words, "this name cannot be passed to the dictionary library");
    }
    status = hunspell_stemmer_maker(narrow, maker);
    return status.ok() ? kExitSuccess : refuse("--stem", status.reason());
  }
  return refuse(name, tried.empty() ? "no such hunspell dictionary (DICPATH names no folder to "
                                      "look in: name its .dic file instead)"
                                    : "no such hunspell dictionary (looked for " + tried + ")");
}

int run(const CommandLine& command) {
  switch (command.action) {
    case Action::kUsageError:
      // The status says it all when even the usage line cannot be written.
      (void)write_line(standard_error(), kUsageLine);
      return kExitUsageError;
    case Action::kOptionError:
      (void)write_line(standard_error(), "lexicull: " + command.message);
      (void)write_line(standard_error(), "Try 'lexicull --help' for more information.");
      return kExitUsageError;
    case Action::kInputError:
      (void)write_line(standard_error(), "lexicull: " + command.message);
      return kExitUsageError;
    case Action::kShowHelp: {
      Status status = write_line(standard_output(), kUsageLine);
      for (std::size_t i = 0; status.ok() && i < kHelpLines.size(); ++i) {
        status = write_line(standard_output(), kHelpLines[i]);
      }
      return finish_output(status);
    }
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
  std::unique_ptr<StemmerMaker> stemmer_maker;
  if (command.stem) {
    const int status = prepare_stemming(command.stem_dictionary, &stemmer_maker);
    if (status != kExitSuccess) return status;
  }

  // The dictionary loads while the book is read.
  std::unique_ptr<StemmingThreads> stemming;
  if (stemmer_maker) stemming = std::make_unique<StemmingThreads>(*stemmer_maker, parts.threads);

  BookWordSet book_words;
  Status status = read_input(command.book_path, [&](InputFile& book) {
    return collect_book_words(book, book_words, parts);
  });
  if (!status.ok()) return fail(command.book_path, status);
  // The stems become keys like the book's own words: the vocabulary's lines
  // for them are kept and written in the same order.
  if (stemming) stemming->add_stems(book_words);

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
