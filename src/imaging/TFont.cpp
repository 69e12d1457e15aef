#include "imaging/TFont.h"

#include <cstdint>

#include "text/CodePageInfo.h"

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

}  // namespace

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
    description_.Name.assign(name.substr(0, MaxFontNameBytes));
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
