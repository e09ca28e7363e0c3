#ifndef LEXICULL_FUZZ_REFERENCE_H_
#define LEXICULL_FUZZ_REFERENCE_H_

// The rules of the program written as plainly as possible, with no regard
// for speed, to check the real readers against: any input on which the two
// disagree is a fault in one of them.

#include <map>
#include <set>
#include <string>

namespace lexicull {
namespace reference {

// The text as both readers see it: a leading UTF-8 byte-order mark skipped,
// everything from the first Ctrl-Z on dropped, every CR removed.
std::string as_text(const std::string& raw);

std::set<std::string> book_words(const std::string& raw_book);

// Every entry of the vocabulary, the last line for a key winning.
std::map<std::string, std::string> vocabulary(const std::string& raw_vocabulary);

// The whole run's output.
std::string filtered_vocabulary(const std::string& raw_book, const std::string& raw_vocabulary);

}  // namespace reference
}  // namespace lexicull

#endif  // LEXICULL_FUZZ_REFERENCE_H_
