#include "context/card_contexts.h"

#include <algorithm>

namespace lexicull {
namespace {

constexpr std::size_t kFilterWords = 1024;  // 8 KiB

constexpr std::uint64_t kHashStart = 0xCBF29CE484222325ull;
constexpr std::uint64_t kHashFactor = 0x100000001B3ull;

std::uint64_t finish_hash(std::uint64_t hash) { return hash ^ (hash >> 31); }

std::uint64_t word_hash(std::string_view word) {
  std::uint64_t hash = kHashStart;
  for (const char c : word) hash = (hash ^ static_cast<unsigned char>(c)) * kHashFactor;
  return finish_hash(hash);
}

}  // namespace

KeyContexts::KeyContexts(const BookWordSet& words, const std::vector<WordStem>& stems,
                         const std::vector<BookWordSet::WordId>& keys)
    : words_(words),
      keys_(keys),
      contexts_(keys.size()),
      found_(keys.size(), false),
      missing_(keys.size()) {
  std::unordered_map<BookWordSet::WordId, std::size_t> index_of_key;
  for (std::size_t index = 0; index < keys.size(); ++index) {
    index_of_key.emplace(keys[index], index);
    // A key that is a book word is a form of itself.
    if (words.occurrences(keys[index]) > 0) keys_of_form_[keys[index]].push_back(index);
  }
  for (const WordStem& pair : stems) {
    if (pair.word == pair.stem) continue;
    const auto key = index_of_key.find(pair.stem);
    if (key != index_of_key.end()) keys_of_form_[pair.word].push_back(key->second);
  }
  make_filter();
}

void KeyContexts::make_filter() {
  filter_.assign(kFilterWords, 0);
  for (const auto& [form, keys] : keys_of_form_) {
    const std::uint64_t hash = word_hash(words_.word(form));
    filter_[(hash >> 6) % kFilterWords] |= std::uint64_t{1} << (hash & 63);
  }
  filtered_forms_ = keys_of_form_.size();
}

void KeyContexts::add_sentence(std::string_view sentence) {
  if (done()) return;
  std::string normalized;
  bool normalized_made = false;
  const auto take = [&](std::string_view word) {
    const BookWordSet::WordId id = words_.find(WordKey::of_copy(word, key_bytes_));
    if (id == BookWordSet::kAbsent) return;
    const auto forms = keys_of_form_.find(id);
    if (forms == keys_of_form_.end()) return;
    for (const std::size_t index : forms->second) {
      if (found_[index]) continue;
      found_[index] = true;
      --missing_;
      if (!normalized_made) {
        normalized = normalized_sentence(sentence);
        normalized_made = true;
      }
      contexts_[index] = context_in(normalized, words_.word(keys_[index]));
    }
    keys_of_form_.erase(forms);
  };
  // Most chunks are one word, without a line feed: its hash is taken as it
  // is read, and only a word that the filter may hold is made.
  for (std::size_t at = 0; at <= sentence.size();) {
    std::size_t end = sentence.find(' ', at);
    if (end == std::string_view::npos) end = sentence.size();
    const std::string_view chunk = sentence.substr(at, end - at);
    at = end + 1;
    if (chunk.empty() && end == sentence.size()) break;
    std::uint64_t hash = kHashStart;
    bool plain = true;
    for (const char c : chunk) {
      const auto byte = static_cast<unsigned char>(c);
      const BookByte kind = kBookBytes.kind[byte];
      if (kind == BookByte::kLineFeed) {
        plain = false;
        break;
      }
      if (kind != BookByte::kPunctuation) hash = (hash ^ to_lower(byte)) * kHashFactor;
    }
    if (plain) {
      if (!may_be_wanted(finish_hash(hash))) continue;
      // The chunk is one word, the empty one too (two spaces in a row).
      scratch_.clear();
      append_book_bytes(chunk, scratch_);
      take(scratch_);
    } else {
      for_each_book_word(chunk, scratch_, [&](std::string_view word) {
        if (may_be_wanted(word_hash(word))) take(word);
      });
    }
    if (done()) return;
  }
  if (keys_of_form_.size() * 2 < filtered_forms_) make_filter();
}

bool KeyContexts::may_be_wanted(std::uint64_t hash) const {
  return (filter_[(hash >> 6) % kFilterWords] >> (hash & 63) & 1) != 0;
}

void FirstSentences::add_sentence(std::string_view sentence) {
  ++sentences_;
  std::string normalized;
  bool normalized_made = false;
  for_each_book_word(sentence, scratch_, [&](std::string_view word) {
    word_.assign(word);
    if (first_.count(word_) > 0) return;
    if (!normalized_made) {
      normalized = normalized_sentence(sentence);
      normalized_made = true;
    }
    first_.emplace(word_, Kept{sentences_, context_in(normalized, word)});
  });
}

std::vector<Context> FirstSentences::contexts(const BookWordSet& words,
                                              const std::vector<WordStem>& stems,
                                              const std::vector<BookWordSet::WordId>& keys) const {
  std::unordered_map<BookWordSet::WordId, std::vector<BookWordSet::WordId>> forms_of_key;
  for (const WordStem& pair : stems) {
    if (pair.word != pair.stem) forms_of_key[pair.stem].push_back(pair.word);
  }
  std::vector<Context> contexts(keys.size());
  for (std::size_t index = 0; index < keys.size(); ++index) {
    const std::string key(words.word(keys[index]));
    const Kept* earliest = nullptr;
    bool own = false;
    if (const auto kept = first_.find(key); kept != first_.end()) {
      earliest = &kept->second;
      own = true;
    }
    if (const auto forms = forms_of_key.find(keys[index]); forms != forms_of_key.end()) {
      for (const BookWordSet::WordId form : forms->second) {
        const auto kept = first_.find(std::string(words.word(form)));
        if (kept != first_.end() &&
            (earliest == nullptr || kept->second.sentence < earliest->sentence)) {
          earliest = &kept->second;
          own = false;
        }
      }
    }
    if (earliest == nullptr) continue;
    contexts[index] = earliest->context;
    if (!own) {
      // The window is the form's; the key may stand in it too.
      Context& context = contexts[index];
      context.place = place_of(context.text, key);
      context.place_size = context.place == std::string::npos ? 0 : key.size();
    }
  }
  return contexts;
}

}  // namespace lexicull
