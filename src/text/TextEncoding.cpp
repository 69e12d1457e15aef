#include "text/TextEncoding.h"

#include <algorithm>

#include "text/CodePageInfo.h"
#include "text/Utf8.h"

namespace tessaro {

TextEncoding DecideTextEncoding(std::string_view text, TextEncodingChoice choice)
{
    switch (choice) {
    case TextEncodingChoice::Locale:
        return TextEncoding::Locale;
    case TextEncodingChoice::Utf8:
    case TextEncodingChoice::EucJp:
    case TextEncodingChoice::Iso2022Jp:
    case TextEncodingChoice::Utf16:
        return TextEncoding::Utf8;
    case TextEncodingChoice::ShiftJis:
        return TextEncoding::ShiftJis;
    case TextEncodingChoice::Auto:
        break;
    }
    if (text.starts_with(Utf8ByteOrderMark) || IsUtf8WithMultibyte(text))
        return TextEncoding::Utf8;
    return TextEncoding::Locale;
}

std::size_t ByteOrderMarkLength(std::string_view text, TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 && text.starts_with(Utf8ByteOrderMark) ? Utf8ByteOrderMark.size() : 0;
}

int CodePageOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return CodePageUtf8;
    case TextEncoding::ShiftJis:
        return 932;
    case TextEncoding::Locale:
        break;
    }
    return 0;
}

std::size_t CharacterLengthAt(std::string_view s, TextEncoding encoding)
{
    if (s.empty())
        return 0;
    switch (encoding) {
    case TextEncoding::Locale:
        return StartsWithLeadByte(s) ? std::min<std::size_t>(2, s.size()) : 1;
    case TextEncoding::ShiftJis:
        return IsLeadByteOf(932, static_cast<unsigned char>(s[0])) ? std::min<std::size_t>(2, s.size()) : 1;
    case TextEncoding::Utf8:
        break;
    }
    const std::size_t length = Utf8SequenceLength(s);
    return length == 0 ? 1 : length;
}

}  // namespace tessaro
