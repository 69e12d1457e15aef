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

// The code page a font's character set reads bytes in.
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

struct MatchedFont {
    std::string File;
    int Index = 0;
};

void RequireFontconfig()
{
    static std::once_flag initialised;
    static bool available = false;
    std::call_once(initialised, [] { available = FcInit() == FcTrue; });
    if (!available)
        throw EOutOfResources("フォント設定を読み込めません (fontconfig)");
}

// Asks fontconfig for the installed font of a family nearest to the
// description's style, language and pitch.
std::optional<MatchedFont> MatchFont(const TFontDescription& description, const std::string& family)
{
    FontconfigPattern pattern(FcPatternCreate());
    if (!pattern)
        throw EOutOfResources();
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, (description.Style & fsBold) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, (description.Style & fsItalic) ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (description.Charset == SHIFTJIS_CHARSET)
        FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    if (description.Pitch == fpFixed)
        FcPatternAddInteger(pattern.get(), FC_SPACING, FC_MONO);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());

    FcResult result = FcResultNoMatch;
    FontconfigPattern match(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* file = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch)
        return std::nullopt;

    MatchedFont matched;
    matched.File = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &matched.Index);
    return matched;
}

// Opens the face for a description. A font that cannot be found or read falls
// back to the system's sans-serif font: text is still drawn, as in any other
// font the platform cannot make.
FreeTypeFace OpenFace(const TFontDescription& description)
{
    RequireFontconfig();
    const std::string requested =
        SubstituteFamily(IsDefaultName(description.Name) ? DefaultFontDescription().Name : description.Name);
    for (const std::string& family : {requested, std::string("sans-serif")}) {
        const std::optional<MatchedFont> matched = MatchFont(description, family);
        FT_Face face = nullptr;
        if (matched && FT_New_Face(ThreadFreeTypeLibrary(), matched->File.c_str(), matched->Index, &face) == 0)
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
    face_ = OpenFace(description);
    FT_Face face = face_.get();
    // A family without a bold or italic face gets the style drawn in.
    emboldenSynthetically_ = (description.Style & fsBold) && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    slantSynthetically_ = (description.Style & fsItalic) && !(face->style_flags & FT_STYLE_FLAG_ITALIC);

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
    const auto em = static_cast<FT_UInt>(std::max(1L, std::lround(emPixels)));
    FT_Set_Pixel_Sizes(face, 0, em);

    const double scale = em / unitsPerEm;
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

Glyph PlatformFont::Render(std::string_view character)
{
    Glyph glyph;
    if (IsControlByte(character)) {
        glyph.Advance = spaceAdvance_;
        return glyph;
    }
    FT_Face face = face_.get();
    const char32_t codePoint = DecodeCharacter(character, codePage_);
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0)
        return glyph;
    FT_GlyphSlot slot = face->glyph;
    if (slantSynthetically_)
        FT_GlyphSlot_Oblique(slot);
    if (emboldenSynthetically_)
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
