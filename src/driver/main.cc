// lexicull: cuts a bilingual vocabulary down to the words of one book.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "book/book_word_set.h"
#include "book/collect_book_words.h"
#include "context/card_contexts.h"
#include "context/sentence_numbers.h"
#include "context/sentences.h"
#include "driver/command_line.h"
#include "formats/read_book.h"
#include "output/cards.h"
#include "output/write_filtered_vocabulary.h"
#include "platform/platform.h"
#include "stem/dictionary_files.h"
#include "stem/stemmer.h"
#include "stem/stemming_threads.h"
#include "study/known_words.h"
#include "study/study_list.h"
#include "text/tee_reader.h"
#include "vocabulary/vocabulary_map.h"
#include "vocabulary/vocabulary_reader.h"
#include "vocabulary/vocabulary_source.h"

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

// The contexts of `keys` from a second reading of the book, a regular file,
// in order on one thread; its warnings were said on the first, which found
// each word's first sentence.
Status read_contexts(const CommandLine& command, const BookWordSet& words,
                     const std::vector<WordStem>& stems,
                     const std::vector<BookWordSet::WordId>& keys,
                     const std::vector<std::uint64_t>& first_sentences,
                     std::vector<Context>* contexts) {
  KeyContexts found(words, stems, keys, first_sentences);
  SentenceSplitter sentences(
      BookWordCollector::kPartSeparator,
      [&](const SentencePiece& sentence) { found.add_sentence(sentence); },
      [&](std::uint64_t number) { return found.wants(number); });
  const Status status = read_input(command.book_path, [&](InputFile& book) {
    return read_book_text(book, command.book_format, sentences, PartOptions{1}, nullptr);
  });
  if (!status.ok()) return status;
  *contexts = found.take_contexts();
  return Status();
}

// The vocabulary that an argument names: `key|translation` lines, or a
// dictd dictionary by its files or its name. A dictd dictionary is opened
// before the book is read, so that its index is read while the book is.
// What fails is told when the vocabulary is read, after the book, as before.
// `key|translation` lines are opened only then: a FIFO's writer may be
// writing the book first.
class Vocabulary {
 public:
  Vocabulary(const std::string& argument, const PartOptions& parts) : parts_(parts) {
    const char* search_path = std::getenv("LEXICULL_DICTD_PATH");
    DictdSearch search;
    search.search_path = search_path == nullptr ? "" : search_path;
    search.separator = search_path_separator();
    search.system_folders = system_dictd_folders();
    status_ = find_vocabulary(
        argument, search,
        [](const std::string& path) {
          std::unique_ptr<RandomAccessFile> file;
          return open_regular_file(path, &file).ok();
        },
        &source_);
    if (!status_.ok() || source_.format != VocabularyFormat::kDictd) return;
    status_ = open_regular_file(source_.data_path, &data_);
    if (!status_.ok()) {
      status_ = Status::failure(source_.data_path + ": " + status_.reason());
      return;
    }
    // An index that is no regular file is opened as any input, later.
    std::unique_ptr<RandomAccessFile> index;
    if (!open_regular_file(source_.path, &index).ok()) return;
    index_ = std::make_unique<InputFile>(std::move(index));
    reader_ = dictd_vocabulary(*index_, *data_, source_.compressed, parts_);
    reader_->start_early();
  }

  // Reads the translations of the map's book words into it.
  Status read(VocabularyMap& vocabulary) {
    if (!status_.ok()) return status_;
    if (reader_) return reader_->read(vocabulary);
    return read_input(source_.path, [&](InputFile& input) {
      const std::unique_ptr<VocabularyReader> reader =
          source_.format == VocabularyFormat::kLines
              ? lines_vocabulary(input, parts_)
              : dictd_vocabulary(input, *data_, source_.compressed, parts_);
      return reader->read(vocabulary);
    });
  }

 private:
  const PartOptions parts_;
  VocabularySource source_;
  Status status_;
  std::unique_ptr<RandomAccessFile> data_;
  std::unique_ptr<InputFile> index_;
  std::unique_ptr<VocabularyReader> reader_;  // ended before the files it reads
};

// Finds the dictionary that --stem names, reads it and makes sure the
// library can load it, before any input is read: a missing or damaged one
// ends the run at once.
Status prepare_stemming(const std::string& name, std::unique_ptr<StemmerMaker>* maker) {
  const char* search_path = std::getenv("DICPATH");
  DictionarySearch search;
  search.search_path = search_path == nullptr ? "" : search_path;
  search.separator = search_path_separator();
  search.system_folders = system_dictionary_folders();
  DictionaryText text;
  Status status = find_dictionary(name, search, &open_regular_file, &text);
  if (status.ok()) status = hunspell_stemmer_maker(text, maker);
  return status;
}

// Ends the run at once, for a failure found while a dictionary may still be
// loading on another thread: waiting for it could take seconds, and nothing
// it does matters any more. Nothing was written to standard output yet, and
// the message is written directly.
[[noreturn]] void end_now(int status) { std::_Exit(status); }

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
    const Status status = prepare_stemming(command.stem_dictionary, &stemmer_maker);
    if (!status.ok()) {
      (void)write_line(standard_error(), "lexicull: " + status.reason());
      return kExitUsageError;
    }
  }

  // Declared before the threads that stem them, so that they outlive them
  // on every path. A study list needs to know how often each word stands
  // in the book; the plain run does not count.
  BookWordSet book_words;
  const StudyOptions& study = command.study;
  const bool cards = command.output_format != OutputFormat::kLines;
  if (study.active() || cards) book_words.count_occurrences();
  // The dictionary loads while the book is read. Each stemming thread holds
  // a copy of it, so there are never more of them than processors to run on.
  std::unique_ptr<StemmingThreads> stemming;
  if (stemmer_maker) {
    stemming = std::make_unique<StemmingThreads>(*stemmer_maker,
                                                 std::min(parts.threads, usable_processor_count()));
  }
  std::vector<std::string> warnings;
  // Cards need each word's first sentence: a book that can be read only
  // once keeps them as it is read; a regular file is read again later, for
  // the keys written alone, in the sentences where their words first stand.
  std::unique_ptr<FirstSentences> first_sentences;
  std::vector<std::uint64_t> first_sentence_numbers;
  Vocabulary vocabulary_input(command.vocabulary_path, parts);
  Status status = read_input(command.book_path, [&](InputFile& book) {
    if (!cards) return read_book(book, command.book_format, book_words, parts, &warnings);
    if (book.at_offsets() != nullptr) {
      FirstSentenceNumbers numbers(book_words);
      PartOptions numbered_parts = parts;
      numbered_parts.min_part_size =
          std::min(parts.min_part_size, FirstSentenceNumbers::kLeastPartSize);
      const Status read =
          read_book_text(book, command.book_format, numbers, numbered_parts, &warnings);
      first_sentence_numbers = numbers.take_numbers();
      return read;
    }
    first_sentences = std::make_unique<FirstSentences>();
    BookWordCollector words(book_words);
    SentenceSplitter sentences(words.part_separator(), [&](const SentencePiece& sentence) {
      first_sentences->add_sentence(sentence);
    });
    TeeReader both(words, sentences);
    return read_book_text(book, command.book_format, both, PartOptions{1}, &warnings);
  });
  for (const std::string& warning : warnings) {
    (void)write_line(standard_error(), "lexicull: " + command.book_path + ": " + warning);
  }
  if (!status.ok()) {
    const int exit_status = fail(command.book_path, status);
    if (stemming) end_now(exit_status);
    return exit_status;
  }
  // The stems become keys like the book's own words: the vocabulary's lines
  // for them are kept and written in the same order.
  std::vector<WordStem> stems;
  if (stemming) stemming->add_stems(book_words, study.active() || cards ? &stems : nullptr);
  KnownWords known(book_words);
  for (const std::string& path : study.known_paths) {
    status =
        read_input(path, [&](InputFile& file) { return read_known_words(file, known, parts); });
    if (!status.ok()) return fail(path, status);
  }

  VocabularyMap vocabulary(
      book_words, command.all_senses ? VocabularyMap::Senses::kAll : VocabularyMap::Senses::kLast);
  status = vocabulary_input.read(vocabulary);
  if (!status.ok()) return fail(command.vocabulary_path, status);

  if (!study.active() && !cards) {
    return finish_output(write_filtered_vocabulary(book_words, vocabulary, standard_output()));
  }
  const StudyList list = select_study_list(book_words, stems, known, vocabulary, study);
  if (list.stats.coverage_out_of_reach) {
    (void)write_line(standard_error(),
                     "lexicull: " + coverage_out_of_reach_line(list.stats, *study.coverage));
  }
  if (cards) {
    std::vector<Context> contexts;
    if (first_sentences) {
      contexts = first_sentences->contexts(book_words, stems, list.keys);
    } else {
      status =
          read_contexts(command, book_words, stems, list.keys, first_sentence_numbers, &contexts);
      if (!status.ok()) return fail(command.book_path, status);
    }
    status = write_cards(card_format(command.output_format), book_words, vocabulary, list.keys,
                         &list.counts, &contexts, standard_output());
  } else {
    status = write_vocabulary_lines(book_words, vocabulary, list.keys, standard_output());
  }
  if (status.ok() && study.stats) {
    // A summary nobody can read changes nothing about the list.
    for (const std::string& line : study_stats_lines(list.stats, !study.known_paths.empty())) {
      (void)write_line(standard_error(), line);
    }
  }
  return finish_output(status);
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
