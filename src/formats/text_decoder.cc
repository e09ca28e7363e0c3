#include "formats/text_decoder.h"

#include <algorithm>

#include "base/utf8.h"
#include "formats/code_pages.h"
#include "text/byte_classes.h"

namespace lexicull {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::string lower(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = static_cast<char>(to_lower(static_cast<unsigned char>(c)));
  return lowered;
}

// Where `needle` (lower case) starts in `text` from `from`, ASCII case
// ignored, or npos.
std::size_t find_ignoring_case(std::string_view text, std::string_view needle, std::size_t from) {
  for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
    std::size_t k = 0;
    while (k < needle.size() && to_lower(static_cast<unsigned char>(text[at + k])) == needle[k]) {
      ++k;
    }
    if (k == needle.size()) return at;
  }
  return std::string_view::npos;
}

// The value after `name` = in `text` (a tag or a declaration): quoted, or
// up to a space, ';', '>' or a quote.
std::string value_after(std::string_view text, std::string_view name) {
  std::size_t at = find_ignoring_case(text, name, 0);
  if (at == std::string_view::npos) return "";
  at += name.size();
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) ++at;
  if (at >= text.size() || text[at] != '=') return "";
  ++at;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n')) ++at;
  if (at < text.size() && (text[at] == '"' || text[at] == '\'')) ++at;
  const std::size_t end = text.find_first_of(" \t\r\n;>\"'", at);
  return lower(text.substr(at, std::min(end, text.size()) - at));
}

}  // namespace

std::string declared_html_encoding(std::string_view start) {
  if (start.substr(0, 3) == "\xEF\xBB\xBF") return "utf-8";
  if (start.substr(0, 2) == "\xFF\xFE") return "utf-16le";
  if (start.substr(0, 2) == "\xFE\xFF") return "utf-16be";
  start = start.substr(0, 1024);
  if (start.substr(0, 5) == "<?xml") {
    const std::size_t end = start.find("?>");
    const std::string declared = value_after(start.substr(0, end), "encoding");
    if (!declared.empty()) return declared;
  }
  for (std::size_t at = 0; (at = find_ignoring_case(start, "<meta", at)) != std::string_view::npos;
       at += 5) {
    const std::size_t end = start.find('>', at);
    const std::string declared = value_after(start.substr(at, end - at), "charset");
    if (!declared.empty()) return declared;
  }
  return "";
}

TextDecoder::TextDecoder(std::string_view encoding) {
  const std::string name = lower(encoding);
  if (name == "utf-16le" || name == "utf-16") {
    kind_ = Kind::kUtf16LittleEndian;
  } else if (name == "utf-16be") {
    kind_ = Kind::kUtf16BigEndian;
  } else if ((upper_half_ = single_byte_code_page(name)) != nullptr) {
    kind_ = Kind::kCodePage;
  }
}

void TextDecoder::decode(std::string_view bytes, bool last, std::string* out) {
  switch (kind_) {
    case Kind::kUtf8:
      decode_utf8(bytes, last, out);
      break;
    case Kind::kUtf16LittleEndian:
    case Kind::kUtf16BigEndian:
      decode_utf16(bytes, last, out);
      break;
    case Kind::kCodePage:
      out->reserve(out->size() + bytes.size());
      for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
          *out += c;
        } else {
          append_utf8(upper_half_[byte - 0x80], *out);
        }
      }
      break;
  }
}

void TextDecoder::decode_utf8(std::string_view bytes, bool last, std::string* out) {
  std::string joined;
  if (!carried_.empty()) {
    joined = carried_ + std::string(bytes);
    carried_.clear();
    bytes = joined;
  }
  if (at_start_ && (bytes.size() >= 3 || last)) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    at_start_ = false;
  } else if (at_start_) {
    carried_.assign(bytes);
    return;
  }
  out->reserve(out->size() + bytes.size());
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = in + bytes.size();
  while (in < end) {
    const unsigned char byte = *in;
    if (byte < 0x80) {
      const unsigned char* run = in + 1;
      while (run < end && *run < 0x80) ++run;
      out->append(reinterpret_cast<const char*>(in), static_cast<std::size_t>(run - in));
      in = run;
      continue;
    }
    const Utf8Prefix prefix = utf8_prefix(in, static_cast<std::size_t>(end - in));
    const std::size_t valid = prefix.valid, length = prefix.length;
    if (valid == length && length > 0) {
      out->append(reinterpret_cast<const char*>(in), length);
      in += length;
    } else if (in + valid == end && valid > 0 && !last) {
      carried_.assign(reinterpret_cast<const char*>(in), valid);
      return;
    } else {
      append_utf8(kReplacement, *out);
      in += std::max<std::size_t>(valid, 1);
    }
  }
}

void TextDecoder::decode_utf16(std::string_view bytes, bool last, std::string* out) {
  std::string joined;
  if (!carried_.empty()) {
    joined = carried_ + std::string(bytes);
    carried_.clear();
    bytes = joined;
  }
  const bool big_endian = kind_ == Kind::kUtf16BigEndian;
  std::size_t at = 0;
  for (; at + 2 <= bytes.size(); at += 2) {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    const auto unit = static_cast<char16_t>(big_endian ? first << 8 | second : second << 8 | first);
    if (at_start_) {
      at_start_ = false;
      if (unit == 0xFEFF) continue;
    }
    if (high_surrogate_ != 0) {
      const char16_t high = high_surrogate_;
      high_surrogate_ = 0;
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        append_utf8(0x10000 + ((char32_t{high} - 0xD800) << 10) + (unit - 0xDC00), *out);
        continue;
      }
      append_utf8(kReplacement, *out);
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      high_surrogate_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      append_utf8(kReplacement, *out);
    } else {
      append_utf8(unit, *out);
    }
  }
  if (at < bytes.size()) carried_.assign(bytes.substr(at));
  if (last) {
    if (high_surrogate_ != 0 || !carried_.empty()) append_utf8(kReplacement, *out);
    high_surrogate_ = 0;
    carried_.clear();
  }
}

}  // namespace lexicull
