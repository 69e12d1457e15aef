#pragma once
// A realised font: a FreeType face found through fontconfig for a font
// description, with its metrics and a cache of rendered glyphs. A character
// the face lacks is drawn from the first installed font that has it. Fonts
// with equal descriptions share one platform font.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "imaging/Color.h"
#include "imaging/FontFallback.h"
#include "imaging/FontHandles.h"
#include "imaging/TFont.h"

namespace tessaro {

class TBitmap;

// Start-up check that the page fonts are installed: raises EOutOfResources
// naming the missing family and its package, so that the program says so
// instead of laying pages out in whatever font happens to be there.
void RequirePageFonts();

// The FreeType library of the calling thread; faces opened with it belong to
// that thread.
FT_Library ThreadFreeTypeLibrary();

// One character's rendering: its advance and its antialiased coverage mask,
// placed relative to the pen position on the baseline.
struct Glyph {
    int Advance = 0;
    int Left = 0;  // from the pen position to the mask's left column
    int Top = 0;   // from the baseline up to the mask's top row
    int Width = 0;
    int Rows = 0;
    std::vector<std::uint8_t> Coverage;
};

// Renders glyph index of the face antialiased, slanted and emboldened when
// asked (for a style the face lacks); an empty glyph when FreeType cannot.
Glyph RenderGlyph(FT_Face face, unsigned index, bool slant, bool embolden);

class PlatformFont {
public:
    // The platform font for a description, made on first request and kept for
    // the life of the thread. Its text is read in the code page of the
    // description's character set, or in codePage when that is not 0.
    static PlatformFont& For(const TFontDescription& description, int codePage = 0);

    PlatformFont(const TFontDescription& description, int codePage);
    PlatformFont(const PlatformFont&) = delete;
    PlatformFont& operator=(const PlatformFont&) = delete;

    int CellHeight() const { return cellHeight_; }
    int Ascent() const { return ascent_; }
    // The code page the font reads its bytes in.
    int CodePage() const { return codePage_; }

    // Byte length of the character at the start of text: a lead byte with the
    // byte after it, a UTF-8 sequence, else 1 (0 for an empty text).
    std::size_t CharacterLength(std::string_view text) const;
    const Glyph& GlyphOf(std::string_view character);
    int TextWidth(std::string_view text);

    // Draws text with the top-left corner of its cell at (x, y). With an opaque
    // background each character's cell is filled with it first. Returns the
    // text's width.
    int DrawText(TBitmap& raster, int x, int y, std::string_view text, DevicePixel color,
                  const DevicePixel* background);

private:
    Glyph Render(std::string_view character);
    FontFallback& Fallback();
    void DrawLine(TBitmap& raster, int x, int width, int top, int thickness, DevicePixel color) const;

    TFontDescription description_;
    StyledFace face_;
    int codePage_;
    FT_UInt pixelSize_ = 0;
    // Made when the face first lacks a character.
    std::unique_ptr<FontFallback> fallback_;
    int cellHeight_ = 0;
    int ascent_ = 0;
    int spaceAdvance_ = 0;
    int underlinePosition_ = 0;
    int underlineThickness_ = 1;
    int strikeOutPosition_ = 0;
    int strikeOutThickness_ = 1;
    std::array<std::unique_ptr<Glyph>, 256> singleByteGlyphs_;
    std::unordered_map<std::uint32_t, Glyph> multiByteGlyphs_;
};

}  // namespace tessaro
