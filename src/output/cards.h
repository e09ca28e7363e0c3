#ifndef LEXICULL_OUTPUT_CARDS_H_
#define LEXICULL_OUTPUT_CARDS_H_

// The lines of the output formats other than word|translation: a card per
// word, with its count and its context, for a spreadsheet, Anki or a script.

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

enum class OutputFormat { kLines, kTsv, kAnki, kJsonl };

// The format a --format value names: lines, tsv, anki or jsonl.
bool parse_output_format(std::string_view name, OutputFormat* format);

struct Card {
  std::string_view word;
  std::string_view translation;
  std::uint64_t count = 0;
  const Context* context = nullptr;  // null: none
};

// The lines that come before the cards, each ending in CR LF: tsv's column
// names, Anki's header lines (separator, html, columns, tags); none for
// jsonl. Not for kLines.
std::string card_header(OutputFormat format);

// One card's line, ending in CR LF. tsv: the fields as they are, a tab or
// line end inside one as a space; anki: the same, HTML-escaped (& < > "),
// the context's place of the word in <b>; jsonl: {"word":...,"translation":
// ...,"count":...,"context":...}, strings as JSON with raw UTF-8, each byte
// of a sequence that is no UTF-8 as U+FFFD. Not for kLines.
std::string card_line(OutputFormat format, const Card& card);

// Writes the header, then a card per key in order, a write per line:
// keys[i] with its translation, counts[keys[i]] and contexts[i].
Status write_cards(OutputFormat format, const BookWordSet& words, const VocabularyMap& vocabulary,
                   const std::vector<BookWordSet::WordId>& keys,
                   const std::vector<std::uint64_t>& counts, const std::vector<Context>& contexts,
                   ByteSink& out);

}  // namespace lexicull

#endif  // LEXICULL_OUTPUT_CARDS_H_
