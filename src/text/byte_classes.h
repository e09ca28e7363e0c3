#ifndef LEXICULL_TEXT_BYTE_CLASSES_H_
#define LEXICULL_TEXT_BYTE_CLASSES_H_

#include <array>
#include <cstddef>

namespace lexicull {

inline constexpr unsigned char kSpace = 0x20;
inline constexpr unsigned char kLineFeed = 0x0A;
inline constexpr unsigned char kCarriageReturn = 0x0D;
inline constexpr unsigned char kCtrlZ = 0x1A;
inline constexpr unsigned char kHyphen = 0x2D;
inline constexpr unsigned char kEntrySeparator = '|';

// The bytes removed from book words wherever they stand.
inline constexpr unsigned char kPunctuation[] = {'(', ')', ':', ';', '.', '"', ',', '?', '!', '/'};

// Lower-cases exactly "A" to "Z"; every other byte, 0x80 to 0xFF included,
// maps to itself. Fixed, so that no locale or code page can change a result.
struct LowerCaseTable {
  std::array<unsigned char, 256> map{};

  constexpr LowerCaseTable() {
    for (std::size_t byte = 0; byte < 256; ++byte) {
      const bool upper = byte >= 'A' && byte <= 'Z';
      map[byte] = static_cast<unsigned char>(upper ? byte + 0x20 : byte);
    }
  }
};
inline constexpr LowerCaseTable kLowerCase;

inline unsigned char to_lower(unsigned char byte) { return kLowerCase.map[byte]; }

// How the book reader treats each byte.
enum class BookByte : unsigned char {
  kKept,         // stays in the word, lower-cased
  kHyphen,       // stays in the word; may join a line to the next
  kPunctuation,  // dropped from the word
  kLineFeed,     // ends a line of the word
  kSpace,        // ends the chunk, and so the word
};

struct BookByteTable {
  std::array<BookByte, 256> kind{};

  constexpr BookByteTable() {
    for (auto& entry : kind) entry = BookByte::kKept;
    for (unsigned char byte : kPunctuation) kind[byte] = BookByte::kPunctuation;
    kind[kHyphen] = BookByte::kHyphen;
    kind[kLineFeed] = BookByte::kLineFeed;
    kind[kSpace] = BookByte::kSpace;
  }
};
inline constexpr BookByteTable kBookBytes;

}  // namespace lexicull

#endif  // LEXICULL_TEXT_BYTE_CLASSES_H_
