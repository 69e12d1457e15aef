#pragma once
// The rule every loaded text follows, applied to bytes that arrive in pieces:
// the first NUL ends the text, each CR LF, lone CR and lone LF becomes CR LF,
// and a text that is not empty ends with CR LF.

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaro {

class LineEndNormalizer {
public:
    // The normalised bytes are appended to output, or only counted when
    // output is null (to learn the size before the bytes are kept).
    explicit LineEndNormalizer(std::string* output) : output_(output) {}

    // Takes the next bytes of the text; nothing more once a NUL has ended it.
    void Add(std::string_view bytes);
    bool Ended() const { return ended_; }
    // Closes the text with its last CR LF and returns its normalised length.
    std::size_t Finish();

private:
    void Emit(std::string_view bytes);
    void EmitLineEnd();

    std::string* output_;
    std::size_t length_ = 0;
    // The last byte taken was a CR, whose line end is already written, so a
    // LF right after it adds nothing.
    bool afterCr_ = false;
    bool endsWithLineEnd_ = false;
    bool ended_ = false;
};

}  // namespace tessaro
