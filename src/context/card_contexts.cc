// Contexts for cards, two ways. KeyContexts, for a book read twice, knows
// each word's first sentence from the first reading: it passes every other
// sentence by, takes a key's context straight from its sentence when that
// came whole, and looks for the words of every later piece only for keys
// whose sentence came in pieces. FirstSentences, for a book read once, keeps
// the window of the first sentence of every distinct word as it comes.
#include "context/card_contexts.h"

#include <algorithm>
#include <iterator>

#include "context/sentence_numbers.h"

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
                         const std::vector<BookWordSet::WordId>& keys,
                         const std::vector<std::uint64_t>& first_sentences)
    : words_(words), keys_(keys), contexts_(keys.size()), found_(keys.size(), false) {
  // Each key's forms, the key first where the book has it.
  std::vector<std::pair<BookWordSet::WordId, std::size_t>> stem_forms;  // form, key
  if (!stems.empty()) {
    constexpr auto kNoKey = ~std::size_t{0};
    std::vector<std::size_t> index_of_key(words.size(), kNoKey);
    for (std::size_t index = 0; index < keys.size(); ++index) index_of_key[keys[index]] = index;
    for (const WordStem& pair : stems) {
      if (pair.word == pair.stem || pair.stem >= index_of_key.size()) continue;
      const std::size_t key = index_of_key[pair.stem];
      if (key != kNoKey) stem_forms.emplace_back(pair.word, key);
    }
    std::stable_sort(stem_forms.begin(), stem_forms.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
  }
  form_starts_.assign(keys.size() + 1, 0);
  auto stem_form = stem_forms.begin();
  for (std::size_t index = 0; index < keys.size(); ++index) {
    form_starts_[index] = forms_.size();
    // A key that is a book word is a form of itself.
    if (words.occurrences(keys[index]) > 0) forms_.push_back(keys[index]);
    for (; stem_form != stem_forms.end() && stem_form->second == index; ++stem_form) {
      forms_.push_back(stem_form->first);
    }
    std::uint64_t first = FirstSentenceNumbers::kNone;
    for (std::size_t form = form_starts_[index]; form < forms_.size(); ++form) {
      if (forms_[form] < first_sentences.size()) {
        first = std::min(first, first_sentences[forms_[form]]);
      }
    }
    // A key none of whose forms the book has has no context.
    if (first != FirstSentenceNumbers::kNone) pending_.push_back(Pending{first, index});
  }
  form_starts_[keys.size()] = forms_.size();
  std::sort(pending_.begin(), pending_.end(), [](const Pending& a, const Pending& b) {
    return a.number != b.number ? a.number < b.number : a.key < b.key;
  });
  missing_ = pending_.size();
}

void KeyContexts::add_sentence(const SentencePiece& sentence) {
  if (done()) return;
  // A first sentence that went by in pieces, or held no words at all (an
  // empty one), leaves its keys to be looked for by words.
  while (next_pending_ < pending_.size() && pending_[next_pending_].number < sentence.number) {
    look_for_everywhere(pending_[next_pending_++].key);
  }
  if (next_pending_ < pending_.size() && pending_[next_pending_].number == sentence.number) {
    if (sentence.whole) {
      const std::string_view normalized = normalized_sentence(sentence.text, normalized_);
      for (; next_pending_ < pending_.size() && pending_[next_pending_].number == sentence.number;
           ++next_pending_) {
        const std::size_t index = pending_[next_pending_].key;
        Context context = context_in(normalized, words_.word(keys_[index]));
        // Without the key's bytes, the sentence may still hold a form of it
        // (a stem's, a word joined across a line end); or it holds only the
        // end of a word joined across the sentence's end, and the key's
        // sentence is a later one, as a single reading finds it.
        if (context.place == std::string::npos && !holds_a_form(sentence.text, index)) {
          look_for_everywhere(index);
          continue;
        }
        take_context(index, std::move(context));
      }
    } else {
      for (; next_pending_ < pending_.size() && pending_[next_pending_].number == sentence.number;
           ++next_pending_) {
        look_for_everywhere(pending_[next_pending_].key);
      }
    }
  }
  if (!keys_of_form_.empty()) look_in_words(sentence.text);
}

void KeyContexts::take_context(std::size_t index, Context context) {
  if (found_[index]) return;
  found_[index] = true;
  --missing_;
  contexts_[index] = std::move(context);
}

bool KeyContexts::holds_a_form(std::string_view sentence, std::size_t index) {
  bool holds = false;
  for_each_book_word(sentence, scratch_, [&](std::string_view word) {
    if (holds) return;
    const BookWordSet::WordId id = words_.find(WordKey::of_copy(word, key_bytes_));
    for (std::size_t form = form_starts_[index]; form < form_starts_[index + 1]; ++form) {
      holds = holds || forms_[form] == id;
    }
  });
  return holds;
}

void KeyContexts::look_for_everywhere(std::size_t index) {
  if (found_[index]) return;
  for (std::size_t form = form_starts_[index]; form < form_starts_[index + 1]; ++form) {
    keys_of_form_[forms_[form]].push_back(index);
  }
  make_filter();
}

void KeyContexts::make_filter() {
  filter_.assign(kFilterWords, 0);
  for (const auto& [form, keys] : keys_of_form_) {
    const std::uint64_t hash = word_hash(words_.word(form));
    filter_[(hash >> 6) % kFilterWords] |= std::uint64_t{1} << (hash & 63);
  }
}

void KeyContexts::look_in_words(std::string_view sentence) {
  std::string normalized;
  bool normalized_made = false;
  bool forms_taken = false;
  const auto take = [&](std::string_view word) {
    const BookWordSet::WordId id = words_.find(WordKey::of_copy(word, key_bytes_));
    if (id == BookWordSet::kAbsent) return;
    const auto forms = keys_of_form_.find(id);
    if (forms == keys_of_form_.end()) return;
    for (const std::size_t index : forms->second) {
      if (found_[index]) continue;
      if (!normalized_made) {
        normalized = normalized_sentence(sentence);
        normalized_made = true;
      }
      take_context(index, context_in(normalized, words_.word(keys_[index])));
    }
    keys_of_form_.erase(forms);
    forms_taken = true;
  };
  // Most chunks are one word, without a line feed: its hash is taken as it
  // is read, and only a word that the filter may hold is made.
  for (std::size_t at = 0; at <= sentence.size() && !keys_of_form_.empty();) {
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
  }
  // A form found is no longer looked for; its keys are those of others too.
  if (forms_taken) {
    for (auto form = keys_of_form_.begin(); form != keys_of_form_.end();) {
      auto& keys = form->second;
      keys.erase(std::remove_if(keys.begin(), keys.end(),
                                [&](std::size_t index) { return found_[index]; }),
                 keys.end());
      form = keys.empty() ? keys_of_form_.erase(form) : std::next(form);
    }
    make_filter();
  }
}

bool KeyContexts::may_be_wanted(std::uint64_t hash) const {
  return (filter_[(hash >> 6) % kFilterWords] >> (hash & 63) & 1) != 0;
}

void FirstSentences::add_sentence(const SentencePiece& piece) {
  const std::string_view sentence = piece.text;
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
