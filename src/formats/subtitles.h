#ifndef LEXICULL_FORMATS_SUBTITLES_H_
#define LEXICULL_FORMATS_SUBTITLES_H_

// Subtitles, SRT and WebVTT: the words of a film or an episode.

#include <cstddef>
#include <string>
#include <string_view>

#include "base/byte_buffer.h"
#include "base/byte_stream.h"
#include "base/status.h"
#include "text/text_parts.h"

namespace lexicull {

// Takes a subtitle file's bytes, in pieces, and hands `reader` the text of
// its cues: after each timing line (one that holds "-->"), the lines up to
// the next blank one, each a line of the text, with no empty line between
// cues (a sentence often runs on into the next cue). Everything else goes:
// cue numbers and names, timings and their settings, the WEBVTT header and
// the NOTE, STYLE and REGION blocks. In the cue text every tag <...> (<i>,
// <font color=...>, <c.class>, <v Name>, <00:01.000>) and every {\...}
// block ({\an8}) is removed, and &amp; &lt; &gt; &nbsp; are decoded (the
// last as a space). A line is held until it ends, up to kLongestLine bytes;
// the rest of a longer one goes on as it comes.
class SubtitleText {
 public:
  static constexpr std::size_t kLongestLine = 64 * 1024;

  explicit SubtitleText(TextPartReader& reader) : reader_(reader) {}

  void add(std::string_view bytes);
  // Ends the text, and hands everything on to the reader.
  void finish();

 private:
  void take_line(std::string_view line, bool ends);
  void add_cue_text(std::string_view line);
  void hand_on();

  TextPartReader& reader_;
  std::string start_;  // the first bytes, while they may be a byte order mark
  std::string line_;
  bool at_start_ = true;
  bool in_cue_ = false;     // after a timing line, before a blank line
  bool line_cut_ = false;   // the line being read went on in part already
  bool in_tag_ = false;     // inside <...> in cue text
  bool in_braces_ = false;  // inside {\...}
  ByteBuffer out_;
  std::size_t out_size_ = 0;
};

// Reads `book` whole through SubtitleText into `reader`, then finishes it.
Status read_subtitle_text(ByteSource& book, TextPartReader& reader);

}  // namespace lexicull

#endif  // LEXICULL_FORMATS_SUBTITLES_H_
