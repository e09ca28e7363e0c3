// The vocabulary is read a block at a time, its line feeds and first "|"
// of each line marked 64 bytes at a time. A line whose key is short is
// queued with its key's first sixteen bytes and the key's slot asked for
// ahead of its lookup, so that the lookups of a queue overlap; only a line
// whose key is a book word is lower-cased and stored. A line cut by the end
// of a block is held only while its key may still be a book word (a bit
// filter on its first bytes), so that a long line nobody needs is passed
// over as it arrives.
#include "vocabulary/read_vocabulary.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "base/coding.h"
#include "base/invariant.h"
#include "base/swar.h"
#include "text/byte_classes.h"
#include "text/byte_masks.h"
#include "text/text_mode_reader.h"
#include "text/word_start.h"

namespace lexicull {
namespace {

const unsigned char* find_byte(const unsigned char* from, const unsigned char* end,
                               unsigned char byte) {
  return static_cast<const unsigned char*>(std::memchr(from, byte, end - from));
}

// Whether the key of `size` bytes at `key`, not yet lower-cased and
// followed by readable padding, may be a book word: the set's filter answers
// from its first eight bytes and its size. Asked for every line: a call
// would cost about as much as the answer.
inline bool may_be_book_word(const BookWordSet& keys, const unsigned char* key, std::size_t size) {
  return keys.might_hold_any_case(swar::load(key), size);
}

}  // namespace

BookWordSet::WordId VocabularyEntryReader::find_key(PaddedBytes key) {
  key_.reserve(key.size(), 0);
  std::transform(key.data(), key.end(), key_.data(), to_lower);
  return map_.keys().find(WordKey::of(key_.view(key.size())));
}

void VocabularyEntryReader::take_line(PaddedBytes padded_line) {
  LEXICULL_INVARIANT(queued_line_count_ == 0);
  const unsigned char* const line = padded_line.data();
  const std::size_t size = padded_line.size();
  const BookWordSet& keys = map_.keys();
  // No key longer than the longest book word can match, so the search for
  // the separator, which lower-cases the key as it goes, stops there.
  const std::size_t longest = keys.longest_word_size();
  const std::size_t searched = std::min(size, longest + 1);
  unsigned char* const key = key_.data();  // room made by make_key_room(size)

  std::size_t separator = size;  // none
  // Eight bytes at a time, past the end of a short line into its padding:
  // only a separator before the end counts.
  for (std::size_t i = 0; i < searched; i += 8) {
    const swar::Bytes8 bytes = swar::load(line + i);
    const swar::Bytes8 lowered = swar::to_lower(bytes);
    swar::store(key + i, lowered);
    const swar::Bytes8 bars = swar::first_equal(bytes, kEntrySeparator);
    if (bars != 0) {
      const std::size_t found = i + swar::first_marked(bars);
      if (found < searched) separator = found;
      // Most keys are short and whole in the first load: look them up
      // from the register.
      if (i == 0 && found < searched) {
        const BookWordSet::WordId id =
            keys.find(WordKey::of_short(lowered & head_bytes_mask(found), found));
        if (id != BookWordSet::kAbsent) set_translation(id, line, size, key, found);
        return;
      }
      break;
    }
  }

  const std::size_t key_size = separator;
  if (key_size > longest) return;
  const BookWordSet::WordId id = keys.find(WordKey::of(key_.view(key_size)));
  if (id != BookWordSet::kAbsent) set_translation(id, line, size, key, key_size);
}

void VocabularyEntryReader::set_translation(BookWordSet::WordId id, const unsigned char* line,
                                            std::size_t size, const unsigned char* lowered_key,
                                            std::size_t key_size) {
  if (map_.senses() == VocabularyMap::Senses::kAll) {
    if (key_size == size) {
      map_.add_sense(id, std::string_view(reinterpret_cast<const char*>(lowered_key), key_size));
      return;
    }
    // Lower-cased first, so that repeats are told as they will be written.
    const std::size_t translation_size = size - key_size - 1;
    sense_.assign(reinterpret_cast<const char*>(line + key_size + 1), translation_size);
    swar::lower_case_in_place(reinterpret_cast<unsigned char*>(&sense_[0]), translation_size);
    map_.add_sense(id, sense_);
    return;
  }
  if (key_size == size) {
    // No separator: the key is its own translation.
    map_.set_translation(id, lowered_key, key_size);
    return;
  }
  const std::size_t translation_size = size - key_size - 1;
  swar::lower_case_in_place(map_.set_translation(id, line + key_size + 1, translation_size),
                            translation_size);
}

void VocabularyEntryReader::append_pending(const unsigned char* data, std::size_t size) {
  pending_.reserve(pending_size_ + size, pending_size_);
  std::memcpy(pending_.data() + pending_size_, data, size);
  pending_size_ += size;
}

void VocabularyEntryReader::make_key_room(std::size_t line_size) {
  // The key search goes no further than the longest book word, in steps of eight.
  key_.reserve(std::min(line_size, map_.keys().longest_word_size() + 1) + 8, 0);
}

void VocabularyEntryReader::take_pending_line() {
  make_key_room(pending_size_);
  take_line(pending_.view(pending_size_));
}

void VocabularyEntryReader::clear_pending() {
  pending_size_ = 0;
  pending_searched_ = 0;
  pending_.shrink();
}

// A long line cut by the end of a block is stored only while its key may
// still be a book word, so that it costs no memory otherwise.
void VocabularyEntryReader::drop_pending_line_if_useless() {
  if (pending_key_wanted_) return;
  const unsigned char* const line = pending_.data();
  // Only the bytes added since the last look can hold the first separator.
  const unsigned char* separator =
      find_byte(line + pending_searched_, line + pending_size_, kEntrySeparator);
  pending_searched_ = pending_size_;
  const std::size_t key_size = separator ? separator - line : pending_size_;
  bool wanted = key_size <= map_.keys().longest_word_size();
  if (wanted && separator != nullptr) {
    wanted = find_key(pending_.view(key_size)) != BookWordSet::kAbsent;
    pending_key_wanted_ = wanted;
  }
  if (!wanted) {
    clear_pending();
    skipping_line_ = true;
  }
}

void VocabularyEntryReader::take_or_queue_line(PaddedBytes line, std::size_t key_size) {
  const BookWordSet& keys = map_.keys();
  if (key_size > WordKey::kHeldWordSize) {
    if (queued_line_count_ > 0) take_queued_lines();
    take_line(line);
    return;
  }
  const WordStart key = lowered_word_start(line.data(), key_size);
  keys.prefetch_held(key.head, key.tail, key_size);
  queued_lines_[queued_line_count_++] =
      QueuedLine{line.data(), line.size(), key_size, key.head, key.tail};
  if (queued_line_count_ == kLineQueueSize) take_queued_lines();
}

void VocabularyEntryReader::take_queued_lines() {
  const BookWordSet& keys = map_.keys();
  for (std::size_t i = 0; i < queued_line_count_; ++i) {
    const QueuedLine& queued = queued_lines_[i];
    const BookWordSet::WordId id =
        keys.find(WordKey::of_held(queued.key_head, queued.key_tail, queued.key_size));
    if (id == BookWordSet::kAbsent) continue;
    unsigned char key[WordKey::kHeldWordSize];
    store_little_endian64(key, queued.key_head);
    store_little_endian64(key + 8, queued.key_tail);
    set_translation(id, queued.line, queued.size, key, queued.key_size);
  }
  queued_line_count_ = 0;
}

void VocabularyEntryReader::feed(PaddedBytes text) {
  feed_lines(text);
  // The queued lines are in this block, which goes after this call.
  take_queued_lines();
}

void VocabularyEntryReader::feed_lines(PaddedBytes text) {
  if (text.empty()) return;
  make_key_room(text.size());
  const unsigned char* in = text.data();
  const unsigned char* const end = text.end();
  marks_.mark(text, kLineFeed, kEntrySeparator);
  if (skipping_line_ || pending_size_ > 0) {
    const unsigned char* line_feed = next_line_feed(text, 0);
    if (line_feed == nullptr) {
      if (!skipping_line_) {
        append_pending(in, text.size());
        drop_pending_line_if_useless();
      }
      return;
    }
    if (!skipping_line_) {
      append_pending(in, line_feed - in);
      take_pending_line();
      clear_pending();
    }
    skipping_line_ = false;
    pending_key_wanted_ = false;
    in = line_feed + 1;
  }
  const BookWordSet& keys = map_.keys();
  const unsigned char* const data = text.data();
  std::size_t at = static_cast<std::size_t>(in - data);
  while (at < text.size()) {
    // A line of under 64 bytes is found by the bits of its line feed and
    // its separator in the 64 bits from its start, without a branch on
    // where those bits lie. Most keys are no book word, which the set's
    // filter tells from the key's first eight bytes and its size: such a
    // line costs little more than finding its line feed.
    const LineMarks::Marks ahead = marks_.from(at);
    if (ahead.line_ends != 0) {
      const unsigned line_size = swar::lowest_bit(ahead.line_ends);
      // A separator after the line feed belongs to a later line.
      const unsigned key_size =
          swar::lowest_bit(ahead.separators | (ahead.line_ends & (0 - ahead.line_ends)));
      if (may_be_book_word(keys, data + at, key_size)) {
        take_or_queue_line(text.part(at, line_size), key_size);
      }
      at += line_size + 1;
      continue;
    }
    // A longer line: when its key ends within the 64 bytes, the filter may
    // pass over it as well.
    in = data + at;
    const unsigned char* line_feed = next_line_feed(text, at + 64);
    if (ahead.separators != 0 && !may_be_book_word(keys, in, swar::lowest_bit(ahead.separators))) {
      if (line_feed == nullptr) {
        skipping_line_ = true;
        return;
      }
      at = static_cast<std::size_t>(line_feed + 1 - data);
      continue;
    }
    if (line_feed == nullptr) {
      append_pending(in, end - in);
      drop_pending_line_if_useless();
      return;
    }
    take_queued_lines();
    take_line(text.part(at, line_feed - in));
    at = static_cast<std::size_t>(line_feed + 1 - data);
  }
}

const unsigned char* VocabularyEntryReader::next_line_feed(PaddedBytes text, std::size_t at) const {
  const std::size_t line_feed = marks_.next_line_end(at);
  return line_feed < text.size() ? text.data() + line_feed : nullptr;
}

void VocabularyEntryReader::finish() {
  if (pending_size_ > 0) take_pending_line();
  clear_pending();
  pending_key_wanted_ = false;
  skipping_line_ = false;
}

std::unique_ptr<VocabularyEntryReader> VocabularyEntryReader::make_later() const {
  // Made in place: a map does not move.
  return std::unique_ptr<VocabularyEntryReader>(
      new VocabularyEntryReader(std::unique_ptr<VocabularyMap>(
          new VocabularyMap(VocabularyMap::for_later_part(map_.keys(), map_.senses())))));
}

Status read_vocabulary(InputFile& vocabulary, VocabularyMap& map, const PartOptions& options) {
  VocabularyEntryReader entries(map);
  // A part of 2 MiB pays for its thread here, where most lines cost little
  // more than their line feed and a part's result is only the translations
  // of book words (measured: 6 and 15 MB vocabularies 6% and 13% faster in
  // two parts, 2 MB no faster).
  PartOptions parts = options;
  parts.min_part_size = std::min(options.min_part_size, std::uint64_t{2} << 20);
  return read_text(vocabulary, entries, parts);
}

}  // namespace lexicull
