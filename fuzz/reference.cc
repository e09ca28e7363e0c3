#include "reference.h"

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
  std::vector<std::string> chunks = split(as_text(raw_book), ' ');
  // What follows the last space is a chunk only if something is there.
  if (chunks.back().empty()) chunks.pop_back();
  std::set<std::string> words;
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
        words.insert(current);
        current = lines[i];
      }
    }
    words.insert(current);
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

}  // namespace reference
}  // namespace lexicull
