#include "context/card_contexts.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "context/sentence_numbers.h"
#include "testing/test_support.h"

namespace lexicull {
namespace {

// The rules again, the plainest way: the whole text at once.
std::vector<std::string> model_sentences(const std::string& text) {
  std::vector<std::string> sentences(1);
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    const std::string& current = sentences.back();
    const bool after_mark =
        !current.empty() &&
        (current.back() == '.' || current.back() == '!' || current.back() == '?' ||
         (current.size() >= 3 && current.substr(current.size() - 3) == "\xE2\x80\xA6"));
    const bool empty_line = c == '\n' && at > 0 && text[at - 1] == '\n';
    if ((after_mark && (c == ' ' || c == '\n')) || empty_line) {
      sentences.emplace_back();
    } else {
      sentences.back() += c;
    }
  }
  std::vector<std::string> kept;
  for (const std::string& sentence : sentences) {
    if (!sentence.empty()) kept.push_back(sentence);
  }
  return kept;
}

std::vector<std::string> model_words(const std::string& sentence) {
  std::vector<std::string> words;
  std::string chunk;
  auto end_chunk = [&] {
    std::string lowered;
    for (char c : chunk) {
      if (std::string("():;.\",?!/").find(c) != std::string::npos) continue;
      lowered += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    std::string current;
    std::size_t start = 0;
    for (std::size_t k = 0; k <= lowered.size(); ++k) {
      if (k < lowered.size() && lowered[k] != '\n') continue;
      const std::string line = lowered.substr(start, k - start);
      if (start == 0) {
        current = line;
      } else if (!current.empty() && current.find('-') == current.size() - 1) {
        current = current.substr(0, current.size() - 1) + line;
      } else {
        words.push_back(current);
        current = line;
      }
      start = k + 1;
    }
    words.push_back(current);
    chunk.clear();
  };
  for (const char c : sentence) {
    if (c == ' ') {
      end_chunk();
    } else {
      chunk += c;
    }
  }
  if (!chunk.empty()) end_chunk();
  return words;
}

// Feeds `text` to `reader` in pieces of `piece` bytes, then finishes it.
void feed_in_pieces(std::string_view text, std::size_t piece, TextPartReader& reader) {
  std::string padded = std::string(text) + std::string(PaddedBytes::kPadding, '\0');
  const auto* bytes = reinterpret_cast<const unsigned char*>(padded.data());
  for (std::size_t at = 0; at < text.size(); at += piece) {
    reader.feed(PaddedBytes::in_padded_buffer(bytes + at, std::min(piece, text.size() - at)));
  }
  reader.finish();
}

// Random books of a few words (some of several bytes), spaces, line ends,
// empty lines and sentence marks, long sentences among them, fed to the
// readers in pieces of any size, the first reading in two parts half of the
// time: the second reading's contexts, and those kept by a single reading,
// are those the plain rules give.
TEST(CardContexts, MatchThePlainRulesWhateverThePieces) {
  const std::string kWords[] = {"Fox", "fox",   "the",          "gr\xC3\xA4pes",
                                "ex-", "ample", "\xE2\x80\x94", "it's",
                                "a",   "Word",  "(b)",          "\xC3\xA9t\xC3\xA9"};
  const std::string kGaps[] = {
      " ",  " ",   " ",   "  ", "\n", "\n\n", ". ", "! ", "? ", ".\n", "\xE2\x80\xA6 ",
      ", ", " \"", ".\" "};
  std::mt19937 random(34);
  for (int round = 0; round < 200; ++round) {
    std::string text;
    const int length = round % 5 == 0 ? 300 : 30;
    for (int i = 0; i < length; ++i) {
      const std::string& word = kWords[random() % 12];
      text += word;
      // Long stretches without a sentence's end, so that windows are cut.
      std::string gap =
          round % 5 == 0 && random() % 4 != 0 ? std::string(" ") : kGaps[random() % 14];
      // "ex-." at a line's end joins the next line, past the sentence's end:
      // a word of the book that no sentence holds.
      if (word == "ex-" && gap == ".\n") gap = ". ";
      text += gap;
    }
    // The model's first sentence of each word.
    std::map<std::string, std::string> first;
    for (const std::string& sentence : model_sentences(text)) {
      for (const std::string& word : model_words(sentence)) first.emplace(word, sentence);
    }
    BookWordSet counted;
    counted.count_occurrences();
    FirstSentenceNumbers numbers(counted);
    const std::size_t piece = 1 + random() % 97;
    const std::size_t cut =
        round % 2 == 0 ? std::string::npos : text.find(' ', random() % text.size());
    if (cut == std::string::npos) {
      feed_in_pieces(text, piece, numbers);
    } else {
      // A later part begins after a space, as the parts of a file do.
      std::unique_ptr<TextPartReader> later = numbers.make_later_part();
      feed_in_pieces(std::string_view(text).substr(0, cut + 1), piece, numbers);
      feed_in_pieces(std::string_view(text).substr(cut + 1), piece, *later);
      numbers.take_later_part(*later);
    }
    ByteBuffer buffer;
    std::vector<BookWordSet::WordId> counted_keys;
    for (const auto& [word, sentence] : first) {
      counted_keys.push_back(counted.find(WordKey::of_copy(word, buffer)));
      ASSERT_NE(counted_keys.back(), BookWordSet::kAbsent) << "round " << round << ": " << word;
    }
    ASSERT_EQ(counted.size(), first.size()) << "round " << round;
    const std::vector<std::uint64_t> first_sentences = numbers.take_numbers();
    KeyContexts again(counted, {}, counted_keys, first_sentences);
    SentenceSplitter wanted_only(
        ' ', [&](const SentencePiece& sentence) { again.add_sentence(sentence); },
        [&](std::uint64_t number) { return again.wants(number); });
    feed_in_pieces(text, 1 + random() % 97, wanted_only);
    FirstSentences once;
    SentenceSplitter every(' ',
                           [&](const SentencePiece& sentence) { once.add_sentence(sentence); });
    feed_in_pieces(text, 1 + random() % 97, every);
    const std::vector<Context> kept = once.contexts(counted, {}, counted_keys);
    std::size_t index = 0;
    for (const auto& [word, sentence] : first) {
      const Context expected = context_of(sentence, word);
      EXPECT_EQ(again.context(index).text, expected.text) << "round " << round << ": " << word;
      EXPECT_EQ(again.context(index).place, expected.place) << "round " << round << ": " << word;
      EXPECT_EQ(kept[index].text, expected.text) << "round " << round << ": " << word;
      ++index;
    }
  }
}

// A sentence longer than the splitter holds comes in pieces: a word whose
// first sentence it is is found in its piece by its words, also when the
// piece is not the first.
TEST(CardContexts, AWordInAPieceOfALongSentence) {
  std::string text = "Start";
  while (text.size() < SentenceSplitter::kLongestSentence + 100) text += " filler";
  text += " zed ends it. Then zed again.";
  BookWordSet words;
  words.count_occurrences();
  FirstSentenceNumbers numbers(words);
  feed_in_pieces(text, 1000, numbers);
  ByteBuffer buffer;
  const std::vector<BookWordSet::WordId> keys = {words.find(WordKey::of_copy("zed", buffer)),
                                                 words.find(WordKey::of_copy("start", buffer))};
  const std::vector<std::uint64_t> first_sentences = numbers.take_numbers();
  KeyContexts contexts(words, {}, keys, first_sentences);
  SentenceSplitter splitter(
      ' ', [&](const SentencePiece& sentence) { contexts.add_sentence(sentence); },
      [&](std::uint64_t number) { return contexts.wants(number); });
  feed_in_pieces(text, 1000, splitter);
  ASSERT_TRUE(contexts.done());
  const std::string& zed = contexts.context(0).text;
  EXPECT_EQ(zed.substr(zed.size() - 19), "filler zed ends it.");
  EXPECT_EQ(zed.substr(contexts.context(0).place, 3), "zed");
  EXPECT_EQ(contexts.context(1).text.substr(0, 12), "Start filler");
}

// "ex-." at a line's end joins the next line's word, past the sentence's
// end: the sentence where that word ends does not hold it by its own words.
// Its context is the first that does, or none, whether the book is read
// twice or once.
TEST(CardContexts, AWordJoinedAcrossASentenceEnd) {
  for (const bool again_later : {true, false}) {
    const std::string text = std::string("A fox ex-.\nample here. ") +
                             (again_later ? "Then the Example again." : "Then none.");
    BookWordSet words;
    words.count_occurrences();
    FirstSentenceNumbers numbers(words);
    feed_in_pieces(text, 7, numbers);
    ByteBuffer buffer;
    const std::vector<BookWordSet::WordId> keys = {words.find(WordKey::of_copy("example", buffer))};
    ASSERT_NE(keys[0], BookWordSet::kAbsent);
    const std::vector<std::uint64_t> first_sentences = numbers.take_numbers();
    KeyContexts twice(words, {}, keys, first_sentences);
    SentenceSplitter splitter(
        ' ', [&](const SentencePiece& sentence) { twice.add_sentence(sentence); },
        [&](std::uint64_t number) { return twice.wants(number); });
    feed_in_pieces(text, 7, splitter);
    FirstSentences once;
    SentenceSplitter every(' ',
                           [&](const SentencePiece& sentence) { once.add_sentence(sentence); });
    feed_in_pieces(text, 7, every);
    const std::string expected = again_later ? "Then the Example again." : "";
    EXPECT_EQ(twice.context(0).text, expected);
    EXPECT_EQ(once.contexts(words, {}, keys)[0].text, expected);
  }
}

}  // namespace
}  // namespace lexicull
