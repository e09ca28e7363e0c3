#include "harness.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include "book/collect_book_words.h"
#include "context/card_contexts.h"
#include "context/sentence_numbers.h"
#include "formats/epub_book.h"
#include "formats/html_text.h"
#include "formats/markup_book.h"
#include "formats/read_book.h"
#include "formats/subtitles.h"
#include "output/write_filtered_vocabulary.h"
#include "reference.h"
#include "stem/dictionary_files.h"
#include "stem/stemmer.h"
#include "stem/word_forms.h"
#include "testing/test_support.h"
#include "text/tee_reader.h"
#include "vocabulary/dictd_dictionary.h"
#include "vocabulary/read_vocabulary.h"

namespace lexicull {
namespace harness {
namespace {

std::set<std::string> real_book_words(const std::string& raw, std::size_t read_size) {
  InputFile book = memory_input(raw, InputKind::kInOrder, read_size);
  BookWordSet words;
  // Memory never fails to read: a failure here is a fault of the reader.
  if (!collect_book_words(book, words, PartOptions{}).ok()) std::abort();
  std::set<std::string> result;
  for (BookWordSet::WordId id = 0; id < words.size(); ++id) result.emplace(words.word(id));
  return result;
}

std::string word_fault(const std::string& word) {
  for (unsigned char byte : word) {
    if (byte == ' ' || byte == '\n' || byte == '\r') return "a word holds a space, CR or line feed";
    if (byte >= 'A' && byte <= 'Z') return "a word holds a capital";
    if (std::string("():;.\",?!/").find(static_cast<char>(byte)) != std::string::npos) {
      return "a word holds punctuation";
    }
  }
  return "";
}

std::string line_fault(const std::string& output) {
  std::string previous;
  bool first = true;
  std::size_t start = 0;
  while (start < output.size()) {
    const std::size_t end = output.find("\r\n", start);
    if (end == std::string::npos) return "output does not end with CR LF";
    const std::string line = output.substr(start, end - start);
    const std::size_t separator = line.find('|');
    if (separator == std::string::npos || separator + 1 == line.size()) {
      return "a line without separator or translation";
    }
    if (line.find('\n') != std::string::npos) return "a line holds a line feed";
    const std::string word = line.substr(0, separator);
    if (!first && !(previous < word)) return "words not in strictly ascending order";
    const std::string fault = word_fault(word);
    if (!fault.empty()) return fault;
    previous = word;
    first = false;
    start = end + 2;
  }
  return "";
}

std::string cut_note(std::size_t read_size) {
  return " (reads of " + std::to_string(read_size) + ")";
}

}  // namespace

Pair split_input(const std::uint8_t* data, std::size_t size) {
  Pair pair;
  if (size == 0) return pair;
  const std::size_t rest = size - 1;
  const std::size_t book_size = rest * (data[0] >> 1) / 128;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  pair.book.assign(bytes, book_size);
  pair.vocabulary.assign(bytes + book_size, rest - book_size);
  pair.every_key_in_book = data[0] & 1;
  return pair;
}

std::string check_book(const std::string& raw_book) {
  const std::set<std::string> expected = reference::book_words(raw_book);
  for (const std::string& word : expected) {
    const std::string fault = word_fault(word);
    if (!fault.empty()) return "reference: " + fault;
  }
  for (std::size_t read_size : kReadSizes) {
    if (real_book_words(raw_book, read_size) != expected)
      return "book words differ" + cut_note(read_size);
  }
  return "";
}

std::string check_vocabulary(const Pair& pair) {
  const auto expected = reference::vocabulary(pair.vocabulary);
  std::set<std::string> keys = reference::book_words(pair.book);
  if (pair.every_key_in_book) {
    for (const auto& entry : expected) keys.insert(entry.first);
  }
  for (std::size_t read_size : kReadSizes) {
    BookWordSet words;
    for (const std::string& key : keys) insert_word(words, key);
    VocabularyMap map(words);
    InputFile vocabulary = memory_input(pair.vocabulary, InputKind::kInOrder, read_size);
    if (!read_vocabulary(vocabulary, map, PartOptions{}).ok()) {
      return "reading memory failed" + cut_note(read_size);
    }
    for (const std::string& key : keys) {
      const auto entry = expected.find(key);
      const std::string want = entry == expected.end() ? "" : entry->second;
      if (translation_of(map, key) != want) return "translation differs" + cut_note(read_size);
    }
  }
  return "";
}

std::string check_run(const Pair& pair) {
  std::string book = pair.book;
  if (pair.every_key_in_book) {
    for (const auto& entry : reference::vocabulary(pair.vocabulary)) book += " " + entry.first;
  }
  const std::string expected = reference::filtered_vocabulary(book, pair.vocabulary);
  const std::string fault = line_fault(expected);
  if (!fault.empty()) return "reference: " + fault;
  // In order, and at offsets in three parts of any size: the unit tests read
  // in one and two parts too, which would halve the fuzzer's speed here.
  for (const Reading& reading : {kReadings[0], kReadings[3]}) {
    for (std::size_t read_size : kReadSizes) {
      InputFile book_input = memory_input(book, reading.kind, read_size);
      BookWordSet words;
      if (!collect_book_words(book_input, words, reading.options()).ok()) {
        return "reading memory failed";
      }
      // The map is made for the words the book has.
      VocabularyMap map(words);
      InputFile vocabulary_input = memory_input(pair.vocabulary, reading.kind, read_size);
      MemoryByteSink out;
      if (!read_vocabulary(vocabulary_input, map, reading.options()).ok() ||
          !write_filtered_vocabulary(words, map, out).ok()) {
        return "reading or writing memory failed" + cut_note(read_size);
      }
      if (out.bytes() != expected) {
        return "output differs" + cut_note(read_size) + ", " + describe(reading);
      }
    }
  }
  return "";
}

namespace {

// The words of `raw_book` with their cards' contexts, read as `reading`
// says: in order, kept as the book is read once; at offsets, numbered in the
// first reading and found in a second, as the program does each.
Status real_contexts(const std::string& raw_book, const Reading& reading, std::size_t read_size,
                     BookWordSet& words, std::vector<BookWordSet::WordId>& keys,
                     std::vector<Context>& contexts) {
  words.count_occurrences();
  InputFile book = memory_input(raw_book, reading.kind, read_size);
  if (reading.kind == InputKind::kInOrder) {
    FirstSentences first;
    BookWordCollector collector(words);
    SentenceSplitter sentences(collector.part_separator(), [&](const SentencePiece& sentence) {
      first.add_sentence(sentence);
    });
    TeeReader both(collector, sentences);
    Status status = read_book_text(book, BookFormat::kText, both, PartOptions{1}, nullptr);
    if (!status.ok()) return status;
    for (BookWordSet::WordId id = 0; id < words.size(); ++id) keys.push_back(id);
    contexts = first.contexts(words, {}, keys);
    return Status();
  }
  FirstSentenceNumbers numbers(words);
  Status status = read_book_text(book, BookFormat::kText, numbers, reading.options(), nullptr);
  if (!status.ok()) return status;
  const std::vector<std::uint64_t> first_sentences = numbers.take_numbers();
  for (BookWordSet::WordId id = 0; id < words.size(); ++id) keys.push_back(id);
  KeyContexts found(words, {}, keys, first_sentences);
  SentenceSplitter sentences(
      BookWordCollector::kPartSeparator,
      [&](const SentencePiece& sentence) { found.add_sentence(sentence); },
      [&](std::uint64_t number) { return found.wants(number); });
  InputFile again = memory_input(raw_book, reading.kind, read_size);
  status = read_book_text(again, BookFormat::kText, sentences, PartOptions{1}, nullptr);
  if (!status.ok()) return status;
  contexts = found.take_contexts();
  return Status();
}

// Whether a hyphen may join a word across a sentence's end: "ex-." at a
// line's end. The book's words then differ from its sentences' own words,
// and the first sentence "holding" the word has no single answer.
bool may_join_across_a_sentence_end(const std::string& text) {
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    if (at == 0 || std::string(".!?").find(text[at - 1]) == std::string::npos) continue;
    std::size_t before = at - 1;
    while (before > 0 && std::string("():;.\",?!/").find(text[before - 1]) != std::string::npos) {
      --before;
    }
    if (before > 0 && text[before - 1] == '-') return true;
  }
  return false;
}

}  // namespace

std::string check_contexts(const std::string& raw_book) {
  if (may_join_across_a_sentence_end(reference::as_text(raw_book))) return "";
  const std::map<std::string, reference::CardContext> expected = reference::card_contexts(raw_book);
  for (const Reading& reading : {kReadings[0], kReadings[3]}) {
    for (std::size_t read_size : kReadSizes) {
      BookWordSet words;
      std::vector<BookWordSet::WordId> keys;
      std::vector<Context> contexts;
      if (!real_contexts(raw_book, reading, read_size, words, keys, contexts).ok()) {
        return "reading memory failed";
      }
      const std::string where = cut_note(read_size) + ", " + describe(reading);
      for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string word(words.word(keys[i]));
        const auto want = expected.find(word);
        if (word.empty()) continue;
        // A word in no sentence has no context.
        const std::string want_text = want == expected.end() ? "" : want->second.text;
        const std::size_t want_place =
            want == expected.end() ? std::string::npos : want->second.place;
        if (contexts[i].text != want_text) {
          return "context of " + word + " differs" + where + ": [" + contexts[i].text + "], not [" +
                 want_text + "]";
        }
        if (contexts[i].place != want_place) {
          return "place of " + word + " in its context differs" + where;
        }
      }
    }
  }
  return "";
}

std::string check_dictionary(const Pair& pair) {
  if (!check_word_list(pair.vocabulary, pair.vocabulary.size()).ok() ||
      !check_affix_file(pair.book).ok()) {
    return "";
  }
  const DictionaryText text{{"fuzz.aff", "fuzz.dic"}, pair.book, {pair.vocabulary}};
  std::unique_ptr<StemmerMaker> maker;
  if (!hunspell_stemmer_maker(text, &maker).ok()) return "";
  const std::unique_ptr<Stemmer> stemmer = maker->make();
  // The words of the list itself, as a book would hold them, and a few more.
  std::vector<std::string> words = {"houses", "h\xC3\xA4user", "", "a", "\xFF"};
  for (const std::string& word : reference::book_words(pair.vocabulary)) {
    if (words.size() < 64) words.push_back(word.substr(0, word.find('/')));
  }
  for (const std::string& word : words) {
    std::vector<std::string> stems;
    stemmer->add_stems(word, stems);
    for (const std::string& stem : stems) {
      std::string in_utf8;
      if (!to_dictionary_encoding(stem, DictionaryEncoding::kUtf8, &in_utf8) && !stem.empty() &&
          stem.find('\0') == std::string::npos) {
        return "a stem is not UTF-8";
      }
      for (const char byte : stem) {
        if (byte >= 'A' && byte <= 'Z') return "a stem holds a capital";
      }
    }
  }
  return "";
}

std::string check_epub(const std::string& raw_book) {
  const MemoryFile file(raw_book);
  if (!is_epub(file)) return "";
  BookWordSet words;
  BookWordCollector collector(words);
  const Status status = read_epub_text(file, collector);
  if (!status.ok() && status.reason().rfind("not a readable EPUB: ", 0) != 0) {
    return "an unreadable EPUB without the reason: " + status.reason();
  }
  return "";
}

std::string check_dictd(const std::string& raw) {
  const std::size_t split = std::min(raw.find('\0'), raw.size());
  const std::string index = raw.substr(0, split);
  const std::string data = split < raw.size() ? raw.substr(split + 1) : std::string();
  const bool compressed = data.size() >= 2 && data[0] == '\x1f' && data[1] == '\x8b';
  std::string results[2];
  for (const unsigned threads : {1u, 3u}) {
    BookWordSet words;
    for (const char* word : {"go", "went", "house", "x-ray", "\xC3\x84gypten", "it's", "a"}) {
      insert_word(words, word);
    }
    // The index's own headwords, so that its rows are taken.
    for (std::size_t at = 0, lines = 0; at < index.size() && lines < 64; ++lines) {
      const std::size_t end = std::min(index.find('\n', at), index.size());
      insert_word(words, index.substr(at, std::min(index.find('\t', at), end) - at));
      at = end + 1;
    }
    VocabularyMap map(words);
    const MemoryFile data_file(data, threads == 1 ? 4096 : 7);
    InputFile index_file = memory_input(
        index, threads == 1 ? InputKind::kInOrder : InputKind::kAtOffsets, threads == 1 ? 4096 : 3);
    const Status status =
        read_dictd_vocabulary(index_file, data_file, compressed, PartOptions{threads, 1}, map);
    std::string& result = results[threads == 1 ? 0 : 1];
    if (!status.ok()) {
      if (status.reason().rfind("not a readable dictd dictionary: ", 0) != 0) {
        return "an unreadable dictionary without the reason: " + status.reason();
      }
      result = status.reason();
      continue;
    }
    for (BookWordSet::WordId id = 0; id < words.size(); ++id) {
      result += std::string(words.word(id)) + "|" + std::string(map.translation(id)) + "\n";
    }
  }
  if (results[0] != results[1]) return "threads or read sizes change the result";
  return "";
}

bool is_utf8(const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    if ((byte >= 0x80 && byte < 0xC2) || byte > 0xF4 || at + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

std::string check_html(const std::string& raw) {
  std::string texts[2];
  for (const int round : {0, 1}) {
    const std::size_t piece = round == 0 ? raw.size() : 7;
    TextCapture capture;
    PlainTextLines lines(capture);
    {
      TextBudget budget(TextBudget::for_archive(0));
      HtmlText text(lines, budget);
      for (std::size_t at = 0; at < raw.size(); at += std::max<std::size_t>(piece, 1)) {
        if (!text.parse(std::string_view(raw).substr(at, piece), false).ok()) return "";
      }
      if (!text.parse("", true).ok()) return "";
    }
    lines.flush();
    texts[round] = capture.text();
  }
  if (texts[0] != texts[1]) return "the read size changes the text";
  if (!is_utf8(texts[0])) return "the text is not UTF-8";
  return "";
}

std::string check_subtitles(const std::string& raw) {
  std::string texts[2];
  for (const int round : {0, 1}) {
    const std::size_t piece = round == 0 ? raw.size() : 5;
    TextCapture capture;
    SubtitleText text(capture);
    for (std::size_t at = 0; at < raw.size(); at += std::max<std::size_t>(piece, 1)) {
      text.add(std::string_view(raw).substr(at, piece));
    }
    text.finish();
    texts[round] = capture.text();
  }
  if (texts[0] != texts[1]) return "the read size changes the text";
  return "";
}

std::string check_fiction_book(const std::string& raw) {
  const MemoryFile file(raw);
  BookWordSet words;
  BookWordCollector collector(words);
  const Status status = read_fiction_book(file, collector);
  if (!status.ok() && status.reason().rfind("not a readable FictionBook: ", 0) != 0) {
    return "an unreadable FictionBook without the reason: " + status.reason();
  }
  return "";
}

std::string check(Target target, const std::uint8_t* data, std::size_t size) {
  switch (target) {
    case Target::kBook:
      return check_book(std::string(reinterpret_cast<const char*>(data), size));
    case Target::kContexts:
      return check_contexts(std::string(reinterpret_cast<const char*>(data), size));
    case Target::kVocabulary:
      return check_vocabulary(split_input(data, size));
    case Target::kRun:
      return check_run(split_input(data, size));
    case Target::kDictionary:
      return check_dictionary(split_input(data, size));
    case Target::kEpub:
      return check_epub(std::string(reinterpret_cast<const char*>(data), size));
    case Target::kDictd:
      return check_dictd(std::string(reinterpret_cast<const char*>(data), size));
    case Target::kHtml:
      return check_html(std::string(reinterpret_cast<const char*>(data), size));
    case Target::kSubtitles:
      return check_subtitles(std::string(reinterpret_cast<const char*>(data), size));
    case Target::kFictionBook:
      return check_fiction_book(std::string(reinterpret_cast<const char*>(data), size));
  }
  return "unknown target";
}

}  // namespace harness
}  // namespace lexicull
