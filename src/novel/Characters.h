#pragma once
// Stepping through UTF-8 text one character at a time, and the properties of
// characters the layout asks about.

#include <cstdint>
#include <string_view>

namespace tessaro::novel {

// The offset just past the character at byte at; a malformed byte counts as
// a character of its own.
std::uint32_t CharacterEnd(std::string_view text, std::uint32_t at);
// The character at byte at (U+FFFD for a malformed byte).
char32_t CharacterAt(std::string_view text, std::uint32_t at);

// Set in a full-width cell: East Asian Width Wide or Fullwidth.
bool IsWide(char32_t c);

// Hiragana, katakana or a Han character: what makes a text Japanese.
bool IsKanaOrKanji(char32_t c);

}  // namespace tessaro::novel
