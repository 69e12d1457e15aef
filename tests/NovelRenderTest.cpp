#include <gtest/gtest.h>
#include <hb-ft.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "imaging/Color.h"
#include "imaging/FontMatch.h"
#include "imaging/PlatformFont.h"
#include "novel/LineSetter.h"
#include "novel/NotationReader.h"
#include "novel/PageComposer.h"
#include "novel/PageRenderer.h"
#include "novel/Shaper.h"
#include "novel/TypeCache.h"
#include "support/TestSupport.h"

namespace tessaro::test {
namespace {

using namespace tessaro::novel;

FontFile Mincho()
{
    const std::optional<FontFile> file = MatchFontFile({"IPAMincho", false, false, "ja", false});
    if (!file)
        throw std::runtime_error("no font for Japanese");
    return *file;
}

std::vector<std::uint8_t> PixelBytes(const TBitmap& raster)
{
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < raster.Height(); ++y)
        bytes.insert(bytes.end(), raster.ScanLine(y), raster.ScanLine(y) + raster.RowBytes());
    return bytes;
}

// A glyph blended over gray g at coverage c gives (g * (255 - c) + 127) / 255,
// wherever it lands, clipped at the page's edges, in either form of page. The
// page is narrower than its padded gray rows.
struct BlendCase {
    const char* Name;
    int X;
    int Y;
    bool Gray;
};

class GlyphBlendTest : public ::testing::TestWithParam<BlendCase> {};

TEST_P(GlyphBlendTest, DarkensEachGrayByItsCoverage)
{
    constexpr int Width = 62, Height = 64;
    const BlendCase& c = GetParam();
    Typeface face(Mincho(), 36);
    const std::uint32_t id = face.NominalGlyph(U'永');
    const Glyph& glyph = face.Render(id, false);
    TBitmap raster = BlankPage(Width, Height, c.Gray);
    // Every gray from black to white somewhere under the glyph.
    const auto grayAt = [](int x, int y) { return static_cast<std::uint8_t>(3 * x + 5 * y); };
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if (c.Gray)
                raster.MutableScanLine(y)[x] = grayAt(x, y);
            else
                reinterpret_cast<DevicePixel*>(raster.MutableScanLine(y))[x] =
                    MakePixel(grayAt(x, y), grayAt(x, y), grayAt(x, y));

    ComposedPage page;
    ComposedLine& line = page.Lines.emplace_back();
    line.Line.Glyphs.push_back({&face, id, 0, 0, false});
    line.OriginX = c.X;
    line.OriginY = c.Y;
    RenderPage(page, raster);

    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const int column = x - (c.X + glyph.Left);
            const int row = y - (c.Y - glyph.Top);
            const bool inside = column >= 0 && column < glyph.Width && row >= 0 && row < glyph.Rows;
            const unsigned coverage = inside ? glyph.Coverage[std::size_t(row * glyph.Width + column)] : 0;
            const auto blended = static_cast<std::uint8_t>((grayAt(x, y) * (255 - coverage) + 127) / 255);
            ASSERT_EQ(raster.PixelAt(x, y), MakePixel(blended, blended, blended)) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Places, GlyphBlendTest,
                         ::testing::Values(BlendCase{"Inside", 10, 40, true}, BlendCase{"PastTheRightEdge", 40, 40, true},
                                           BlendCase{"PastTheTopLeftCorner", -12, 20, true},
                                           BlendCase{"PastTheFoot", 5, 70, true},
                                           BlendCase{"DisplayPastTheRightEdge", 40, 40, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Pages drawn one after another on the same raster come out as if each had a
// raster of its own, and a copy kept of one page is left alone by the next.
struct ReuseCase {
    const char* Name;
    bool Gray;
    bool Vertical;
};

class PageReuseTest : public ::testing::TestWithParam<ReuseCase> {};

TEST_P(PageReuseTest, DrawsEachPageAsOnAFreshRaster)
{
    constexpr int Width = 300, Height = 400, Em = 16;
    const ReuseCase& c = GetParam();
    const std::string book = ReadFile(TESSARO_SOURCE_DIR "/data/sample/novel.txt");
    TypeCache type(BookFamilies{Mincho(), Mincho(), Mincho()});
    NotationReader reader(book);
    LineSetter setter(Kinsoku::Strict);
    PageComposer composer([&](Block& block) { return reader.Next(block); }, setter, type,
                          GeometryFor(Width, Height, Em, c.Vertical));

    TBitmap reused;
    std::vector<std::pair<TBitmap, std::vector<std::uint8_t>>> kept;
    for (ComposedPage page; composer.Next(page);) {
        TBitmap fresh = BlankPage(Width, Height, c.Gray);
        RenderPage(page, fresh);
        WhitenPage(reused, Width, Height, c.Gray);
        RenderPage(page, reused);
        ASSERT_EQ(PixelBytes(reused), PixelBytes(fresh)) << "page " << page.Number;
        kept.emplace_back(reused, PixelBytes(fresh));
    }
    ASSERT_GT(kept.size(), 2u);
    for (const auto& [copy, drawn] : kept)
        EXPECT_EQ(PixelBytes(copy), drawn);
}

INSTANTIATE_TEST_SUITE_P(Forms, PageReuseTest,
                         ::testing::Values(ReuseCase{"GrayVertical", true, true},
                                           ReuseCase{"GrayHorizontal", true, false},
                                           ReuseCase{"DisplayVertical", false, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Whatever page it is given, WhitenPage leaves the blank page asked for.
struct WhitenCase {
    const char* Name;
    int Width;
    int Height;
    bool Gray;
};

class WhitenPageTest : public ::testing::TestWithParam<WhitenCase> {};

TEST_P(WhitenPageTest, GivesTheBlankPageAskedFor)
{
    const WhitenCase& c = GetParam();
    TBitmap page = BlankPage(40, 30, true);
    std::fill_n(page.MutableScanLine(0), page.RowBytes() * page.Height(), std::uint8_t{7});
    WhitenPage(page, c.Width, c.Height, c.Gray);
    const TBitmap blank = BlankPage(c.Width, c.Height, c.Gray);
    EXPECT_EQ(std::make_pair(page.Width(), page.Height()), std::make_pair(blank.Width(), blank.Height()));
    EXPECT_EQ(page.PixelFormat(), blank.PixelFormat());
    EXPECT_EQ(page.Palette(), blank.Palette());
    EXPECT_EQ(PixelBytes(page), PixelBytes(blank));
}

INSTANTIATE_TEST_SUITE_P(Pages, WhitenPageTest,
                         ::testing::Values(WhitenCase{"Same", 40, 30, true}, WhitenCase{"Taller", 40, 31, true},
                                           WhitenCase{"Wider", 44, 30, true}, WhitenCase{"Display", 40, 30, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// Shaping keeps what HarfBuzz's FreeType font answers, asked again or not.
TEST(NovelShapingTest, VerticalGlyphsSitWhereTheFreeTypeFontPutsThem)
{
    const FontFile file = Mincho();
    Typeface face(file, 36);
    FT_Face plainFace = nullptr;
    ASSERT_EQ(FT_New_Face(ThreadFreeTypeLibrary(), file.Path.c_str(), file.Index, &plainFace), 0);
    FT_Set_Pixel_Sizes(plainFace, 0, 36);
    const HarfBuzzFont plain(hb_ft_font_create_referenced(plainFace));
    FT_Done_Face(plainFace);
    hb_ft_font_set_load_flags(plain.get(), FT_LOAD_DEFAULT | FT_LOAD_NO_HINTING);

    const std::string text = "「灯台守《とうだいもり》」の手紙、ちょっと――ａｂ。";
    const HarfBuzzBuffer buffer(hb_buffer_create());
    hb_buffer_add_utf8(buffer.get(), text.data(), int(text.size()), 0, int(text.size()));
    hb_buffer_set_direction(buffer.get(), HB_DIRECTION_TTB);
    hb_buffer_set_language(buffer.get(), hb_language_from_string("ja", -1));
    hb_buffer_guess_segment_properties(buffer.get());
    hb_shape(plain.get(), buffer.get(), nullptr, 0);
    unsigned count = 0;
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), &count);

    Shaper shaper;
    for (int time = 0; time < 2; ++time) {
        std::vector<ShapedGlyph> shaped;
        shaper.Shape(face, text, {0, std::uint32_t(text.size())}, true, shaped);
        ASSERT_EQ(shaped.size(), count);
        for (unsigned i = 0; i < count; ++i)
            EXPECT_EQ(std::tie(shaped[i].Advance, shaped[i].OffsetX, shaped[i].OffsetY),
                      std::make_tuple(-positions[i].y_advance, positions[i].x_offset, -positions[i].y_offset))
                << "glyph " << i << ", time " << time;
    }
}

// A glyph's box holds FreeType's own bitmap of it, blank columns after it.
TEST(NovelGlyphTest, BoxHoldsTheFreeTypeBitmapThenBlankColumns)
{
    const FontFile file = Mincho();
    Typeface face(file, 36);
    FT_Face plain = nullptr;
    ASSERT_EQ(FT_New_Face(ThreadFreeTypeLibrary(), file.Path.c_str(), file.Index, &plain), 0);
    const FreeTypeFace owner(plain);
    FT_Set_Pixel_Sizes(plain, 0, 36);
    for (const char32_t character : {U'永', U'l', U'。', U'ー'}) {
        const std::uint32_t id = face.NominalGlyph(character);
        const Glyph& glyph = face.Render(id, false);
        ASSERT_EQ(FT_Load_Glyph(plain, id, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL), 0);
        ASSERT_EQ(FT_Render_Glyph(plain->glyph, FT_RENDER_MODE_NORMAL), 0);
        const FT_Bitmap& bitmap = plain->glyph->bitmap;
        ASSERT_EQ(glyph.Rows, int(bitmap.rows));
        ASSERT_GE(glyph.Width, int(bitmap.width));
        for (int row = 0; row < glyph.Rows; ++row)
            for (int column = 0; column < glyph.Width; ++column)
                ASSERT_EQ(glyph.Coverage[std::size_t(row * glyph.Width + column)],
                          column < int(bitmap.width) ? bitmap.buffer[row * bitmap.pitch + column] : 0)
                    << std::uint32_t(character) << " at " << column << "," << row;
    }
}

}  // namespace
}  // namespace tessaro::test
