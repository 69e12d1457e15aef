#pragma once
// Decoding the bytes of one character in a code page into a Unicode code point.

#include <string_view>

namespace tessaro {

inline constexpr char32_t ReplacementCharacter = U'\uFFFD';

// The code point of one character (one or two bytes) of the code page, or the
// replacement character when the bytes are not a character of that code page.
char32_t DecodeCharacter(std::string_view bytes, int codePage);

}  // namespace tessaro
