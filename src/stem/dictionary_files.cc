#include "stem/dictionary_files.h"

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

Status check_word_list_start(std::string_view start) {
  if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
  // The library itself reads the count with atoi and takes anything after it.
  if (start.empty() || start[0] < '0' || start[0] > '9') {
    return Status::failure("not a hunspell word list (its first line must be its word count)");
  }
  return Status();
}

}  // namespace lexicull
