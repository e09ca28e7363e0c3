#ifndef LEXICULL_FORMATS_BOOK_FORMATS_H_
#define LEXICULL_FORMATS_BOOK_FORMATS_H_

// The forms a book comes in, and how its first bytes tell them apart.

#include <cstddef>
#include <string_view>

namespace lexicull {

enum class BookFormat { kAuto, kText, kEpub, kHtml, kSrt, kVtt, kFb2 };

// The format a --book-format value names: auto, text, epub, html, srt, vtt
// or fb2; false for anything else.
bool parse_book_format(std::string_view name, BookFormat* format);

// How many first bytes detect_text_format() needs to decide, at most.
inline constexpr std::size_t kFormatWindow = 4096;

// What the first bytes of a book that is no ZIP archive say it is, after an
// optional UTF-8 byte order mark: WebVTT when it begins with "WEBVTT"; HTML
// when, after white space and an optional <?xml ...?> declaration, it begins
// with "<!DOCTYPE html" or "<html" (ASCII case ignored); FictionBook when
// its first element there is <FictionBook>; SRT when its first line that is
// not blank is a number and the next a timing line ("00:00:01,000 -->
// 00:00:04,000", '.' also for ','); text otherwise. `start` is the book's
// first kFormatWindow bytes, or all of a shorter one.
BookFormat detect_text_format(std::string_view start);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_BOOK_FORMATS_H_
