#include "text/Utf8.h"

#include "text/CodePageDecoder.h"

namespace tessaro {

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view s)
{
    if (s.empty())
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(s.data());
    const unsigned char first = b[0];
    if (first < 0x80)
        return 1;
    // The second byte's range rules out overlong forms (E0, F0), surrogates
    // (ED) and code points above U+10FFFF (F4).
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    std::size_t length = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (s.size() < length || b[1] < low || b[1] > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!IsContinuation(b[i]))
            return 0;
    return length;
}

char32_t DecodeUtf8(std::string_view sequence)
{
    const std::size_t length = Utf8SequenceLength(sequence);
    if (length == 0 || length != sequence.size())
        return ReplacementCharacter;
    const auto* b = reinterpret_cast<const unsigned char*>(sequence.data());
    static constexpr unsigned char firstMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t codePoint = b[0] & firstMask[length];
    for (std::size_t i = 1; i < length; ++i)
        codePoint = (codePoint << 6) | (b[i] & 0x3F);
    return codePoint;
}

bool IsUtf8WithMultibyte(std::string_view s)
{
    bool multibyte = false;
    while (!s.empty()) {
        const std::size_t length = Utf8SequenceLength(s);
        if (length == 0)
            return false;
        multibyte = multibyte || length > 1;
        s.remove_prefix(length);
    }
    return multibyte;
}

}  // namespace tessaro
