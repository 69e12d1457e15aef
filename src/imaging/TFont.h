#pragma once
// A font description: family, height in pixels (or size in points), colour,
// style, character set and pitch. The description is realised as a platform
// font by the canvas on first use after a change.

#include <cstdint>
#include <string>
#include <string_view>

#include "imaging/Color.h"

namespace tessaro {

using TFontStyles = unsigned;
inline constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

enum TFontPitch { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

inline constexpr std::uint8_t DEFAULT_CHARSET = 1;
inline constexpr std::uint8_t SHIFTJIS_CHARSET = 128;

// The code page a font's character set reads bytes in: the locale's ANSI code
// page for DEFAULT_CHARSET and any set without a code page of its own.
int CodePageOfCharset(std::uint8_t charset);

// The part of a font that selects the platform font.
struct TFontDescription {
    std::string Name;
    int Height = 0;
    TFontStyles Style = 0;
    std::uint8_t Charset = DEFAULT_CHARSET;
    TFontPitch Pitch = fpDefault;

    bool operator==(const TFontDescription&) const = default;
};

// a * b / c with a 64-bit product, rounded to nearest, halves away from zero.
int MulDiv(int a, int b, int c);

// Start-up: records the screen resolution and sets the default description
// every new font takes. Needs the double-byte flag, so it runs after
// InitCodePageInfo.
void InitScreenFont(int pixelsPerInch = 96);
int ScreenPixelsPerInch();
const TFontDescription& DefaultFontDescription();

inline constexpr std::size_t MaxFontNameBytes = 31;

class TFont {
public:
    TFont();

    const std::string& Name() const { return description_.Name; }
    // Keeps the longest start of the UTF-8 name, in whole characters, that
    // takes at most 31 bytes in the code page of the character set; a
    // character the code page lacks counts as the one byte of the '?' that
    // would stand for it. An empty name changes nothing.
    void SetName(std::string_view name);

    int Height() const { return description_.Height; }
    void SetHeight(int height);
    int Size() const;
    void SetSize(int points);
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int pixelsPerInch) { pixelsPerInch_ = pixelsPerInch; }

    TColor Color() const { return color_; }
    void SetColor(TColor color) { color_ = color; }
    TFontStyles Style() const { return description_.Style; }
    void SetStyle(TFontStyles style);
    std::uint8_t Charset() const { return description_.Charset; }
    void SetCharset(std::uint8_t charset);
    TFontPitch Pitch() const { return description_.Pitch; }
    void SetPitch(TFontPitch pitch);

    // Takes the source's description and colour; keeps the size in points when
    // the two fonts have different resolutions.
    void CopyFont(const TFont& source);

    const TFontDescription& Description() const { return description_; }
    // Grows with every change of the description, so that a canvas knows when
    // to realise the font again.
    unsigned Generation() const { return generation_; }

private:
    void Changed() { ++generation_; }

    TFontDescription description_;
    TColor color_ = clWindowText;
    int pixelsPerInch_;
    unsigned generation_ = 0;
};

}  // namespace tessaro
