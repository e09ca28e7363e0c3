#include "stem/dictionary_files.h"

#include <gtest/gtest.h>

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

TEST(DictionaryCandidates, AWordListBeginsWithItsWordCount) {
  EXPECT_TRUE(check_word_list_start("3\nHaus/S\n").ok());
  EXPECT_TRUE(check_word_list_start("\xEF\xBB\xBF"
                                    "12 \r\nx\n")
                  .ok());
  EXPECT_FALSE(check_word_list_start("").ok());
  EXPECT_FALSE(check_word_list_start("Haus/S\n").ok());
  EXPECT_FALSE(check_word_list_start("SET UTF-8\n").ok());
  // A count the file has no room for, which would have the library make a
  // table of gigabytes.
  EXPECT_TRUE(check_word_list_start("2\na\nb\n", 6).ok());
  EXPECT_FALSE(check_word_list_start("9\na\nb\n", 6).ok());
  EXPECT_FALSE(check_word_list_start("88888888888888888888888888\nx\n", 30).ok());
}

TEST(DictionaryCandidates, AnAffixFileCountsNoMoreEntriesThanItHasLines) {
  EXPECT_TRUE(check_affix_file("SET UTF-8\nSFX S Y 2\nSFX S 0 es .\nSFX S 0 s .\n").ok());
  EXPECT_TRUE(check_affix_file("SFX N 0 99999999 .\n").ok());  // an entry, not a header
  EXPECT_FALSE(check_affix_file("SFX S Y 99999999\nSFX S 0 s .\n").ok());
  EXPECT_FALSE(check_affix_file("REP 2147483647\n").ok());
  EXPECT_FALSE(check_affix_file("MAPX 888888888888888888888888\n").ok());
}

}  // namespace
}  // namespace lexicull
