#pragma once
// One font file at one pixel size, as the novel layout uses it: a FreeType face
// for drawing, a HarfBuzz font over the same face for shaping, and a cache of
// rendered glyphs by glyph id. Positions and advances are in 1/64 pixel.

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "imaging/FontHandles.h"
#include "imaging/FontMatch.h"
#include "imaging/PlatformFont.h"
#include "novel/LibraryHandles.h"

namespace tessaro::novel {

// 1/64 pixel, the unit of FreeType and HarfBuzz positions here.
using Fixed = std::int32_t;
inline constexpr Fixed FixedOne = 64;
inline constexpr int RoundFixed(Fixed value) { return (value + 32) >> 6; }

// Bold and italic as asked of a face; a face that has no such style of its
// own has it drawn in.
struct FaceStyle {
    bool Bold = false;
    bool Italic = false;
    bool operator==(const FaceStyle&) const = default;
};

class Typeface {
public:
    // Opens the face at an em of pixelSize pixels in the style.
    Typeface(const FontFile& file, int pixelSize, FaceStyle style = {});
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;

    int PixelSize() const { return pixelSize_; }
    // From the top of the em box down to the baseline.
    Fixed Ascent() const { return ascent_; }
    hb_font_t* ShapingFont() const { return shaping_.get(); }
    // The glyph the font maps a character to; 0 when it has none.
    std::uint32_t NominalGlyph(char32_t character) const;
    // True when shaping the character top to bottom gives another glyph than
    // its own: the font has a vertical form of it.
    bool HasVerticalForm(char32_t character);

    // The coverage of a glyph drawn with its origin at (0, 0); rotated turns
    // it a quarter turn clockwise about the origin. The box may end in blank
    // columns on the right.
    const Glyph& Render(std::uint32_t glyph, bool rotated);

private:
    // Where a glyph's vertical origin lies from its horizontal one.
    struct VerticalOrigin {
        hb_position_t X = 0;
        hb_position_t Y = 0;
    };

    Glyph Draw(std::uint32_t glyph, bool rotated);
    static hb_bool_t KeptVerticalOrigin(hb_font_t* font, void* typeface, hb_codepoint_t glyph, hb_position_t* x,
                                        hb_position_t* y, void* unused);
    static hb_position_t KeptVerticalAdvance(hb_font_t* font, void* typeface, hb_codepoint_t glyph, void* unused);

    FreeTypeFace face_;
    HarfBuzzFont shaping_;
    int pixelSize_;
    Fixed ascent_ = 0;
    bool embolden_ = false;
    bool slant_ = false;
    std::unordered_map<std::uint64_t, Glyph> glyphs_;
    std::unordered_map<char32_t, bool> verticalForms_;
    std::unordered_map<std::uint32_t, VerticalOrigin> verticalOrigins_;
    std::unordered_map<std::uint32_t, hb_position_t> verticalAdvances_;
};

}  // namespace tessaro::novel
