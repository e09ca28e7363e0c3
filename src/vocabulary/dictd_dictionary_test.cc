#include "vocabulary/dictd_dictionary.h"
#include "vocabulary/dictd_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "testing/test_support.h"
#include "vocabulary/unicode_folding.h"
#include "vocabulary/vocabulary_source.h"

namespace lexicull {
namespace {

TEST(DictdDictionary, NumbersWordsAndSensesAsDictdWritesThem) {
  const struct {
    std::string digits;
    bool ok;
    std::uint64_t value;
  } numbers[] = {{"A", true, 0},   {"B", true, 1},           {"/", true, 63},
                 {"BA", true, 64}, {"krTE", true, 9614532},  {"", false, 0},
                 {"A=", false, 0}, {"AAAAAAAAAAA", false, 0}};
  for (const auto& [digits, ok, value] : numbers) {
    std::uint64_t parsed = 0;
    EXPECT_EQ(parse_dictd_number(digits, &parsed), ok) << digits;
    if (ok) {
      EXPECT_EQ(parsed, value) << digits;
    }
  }
  const struct {
    std::string word, normal;
  } forms[] = {{"don't", "dont"},
               {"X-Ray", "xray"},
               {"\xC3\x84gypten", "\xC3\xA4gypten"},
               {"a lot", "a lot"},
               {"--", ""},
               {"caf\xE9", "caf\xE9"},
               {"\xC3\x9C"
                "ber!",
                "\xC3\xBC"
                "ber"},
               {"\xCE\xA3\xCE\x9F", "\xCF\x83\xCE\xBF"}};
  for (const auto& [word, normal] : forms) EXPECT_EQ(dictd_normal_form(word), normal) << word;
  const struct {
    std::string entry;
    std::vector<std::string> senses;
  } entries[] = {
      {"go <v>\n1. gehen\n      He went.\n2. fahren\n   Synonym: x\n see: {y}\n   Note: z\n",
       {"gehen", "fahren"}},
      {"house\r\n Haus <neut>\r\n\r\n   {n}\r\n    four\r\n\tTab\t \r\nHaus <neut>\r\n12.  x\n",
       {"Haus <neut>", "{n}", "Tab", "Haus <neut>", "x"}},
      {"only a headword", {}},
      {"h\n1. \n3.x\n", {"1.", "3.x"}},
  };
  for (const auto& [entry, expected] : entries) {
    std::string without_cr = entry;
    without_cr.erase(std::remove(without_cr.begin(), without_cr.end(), '\r'), without_cr.end());
    const std::vector<std::string_view> senses = dictd_senses(without_cr);
    EXPECT_EQ(std::vector<std::string>(senses.begin(), senses.end()), expected) << entry;
  }
  const struct {
    std::string entry, word;
    bool names;
  } firsts[] = {{"go /g/ (went /w/ <>, gone <>) <v>\nx", "went", true},
                {"its <pron>\nx", "it's", false},
                {"it's\nits", "its", false},
                {"Swordfish <n>\nsword", "sword", false},
                {"\xC3\x84gypten <prop>", "\xC3\xA4gypten", true},
                {"x-ray <n>", "ray", true}};
  for (const auto& [entry, word, names] : firsts) {
    EXPECT_EQ(holds_as_word(dictd_head_line(entry), word), names) << entry << " / " << word;
  }
}

TEST(DictdDictionary, TheArgumentChoosesTheReader) {
  const std::set<std::string> files = {"own.txt",     "d/a.index",     "d/a.dict.dz", "d/b.index",
                                       "d/b.dict",    "c.index",       "lone.dict",   "x.dict.dz",
                                       "sys/s.index", "sys/s.dict.dz", "env/s.index", "env/s.dict",
                                       "own",         "own.index",     "own.dict.dz"};
  const FileExists exists = [&](const std::string& path) { return files.count(path) > 0; };
  DictdSearch search;
  search.search_path = "nowhere:env";
  search.system_folders = {"sys"};
  const struct {
    std::string argument;
    VocabularyFormat format;
    std::string path, data;
  } cases[] = {
      {"-", VocabularyFormat::kLines, "-", ""},
      {"own.txt", VocabularyFormat::kLines, "own.txt", ""},
      {"d/a.dict.dz", VocabularyFormat::kDictd, "d/a.index", "d/a.dict.dz"},
      {"d/a.index", VocabularyFormat::kDictd, "d/a.index", "d/a.dict.dz"},
      {"d/b.index", VocabularyFormat::kDictd, "d/b.index", "d/b.dict"},
      {"d/b.dict", VocabularyFormat::kDictd, "d/b.index", "d/b.dict"},
      {"c.index", VocabularyFormat::kLines, "c.index", ""},
      {"lone.dict", VocabularyFormat::kLines, "lone.dict", ""},
      {"s", VocabularyFormat::kDictd, "env/s.index", "env/s.dict"},
      {"own", VocabularyFormat::kLines, "own", ""},
      {"d/s", VocabularyFormat::kLines, "d/s", ""},
      {"missing", VocabularyFormat::kLines, "missing", ""},
  };
  for (const auto& [argument, format, path, data] : cases) {
    VocabularySource source;
    ASSERT_TRUE(find_vocabulary(argument, search, exists, &source).ok()) << argument;
    EXPECT_EQ(source.format, format) << argument;
    EXPECT_EQ(source.path, path) << argument;
    EXPECT_EQ(source.data_path, data) << argument;
  }
  VocabularySource source;
  EXPECT_EQ(find_vocabulary("x.dict.dz", search, exists, &source).reason(),
            "not a readable dictd dictionary: no x.index beside it");
  search.search_path.clear();
  ASSERT_TRUE(find_vocabulary("s", search, exists, &source).ok());
  EXPECT_EQ(source.path, "sys/s.index");
}

// Reads the dictionary of `index` and plain `data` for `map`'s words, the
// index's first `early_blocks` blocks of 7 bytes (lines cut anywhere) read
// before the words were known.
Status read_dictionary(InputFile& index, const std::string& data, std::size_t early_blocks,
                       const PartOptions& options, VocabularyMap& map) {
  MemoryFile data_file(data);
  std::unique_ptr<EntryData> entries;
  const Status status = open_dictd_data(data_file, false, &entries);
  if (!status.ok()) return status;
  DictdIndexReader index_reader(index, entries->size(), options);
  index_reader.read_early(early_blocks, 7);
  return read_dictd_entries(index_reader, *entries, options, map);
}

constexpr std::size_t kEarlyBlocks[] = {0, 1, 5, ~std::size_t{0}};

// An index and plain data in memory, read at every read size of the index,
// with none, some or all of it read before the book's words are known.
TEST(DictdDictionary, EachWordTakesTheSensesOfItsRowsInIndexOrder) {
  const std::string data =
      "go (went) <v>\n1. gehen\ngo <n>\nVersuch\nwent\nfalsch\nits\nsein\nhouse "
      "(hut)\nHaus\nHuette\na lot\nviel\n";
  auto row = [&](const std::string& headword, const std::string& entry) {
    const std::size_t at = data.find(entry);
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    return headword + "\t" + digits[at / 64] + digits[at % 64] + "\t" + digits[entry.size() / 64] +
           digits[entry.size() % 64] + "\n";
  };
  const std::string index =
      row("00-databaseinfo", "go <n>\nVersuch\n") + row("go", "go (went) <v>\n1. gehen\n") +
      row("go", "go <n>\nVersuch\n") +
      // Index order, not the data's: its first row points past its second.
      row("went", "went\nfalsch\n") + row("went", "go (went) <v>\n1. gehen\n") +
      row("went", "go <n>\nVersuch\n") + row("its", "its\nsein\n") +
      row("", "house (hut)\nHaus\n") +
      // Two entries at one offset, the longer first.
      row("house", "house (hut)\nHaus\nHuette\n") + row("hut", "house (hut)\nHaus\n") +
      row("a lot", "a lot\nviel\n") + "x\tA\tA\tmore\n";
  for (const Reading& reading : kReadings) {
    for (const std::size_t max_read : {1, 5, 4096}) {
      for (const std::size_t early_blocks : kEarlyBlocks) {
        // A phrase is no word the book rules make, but a stem may be one.
        for (const bool phrase : {false, true}) {
          BookWordSet words;
          for (const char* word : {"go", "went", "it's", "its", "House", "hut", "x"})
            insert_word(words, word);
          if (phrase) insert_word(words, "a lot");
          VocabularyMap map(words);
          InputFile index_file = memory_input(index, reading.kind, max_read);
          const Status status =
              read_dictionary(index_file, data, early_blocks, reading.options(), map);
          const std::string where = describe(reading) + ", reads of " + std::to_string(max_read) +
                                    ", " + std::to_string(early_blocks) + " early blocks";
          ASSERT_TRUE(status.ok()) << status.reason() << ", " << where;
          EXPECT_EQ(translation_of(map, "go"), "gehen; Versuch") << where;
          EXPECT_EQ(translation_of(map, "went"), "falsch; gehen") << where;
          EXPECT_EQ(translation_of(map, "it's"), "") << where;
          EXPECT_EQ(translation_of(map, "its"), "sein") << where;
          EXPECT_EQ(translation_of(map, "House"), "Haus; Huette") << where;
          EXPECT_EQ(translation_of(map, "hut"), "Haus") << where;
          EXPECT_EQ(translation_of(map, "x"), "") << where;
          EXPECT_EQ(translation_of(map, "a lot"), phrase ? "viel" : "") << where;
        }
      }
    }
  }
  const struct {
    std::string index, reason;
  } damaged[] = {
      {"go\tA\n", "line 1 of the index is not a headword, an offset and a length"},
      {"go\tA\tB\ngo\tA\t=\n", "line 2 of the index is not a headword, an offset and a length"},
      {"go\tBA\tBA\n", "line 1 of the index points past the end of the data"},
      {"\n", "line 1 of the index is not a headword, an offset and a length"},
      // The first in the file's order, counted over every part and over
      // what was read early.
      {"go\tA\tB\ngo\tA\tB\ngo\tA\tB\ngo\tA\tB\ngo\tA\tB\ngo\tA\tB\ngo\tA\tB\ngo\t\ngo\tA\n",
       "line 8 of the index is not a headword, an offset and a length"},
      {"a b\tA\tB\n00-database\tA\tB\ngo\tA\tB\n\tA\tB\ngo\tA\tB\ngo\tA\tB\ngo\tZZ\tB\n",
       "line 7 of the index points past the end of the data"},
  };
  for (const auto& [index, reason] : damaged) {
    for (const Reading& reading : kReadings) {
      for (const std::size_t early_blocks : kEarlyBlocks) {
        BookWordSet words;
        insert_word(words, "go");
        VocabularyMap map(words);
        InputFile index_file = memory_input(index, reading.kind, 3);
        EXPECT_EQ(read_dictionary(index_file, data, early_blocks, reading.options(), map).reason(),
                  "not a readable dictd dictionary: " + reason)
            << index << ", " << describe(reading) << ", " << early_blocks << " early blocks";
      }
    }
  }
}

}  // namespace
}  // namespace lexicull
