#ifndef LEXICULL_BOOK_BOOK_WORD_SET_H_
#define LEXICULL_BOOK_BOOK_WORD_SET_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lexicull {

// The distinct words of a book. Words are hashed while the book is read, since
// order matters only once, for the output, when the few that are written get
// sorted. Their bytes live together in one arena.
class BookWordSet {
 public:
  using WordId = std::uint32_t;
  static constexpr WordId kAbsent = static_cast<WordId>(-1);

  BookWordSet();

  // Adds the word unless it is present already. The empty word is a word.
  void add(const unsigned char* data, std::size_t size);
  void add(std::string_view word) {
    add(reinterpret_cast<const unsigned char*>(word.data()), word.size());
  }

  // The id of the word, or kAbsent. Ids run from 0 to size() - 1 in the order
  // the words were first added.
  WordId find(const unsigned char* data, std::size_t size) const;
  WordId find(std::string_view word) const {
    return find(reinterpret_cast<const unsigned char*>(word.data()), word.size());
  }

  std::size_t size() const { return words_.size(); }
  std::size_t longest_word_size() const { return longest_word_size_; }
  std::string_view word(WordId id) const {
    return std::string_view(arena_.data() + words_[id].offset, words_[id].size);
  }

  // Sorts `ids` in place by their words' bytes, as unsigned values, a word
  // that is a prefix of another coming first.
  void sort_by_word(std::vector<WordId>& ids) const;

 private:
  struct Word {
    std::size_t offset;
    std::size_t size;
  };

  static std::uint32_t hash(const unsigned char* data, std::size_t size);
  bool matches(WordId id, std::uint32_t hash, const unsigned char* data, std::size_t size) const;
  void grow_slots();

  std::vector<char> arena_;
  std::vector<Word> words_;
  std::vector<std::uint32_t> hashes_;  // by id, so that growing never rehashes the bytes
  std::vector<WordId> slots_;          // open addressing; kAbsent marks a free slot
  std::size_t longest_word_size_ = 0;
};

}  // namespace lexicull

#endif  // LEXICULL_BOOK_BOOK_WORD_SET_H_
