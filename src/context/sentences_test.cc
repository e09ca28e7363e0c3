#include "context/sentences.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lexicull {
namespace {

std::vector<std::string> sentences_of(const std::string& text, std::size_t piece) {
  std::vector<std::string> sentences;
  SentenceSplitter splitter(
      ' ', [&](const SentencePiece& sentence) { sentences.emplace_back(sentence.text); });
  std::string padded(text.size() + PaddedBytes::kPadding, '\0');
  padded.replace(0, text.size(), text);
  const auto* bytes = reinterpret_cast<const unsigned char*>(padded.data());
  for (std::size_t at = 0; at < text.size(); at += piece) {
    splitter.feed(PaddedBytes::in_padded_buffer(bytes + at, std::min(piece, text.size() - at)));
  }
  splitter.finish();
  return sentences;
}

TEST(SentenceSplitter, EndsAfterAMarkBeforeASpaceOrLineEndAndAtEmptyLines) {
  const struct {
    std::string text;
    std::vector<std::string> sentences;
  } cases[] = {
      {"One. Two! Three? Four\xE2\x80\xA6 Five",
       {"One.", "Two!", "Three?", "Four\xE2\x80\xA6", "Five"}},
      {"e.g. this.\nNext", {"e.g.", "this.", "Next"}},
      {"3.14 is pi.", {"3.14 is pi."}},
      {"Title\n\nThe text\nruns on.", {"Title\n", "The text\nruns on."}},
      {"end .. \"Quoted.\" x", {"end ..", "\"Quoted.\" x"}},
      {"\n\n\nlast", {"last"}},
      {"", {}},
  };
  for (const auto& test : cases) {
    for (const std::size_t piece : {test.text.size() + 1, std::size_t{1}, std::size_t{2}}) {
      EXPECT_EQ(sentences_of(test.text, piece), test.sentences) << test.text << " / " << piece;
    }
  }
  // A sentence without an end is cut, so what is held stays bounded.
  const std::vector<std::string> long_one =
      sentences_of(std::string(SentenceSplitter::kLongestSentence + 10, 'a'), 100);
  ASSERT_EQ(long_one.size(), 2u);
  EXPECT_EQ(long_one[0].size(), SentenceSplitter::kLongestSentence);
}

TEST(Context, TheSentenceAsShownWithTheWordsPlaceAndAWindowAroundIt) {
  // Line ends and runs of spaces as one space; the place with no word byte
  // beside it, ASCII case ignored.
  Context context = context_of("  It's its\n  house,  ITS  ", "its");
  EXPECT_EQ(context.text, "It's its house, ITS");
  EXPECT_EQ(context.place, 5u);
  context = context_of("x-ray and rays", "ray");
  EXPECT_EQ(context.place, 2u);
  EXPECT_EQ(context_of("bookshelf", "book").place, std::string::npos);
  EXPECT_EQ(context_of("b\xC3\xA4r bar", "bar").place, 5u);

  // Longer than the window: 300 bytes around the place, each cut moved to a
  // space within 30 bytes, and marked.
  std::string words;
  for (int i = 0; i < 100; ++i) words += "word" + std::to_string(i) + " ";
  words += "target";
  for (int i = 0; i < 100; ++i) words += " more" + std::to_string(i);
  context = context_of(words, "target");
  ASSERT_NE(context.place, std::string::npos);
  EXPECT_EQ(context.text.substr(context.place, 6), "target");
  EXPECT_EQ(context.text.substr(0, 3), "\xE2\x80\xA6");
  EXPECT_EQ(context.text.substr(context.text.size() - 3), "\xE2\x80\xA6");
  EXPECT_LE(context.text.size(), kWindow + 6);
  EXPECT_NE(context.text[3], ' ');
  EXPECT_NE(context.text[context.text.size() - 4], ' ');
  // No place: the window at the sentence's start, cut only at its end.
  context = context_of(words, "absent");
  EXPECT_EQ(context.place, std::string::npos);
  EXPECT_EQ(context.text.substr(0, 6), "word0 ");
  // No space near a cut: a character's start, never half of one.
  const std::string letters(400, 'a');
  const std::string umlauts =
      "\xC3\xA4\xC3\xA4" + std::string(200, 'x') + " key " + std::string(100, 'y');
  for (const std::string& text : {letters + " key " + letters, std::string(umlauts)}) {
    context = context_of(text, "key");
    const std::string shown = context.text;
    for (std::size_t at = 0; at + 1 < shown.size(); ++at) {
      const auto byte = static_cast<unsigned char>(shown[at]);
      if (byte == 0xC3) {
        EXPECT_EQ(static_cast<unsigned char>(shown[at + 1]), 0xA4);
      }
    }
    EXPECT_EQ(shown.substr(context.place, 3), "key");
  }
}

TEST(BookWords, OfASentenceByTheBooksRules) {
  std::vector<std::string> words;
  std::string scratch;
  for_each_book_word("The Fox's (grand) exam-\nple co-op-\nerate\nend.", scratch,
                     [&](std::string_view word) { words.emplace_back(word); });
  EXPECT_EQ(words, (std::vector<std::string>{"the", "fox's", "grand", "example", "co-op-", "erate",
                                             "end"}));
}

}  // namespace
}  // namespace lexicull
