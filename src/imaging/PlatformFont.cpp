#include "imaging/PlatformFont.h"

#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "imaging/FontMatch.h"
#include "imaging/TBitmap.h"
#include "text/CodePageDecoder.h"
#include "text/CodePageInfo.h"
#include "text/Exception.h"
#include "text/Utf8.h"

namespace tessaro {

namespace {

// The Japanese system fonts and the classic sans-serif name the program asks
// for, mapped to the fonts that stand in for them here.
std::string SubstituteFamily(const std::string& name)
{
    static const std::pair<std::string_view, std::string_view> substitutions[] = {
        {"ＭＳ ゴシック", "IPAGothic"},  {"MS Gothic", "IPAGothic"},    {"ＭＳ Ｐゴシック", "IPAPGothic"},
        {"MS PGothic", "IPAPGothic"},   {"ＭＳ 明朝", "IPAMincho"},      {"ＭＳ Ｐ明朝", "IPAPMincho"},
        {"MS Sans Serif", "sans-serif"},
    };
    for (const auto& [from, to] : substitutions)
        if (name == from)
            return std::string(to);
    return name;
}

bool IsDefaultName(const std::string& name)
{
    return name.size() == 7 && std::equal(name.begin(), name.end(), "default",
                                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

bool IsControlByte(std::string_view character)
{
    if (character.size() != 1)
        return false;
    const auto byte = static_cast<unsigned char>(character[0]);
    return byte < 0x20 || byte == 0x7F;
}

std::uint32_t KeyOf(std::string_view character)
{
    std::uint32_t key = 0;
    for (char c : character)
        key = (key << 8) | static_cast<unsigned char>(c);
    return key | (std::uint32_t(character.size()) << 24);
}

int RoundTo26Dot6(FT_Pos value)
{
    return static_cast<int>((value + 32) >> 6);
}

// The fontconfig request for a family in the description's style and pitch,
// Japanese when japanese is set.
FontRequest RequestFor(const TFontDescription& description, const std::string& family, bool japanese)
{
    return {family, (description.Style & fsBold) != 0, (description.Style & fsItalic) != 0, japanese ? "ja" : "",
            description.Pitch == fpFixed};
}

// Japanese fonts come first among those that stand in for missing characters
// when the font is a Japanese one or its text is (code page 932, or UTF-8 on a
// Japanese locale), so that Han characters take their Japanese shapes.
bool FallbackPrefersJapanese(const TFontDescription& description, int codePage)
{
    const int textCodePage = codePage == CodePageUtf8 ? AnsiCodePage() : codePage;
    return description.Charset == SHIFTJIS_CHARSET || textCodePage == 932;
}

std::string RequestedFamily(const TFontDescription& description)
{
    return SubstituteFamily(IsDefaultName(description.Name) ? DefaultFontDescription().Name : description.Name);
}

// Opens the face for a description. A font that cannot be found or read falls
// back to the system's sans-serif font: text is still drawn, as in any other
// font the platform cannot make.
FreeTypeFace OpenFace(const TFontDescription& description)
{
    RequireFontconfig();
    const std::string requested = RequestedFamily(description);
    for (const std::string& family : {requested, std::string("sans-serif")}) {
        const std::optional<FontFile> matched =
            MatchFontFile(RequestFor(description, family, description.Charset == SHIFTJIS_CHARSET));
        FT_Face face = nullptr;
        if (matched && FT_New_Face(ThreadFreeTypeLibrary(), matched->Path.c_str(), matched->Index, &face) == 0)
            return FreeTypeFace(face);
    }
    throw EOutOfResources("フォントが見つかりません: " + requested);
}

// The FreeType library and the realised fonts of one thread.
struct FontSystem {
    FreeTypeLibrary Library;
    std::vector<std::unique_ptr<PlatformFont>> Fonts;

    FontSystem()
    {
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0)
            throw EOutOfResources("FreeType を初期化できません");
        Library.reset(library);
    }
};

FontSystem& ThreadFontSystem()
{
    thread_local FontSystem system;
    return system;
}

}  // namespace

FT_Library ThreadFreeTypeLibrary()
{
    return ThreadFontSystem().Library.get();
}

namespace {

// Mixes a colour into a pixel by a glyph's coverage (0 to 255), the red and
// blue channels together in one word and green on its own.
inline void BlendPixel(DevicePixel& target, DevicePixel color, unsigned coverage)
{
    if (coverage == 0)
        return;
    if (coverage == 255) {
        target = color;
        return;
    }
    const unsigned weight = coverage + (coverage >> 7);  // 0..256
    const unsigned keep = 256 - weight;
    const DevicePixel from = target;
    const unsigned redBlue = ((from & 0xFF00FFu) * keep + (color & 0xFF00FFu) * weight) >> 8;
    const unsigned green = ((from & 0xFF00u) * keep + (color & 0xFF00u) * weight) >> 8;
    target = 0xFF000000u | (redBlue & 0xFF00FFu) | (green & 0xFF00u);
}

void FillBox(TBitmap& raster, int left, int top, int right, int bottom, DevicePixel color)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, raster.Width());
    bottom = std::min(bottom, raster.Height());
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<DevicePixel*>(raster.MutableScanLine(y));
        std::fill(row + left, row + std::max(left, right), color);
    }
}

}  // namespace

Glyph RenderGlyph(FT_Face face, unsigned index, bool slant, bool embolden)
{
    Glyph glyph;
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0)
        return glyph;
    FT_GlyphSlot slot = face->glyph;
    if (slant)
        FT_GlyphSlot_Oblique(slot);
    if (embolden)
        FT_GlyphSlot_Embolden(slot);
    glyph.Advance = RoundTo26Dot6(slot->advance.x);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.Left = slot->bitmap_left;
    glyph.Top = slot->bitmap_top;
    glyph.Width = static_cast<int>(bitmap.width);
    glyph.Rows = static_cast<int>(bitmap.rows);
    glyph.Coverage.resize(std::size_t(glyph.Width) * std::size_t(glyph.Rows));
    for (int y = 0; y < glyph.Rows; ++y) {
        const unsigned char* source = bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch;
        std::uint8_t* target = glyph.Coverage.data() + std::size_t(y) * std::size_t(glyph.Width);
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (int x = 0; x < glyph.Width; ++x)
                target[x] = (source[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        } else {
            std::copy_n(source, glyph.Width, target);
        }
    }
    return glyph;
}

namespace {

// A glyph of a face at its pixel size, with the face's synthetic styles; the
// metrics are the face's own, relative to the common baseline.
Glyph RenderStyled(const StyledFace& styled, FT_UInt index)
{
    return RenderGlyph(styled.Face.get(), index, styled.Slant, styled.Embolden);
}

}  // namespace

void RequirePageFonts()
{
    RequireFontconfig();
    static const std::pair<const char*, const char*> required[] = {{"IPAGothic", "fonts-ipafont-gothic"},
                                                                   {"IPAPGothic", "fonts-ipafont-gothic"}};
    for (const auto& [family, package] : required) {
        FontconfigPattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>(family)));
        FcObjectSet* properties = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet* fonts = pattern && properties ? FcFontList(nullptr, pattern.get(), properties) : nullptr;
        const bool found = fonts != nullptr && fonts->nfont > 0;
        if (fonts)
            FcFontSetDestroy(fonts);
        if (properties)
            FcObjectSetDestroy(properties);
        if (!found)
            throw EOutOfResources(std::string("フォント ") + family + " が見つかりません (" + package + ")");
    }
}

PlatformFont& PlatformFont::For(const TFontDescription& description, int codePage)
{
    if (codePage == 0)
        codePage = CodePageOfCharset(description.Charset);
    FontSystem& system = ThreadFontSystem();
    for (const auto& font : system.Fonts)
        if (font->description_ == description && font->codePage_ == codePage)
            return *font;
    system.Fonts.push_back(std::make_unique<PlatformFont>(description, codePage));
    return *system.Fonts.back();
}

PlatformFont::PlatformFont(const TFontDescription& description, int codePage)
    : description_(description), codePage_(codePage)
{
    // A family without a bold or italic face gets the style drawn in.
    face_ = WithStyle(OpenFace(description), description.Style);
    FT_Face face = face_.Face.get();

    const TT_HoriHeader* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    const double unitsPerEm = face->units_per_EM ? face->units_per_EM : 1000;
    const double ascender = hhea ? hhea->Ascender : face->ascender;
    const double descender = hhea ? hhea->Descender : face->descender;
    // A negative height is the em size, a positive one the cell (ascent plus
    // descent), 0 the default size.
    int height = description.Height != 0 ? description.Height : DefaultFontDescription().Height;
    double emPixels = -height;
    if (height > 0)
        emPixels = height * unitsPerEm / std::max(1.0, ascender - descender);
    pixelSize_ = static_cast<FT_UInt>(std::max(1L, std::lround(emPixels)));
    FT_Set_Pixel_Sizes(face, 0, pixelSize_);

    const double scale = pixelSize_ / unitsPerEm;
    cellHeight_ = static_cast<int>(std::lround((ascender - descender) * scale));
    ascent_ = static_cast<int>(std::lround(ascender * scale));
    underlinePosition_ = static_cast<int>(std::lround(-face->underline_position * scale));
    underlineThickness_ = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    strikeOutPosition_ = os2 && os2->yStrikeoutPosition > 0 ? static_cast<int>(std::lround(os2->yStrikeoutPosition * scale))
                                                            : ascent_ / 3;
    strikeOutThickness_ =
        os2 && os2->yStrikeoutSize > 0 ? std::max(1, static_cast<int>(std::lround(os2->yStrikeoutSize * scale))) : underlineThickness_;
    spaceAdvance_ = GlyphOf(" ").Advance;
}

std::size_t PlatformFont::CharacterLength(std::string_view text) const
{
    if (text.empty())
        return 0;
    if (codePage_ == CodePageUtf8)
        return std::max<std::size_t>(1, Utf8SequenceLength(text));
    return text.size() >= 2 && IsLeadByteOf(codePage_, static_cast<unsigned char>(text[0])) ? 2 : 1;
}

const Glyph& PlatformFont::GlyphOf(std::string_view character)
{
    if (character.size() == 1) {
        auto& slot = singleByteGlyphs_[static_cast<unsigned char>(character[0])];
        if (!slot)
            slot = std::make_unique<Glyph>(Render(character));
        return *slot;
    }
    const std::uint32_t key = KeyOf(character);
    auto found = multiByteGlyphs_.find(key);
    if (found == multiByteGlyphs_.end())
        found = multiByteGlyphs_.emplace(key, Render(character)).first;
    return found->second;
}

FontFallback& PlatformFont::Fallback()
{
    if (!fallback_) {
        const FontconfigPattern pattern = SubstitutedPattern(
            RequestFor(description_, RequestedFamily(description_), FallbackPrefersJapanese(description_, codePage_)));
        fallback_ = std::make_unique<FontFallback>(pattern.get(), ThreadFreeTypeLibrary(), pixelSize_,
                                                   description_.Style);
    }
    return *fallback_;
}

Glyph PlatformFont::Render(std::string_view character)
{
    if (IsControlByte(character)) {
        Glyph glyph;
        glyph.Advance = spaceAdvance_;
        return glyph;
    }
    const char32_t codePoint = DecodeCharacter(character, codePage_);
    const FT_UInt index = FT_Get_Char_Index(face_.Face.get(), codePoint);
    // Bytes that are no character of the code page keep the face's own
    // missing-glyph box.
    if (index == 0 && codePoint != ReplacementCharacter) {
        if (const StyledFace* fallback = Fallback().FaceWith(codePoint))
            return RenderStyled(*fallback, FT_Get_Char_Index(fallback->Face.get(), codePoint));
    }
    return RenderStyled(face_, index);
}

int PlatformFont::TextWidth(std::string_view text)
{
    int width = 0;
    while (!text.empty()) {
        const std::size_t length = CharacterLength(text);
        width += GlyphOf(text.substr(0, length)).Advance;
        text.remove_prefix(length);
    }
    return width;
}

void PlatformFont::DrawLine(TBitmap& raster, int x, int width, int top, int thickness, DevicePixel color) const
{
    FillBox(raster, x, top, x + width, top + thickness, color);
}

int PlatformFont::DrawText(TBitmap& raster, int x, int y, std::string_view text, DevicePixel color,
                            const DevicePixel* background)
{
    const int baseline = y + ascent_;
    const int rasterWidth = raster.Width();
    const int rasterHeight = raster.Height();
    const int startX = x;
    std::uint8_t* const pixels = raster.MutableScanLine(0);
    const std::ptrdiff_t stride = raster.RowBytes();
    while (!text.empty()) {
        const std::size_t length = CharacterLength(text);
        const Glyph& glyph = GlyphOf(text.substr(0, length));
        text.remove_prefix(length);
        if (background)
            FillBox(raster, x, y, x + glyph.Advance, y + cellHeight_, *background);
        const int left = x + glyph.Left;
        const int top = baseline - glyph.Top;
        const int firstRow = std::max(0, -top);
        const int lastRow = std::min(glyph.Rows, rasterHeight - top);
        const int firstColumn = std::max(0, -left);
        const int lastColumn = std::min(glyph.Width, rasterWidth - left);
        for (int row = firstRow; row < lastRow && firstColumn < lastColumn; ++row) {
            auto* target = reinterpret_cast<DevicePixel*>(pixels + std::ptrdiff_t(top + row) * stride) + left;
            const std::uint8_t* coverage = glyph.Coverage.data() + std::size_t(row) * std::size_t(glyph.Width);
            for (int column = firstColumn; column < lastColumn; ++column)
                BlendPixel(target[column], color, coverage[column]);
        }
        x += glyph.Advance;
    }
    if (description_.Style & fsUnderline)
        DrawLine(raster, startX, x - startX, baseline + underlinePosition_, underlineThickness_, color);
    if (description_.Style & fsStrikeOut)
        DrawLine(raster, startX, x - startX, baseline - strikeOutPosition_, strikeOutThickness_, color);
    return x - startX;
}

}  // namespace tessaro
