// Finding a hunspell dictionary and checking it before libhunspell sees it.
// The library trusts its files: a count that promises more entries than
// follow, or a word list that counts more words than it could hold, makes
// it read past its tables or reserve gigabytes. So the affix file's tables
// are checked as the library reads them (twice, with different tables), the
// word list's first line is checked against the file's size, and the files
// are read in blocks of bounded size before they are handed over.
#include "stem/dictionary_files.h"

#include <algorithm>
#include <vector>

#include "base/file_range.h"

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

bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The number at the start of `text` as C's atoi reads it: white space as
// isspace has it in the C locale, a sign, digits. Clamped to [-1, cap + 1],
// so that a long run of digits, which atoi would overflow, counts as too
// large.
std::int64_t number_as_atoi_reads(std::string_view text, std::int64_t cap) {
  std::size_t at = 0;
  while (at < text.size() && is_c_space(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  std::int64_t number = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    number = number * 10 + (text[at] - '0');
    if (number > cap) return negative ? -1 : cap + 1;
  }
  return negative && number > 0 ? -1 : number;
}

// The lines of a file as the library reads them: split at line feeds, a
// carriage return at the end dropped.
std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t begin = 0; begin < text.size();) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    begin = end + 1;
  }
  return lines;
}

// The pieces of a line as the library splits it: at spaces and tabs only.
std::vector<std::string_view> pieces_of(std::string_view line) {
  std::vector<std::string_view> pieces;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t begin = line.find_first_not_of(" \t", at);
    if (begin == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t", begin), line.size());
    pieces.push_back(line.substr(begin, end - begin));
    at = end;
  }
  return pieces;
}

bool starts_with(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// A table of the affix file: the start of the line that opens it, and
// which piece of that line is its count. Its entries follow it, each a line
// that starts with the same keyword, except affix entries, which the
// library takes from any line of four pieces or more.
struct Table {
  std::string_view keyword;
  std::size_t count_piece;
  bool space_after_keyword;  // the library wants one, as in "AF 2"
};

// The library reads the affix file twice, each time with tables of its own:
// first the word list's manager, then the affix manager.
constexpr Table kWordTables[] = {{"AF", 1, true}, {"AM", 1, true}, {"REP", 1, false}};
constexpr Table kAffixTables[] = {
    {"ICONV", 1, false},        {"OCONV", 1, false},
    {"PHONE", 1, false},        {"CHECKCOMPOUNDPATTERN", 1, false},
    {"COMPOUNDRULE", 1, false}, {"MAP", 1, false},
    {"BREAK", 1, false},        {"PFX", 3, false},
    {"SFX", 3, false},
};

bool is_affix_table(const Table& table) { return table.count_piece == 3; }

// Checks the tables of one reading of the affix file.
template <std::size_t kCount>
Status check_tables(const std::vector<std::string_view>& lines, const Table (&tables)[kCount]) {
  for (std::size_t at = 0; at < lines.size(); ++at) {
    const std::string_view line = lines[at];
    const Table* table = nullptr;
    for (const Table& candidate : tables) {
      if (starts_with(line, candidate.keyword) &&
          (!candidate.space_after_keyword || (line.size() > candidate.keyword.size() &&
                                              is_c_space(line[candidate.keyword.size()])))) {
        table = &candidate;
        break;
      }
    }
    if (table == nullptr) continue;
    const std::vector<std::string_view> pieces = pieces_of(line);
    const std::string_view count_text =
        table->count_piece < pieces.size() ? pieces[table->count_piece] : std::string_view();
    const std::int64_t entries_after = static_cast<std::int64_t>(lines.size() - at - 1);
    const std::int64_t count = number_as_atoi_reads(count_text, entries_after);
    // The library gives up on the file at a count below one.
    if (count < 1) return Status();
    // Only lines that the library would take as entries count.
    std::int64_t entries = 0;
    while (entries < count && entries < entries_after) {
      const std::string_view entry = lines[at + 1 + static_cast<std::size_t>(entries)];
      const std::vector<std::string_view> entry_pieces = pieces_of(entry);
      const bool is_entry =
          is_affix_table(*table)
              ? entry_pieces.size() >= 4
              : !entry_pieces.empty() && starts_with(entry_pieces[0], table->keyword);
      if (!is_entry) break;
      ++entries;
    }
    if (entries < count) {
      return Status::failure("not a hunspell affix file (line " + std::to_string(at + 1) + ": " +
                             std::string(table->keyword) + " counts more entries than follow it)");
    }
    at += static_cast<std::size_t>(count);
  }
  return Status();
}

}  // namespace

Status check_affix_file(std::string_view affixes) {
  const std::vector<std::string_view> lines = lines_of(affixes);
  Status status = check_tables(lines, kWordTables);
  if (status.ok()) status = check_tables(lines, kAffixTables);
  return status;
}

Status check_word_list(std::string_view start, std::uint64_t size) {
  std::string_view first_line = start.substr(0, start.find('\n'));
  if (starts_with(first_line, "\xEF\xBB\xBF")) first_line.remove_prefix(3);
  const auto most =
      static_cast<std::int64_t>(std::min<std::uint64_t>(size, kLargestDictionaryFile));
  const std::int64_t count = number_as_atoi_reads(first_line, most);
  if (count < 1) {
    return Status::failure("not a hunspell word list (its first line must count its words)");
  }
  // Every word takes a byte and a line end at least; the count is only
  // approximate, so it may say up to twice that.
  if (count > most) {
    return Status::failure("not a hunspell word list (it counts more words than it can hold)");
  }
  return Status();
}

namespace {

Status too_large() {
  return Status::failure("too large for a hunspell dictionary (more than " +
                         std::to_string(kLargestDictionaryFile >> 20) + " MiB)");
}

// All of `file`, at most kLargestDictionaryFile bytes, in blocks of at most
// kBlockSize: a large block, once freed, would make the allocator keep more
// memory for the rest of the run (glibc raises its threshold for mapping
// blocks of their own to the size of the largest one freed).
constexpr std::size_t kBlockSize = 64 * 1024;
Status read_blocks(const RandomAccessFile& file, std::vector<std::string>* blocks) {
  if (file.size() > kLargestDictionaryFile) return too_large();
  blocks->clear();
  std::uint64_t have = 0;
  for (;;) {
    blocks->emplace_back(kBlockSize, '\0');
    std::string& block = blocks->back();
    std::size_t filled = 0;
    const Status status = read_fully_at(file, have, reinterpret_cast<unsigned char*>(&block[0]),
                                        block.size(), &filled);
    if (!status.ok()) return status;
    block.resize(filled);
    have += filled;
    if (have > kLargestDictionaryFile) return too_large();
    if (filled < kBlockSize) break;
  }
  if (blocks->back().empty()) blocks->pop_back();
  return Status();
}

// The whole of `file`, at most kLargestDictionaryFile bytes.
Status read_whole(const RandomAccessFile& file, std::string* bytes) {
  std::vector<std::string> blocks;
  const Status status = read_blocks(file, &blocks);
  if (!status.ok()) return status;
  bytes->clear();
  for (const std::string& block : blocks) bytes->append(block);
  return Status();
}

Status about(const std::string& path, const Status& status) {
  return status.ok() ? status : Status::failure(path + ": " + status.reason());
}

}  // namespace

Status find_dictionary(std::string_view name, const DictionarySearch& search,
                       const OpenRegularFile& open, DictionaryText* text) {
  const std::vector<DictionaryFiles> candidates =
      dictionary_candidates(name, search.search_path, search.separator, search.system_folders);
  std::string tried;
  for (const DictionaryFiles& files : candidates) {
    std::unique_ptr<RandomAccessFile> words;
    Status status = open(files.words, &words);
    // A path names one pair of files: say what is wrong with it.
    if (!status.ok() && candidates.size() > 1) {
      tried += (tried.empty() ? "" : ", ") + files.words;
      continue;
    }
    text->files = files;
    if (status.ok()) status = read_blocks(*words, &text->words);
    if (status.ok()) {
      std::uint64_t size = 0;
      for (const std::string& block : text->words) size += block.size();
      status = check_word_list(text->words.empty() ? "" : text->words[0], size);
    }
    if (!status.ok()) return about(files.words, status);
    std::unique_ptr<RandomAccessFile> affixes;
    status = open(files.affixes, &affixes);
    if (status.ok()) status = read_whole(*affixes, &text->affixes);
    if (status.ok()) status = check_affix_file(text->affixes);
    return about(files.affixes, status);
  }
  return Status::failure(std::string(name) + ": " +
                         (tried.empty()
                              ? "no such hunspell dictionary (DICPATH names no folder to "
                                "look in: name its .dic file instead)"
                              : "no such hunspell dictionary (looked for " + tried + ")"));
}

}  // namespace lexicull
