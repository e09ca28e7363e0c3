#include "stem/dictionary_files.h"

#include <gtest/gtest.h>

#include <map>

#include "testing/test_support.h"

namespace lexicull {
namespace {

std::vector<std::string> word_lists(const std::vector<DictionaryFiles>& candidates) {
  std::vector<std::string> names;
  for (const DictionaryFiles& files : candidates) {
    EXPECT_EQ(files.affixes.substr(0, files.affixes.size() - 4),
              files.words.substr(0, files.words.size() - 4));
    names.push_back(files.words);
  }
  return names;
}

TEST(DictionaryCandidates, ANameInTheSearchPathThenTheSystemFoldersAPathAsItIs) {
  const std::vector<std::string> system = {"/usr/share/hunspell", "/usr/share/myspell"};
  const struct {
    std::string name, search_path;
    std::vector<std::string> words;
  } cases[] = {
      {"de_DE", "", {"/usr/share/hunspell/de_DE.dic", "/usr/share/myspell/de_DE.dic"}},
      {"de_DE",
       "/a::b/",
       {"/a/de_DE.dic", "b//de_DE.dic", "/usr/share/hunspell/de_DE.dic",
        "/usr/share/myspell/de_DE.dic"}},
      {"de.dic", "/a", {"de.dic"}},
      {"./de", "/a", {"./de.dic"}},
      {"dicts\\de", "", {"dicts\\de.dic"}},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(word_lists(dictionary_candidates(test.name, test.search_path, ':', system)),
              test.words)
        << test.name << " in " << test.search_path;
  }
}

// Each count as the library's atoi reads it: leading white space as C's
// isspace has it, a sign, digits, and whatever follows.
TEST(DictionaryChecks, CountsAreReadAsTheLibraryReadsThemAndBoundedByTheFile) {
  const struct {
    std::string file;
    bool affixes;  // an .aff file, else a .dic
    bool accepted;
  } cases[] = {
      {"3\nHaus/S\nx\ny\n", false, true},
      {"\xEF\xBB\xBF"
       "2 \r\nx\ny\n",
       false, true},
      {" 1\nHaus\n", false, true},
      {"\v+1\nHaus\n", false, true},
      {"01\nHaus\n", false, true},
      {"2\na\nb\n", false, true},
      {"9\na\nb\n", false, false},  // more words than bytes
      {"+2000000000\nx\n", false, false},
      {"88888888888888888888888888\nx\n", false, false},
      {"0\nHaus\n", false, false},  // no words, yet it holds some
      {"-1\nHaus\n", false, false},
      {"", false, false},
      {"Haus/S\n", false, false},
      {"SET UTF-8\nSFX S Y 2\nSFX S 0 es .\nSFX S 0 s .\n", true, true},
      {"SFX S Y 1\nSFX S 0 99\n", true, true},  // an affix with no condition
      {"SFX N 0 99999999 .\n", true, false},    // a header wherever it stands
      {"FLAG num\nSFX 12 Y 1\nSFX 12 0 s .\nPFX 7 N 1\nPFX 7 0 un .\n", true, true},
      {"REP 2\nREP a b\nREP c d\nMAP 1\nMAP aä\n", true, true},
      {"REP 0\nREP 99999999\n", true, true},  // the library gives up at REP 0
      {"SFX S Y 99999999\nSFX S 0 s .\n", true, false},
      {"SFX S Y 2\nSFX S 0 s .\n", true, false},
      {"REP 2147483647\n", true, false},
      {"REP +100000000\nREP a b\n", true, false},
      {"REP \v2000000000\n", true, false},
      {"REP\v2000000000\n", true, true},  // one piece: no count, no table
      {"MAP \f3\nMAP ab\nMAP cd\n", true, false},
      {"BREAK 3\nBREAK -\nBREAK x\n\n", true, false},  // entries end at the empty line
      {"COMPOUNDRULE 2\nCOMPOUNDRULE a\nREP x y\n", true, false},
      {"CHECKCOMPOUNDPATTERN 888888888888888888888888\n", true, false},
      {"AF 2\nAF A\n", true, false},
      {"AFX 99\n", true, true},  // not the AF table
      {"SFX A Y 1\nSFX A 0 s .\nREP 1\nSFX B Y 1\n", true, false},
  };
  for (const auto& test : cases) {
    const Status status =
        test.affixes ? check_affix_file(test.file) : check_word_list(test.file, test.file.size());
    EXPECT_EQ(status.ok(), test.accepted)
        << testing::PrintToString(test.file) << " " << status.reason();
  }
}

// Files in memory, opened as the platform opens dictionary files.
class MemoryFolder {
 public:
  void add(const std::string& path, std::string bytes) { files_[path] = std::move(bytes); }
  OpenRegularFile opener() {
    return [this](const std::string& path, std::unique_ptr<RandomAccessFile>* file) {
      ++opened_[path];
      const auto found = files_.find(path);
      if (found == files_.end()) return Status::failure("No such file or directory");
      if (found->second == "FIFO") return Status::failure("not a regular file");
      file->reset(new MemoryFile(found->second, 7));
      return Status();
    };
  }
  std::map<std::string, int> opened_;

 private:
  std::map<std::string, std::string> files_;
};

TEST(FindDictionary, ReadsEachFileOnceAndNamesTheOneThatIsWrong) {
  const std::string words = "2\nHaus/S\nMaus\n";
  const std::string affixes = "SET UTF-8\nSFX S Y 1\nSFX S 0 e .\n";
  // Read in several blocks, which must join up again.
  const std::string long_words = "1\n" + std::string(200000, 'w') + "\n";
  const struct {
    std::string name;
    std::vector<std::pair<std::string, std::string>> files;
    std::string reason;  // "" when found
  } cases[] = {
      {"de", {{"/b/de.dic", words}, {"/b/de.aff", affixes}}, ""},
      {"de", {{"/b/de.dic", long_words}, {"/b/de.aff", affixes}}, ""},
      {"de", {{"/a/de.dic", words}, {"/a/de.aff", affixes}, {"/b/de.dic", "x"}}, ""},
      {"de", {{"/a/de.dic", "FIFO"}, {"/b/de.dic", words}, {"/b/de.aff", affixes}}, ""},
      {"de", {}, "de: no such hunspell dictionary (looked for /a/de.dic, /b/de.dic)"},
      {"/a/de.dic", {{"/a/de.dic", "FIFO"}}, "/a/de.dic: not a regular file"},
      {"/a/de", {{"/a/de.dic", words}}, "/a/de.aff: No such file or directory"},
      {"de", {{"/a/de.dic", "0\nHaus\n"}}, "/a/de.dic: not a hunspell word list"},
      {"de", {{"/a/de.dic", words}, {"/a/de.aff", "REP 9\n"}}, "/a/de.aff: not a hunspell affix"},
      {"de",
       {{"/a/de.dic", std::string(kLargestDictionaryFile + 1, '1')}},
       "/a/de.dic: too large for a hunspell dictionary (more than 32 MiB)"},
  };
  for (const auto& test : cases) {
    MemoryFolder folder;
    for (const auto& [path, bytes] : test.files) folder.add(path, bytes);
    DictionarySearch search;
    search.search_path = "/a";
    search.system_folders = {"/b"};
    DictionaryText text;
    const Status status = find_dictionary(test.name, search, folder.opener(), &text);
    EXPECT_EQ(status.reason().substr(0, test.reason.size()), test.reason) << test.name;
    if (!test.reason.empty()) continue;
    std::string joined;
    for (const std::string& block : text.words) joined += block;
    for (const auto& [path, bytes] : test.files) {
      if (path == text.files.words) {
        EXPECT_EQ(joined, bytes) << test.name;
      }
    }
    EXPECT_EQ(text.affixes, affixes);
    EXPECT_EQ(folder.opened_[text.files.words], 1);
    EXPECT_EQ(folder.opened_[text.files.affixes], 1);
  }
}

}  // namespace
}  // namespace lexicull
