#include "formats/subtitles.h"

#include <cstring>
#include <vector>

namespace lexicull {
namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

bool is_blank(std::string_view line) {
  for (const char c : line) {
    if (c != ' ' && c != '\t' && c != '\r') return false;
  }
  return true;
}

}  // namespace

void SubtitleText::add(std::string_view bytes) {
  static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (at_start_) {
    start_.append(bytes);
    if (start_.size() < kByteOrderMark.size() &&
        kByteOrderMark.substr(0, start_.size()) == start_) {
      return;
    }
    at_start_ = false;
    const std::string start = std::move(start_);
    std::string_view text = start;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(3);
    add(text);
    return;
  }
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) {
      line_.append(bytes);
      if (line_.size() > kLongestLine) {
        take_line(line_, false);
        line_.clear();
        line_cut_ = true;
      }
      return;
    }
    line_.append(bytes.substr(0, end));
    take_line(line_, true);
    line_.clear();
    line_cut_ = false;
    bytes.remove_prefix(end + 1);
  }
}

void SubtitleText::finish() {
  if (!line_.empty()) take_line(line_, true);
  line_.clear();
  hand_on();
  reader_.finish();
}

void SubtitleText::take_line(std::string_view line, bool ends) {
  if (!line_cut_) {
    if (line.find("-->") != std::string_view::npos) {
      in_cue_ = true;
      in_tag_ = in_braces_ = false;
      return;
    }
    if (is_blank(line)) {
      in_cue_ = false;
      return;
    }
  }
  if (!in_cue_) return;
  if (ends && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  add_cue_text(line);
  if (ends) {
    in_tag_ = in_braces_ = false;
    out_.reserve(out_size_ + 1, out_size_);
    out_.data()[out_size_++] = '\n';
  }
  if (out_size_ >= kBlockSize) hand_on();
}

void SubtitleText::add_cue_text(std::string_view line) {
  static constexpr struct {
    std::string_view entity, text;
  } kEntities[] = {{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", " "}};
  out_.reserve(out_size_ + line.size(), out_size_);
  unsigned char* const out = out_.data();
  for (std::size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (in_tag_) {
      in_tag_ = c != '>';
      continue;
    }
    if (in_braces_) {
      in_braces_ = c != '}';
      continue;
    }
    if (c == '<') {
      in_tag_ = true;
      continue;
    }
    if (c == '{' && at + 1 < line.size() && line[at + 1] == '\\') {
      in_braces_ = true;
      continue;
    }
    if (c == '&') {
      bool decoded = false;
      for (const auto& entity : kEntities) {
        if (line.substr(at, entity.entity.size()) == entity.entity) {
          for (const char d : entity.text) out[out_size_++] = static_cast<unsigned char>(d);
          at += entity.entity.size() - 1;
          decoded = true;
          break;
        }
      }
      if (decoded) continue;
    }
    out[out_size_++] = static_cast<unsigned char>(c);
  }
}

void SubtitleText::hand_on() {
  if (out_size_ > 0) reader_.feed(out_.view(out_size_));
  out_size_ = 0;
}

Status read_subtitle_text(ByteSource& book, TextPartReader& reader) {
  SubtitleText text(reader);
  std::vector<unsigned char> block(kBlockSize);
  for (;;) {
    std::size_t count = 0;
    const Status status = book.read(block.data(), block.size(), &count);
    if (!status.ok()) {
      reader.finish();
      return status;
    }
    if (count == 0) break;
    text.add(std::string_view(reinterpret_cast<const char*>(block.data()), count));
  }
  text.finish();
  return Status();
}

}  // namespace lexicull
