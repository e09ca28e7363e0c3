#include "stem/dictionary_files.h"

#include <algorithm>
#include <vector>

namespace lexicull {
namespace {

constexpr std::string_view kWordListEnding = ".dic";

bool ends_with(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

}  // namespace

std::vector<DictionaryFiles> dictionary_candidates(std::string_view name,
                                                   std::string_view search_path, char separator,
                                                   const std::vector<std::string>& system_folders) {
  if (name.find_first_of("/\\") != std::string_view::npos || ends_with(name, kWordListEnding)) {
    const std::string_view base = ends_with(name, kWordListEnding)
                                      ? name.substr(0, name.size() - kWordListEnding.size())
                                      : name;
    return {DictionaryFiles{std::string(base) + ".aff", std::string(base) + ".dic"}};
  }
  std::vector<std::string> folders;
  while (!search_path.empty()) {
    const std::size_t end = search_path.find(separator);
    const std::string_view folder = search_path.substr(0, end);
    if (!folder.empty()) folders.emplace_back(folder);
    if (end == std::string_view::npos) break;
    search_path.remove_prefix(end + 1);
  }
  folders.insert(folders.end(), system_folders.begin(), system_folders.end());
  std::vector<DictionaryFiles> candidates;
  for (const std::string& folder : folders) {
    const std::string base = folder + "/" + std::string(name);
    candidates.push_back(DictionaryFiles{base + ".aff", base + ".dic"});
  }
  return candidates;
}

namespace {

// The fields of a line, split at spaces and tabs.
std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t begin = line.find_first_not_of(" \t\r", at);
    if (begin == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t\r", begin), line.size());
    fields.push_back(line.substr(begin, end - begin));
    at = end;
  }
  return fields;
}

// The number that `field` starts with, as the library's atoi reads it; at
// most `cap` + 1, so that a long run of digits cannot overflow (unless `cap`
// is the largest number there is, which leaves it unchecked).
std::uint64_t leading_number(std::string_view field, std::uint64_t cap) {
  std::uint64_t number = 0;
  for (std::size_t i = 0; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
    number = number * 10 + static_cast<std::uint64_t>(field[i] - '0');
    if (number > cap) return cap + 1;
  }
  return number;
}

}  // namespace

Status check_affix_file(std::string_view affixes) {
  // The library recognises a table by the start of its line alone.
  static constexpr std::string_view kTables[] = {
      "REP",         "MAP", "BREAK", "PHONE", "ICONV", "OCONV", "AF", "AM", "CHECKCOMPOUNDPATTERN",
      "COMPOUNDRULE"};
  const std::uint64_t lines =
      static_cast<std::uint64_t>(std::count(affixes.begin(), affixes.end(), '\n') + 1);
  for (std::size_t begin = 0; begin < affixes.size();) {
    const std::size_t end = std::min(affixes.find('\n', begin), affixes.size());
    const std::vector<std::string_view> fields = fields_of(affixes.substr(begin, end - begin));
    begin = end + 1;
    if (fields.empty()) continue;
    std::string_view count;
    if ((fields[0].substr(0, 3) == "PFX" || fields[0].substr(0, 3) == "SFX") &&
        fields.size() == 4) {
      count = fields[3];  // a header: flag, cross product, count
    } else if (fields.size() >= 2) {
      for (const std::string_view table : kTables) {
        if (fields[0].substr(0, table.size()) == table) count = fields[1];
      }
    }
    if (leading_number(count, lines) > lines) {
      return Status::failure(
          "not a hunspell affix file (a table counts more entries than it has lines)");
    }
  }
  return Status();
}

Status check_word_list_start(std::string_view start, std::uint64_t size) {
  if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
  // The library itself reads the count with atoi and takes anything after it.
  if (start.empty() || start[0] < '0' || start[0] > '9') {
    return Status::failure("not a hunspell word list (its first line must be its word count)");
  }
  // Every word takes a byte and a line end at least; the count is only
  // approximate, so it may say up to twice that.
  if (leading_number(start, size) > size) {
    return Status::failure("not a hunspell word list (it counts more words than it can hold)");
  }
  return Status();
}

}  // namespace lexicull
