#pragma once
// UTF-8 sequences: their length, validity and code point.

#include <cstddef>
#include <string_view>

namespace tessaro {

inline constexpr int CodePageUtf8 = 65001;
inline constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
// U+FFFD, which stands for bytes that are not a character.
inline constexpr std::string_view Utf8ReplacementCharacter = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at the start of s (1 to 4), or 0
// when s does not start with one (a stray continuation byte, an overlong or
// surrogate form, a truncated sequence) or is empty.
std::size_t Utf8SequenceLength(std::string_view s);

// The code point of a text that is exactly one well-formed sequence, else
// the replacement character.
char32_t DecodeUtf8(std::string_view sequence);

// True when s is well-formed UTF-8 throughout and holds at least one
// multi-byte sequence.
bool IsUtf8WithMultibyte(std::string_view s);

}  // namespace tessaro
