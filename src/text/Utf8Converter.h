#pragma once
// Converting a text in another encoding to UTF-8 as its bytes arrive in pieces.

#include <cstddef>
#include <string_view>
#include <vector>

#include "text/IconvHandle.h"
#include "text/LineEndNormalizer.h"

namespace tessaro {

class Utf8Converter {
public:
    // from is the iconv name of the text's encoding; unitSize is the size of
    // its smallest unit (2 for UTF-16, else 1), which one U+FFFD stands for
    // when it is not part of a character.
    Utf8Converter(const char* from, std::size_t unitSize);

    // Converts bytes and hands the UTF-8 on to output. Returns how many bytes
    // were used: all of them, but for a character cut by their end, which
    // must come again at the front of the next bytes. When last is set the
    // text ends with these bytes, and a character cut short is not one.
    std::size_t Convert(std::string_view bytes, bool last, LineEndNormalizer& output);

    // True once some bytes were not a character of the encoding.
    bool MetInvalidBytes() const { return invalid_; }

private:
    IconvHandle converter_;
    std::size_t unitSize_;
    std::vector<char> buffer_;
    bool invalid_ = false;
};

}  // namespace tessaro
