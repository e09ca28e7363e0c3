#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "stem/stemmer.h"
#include "stem/stemming_threads.h"
#include "testing/test_support.h"

namespace lexicull {
namespace {

// Many stemming threads, more than the program would start, each building
// and dropping a UTF-8 dictionary of its own at its own time: the library's
// shared case table must survive every order of them (ThreadSanitizer, in
// its suite, watches the library's own code as well).
TEST(HunspellStemmer, ManyThreadsBuildAndDropTheirDictionariesAtOnce) {
  std::string words = "2000\n";
  for (int i = 0; i < 2000; ++i) words += "\xC3\x84wort" + std::to_string(i) + "/S\n";
  // Real files too: where the system has no private copies, the library
  // opens the files that were read.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("lexicull-stemmer-test-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(folder);
  const DictionaryText text{{(folder / "t.aff").string(), (folder / "t.dic").string()},
                            "SET UTF-8\nSFX S Y 1\nSFX S 0 en .\n",
                            {words}};
  std::ofstream(text.files.affixes, std::ios::binary) << text.affixes;
  std::ofstream(text.files.words, std::ios::binary) << words;
  std::unique_ptr<StemmerMaker> maker;
  if (!hunspell_stemmer_maker(text, &maker).ok()) GTEST_SKIP() << "built without libhunspell";
  for (const unsigned threads : {2u, 16u}) {
    BookWordSet book;
    for (int i = 0; i < 40000; ++i) insert_word(book, "\xC3\x84wort" + std::to_string(i) + "en");
    StemmingThreads(*maker, threads).add_stems(book);
    EXPECT_EQ(book.size(), 42000u) << threads << " threads";
    EXPECT_NE(find_word(book, "\xC3\x84wort1999"), BookWordSet::kAbsent) << threads << " threads";
  }
  maker.reset();
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lexicull
