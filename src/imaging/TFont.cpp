#include "imaging/TFont.h"

#include <algorithm>
#include <cstdint>

#include "text/CodePageDecoder.h"
#include "text/CodePageInfo.h"
#include "text/Utf8.h"

namespace tessaro {

namespace {

int screenPixelsPerInch = 96;
TFontDescription defaultDescription{"MS Sans Serif", -11, 0, DEFAULT_CHARSET, fpDefault};

// The character set of the system font: Japanese exactly when the code page in
// use is Shift_JIS.
std::uint8_t SystemFontCharset()
{
    return AnsiCodePage() == 932 ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
}

// The longest start of a UTF-8 name, in whole characters, whose form in the
// code page fits the name limit. A byte that begins no UTF-8 sequence counts
// as a character of its own.
std::string_view FontNamePrefix(std::string_view name, int codePage)
{
    std::size_t kept = 0;
    std::size_t encodedBytes = 0;
    while (kept < name.size()) {
        const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(name.substr(kept)));
        encodedBytes += EncodedLength(name.substr(kept, length), codePage);
        if (encodedBytes > MaxFontNameBytes)
            break;
        kept += length;
    }
    return name.substr(0, kept);
}

}  // namespace

int CodePageOfCharset(std::uint8_t charset)
{
    switch (charset) {
    case SHIFTJIS_CHARSET:
        return 932;
    case 129:  // Hangul
        return 949;
    case 134:  // GB2312
        return 936;
    case 136:  // Big5
        return 950;
    case 222:  // Thai
        return 874;
    case 238:  // Eastern Europe
        return 1250;
    case 204:  // Russian
        return 1251;
    case 0:  // ANSI
        return 1252;
    case 161:  // Greek
        return 1253;
    case 162:  // Turkish
        return 1254;
    case 177:  // Hebrew
        return 1255;
    case 178:  // Arabic
        return 1256;
    case 186:  // Baltic
        return 1257;
    case 163:  // Vietnamese
        return 1258;
    default:
        return AnsiCodePage();
    }
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = std::int64_t(a) * b;
    const std::int64_t half = (c < 0 ? -std::int64_t(c) : std::int64_t(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (product < 0 ? -product : product) + half;
    const std::int64_t quotient = magnitude / (c < 0 ? -std::int64_t(c) : std::int64_t(c));
    return static_cast<int>(negative ? -quotient : quotient);
}

void InitScreenFont(int pixelsPerInch)
{
    screenPixelsPerInch = pixelsPerInch;
    defaultDescription = {"MS Sans Serif", -MulDiv(8, pixelsPerInch, 72), 0, DEFAULT_CHARSET, fpDefault};
    if (DoubleByteSystem() && SystemFontCharset() == SHIFTJIS_CHARSET) {
        defaultDescription.Name = "ＭＳ Ｐゴシック";
        defaultDescription.Height = -MulDiv(9, pixelsPerInch, 72);
        defaultDescription.Charset = SHIFTJIS_CHARSET;
    }
}

int ScreenPixelsPerInch()
{
    return screenPixelsPerInch;
}

const TFontDescription& DefaultFontDescription()
{
    return defaultDescription;
}

TFont::TFont() : description_(defaultDescription), pixelsPerInch_(screenPixelsPerInch) {}

void TFont::SetName(std::string_view name)
{
    if (name.empty())
        return;
    description_.Name.assign(FontNamePrefix(name, CodePageOfCharset(description_.Charset)));
    Changed();
}

void TFont::SetHeight(int height)
{
    description_.Height = height;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(description_.Height, 72, pixelsPerInch_);
}

void TFont::SetSize(int points)
{
    SetHeight(-MulDiv(points, pixelsPerInch_, 72));
}

void TFont::SetStyle(TFontStyles style)
{
    description_.Style = style;
    Changed();
}

void TFont::SetCharset(std::uint8_t charset)
{
    description_.Charset = charset;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch)
{
    description_.Pitch = pitch;
    Changed();
}

void TFont::CopyFont(const TFont& source)
{
    description_ = source.description_;
    color_ = source.color_;
    Changed();
    if (pixelsPerInch_ != source.pixelsPerInch_)
        SetSize(source.Size());
}

}  // namespace tessaro
