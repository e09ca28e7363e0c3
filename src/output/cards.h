#ifndef LEXICULL_OUTPUT_CARDS_H_
#define LEXICULL_OUTPUT_CARDS_H_

// The output formats, behind one interface: a line per word written, with
// its translation, and for the cards its count and its context, for a
// spreadsheet, Anki or a script.

#include <cstdint>
#include <string>
#include <string_view>

#include <vector>

#include "base/byte_stream.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "context/sentences.h"
#include "vocabulary/vocabulary_map.h"

namespace lexicull {

// The end of every line the program writes, on every platform.
inline constexpr char kLineEnd[] = "\r\n";

enum class OutputFormat { kLines, kTsv, kAnki, kJsonl };

// The format a --format value names: lines, tsv, anki or jsonl.
bool parse_output_format(std::string_view name, OutputFormat* format);

struct Card {
  std::string_view word;
  std::string_view translation;
  std::uint64_t count = 0;
  const Context* context = nullptr;  // null: none
};

// How a format writes its lines. Every line ends in CR LF.
class CardFormat {
 public:
  virtual ~CardFormat() = default;
  // The lines that come before the first word's: tsv's column names,
  // Anki's header lines (separator, html, columns, tags); none for lines
  // and jsonl.
  virtual std::string header() const = 0;
  // Appends a word's line to `line`. lines: word|translation; tsv: the
  // fields as they are, a tab or line end inside one as a space; anki: the
  // same, HTML-escaped (& < > "), the context's place of the word in <b>;
  // jsonl: {"word":...,"translation":...,"count":...,"context":...},
  // strings as JSON with raw UTF-8, each byte of a sequence that is no
  // UTF-8 as U+FFFD.
  virtual void append_line(const Card& card, std::string& line) const = 0;
};

// The format of this name; each lives as long as the program.
const CardFormat& card_format(OutputFormat format);

// The header and one card's line, for tests.
std::string card_header(OutputFormat format);
std::string card_line(OutputFormat format, const Card& card);

// Writes the format's header, then a line per key in order, each in one
// write, so that a run cut short leaves only whole lines: keys[i] with its
// translation, (*counts)[keys[i]] and (*contexts)[i]. Without counts or
// contexts (null), every count is 0 and every context none. Stops at the
// first failed write and returns it.
Status write_cards(const CardFormat& format, const BookWordSet& words,
                   const VocabularyMap& vocabulary, const std::vector<BookWordSet::WordId>& keys,
                   const std::vector<std::uint64_t>* counts, const std::vector<Context>* contexts,
                   ByteSink& out);

}  // namespace lexicull

#endif  // LEXICULL_OUTPUT_CARDS_H_
