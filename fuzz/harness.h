#ifndef LEXICULL_FUZZ_HARNESS_H_
#define LEXICULL_FUZZ_HARNESS_H_

// Runs the real readers on bytes in memory, cut into reads of a given size,
// and says whether they agree with the reference rules. Shared by the
// fuzzers and by the differential unit test.

#include <cstddef>
#include <cstdint>
#include <string>

namespace lexicull {
namespace harness {

// The read sizes every input is cut into: the result must not depend on them.
inline constexpr std::size_t kReadSizes[] = {1, 7, 4096, static_cast<std::size_t>(-1)};

// A fuzz input split into a book and a vocabulary. With `every_key_in_book`
// the book also holds every vocabulary key, so that every entry is kept.
struct Pair {
  std::string book;
  std::string vocabulary;
  bool every_key_in_book = false;
};
Pair split_input(const std::uint8_t* data, std::size_t size);

// Each returns an empty string when the real readers agree with the
// reference on every read size, or else what went wrong.
std::string check_book(const std::string& raw_book);
std::string check_vocabulary(const Pair& pair);
std::string check_run(const Pair& pair);
// The context of every word's card, from a book read once in order (as
// standard input is) and from one read in parts and then again for the
// sentences, against the reference rules at every read size.
std::string check_contexts(const std::string& raw_book);
// A hunspell dictionary of any bytes (the pair's book as its affix file, its
// vocabulary as its word list), checked as the program checks one and then
// asked for the stems of words: it must never crash, and every stem must be
// UTF-8 without a capital A to Z.
std::string check_dictionary(const Pair& pair);

// An EPUB of any bytes, read for its text: it must never crash, and a book it
// cannot read must say so as every unreadable EPUB does.
std::string check_epub(const std::string& raw_book);

// A dictd dictionary of any bytes: its index, a NUL, its data (dictzip or
// gzip when it begins as gzip does). It must never crash, a dictionary it
// cannot read must say so, and the result must not depend on the threads or
// the read sizes.
std::string check_dictd(const std::string& raw);

// An HTML document of any bytes, read by the forgiving parser whole and in
// pieces of a few bytes: it must never crash, the text must be the same
// both ways, and it must be UTF-8.
std::string check_html(const std::string& raw);

// Subtitles of any bytes, whole and in pieces: never a crash, the same text.
std::string check_subtitles(const std::string& raw);

// A FictionBook of any bytes (zipped, when they begin as a ZIP does): never
// a crash, and a book it cannot read must say so.
std::string check_fiction_book(const std::string& raw);

enum class Target {
  kBook,
  kContexts,
  kVocabulary,
  kRun,
  kDictionary,
  kEpub,
  kDictd,
  kHtml,
  kSubtitles,
  kFictionBook
};

// One of the checks above on raw fuzz input: the book reader takes it whole,
// the others split it with split_input.
std::string check(Target target, const std::uint8_t* data, std::size_t size);

}  // namespace harness
}  // namespace lexicull

#endif  // LEXICULL_FUZZ_HARNESS_H_
