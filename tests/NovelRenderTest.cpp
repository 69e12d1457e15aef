#include <gtest/gtest.h>
#include <hb-ft.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "imaging/FontMatch.h"
#include "imaging/PlatformFont.h"
#include "novel/LineSetter.h"
#include "novel/NotationReader.h"
#include "novel/PageComposer.h"
#include "novel/PageRenderer.h"
#include "novel/Shaper.h"
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
// wherever it lands, clipped at the page's edges.
struct BlendCase {
    const char* Name;
    int X;
    int Y;
};

class GlyphBlendTest : public ::testing::TestWithParam<BlendCase> {};

TEST_P(GlyphBlendTest, DarkensEachGrayByItsCoverage)
{
    constexpr int Size = 64;
    Typeface face(Mincho(), 36, false);
    const std::uint32_t id = face.NominalGlyph(U'永');
    const Glyph& glyph = face.Render(id, false);
    TBitmap raster = BlankPage(Size, Size, true);
    // Every gray from black to white somewhere under the glyph.
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            raster.MutableScanLine(y)[x] = static_cast<std::uint8_t>(3 * x + 5 * y);
    const std::vector<std::uint8_t> before = PixelBytes(raster);

    ComposedPage page;
    ComposedLine& line = page.Lines.emplace_back();
    line.Line.Glyphs.push_back({&face, id, 0, 0, false});
    line.OriginX = GetParam().X;
    line.OriginY = GetParam().Y;
    RenderPage(page, raster);

    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const int column = x - (line.OriginX + glyph.Left);
            const int row = y - (line.OriginY - glyph.Top);
            const bool inside = column >= 0 && column < glyph.Width && row >= 0 && row < glyph.Rows;
            const unsigned coverage = inside ? glyph.Coverage[std::size_t(row * glyph.Width + column)] : 0;
            const unsigned gray = before[std::size_t(y * raster.RowBytes() + x)];
            ASSERT_EQ(raster.ScanLine(y)[x], (gray * (255 - coverage) + 127) / 255) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Places, GlyphBlendTest,
                         ::testing::Values(BlendCase{"Inside", 10, 40}, BlendCase{"PastTheRightEdge", 40, 40},
                                           BlendCase{"PastTheTopLeftCorner", -12, 20},
                                           BlendCase{"PastTheFoot", 5, 70}),
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
    const FontFile file = Mincho();
    Typeface body(file, Em, false), ruby(file, Em / 2, false), folio(file, Em * 6 / 10, false);
    NotationReader reader(book);
    LineSetter setter(Kinsoku::Strict);
    PageComposer composer([&](Block& block) { return reader.Next(block); }, setter,
                          {{&body, &body, &ruby}, &folio}, GeometryFor(Width, Height, Em, c.Vertical));

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

// Shaping keeps what HarfBuzz's FreeType font answers, asked again or not.
TEST(NovelShapingTest, VerticalGlyphsSitWhereTheFreeTypeFontPutsThem)
{
    const FontFile file = Mincho();
    Typeface face(file, 36, false);
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

}  // namespace
}  // namespace tessaro::test
