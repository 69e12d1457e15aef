#pragma once
// Loading a book: its bytes read in chunks, its encoding decided, converted to
// UTF-8 when it is neither UTF-8 nor in the locale's code page, and its line
// ends normalised, without ever holding a list of its lines.

#include <cstddef>
#include <string>

#include "text/TextEncoding.h"

namespace tessaro {

struct LoadedText {
    // Cut at the first NUL, every line ended by CR LF.
    std::string Bytes;
    // How the bytes form characters: a converted text is UTF-8.
    TextEncoding Encoding = TextEncoding::Locale;
};

inline constexpr std::size_t DefaultChunkSize = 1 << 20;

// Loads a text file. With Auto, a byte-order mark decides UTF-8, UTF-16LE or
// UTF-16BE; else a well-formed UTF-8 text with a multi-byte sequence is UTF-8;
// else a text that uchardet takes for Shift_JIS, EUC-JP or ISO-2022-JP and
// that converts without a fault is converted, unless it is in the locale's own
// code page; any other text keeps the locale's code page. A chosen encoding is
// used as it is; Utf16 without a byte-order mark is little-endian. Bytes that
// are not a character of an encoding converted from become U+FFFD, one per
// unit. Raises EFOpenError when the file cannot be opened and EReadError for
// a file of 2 GiB or more. chunkSize is the number of bytes read at a time.
LoadedText LoadText(const std::string& fileName, TextEncodingChoice choice, std::size_t chunkSize = DefaultChunkSize);

// Loads a text file as LoadText does and converts a text it would keep in a
// code page to UTF-8 as well, dropping a leading byte-order mark: the result
// is UTF-8 whatever the file's encoding.
std::string LoadUtf8Text(const std::string& fileName, TextEncodingChoice choice,
                         std::size_t chunkSize = DefaultChunkSize);

}  // namespace tessaro
