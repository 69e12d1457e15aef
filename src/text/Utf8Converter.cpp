#include "text/Utf8Converter.h"

#include <algorithm>
#include <cerrno>

#include "text/Utf8.h"

namespace tessaro {

namespace {

constexpr std::size_t kOutputBufferSize = 64 * 1024;
const std::size_t kConversionFailed = static_cast<std::size_t>(-1);

}  // namespace

Utf8Converter::Utf8Converter(const char* from, std::size_t unitSize)
    : converter_("UTF-8", from), unitSize_(unitSize), buffer_(kOutputBufferSize)
{
}

std::size_t Utf8Converter::Convert(std::string_view bytes, bool last, LineEndNormalizer& output)
{
    // iconv takes a pointer to non-const input but never writes through it.
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft != 0 && !output.Ended()) {
        char* out = buffer_.data();
        std::size_t outLeft = buffer_.size();
        const bool stopped = iconv(converter_.Get(), &in, &inLeft, &out, &outLeft) == kConversionFailed;
        const int error = errno;
        output.Add(std::string_view(buffer_.data(), buffer_.size() - outLeft));
        if (!stopped || error == E2BIG)
            continue;
        if (error == EINVAL && !last)
            break;
        // Not a character (EILSEQ), or a character cut short by the end of
        // the text: one unit is replaced and the conversion goes on after it.
        const std::size_t skipped = std::min(unitSize_, inLeft);
        in += skipped;
        inLeft -= skipped;
        invalid_ = true;
        output.Add(Utf8ReplacementCharacter);
    }
    return bytes.size() - inLeft;
}

}  // namespace tessaro
