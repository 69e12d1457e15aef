#pragma once
// Decoding the bytes of one character in a code page into a Unicode code
// point, and the length of a character's form in a code page.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaro {

inline constexpr char32_t ReplacementCharacter = U'\uFFFD';

// The names iconv may know a code page by, the usual one first.
std::vector<std::string> IconvNames(int codePage);

// The code point of one character (one or two bytes) of the code page, or the
// replacement character when the bytes are not a character of that code page.
char32_t DecodeCharacter(std::string_view bytes, int codePage);

// The number of bytes one character, given as a UTF-8 sequence, takes in the
// code page: 1 for a character the code page lacks, which is written as '?'.
std::size_t EncodedLength(std::string_view utf8Character, int codePage);

}  // namespace tessaro
