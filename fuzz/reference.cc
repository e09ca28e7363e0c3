#include "reference.h"

#include <algorithm>
#include <vector>

namespace lexicull {
namespace reference {
namespace {

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> pieces(1);
  for (char byte : text) {
    if (byte == separator) {
      pieces.emplace_back();
    } else {
      pieces.back() += byte;
    }
  }
  return pieces;
}

std::string lower_case(std::string text) {
  for (char& byte : text) {
    if (byte >= 'A' && byte <= 'Z') byte = static_cast<char>(byte + 32);
  }
  return text;
}

// The words of a piece of text by the book's rules: cut at spaces, the
// punctuation dropped, lower-cased, the lines of a chunk joined where one
// ends in its only hyphen.
std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> chunks = split(text, ' ');
  // What follows the last space is a chunk only if something is there.
  if (chunks.back().empty()) chunks.pop_back();
  std::vector<std::string> words;
  for (const std::string& chunk : chunks) {
    std::string word;
    for (char byte : lower_case(chunk)) {
      if (std::string("():;.\",?!/").find(byte) == std::string::npos) word += byte;
    }
    const std::vector<std::string> lines = split(word, '\n');
    std::string current = lines[0];
    for (std::size_t i = 1; i < lines.size(); ++i) {
      if (!current.empty() && current.find('-') == current.size() - 1) {
        current.pop_back();
        current += lines[i];
      } else {
        words.push_back(current);
        current = lines[i];
      }
    }
    words.push_back(current);
  }
  return words;
}

// A sentence ends at a space or line feed after '.', '!', '?' or U+2026, and
// at an empty line.
std::vector<std::string> sentences_of(const std::string& text) {
  std::vector<std::string> sentences(1);
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::string& current = sentences.back();
    const bool after_mark = ends_with(current, ".") || ends_with(current, "!") ||
                            ends_with(current, "?") || ends_with(current, "\xE2\x80\xA6");
    const bool breaks = text[at] == ' ' || text[at] == '\n';
    const bool empty_line = text[at] == '\n' && at > 0 && text[at - 1] == '\n';
    if ((after_mark && breaks) || empty_line) {
      sentences.emplace_back();
    } else {
      sentences.back() += text[at];
    }
  }
  return sentences;
}

// Line feeds as spaces, runs of spaces as one, none at the ends.
std::string as_shown(const std::string& sentence) {
  std::string shown;
  for (char byte : sentence) {
    if (byte == '\n') byte = ' ';
    if (byte == ' ' && (shown.empty() || shown.back() == ' ')) continue;
    shown += byte;
  }
  if (!shown.empty() && shown.back() == ' ') shown.pop_back();
  return shown;
}

bool is_word_byte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x80 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9');
}

CardContext context_of(const std::string& sentence, const std::string& word) {
  const std::string text = as_shown(sentence);
  const std::string lowered = lower_case(text);
  std::size_t place = std::string::npos;
  for (std::size_t at = 0; !word.empty() && at + word.size() <= text.size(); ++at) {
    if (lowered.compare(at, word.size(), word) != 0) continue;
    if (at > 0 && is_word_byte(text[at - 1])) continue;
    if (at + word.size() < text.size() && is_word_byte(text[at + word.size()])) continue;
    place = at;
    break;
  }
  CardContext context;
  constexpr std::size_t kWindow = 300, kSnap = 30;
  if (text.size() <= kWindow) {
    context.text = text;
    context.place = place;
    return context;
  }
  // 300 bytes centred on the word's middle, moved inside the sentence.
  const std::size_t middle = place == std::string::npos ? 0 : place + word.size() / 2;
  std::size_t begin = middle < kWindow / 2 ? 0 : middle - kWindow / 2;
  if (begin + kWindow > text.size()) begin = text.size() - kWindow;
  std::size_t end = begin + kWindow;
  auto continues = [&](std::size_t at) {
    return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
  };
  // Each cut end moves inward to the nearest space within 30 bytes, or else
  // to a character's start.
  if (begin > 0) {
    std::size_t space = begin;
    while (space <= begin + kSnap && space < end && text[space] != ' ') ++space;
    if (space <= begin + kSnap && space + 1 < end) {
      begin = space + 1;
    } else {
      while (begin < end && continues(begin)) ++begin;
    }
  }
  if (end < text.size()) {
    std::size_t space = end;
    while (space > begin && space + kSnap > end && text[space] != ' ') --space;
    if (text[space] == ' ' && space + kSnap >= end && space > begin) {
      end = space;
    } else {
      while (end > begin && continues(end)) --end;
    }
  }
  const std::string ellipsis = "\xE2\x80\xA6";
  context.text = (begin > 0 ? ellipsis : "") + text.substr(begin, end - begin) +
                 (end < text.size() ? ellipsis : "");
  if (place != std::string::npos && place >= begin && place + word.size() <= end) {
    context.place = place - begin + (begin > 0 ? ellipsis.size() : 0);
  }
  return context;
}

}  // namespace

std::string as_text(const std::string& raw) {
  std::string text = raw.compare(0, 3, "\xEF\xBB\xBF") == 0 ? raw.substr(3) : raw;
  text = text.substr(0, text.find('\x1A'));
  std::string without_cr;
  for (char byte : text) {
    if (byte != '\r') without_cr += byte;
  }
  return without_cr;
}

std::set<std::string> book_words(const std::string& raw_book) {
  std::set<std::string> words;
  for (const auto& [word, count] : book_word_counts(raw_book)) words.insert(word);
  return words;
}

std::map<std::string, std::uint64_t> book_word_counts(const std::string& raw_book) {
  std::map<std::string, std::uint64_t> words;
  for (const std::string& word : words_of(as_text(raw_book))) ++words[word];
  return words;
}

std::map<std::string, std::string> vocabulary(const std::string& raw_vocabulary) {
  std::vector<std::string> lines = split(as_text(raw_vocabulary), '\n');
  // The last line needs no line feed, but a final line feed starts no line.
  if (lines.back().empty()) lines.pop_back();
  std::map<std::string, std::string> entries;
  for (const std::string& line : lines) {
    const std::string lowered = lower_case(line);
    const std::size_t separator = lowered.find('|');
    if (separator == std::string::npos) {
      entries[lowered] = lowered;
    } else {
      entries[lowered.substr(0, separator)] = lowered.substr(separator + 1);
    }
  }
  return entries;
}

std::string filtered_vocabulary(const std::string& raw_book, const std::string& raw_vocabulary) {
  const std::map<std::string, std::string> entries = vocabulary(raw_vocabulary);
  std::string output;
  for (const std::string& word : book_words(raw_book)) {
    const auto entry = entries.find(word);
    if (entry != entries.end() && !entry->second.empty())
      output += word + "|" + entry->second + "\r\n";
  }
  return output;
}

std::set<std::string> known_words(const std::string& raw_known) {
  std::vector<std::string> lines = split(as_text(raw_known), '\n');
  std::set<std::string> words;
  for (const std::string& line : lines) {
    const std::string word = lower_case(line.substr(0, line.find_first_of("|\t")));
    if (!word.empty()) words.insert(word);
  }
  return words;
}

StudyResult study_list(const std::string& raw_book, const std::string& raw_vocabulary,
                       const StudyRequest& request,
                       const std::function<std::vector<std::string>(const std::string&)>& stems) {
  const std::map<std::string, std::uint64_t> counts = book_word_counts(raw_book);
  const std::map<std::string, std::string> entries = vocabulary(raw_vocabulary);
  std::set<std::string> known;
  for (const std::string& file : request.known) {
    for (const std::string& word : known_words(file)) known.insert(word);
  }
  // Every key a book word stands for: itself and its stems.
  std::map<std::string, std::set<std::string>> keys_of;
  std::set<std::string> known_book_words;
  for (const auto& [word, count] : counts) {
    keys_of[word].insert(word);
    for (const std::string& stem : stems(word)) keys_of[word].insert(stem);
    for (const std::string& key : keys_of[word]) {
      if (known.count(key) > 0) known_book_words.insert(word);
    }
  }
  std::map<std::string, std::uint64_t> key_counts;
  std::set<std::string> wanted;
  for (const auto& [word, keys] : keys_of) {
    for (const std::string& key : keys) {
      key_counts[key] += counts.at(word);
      if (known_book_words.count(word) == 0) wanted.insert(key);
    }
  }
  std::vector<std::pair<std::uint64_t, std::string>> ranked;  // count, key
  for (const std::string& key : wanted) {
    const auto entry = entries.find(key);
    if (known.count(key) > 0 || known_book_words.count(key) > 0 || entry == entries.end() ||
        entry->second.empty()) {
      continue;
    }
    ranked.emplace_back(key_counts[key], key);
  }
  std::sort(ranked.begin(), ranked.end(), [](const auto& left, const auto& right) {
    return left.first != right.first ? left.first > right.first : left.second < right.second;
  });

  StudyResult result;
  std::set<std::string> covered;
  auto is_running = [](const std::string& word) {
    for (const char c : word) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x80 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')) return true;
    }
    return false;
  };
  for (const auto& [word, count] : counts) {
    if (!is_running(word)) continue;
    ++result.distinct;
    result.running += count;
    if (known_book_words.count(word) > 0) {
      result.known += count;
      covered.insert(word);
    }
  }
  result.covered = result.known;
  std::vector<std::string> kept;
  for (const auto& [count, key] : ranked) {
    if (request.top && kept.size() >= *request.top) break;
    if (request.coverage && result.covered * 10000 >= *request.coverage * result.running) break;
    kept.push_back(key);
    for (const auto& [word, keys] : keys_of) {
      if (keys.count(key) > 0 && is_running(word) && covered.insert(word).second) {
        result.covered += counts.at(word);
      }
    }
  }
  result.lines = kept.size();
  if (!request.by_frequency) std::sort(kept.begin(), kept.end());
  for (const std::string& key : kept) result.output += key + "|" + entries.at(key) + "\r\n";
  return result;
}

std::map<std::string, CardContext> card_contexts(const std::string& raw_book) {
  std::map<std::string, CardContext> contexts;
  for (const std::string& sentence : sentences_of(as_text(raw_book))) {
    if (sentence.empty()) continue;
    for (const std::string& word : words_of(sentence)) {
      if (contexts.count(word) == 0) contexts[word] = context_of(sentence, word);
    }
  }
  return contexts;
}

}  // namespace reference
}  // namespace lexicull
