#include "reference.h"

#include <algorithm>
#include <vector>

namespace lexicull {
namespace reference {
namespace {

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
  std::vector<std::string> chunks = split(as_text(raw_book), ' ');
  // What follows the last space is a chunk only if something is there.
  if (chunks.back().empty()) chunks.pop_back();
  std::map<std::string, std::uint64_t> words;
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
        ++words[current];
        current = lines[i];
      }
    }
    ++words[current];
  }
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

}  // namespace reference
}  // namespace lexicull
