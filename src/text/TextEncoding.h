#pragma once
// How the bytes of a book form characters: in the locale's code page, as UTF-8,
// or as Shift_JIS whatever the locale. A book in another encoding is converted
// to UTF-8 when it is loaded (text/TextLoader.h).

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaro {

enum class TextEncoding { Locale, Utf8, ShiftJis };

// What the user asks for; Auto decides from the text. EUC-JP, ISO-2022-JP and
// UTF-16 texts are converted to UTF-8.
enum class TextEncodingChoice { Auto, Locale, Utf8, ShiftJis, EucJp, Iso2022Jp, Utf16 };

// A text that begins with the UTF-8 byte-order mark, or that is well-formed
// UTF-8 holding a multi-byte sequence, is UTF-8; any other keeps the locale's
// code page. A chosen encoding that is converted gives UTF-8.
TextEncoding DecideTextEncoding(std::string_view text, TextEncodingChoice choice);

// Length of the leading UTF-8 byte-order mark of a UTF-8 text (3 or 0).
std::size_t ByteOrderMarkLength(std::string_view text, TextEncoding encoding);

// The code page glyphs are decoded in for an encoding; 0 for the locale's
// (the font's character set decides).
int CodePageOf(TextEncoding encoding);

// Byte length of the whole character at the start of s: a lead byte and the
// byte after it, a UTF-8 sequence (a malformed byte alone), or one byte. 0 for
// an empty s.
std::size_t CharacterLengthAt(std::string_view s, TextEncoding encoding);

}  // namespace tessaro
