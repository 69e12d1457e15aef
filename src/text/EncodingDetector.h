#pragma once
// Telling the encoding of a text from its bytes, which arrive in pieces.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include <uchardet/uchardet.h>

namespace tessaro {

class EncodingDetector {
public:
    EncodingDetector();

    // Takes the next bytes of the text. Returns how many were used: all of
    // them, but for a UTF-8 sequence cut by their end, which must come again
    // at the front of the next bytes. When last is set the text ends here.
    std::size_t Add(std::string_view bytes, bool last);

    // True when the text is well-formed UTF-8 holding a multi-byte sequence.
    bool IsUtf8WithMultibyte() const { return wellFormed_ && multibyte_; }
    // The charset uchardet takes the text to be in, by its name ("SHIFT_JIS",
    // "EUC-JP", "ISO-2022-JP", "UTF-8", "ASCII", ...); empty for no guess.
    std::string Guess();

private:
    struct Delete {
        void operator()(uchardet_t detector) const { uchardet_delete(detector); }
    };

    std::size_t CheckUtf8(std::string_view bytes, bool last);

    std::unique_ptr<uchardet, Delete> detector_;
    bool wellFormed_ = true;
    bool multibyte_ = false;
};

}  // namespace tessaro
