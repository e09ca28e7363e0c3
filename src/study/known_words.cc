#include "study/known_words.h"

#include <cstring>

#include "base/invariant.h"
#include "text/byte_classes.h"

namespace lexicull {

void KnownWords::add(std::string_view word) {
  if (word.empty() || word.size() > words_.longest_word_size()) return;
  const BookWordSet::WordId id = words_.find(WordKey::of_copy(word, buffer_));
  if (id != BookWordSet::kAbsent) known_[id] = true;
}

void KnownWords::add_all(const KnownWords& other) {
  for (std::size_t id = 0; id < known_.size(); ++id) {
    if (other.known_[id]) known_[id] = true;
  }
}

void KnownWordReader::feed(PaddedBytes text) {
  const unsigned char* in = text.data();
  const unsigned char* const end = text.end();
  while (in < end) {
    const auto* line_end = static_cast<const unsigned char*>(
        std::memchr(in, '\n', static_cast<std::size_t>(end - in)));
    const unsigned char* const stop = line_end == nullptr ? end : line_end;
    for (; in < stop && !word_ended_ && !too_long_; ++in) {
      if (*in == '|' || *in == '\t') {
        word_ended_ = true;
      } else if (word_.size() == known_.words().longest_word_size()) {
        too_long_ = true;
      } else {
        word_ += static_cast<char>(to_lower(*in));
      }
    }
    in = stop;
    if (line_end != nullptr) {
      end_line();
      ++in;
    }
  }
}

void KnownWordReader::end_line() {
  if (!too_long_) known_.add(word_);
  word_.clear();
  word_ended_ = false;
  too_long_ = false;
}

void KnownWordReader::finish() {
  if (!word_.empty() || word_ended_ || too_long_) end_line();
}

std::unique_ptr<KnownWordReader> KnownWordReader::make_later() const {
  return std::unique_ptr<KnownWordReader>(
      new KnownWordReader(std::make_unique<KnownWords>(known_.words())));
}

Status read_known_words(InputFile& input, KnownWords& known, const PartOptions& options) {
  KnownWordReader reader(known);
  return read_text(input, reader, options);
}

}  // namespace lexicull
