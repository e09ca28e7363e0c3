#ifndef LEXICULL_STEM_WORD_FORMS_H_
#define LEXICULL_STEM_WORD_FORMS_H_

// How a book word is asked of a spelling dictionary, and how the dictionary's
// stems become keys. Book words and vocabulary keys are taken as UTF-8 here,
// as nearly every book and vocabulary is; a dictionary declares its own
// encoding.

#include <string>
#include <string_view>

namespace lexicull {

enum class DictionaryEncoding {
  kUtf8,
  kLatin1,  // ISO-8859-1
  kLatin9,  // ISO-8859-15
  kOther,   // any other 8-bit encoding: only ASCII passes
};

// The encoding a dictionary names (its SET line, such as "UTF-8" or
// "ISO8859-1").
DictionaryEncoding encoding_named(std::string_view name);

// `utf8` in the dictionary's encoding, or false when it is not valid UTF-8,
// holds a NUL, or has a character that the encoding lacks.
bool to_dictionary_encoding(std::string_view utf8, DictionaryEncoding encoding, std::string* out);

// Text from the dictionary as UTF-8, or false when it is not valid in the
// dictionary's own encoding.
bool from_dictionary_encoding(std::string_view text, DictionaryEncoding encoding,
                              std::string* utf8);

// `word` with its first letter capitalised, where that letter has a capital
// (in the alphabets of Latin-1, Latin Extended-A, Greek and Cyrillic);
// otherwise the word as it is. Invalid UTF-8 stays as it is.
std::string capitalised(std::string_view word);

// `word` with every letter that has a capital (as capitalised() knows them)
// capitalised. Invalid UTF-8 stays as it is.
std::string upper_cased(std::string_view word);

// Whether a letter past the first is a capital, as in "hÄuser", which is
// what lower-casing "A" to "Z" leaves of "HÄUSER".
bool has_capital_past_first(std::string_view word);

// Lower-cases "A" to "Z" only, as every key is.
void lower_case_ascii(std::string& text);

}  // namespace lexicull

#endif  // LEXICULL_STEM_WORD_FORMS_H_
