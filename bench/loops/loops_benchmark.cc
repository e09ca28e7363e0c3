// The inner loops alone, on the benchmark's corpus in memory: the book loop
// (words found, lower-cased and added to the word set), the vocabulary loop
// (lines split, most passed over, the book's ones kept) and a dictd index's
// loop (every line checked, the book words' rows kept), fed in the program's
// own 128 KiB blocks, with no file reading and no output.
// Each is timed twice: fed straight from the corpus in memory, which a file
// larger than the caches streams from memory, and fed as the program's
// reads feed it, each block first copied into one 128 KiB buffer (the copy
// timed too, as the kernel's copy is in a read).
//
//   build/release/bench/loops/loops_benchmark [--benchmark_...]
//
// The corpus is read from LEXICULL_CORPUS (default /tmp/lexicull-corpus), as
// bench/make_corpus.py writes it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/padded_bytes.h"
#include "book/collect_book_words.h"
#include "testing/test_support.h"
#include "text/text_mode_reader.h"
#include "vocabulary/dictd_index.h"
#include "vocabulary/read_vocabulary.h"

namespace lexicull {
namespace {

std::string corpus_file(const char* name) {
  const char* folder = std::getenv("LEXICULL_CORPUS");
  const std::string path = std::string(folder ? folder : "/tmp/lexicull-corpus") + "/" + name;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

enum class Feeding { kFromMemory, kAsRead };

// The text cut into padded blocks as the text-mode reader hands them over.
class Blocks {
 public:
  explicit Blocks(const std::string& text) {
    for (std::size_t at = 0; at < text.size(); at += TextModeReader::kDefaultBlockSize) {
      const std::size_t size = std::min(TextModeReader::kDefaultBlockSize, text.size() - at);
      storage_.emplace_back(size + PaddedBytes::kPadding, 0);
      std::memcpy(storage_.back().data(), text.data() + at, size);
      sizes_.push_back(size);
    }
  }
  template <typename Reader>
  void feed(Reader& reader, Feeding feeding) {
    for (std::size_t i = 0; i < storage_.size(); ++i) {
      const unsigned char* block = storage_[i].data();
      if (feeding == Feeding::kAsRead) {
        std::memcpy(buffer_.data(), block, sizes_[i]);
        block = buffer_.data();
      }
      reader.feed(PaddedBytes::in_padded_buffer(block, sizes_[i]));
    }
    reader.finish();
  }

 private:
  std::vector<unsigned char> buffer_ =
      std::vector<unsigned char>(TextModeReader::kDefaultBlockSize + PaddedBytes::kPadding);
  std::vector<std::vector<unsigned char>> storage_;
  std::vector<std::size_t> sizes_;
};

void book_loop(benchmark::State& state, const char* book, Feeding feeding) {
  const std::string text = corpus_file(book);
  if (text.empty()) {
    state.SkipWithError("no corpus: run bench/make_corpus.py");
    return;
  }
  Blocks blocks(text);
  std::size_t words = 0;
  for (auto _ : state) {
    BookWordSet set;
    BookWordCollector collector(set);
    blocks.feed(collector, feeding);
    words = set.size();
    benchmark::DoNotOptimize(words);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["distinct_words"] = static_cast<double>(words);
}

// The words of `book` into `words`, and the text of `file` into `*text`;
// false, with the benchmark skipped, where the corpus is missing.
bool book_words_and_text(benchmark::State& state, const char* book, const char* file,
                         BookWordSet& words, std::string* text) {
  const std::string book_text = corpus_file(book);
  *text = corpus_file(file);
  if (book_text.empty() || text->empty()) {
    state.SkipWithError("no corpus: run bench/make_corpus.py");
    return false;
  }
  BookWordCollector collector(words);
  Blocks(book_text).feed(collector, Feeding::kFromMemory);
  return true;
}

void vocabulary_loop(benchmark::State& state, const char* book, const char* vocabulary,
                     Feeding feeding) {
  BookWordSet words;
  std::string text;
  if (!book_words_and_text(state, book, vocabulary, words, &text)) return;
  Blocks blocks(text);
  for (auto _ : state) {
    VocabularyMap map(words);
    VocabularyEntryReader reader(map);
    blocks.feed(reader, feeding);
    benchmark::DoNotOptimize(map);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void dictd_index_loop(benchmark::State& state, const char* book, const char* index) {
  BookWordSet words;
  std::string text;
  if (!book_words_and_text(state, book, index, words, &text)) return;
  std::size_t rows = 0;
  for (auto _ : state) {
    // Read in order as the program reads a pipe: on one core, in the
    // text-mode reader's blocks.
    InputFile input = memory_input(text, InputKind::kInOrder);
    std::vector<DictdIndexRow> found;
    const Status status =
        read_dictd_index(input, words, ~std::uint64_t{0} >> 1, PartOptions{1}, &found);
    if (!status.ok()) state.SkipWithError(status.reason().c_str());
    rows = found.size();
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["rows"] = static_cast<double>(rows);
}

constexpr Feeding kFromMemory = Feeding::kFromMemory;
constexpr Feeding kAsRead = Feeding::kAsRead;

BENCHMARK_CAPTURE(book_loop, book, "book.txt", kFromMemory)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(book_loop, many_words, "many-words.txt", kFromMemory)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(book_loop, book_as_read, "book.txt", kAsRead)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(book_loop, many_words_as_read, "many-words.txt", kAsRead)
    ->Unit(benchmark::kMillisecond);
// Against book.txt, about one line in eight of en-de is kept and almost
// none of de-en; against many-words.txt, the lines of some 20,000 keys of
// de-en.
BENCHMARK_CAPTURE(vocabulary_loop, en_de, "book.txt", "en-de.txt", kFromMemory)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vocabulary_loop, de_en, "many-words.txt", "de-en.txt", kFromMemory)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vocabulary_loop, en_de_as_read, "book.txt", "en-de.txt", kAsRead)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vocabulary_loop, de_en_book_as_read, "book.txt", "de-en.txt", kAsRead)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(vocabulary_loop, de_en_as_read, "many-words.txt", "de-en.txt", kAsRead)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(dictd_index_loop, eng_deu, "book.txt", "freedict-eng-deu.index")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lexicull

BENCHMARK_MAIN();
