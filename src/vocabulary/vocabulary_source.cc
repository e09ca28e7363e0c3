#include "vocabulary/vocabulary_source.h"

#include <string_view>

namespace lexicull {
namespace {

bool ends_with(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         std::string_view(text).substr(text.size() - suffix.size()) == suffix;
}

// The dictionary `stem`.index, when its data (`stem`.dict.dz or `stem`.dict)
// stands beside it.
bool dictionary_at(const std::string& stem, const FileExists& exists, VocabularySource* source) {
  if (!exists(stem + ".index")) return false;
  for (const bool compressed : {true, false}) {
    const std::string data = stem + (compressed ? ".dict.dz" : ".dict");
    if (exists(data)) {
      *source = VocabularySource{VocabularyFormat::kDictd, stem + ".index", data, compressed};
      return true;
    }
  }
  return false;
}

}  // namespace

Status find_vocabulary(const std::string& argument, const DictdSearch& search,
                       const FileExists& exists, VocabularySource* source) {
  *source = VocabularySource{VocabularyFormat::kLines, argument, "", false};
  if (argument == "-") return Status();
  if (ends_with(argument, ".dict.dz")) {
    const std::string stem = argument.substr(0, argument.size() - 8);
    if (!exists(stem + ".index")) {
      return Status::failure("not a readable dictd dictionary: no " + stem + ".index beside it");
    }
    *source = VocabularySource{VocabularyFormat::kDictd, stem + ".index", argument, true};
    return Status();
  }
  if (ends_with(argument, ".index") &&
      dictionary_at(argument.substr(0, argument.size() - 6), exists, source)) {
    return Status();
  }
  if (ends_with(argument, ".dict")) {
    const std::string stem = argument.substr(0, argument.size() - 5);
    if (exists(stem + ".index")) {
      *source = VocabularySource{VocabularyFormat::kDictd, stem + ".index", argument, false};
      return Status();
    }
  }
  if (exists(argument) || argument.find_first_of("/\\") != std::string::npos) return Status();
  std::vector<std::string> folders;
  for (std::size_t begin = 0; begin <= search.search_path.size();) {
    std::size_t end = search.search_path.find(search.separator, begin);
    if (end == std::string::npos) end = search.search_path.size();
    if (end > begin) folders.push_back(search.search_path.substr(begin, end - begin));
    begin = end + 1;
  }
  folders.insert(folders.end(), search.system_folders.begin(), search.system_folders.end());
  for (const std::string& folder : folders) {
    const bool ends_in_separator = folder.back() == '/' || folder.back() == '\\';
    if (dictionary_at(folder + (ends_in_separator ? "" : "/") + argument, exists, source)) {
      return Status();
    }
  }
  return Status();
}

}  // namespace lexicull
