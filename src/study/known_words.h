#ifndef LEXICULL_STUDY_KNOWN_WORDS_H_
#define LEXICULL_STUDY_KNOWN_WORDS_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_buffer.h"
#include "base/byte_stream.h"
#include "base/padded_bytes.h"
#include "base/status.h"
#include "book/book_word_set.h"
#include "text/text_parts.h"

namespace lexicull {

// The words the learner knows, as far as they matter: those that are words
// of the book or their stems. Others are not kept, so memory follows the
// book, not the lists.
class KnownWords {
 public:
  explicit KnownWords(const BookWordSet& words) : words_(words), known_(words.size(), false) {}

  // Marks `word` known, when the set holds it. The empty word is no word
  // one can know, and is passed over.
  void add(std::string_view word);
  // Marks known every word that `other`, over the same set, has.
  void add_all(const KnownWords& other);
  bool contains(BookWordSet::WordId id) const { return known_[id]; }
  const BookWordSet& words() const { return words_; }

 private:
  const BookWordSet& words_;
  std::vector<bool> known_;  // by id
  ByteBuffer buffer_;
};

// Reads a file of known words into `known`, as the vocabulary is read (a
// byte-order mark at the start skipped, CR dropped, the first Ctrl-Z ending
// it), the whole line lower-cased. Each line gives one word: the text before
// its first "|" or tab, or the whole line. So a word list, an earlier output
// of this program and a tab-separated export all serve. A large regular file
// is read in parts, side by side. Fails only when reading does.
Status read_known_words(InputFile& input, KnownWords& known, const PartOptions& options);

// Turns text into known words, a line at a time; a line may span blocks.
class KnownWordReader final : public PartReaderOf<KnownWordReader> {
 public:
  explicit KnownWordReader(KnownWords& known) : known_(known) {}

  void feed(PaddedBytes text) override;
  void finish() override;
  unsigned char part_separator() const override { return '\n'; }
  std::unique_ptr<KnownWordReader> make_later() const;
  void take_later(KnownWordReader& later) { known_.add_all(later.known_); }

 private:
  explicit KnownWordReader(std::unique_ptr<KnownWords> own) : own_(std::move(own)), known_(*own_) {}
  void end_line();

  std::unique_ptr<KnownWords> own_;  // a later part's
  KnownWords& known_;
  std::string word_;         // of the line so far, lower-cased
  bool word_ended_ = false;  // a "|" or tab came: the rest of the line is not the word
  bool too_long_ = false;    // longer than any word of the set: it cannot be one
};

}  // namespace lexicull

#endif  // LEXICULL_STUDY_KNOWN_WORDS_H_
