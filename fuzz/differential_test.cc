// The real readers against the reference rules on many random inputs made of
// the bytes that matter, so that every platform's build is checked the way
// the fuzzers check this one.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "book/collect_book_words.h"
#include "harness.h"
#include "output/write_filtered_vocabulary.h"
#include "reference.h"
#include "stem/stemming_threads.h"
#include "study/known_words.h"
#include "study/study_list.h"
#include "testing/test_support.h"
#include "vocabulary/read_vocabulary.h"

namespace lexicull {
namespace {

// The bytes that matter to the readers, each as likely as the others.
const std::string kEdgeBytes = std::string("aB-- \n\n\r.,|Zz'\t\xEF\xBB\xBF\xC4", 20) + '\0';
// Prose-like: words of any length up to past the readers' 64-byte windows,
// punctuation before, inside and after them.
const std::string kProseBytes = std::string(80, 'e') + std::string(30, 'T') + "\xC3\xA4" +
                                std::string(9, ' ') + "\n.,;:!?\"()/-'7|";

std::string random_text(std::mt19937& random, std::size_t size, const std::string& bytes) {
  std::uniform_int_distribution<std::size_t> pick(0, bytes.size() - 1);
  std::uniform_int_distribution<int> rare(0, 499);
  std::string text;
  for (std::size_t i = 0; i < size; ++i) text += rare(random) == 0 ? '\x1A' : bytes[pick(random)];
  return text;
}

TEST(Differential, RealReadersAgreeWithTheReferenceRules) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::size_t> length(0, 300);
  for (int round = 0; round < 1500; ++round) {
    harness::Pair pair;
    const std::string& bytes = round % 3 == 2 ? kProseBytes : kEdgeBytes;
    pair.book = random_text(random, length(random) * (round % 3 == 2 ? 4 : 1), bytes);
    pair.vocabulary = random_text(random, length(random), bytes);
    pair.every_key_in_book = round % 2 == 0;
    ASSERT_EQ(harness::check_book(pair.book), "") << testing::PrintToString(pair.book);
    ASSERT_EQ(harness::check_vocabulary(pair), "")
        << testing::PrintToString(pair.book) << " / " << testing::PrintToString(pair.vocabulary);
    ASSERT_EQ(harness::check_run(pair), "")
        << testing::PrintToString(pair.book) << " / " << testing::PrintToString(pair.vocabulary);
  }
}

// Books of words with several-byte characters, sentence marks and empty
// lines, long sentences of them (past the 300 bytes a card shows, and past
// the pieces the splitter holds), read in parts whose cuts fall anywhere,
// also right after a sentence's end: every card's context is the one the
// rules give.
TEST(Differential, CardContextsAreThoseTheRulesGive) {
  const std::string kWords[] = {"Fox",
                                "fox",
                                "gr\xC3\xA4pes",
                                "\xE2\x80\x94",
                                "it's",
                                "(b)",
                                "ex-",
                                "ample",
                                "\xC3\xA9t\xC3\xA9",
                                "a",
                                "Sword,",
                                "\xF0\x9F\x98\x80"};
  // Words longer than the 30 bytes within which a cut end looks for a space.
  const std::string kLongWords[] = {std::string(27, 'z') + "\xC3\xA4\xC3\xA4",
                                    "\xE2\x80\x94" + std::string(29, 'Q')};
  const std::string kGaps[] = {" ",  " ",  " ",   "  ", "\n",    "\n\n",
                               ". ", "! ", ".\n", "? ", " \r\n", "\xE2\x80\xA6 "};
  std::mt19937 random(2026);
  for (int round = 0; round < 120; ++round) {
    std::string book;
    // A long sentence in most rounds: a few sentence ends in hundreds of words.
    const int words =
        round % 4 == 0 ? 20 : 60 + static_cast<int>(random() % (round % 8 == 1 ? 900 : 150));
    for (int i = 0; i < words; ++i) {
      const std::string& word =
          random() % 8 == 0 ? kLongWords[random() % 2] : kWords[random() % std::size(kWords)];
      std::string gap =
          random() % 40 == 0 ? kGaps[random() % std::size(kGaps)] : kGaps[random() % 5];
      // Not "ex-." at a line's end, which would join a word across the
      // sentence's end: the check passes such books by.
      if (word == "ex-" && gap == ".\n") gap = ". ";
      book += word + gap;
    }
    ASSERT_EQ(harness::check_contexts(book), "") << testing::PrintToString(book);
  }
}

// Stems by a fixed rule, as a dictionary gives them: a word ending in "s" has
// the word without it, and a word of three bytes or more its first two.
std::vector<std::string> rule_stems(const std::string& word) {
  std::vector<std::string> stems;
  if (!word.empty() && word.back() == 's') stems.push_back(word.substr(0, word.size() - 1));
  if (word.size() >= 3) stems.push_back(word.substr(0, 2));
  return stems;
}

class RuleStemmer : public Stemmer {
 public:
  void add_stems(std::string_view word, std::vector<std::string>& stems) override {
    for (std::string& stem : rule_stems(std::string(word))) stems.push_back(std::move(stem));
  }
};

class RuleStemmerMaker : public StemmerMaker {
 public:
  std::unique_ptr<Stemmer> make() const override { return std::make_unique<RuleStemmer>(); }
};

std::set<std::string> lines_of(const std::string& output) {
  std::set<std::string> lines;
  for (std::size_t start = 0, end; (end = output.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    lines.insert(output.substr(start, end - start));
  }
  return lines;
}

TEST(Differential, WithStemsTheOutputIsTheDefaultPlusTheStemsLines) {
  std::mt19937 random(7);
  const std::string bytes = "asb|s \n\nA";
  for (int round = 0; round < 150; ++round) {
    std::string book(random() % 200, ' ');
    std::string vocabulary(random() % 300, ' ');
    for (char& byte : book) byte = bytes[random() % bytes.size()];
    for (char& byte : vocabulary) byte = bytes[random() % bytes.size()];

    // Expected: every book word and every stem is a key, each written once
    // in byte order when the vocabulary translates it.
    std::set<std::string> keys = reference::book_words(book);
    for (const std::string& word : reference::book_words(book)) {
      for (const std::string& stem : rule_stems(word)) keys.insert(stem);
    }
    const std::map<std::string, std::string> entries = reference::vocabulary(vocabulary);
    std::string expected;
    for (const std::string& key : keys) {
      const auto entry = entries.find(key);
      if (entry != entries.end() && !entry->second.empty()) {
        expected += key + "|" + entry->second + "\r\n";
      }
    }

    InputFile book_input = memory_input(book, InputKind::kAtOffsets, 5);
    BookWordSet words;
    ASSERT_TRUE(collect_book_words(book_input, words, PartOptions{3, 1}).ok());
    const RuleStemmerMaker maker;
    StemmingThreads(maker, 3).add_stems(words);
    VocabularyMap map(words);
    InputFile vocabulary_input = memory_input(vocabulary, InputKind::kAtOffsets, 5);
    ASSERT_TRUE(read_vocabulary(vocabulary_input, map, PartOptions{3, 1}).ok());
    MemoryByteSink out;
    ASSERT_TRUE(write_filtered_vocabulary(words, map, out).ok());

    const std::string where =
        testing::PrintToString(book) + " / " + testing::PrintToString(vocabulary);
    ASSERT_EQ(out.bytes(), expected) << where;
    const std::set<std::string> stemmed = lines_of(out.bytes());
    for (const std::string& line : lines_of(reference::filtered_vocabulary(book, vocabulary))) {
      ASSERT_EQ(stemmed.count(line), 1u) << line << " missing: " << where;
    }
  }
}

TEST(Differential, TheStudyListKeepsTheMostFrequentUnknownWordsAsTheRulesSay) {
  std::mt19937 random(11);
  const std::string bytes = "asb|s \n\nA1";
  auto random_text = [&](std::size_t most) {
    std::string text(random() % most, ' ');
    for (char& byte : text) byte = bytes[random() % bytes.size()];
    return text;
  };
  for (int round = 0; round < 300; ++round) {
    const std::string book = random_text(300);
    const std::string vocabulary = random_text(300);
    reference::StudyRequest request;
    // Known-words files in any of the forms: word lists, earlier output,
    // tab-separated exports, with byte-order marks, CR LF and Ctrl-Z.
    const std::string known_bytes = "asbA|\t\r\n\n\x1A";
    for (int i = static_cast<int>(random() % 3); i > 0; --i) {
      std::string file = random() % 4 == 0 ? "\xEF\xBB\xBF" : "";
      for (std::size_t n = random() % 40; n > 0; --n)
        file += known_bytes[random() % known_bytes.size()];
      request.known.push_back(file);
    }
    if (random() % 2) request.top = random() % 8;
    // The limits themselves, and half way, are where an off-by-one shows.
    const std::uint64_t coverages[] = {0, 5000, 10000, random() % 10001};
    if (random() % 2) request.coverage = coverages[random() % 4];
    request.by_frequency = random() % 2;
    const bool stemming = random() % 2;
    const reference::StudyResult expected =
        reference::study_list(book, vocabulary, request, [stemming](const std::string& word) {
          return stemming ? rule_stems(word) : std::vector<std::string>();
        });

    const Reading& reading = kReadings[round % std::size(kReadings)];
    const std::size_t read_size = 1 + random() % 7;
    BookWordSet words;
    words.count_occurrences();
    InputFile book_input = memory_input(book, reading.kind, read_size);
    ASSERT_TRUE(collect_book_words(book_input, words, reading.options()).ok());
    std::vector<WordStem> stems;
    const RuleStemmerMaker maker;
    if (stemming) StemmingThreads(maker, 3).add_stems(words, &stems);
    KnownWords known(words);
    for (const std::string& file : request.known) {
      InputFile known_input = memory_input(file, reading.kind, read_size);
      ASSERT_TRUE(read_known_words(known_input, known, reading.options()).ok());
    }
    VocabularyMap map(words);
    InputFile vocabulary_input = memory_input(vocabulary, reading.kind, read_size);
    ASSERT_TRUE(read_vocabulary(vocabulary_input, map, reading.options()).ok());
    StudyOptions options;
    options.top = request.top;
    if (request.coverage) options.coverage = static_cast<unsigned>(*request.coverage);
    options.order = request.by_frequency ? LineOrder::kFrequency : LineOrder::kBytes;
    const StudyList list = select_study_list(words, stems, known, map, options);
    MemoryByteSink out;
    ASSERT_TRUE(write_vocabulary_lines(words, map, list.keys, out).ok());

    const std::string where = testing::PrintToString(book) + " / " +
                              testing::PrintToString(vocabulary) + " / " +
                              testing::PrintToString(request.known) + ", " + describe(reading) +
                              (stemming ? ", stems" : "");
    ASSERT_EQ(out.bytes(), expected.output) << where;
    ASSERT_EQ(list.stats.running_words, expected.running) << where;
    ASSERT_EQ(list.stats.distinct_words, expected.distinct) << where;
    ASSERT_EQ(list.stats.known_running_words, expected.known) << where;
    ASSERT_EQ(list.stats.lines, expected.lines) << where;
    ASSERT_EQ(list.stats.covered_running_words, expected.covered) << where;
  }
}

}  // namespace
}  // namespace lexicull
