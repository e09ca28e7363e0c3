#ifndef LEXICULL_FUZZ_REFERENCE_H_
#define LEXICULL_FUZZ_REFERENCE_H_

// The rules of the program written as plainly as possible, with no regard
// for speed, to check the real readers against: any input on which the two
// disagree is a fault in one of them.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lexicull {
namespace reference {

// The text as both readers see it: a leading UTF-8 byte-order mark skipped,
// everything from the first Ctrl-Z on dropped, every CR removed.
std::string as_text(const std::string& raw);

std::set<std::string> book_words(const std::string& raw_book);
// Each word with the number of times it stands in the book.
std::map<std::string, std::uint64_t> book_word_counts(const std::string& raw_book);

// Every entry of the vocabulary, the last line for a key winning.
std::map<std::string, std::string> vocabulary(const std::string& raw_vocabulary);

// The whole run's output.
std::string filtered_vocabulary(const std::string& raw_book, const std::string& raw_vocabulary);

// The words a known-words file names.
std::set<std::string> known_words(const std::string& raw_known);

struct StudyRequest {
  std::vector<std::string> known;  // the files, raw
  std::optional<std::uint64_t> top;
  std::optional<std::uint64_t> coverage;  // in hundredths of a percent
  bool by_frequency = false;
};
struct StudyResult {
  std::string output;
  std::uint64_t running = 0, distinct = 0, known = 0, lines = 0, covered = 0;
};
// The study list's output and figures, `stems` giving each book word's stems.
StudyResult study_list(const std::string& raw_book, const std::string& raw_vocabulary,
                       const StudyRequest& request,
                       const std::function<std::vector<std::string>(const std::string&)>& stems);

// The context of a word's card: the first sentence of the book that holds
// it, as the card shows it, and where in it the word first stands (npos for
// nowhere).
struct CardContext {
  std::string text;
  std::size_t place = std::string::npos;
};
// Each word of the book that a sentence holds, by the sentence's own words,
// with its card's context. A word that the book joins across a sentence's
// end ("ex-." at a line's end) is in no sentence and not here.
std::map<std::string, CardContext> card_contexts(const std::string& raw_book);

}  // namespace reference
}  // namespace lexicull

#endif  // LEXICULL_FUZZ_REFERENCE_H_
