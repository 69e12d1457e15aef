#include <gtest/gtest.h>

#include "imaging/PlatformFont.h"
#include "imaging/TBitmap.h"
#include "imaging/TCanvas.h"
#include "imaging/TFont.h"
#include "imaging/TImage.h"
#include "support/TestSupport.h"

namespace tessaro {
namespace {

constexpr DevicePixel White = MakePixel(255, 255, 255);
constexpr DevicePixel Black = MakePixel(0, 0, 0);

TBitmap WhiteRaster(int width, int height)
{
    TBitmap raster;
    raster.SetWidth(width);
    raster.SetHeight(height);
    return raster;
}

int CountPixels(const TBitmap& raster, DevicePixel value, const TRect& area)
{
    int count = 0;
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            count += raster.PixelAt(x, y) == value;
    return count;
}

int CountAll(const TBitmap& raster, DevicePixel value)
{
    return CountPixels(raster, value, {0, 0, raster.Width(), raster.Height()});
}

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override { test::StartUp("ja_JP.UTF-8"); }
};

struct SizeCase {
    int PixelsPerInch;
    int Points;
    int Height;
};

class FontSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FontSizeTest, PointsAndPixelsConvertBothWays)
{
    test::StartUp("ja_JP.UTF-8", GetParam().PixelsPerInch);
    TFont font;
    font.SetSize(GetParam().Points);
    EXPECT_EQ(font.Height(), GetParam().Height);
    EXPECT_EQ(font.Size(), GetParam().Points);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, FontSizeTest,
                         ::testing::Values(SizeCase{96, 8, -11}, SizeCase{96, 9, -12}, SizeCase{120, 8, -13},
                                           SizeCase{120, 9, -15}, SizeCase{144, 8, -16}, SizeCase{144, 9, -18}));

TEST(MulDivTest, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(1 << 30, 8, 1 << 20), 8 << 10);
}

TEST(DefaultFontTest, FollowsTheLocaleOfTheSystem)
{
    test::StartUp("ja_JP.UTF-8");
    TFont japanese;
    EXPECT_EQ(japanese.Name(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(japanese.Height(), -12);
    EXPECT_EQ(japanese.Charset(), SHIFTJIS_CHARSET);
    EXPECT_EQ(japanese.Color(), clWindowText);
    EXPECT_EQ(japanese.Style(), 0u);
    EXPECT_EQ(japanese.Pitch(), fpDefault);

    test::StartUp("en_US.UTF-8");
    TFont western;
    EXPECT_EQ(western.Name(), "MS Sans Serif");
    EXPECT_EQ(western.Height(), -11);
    EXPECT_EQ(western.Charset(), DEFAULT_CHARSET);
}

TEST_F(CanvasTest, FontNamesAndCopies)
{
    TFont font;
    font.SetName(std::string(40, 'x'));
    EXPECT_EQ(font.Name(), std::string(31, 'x'));
    font.SetName("");
    EXPECT_EQ(font.Name(), std::string(31, 'x'));

    // The header font keeps the fresh font's character set; 9 points after it
    // changes the height only.
    font.SetName("ＭＳ ゴシック");
    font.SetSize(8);
    font.SetColor(clBlack);
    EXPECT_EQ(font.Height(), -11);
    EXPECT_EQ(font.Charset(), SHIFTJIS_CHARSET);
    font.SetSize(9);
    EXPECT_EQ(font.Height(), -12);
    EXPECT_EQ(font.Name(), "ＭＳ ゴシック");

    TFont sameResolution;
    sameResolution.CopyFont(font);
    EXPECT_EQ(sameResolution.Description(), font.Description());
    EXPECT_EQ(sameResolution.Color(), clBlack);

    TFont otherResolution;
    otherResolution.SetPixelsPerInch(120);
    otherResolution.CopyFont(font);
    EXPECT_EQ(otherResolution.Size(), 9);
    EXPECT_EQ(otherResolution.Height(), -15);
}

TEST(BrushTest, ColorAndStyleAreCoupled)
{
    TBrush brush;
    EXPECT_EQ(brush.Color(), clWhite);
    EXPECT_EQ(brush.Style(), bsSolid);
    brush.SetColor(clBlack);
    brush.SetStyle(bsClear);
    EXPECT_EQ(brush.Color(), clWhite);
    EXPECT_EQ(brush.Style(), bsClear);
    brush.SetColor(clBlack);
    EXPECT_EQ(brush.Style(), bsSolid);
    EXPECT_EQ(brush.Color(), clBlack);
}

TEST(BitmapTest, SizingMakesWhitePixelsOnceBothSidesAreSet)
{
    TBitmap raster;
    raster.SetWidth(480);
    EXPECT_TRUE(raster.Empty());
    EXPECT_EQ(raster.ScanLine(0), nullptr);
    raster.SetHeight(272);
    ASSERT_FALSE(raster.Empty());
    EXPECT_EQ(CountAll(raster, White), 480 * 272);

    raster.SetWidth(240);
    raster.SetHeight(320);
    EXPECT_EQ(raster.Width(), 240);
    EXPECT_EQ(CountAll(raster, White), 240 * 320);
}

TEST(BitmapTest, ResizingKeepsOldPixelsAndFillsWithTheBrush)
{
    TBitmap raster = WhiteRaster(4, 4);
    raster.Canvas().Brush().SetColor(clBlack);
    raster.Canvas().FillRectangle({0, 0, 4, 4});
    raster.Canvas().Brush().SetColor(0x0000FF);  // red
    raster.SetWidth(6);
    EXPECT_EQ(raster.PixelAt(3, 3), Black);
    EXPECT_EQ(raster.PixelAt(5, 0), MakePixel(255, 0, 0));
}

TEST(BitmapTest, CopiesSharePixelsUntilOneIsDrawnOn)
{
    const TBitmap templateBitmap = WhiteRaster(480, 272);
    TImage mainscreen;
    mainscreen.SetWidth(480);
    mainscreen.SetHeight(272);
    AssignPicture(mainscreen.Picture(), templateBitmap);
    ASSERT_TRUE(mainscreen.Bitmap()->SharesPixelsWith(templateBitmap));

    TCanvas& canvas = mainscreen.Canvas();
    canvas.Brush().SetColor(clBlack);
    canvas.FillRectangle({0, 0, 10, 10});
    EXPECT_FALSE(mainscreen.Bitmap()->SharesPixelsWith(templateBitmap));
    EXPECT_EQ(CountAll(templateBitmap, White), 480 * 272);
    EXPECT_EQ(CountAll(*mainscreen.Bitmap(), Black), 100);
}

TEST(BitmapTest, PixelFormatsConvertKeepingColours)
{
    TBitmap raster = WhiteRaster(3, 2);
    raster.Canvas().Brush().SetColor(0x00FF00);  // green
    raster.Canvas().FillRectangle({1, 0, 2, 2});
    raster.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(raster.RowBytes(), 12);
    const std::uint8_t* row = raster.ScanLine(1);
    EXPECT_EQ(row[3], 0);    // blue
    EXPECT_EQ(row[4], 255);  // green
    EXPECT_EQ(row[5], 0);    // red
    raster.SetPixelFormat(TPixelFormat::pfDevice);
    EXPECT_EQ(raster.PixelAt(1, 1), MakePixel(0, 255, 0));
    EXPECT_EQ(raster.PixelAt(0, 1), White);
}

TEST_F(CanvasTest, FillRectangleCoversLeftAndTopButNotRightAndBottom)
{
    TBitmap raster = WhiteRaster(480, 272);
    TCanvas& canvas = raster.Canvas();
    canvas.Brush().SetColor(clBlack);
    canvas.FillRectangle({0, 0, 0, 0});
    EXPECT_EQ(CountAll(raster, Black), 0);
    canvas.FillRectangle({10, 20, 13, 24});
    EXPECT_EQ(CountAll(raster, Black), 12);
    EXPECT_EQ(raster.PixelAt(10, 20), Black);
    EXPECT_EQ(raster.PixelAt(13, 20), White);
    EXPECT_EQ(raster.PixelAt(10, 24), White);
    canvas.Brush().SetStyle(bsClear);
    canvas.FillRectangle({0, 0, 480, 272});
    EXPECT_EQ(CountAll(raster, Black), 12);
    canvas.Brush().SetColor(clBlack);
    canvas.FillRectangle({-5, -5, 1000, 1000});
    EXPECT_EQ(CountAll(raster, Black), 480 * 272);
}

TEST_F(CanvasTest, BodyFontHasTheWorkedMetrics)
{
    TBitmap raster = WhiteRaster(16, 16);
    TCanvas& canvas = raster.Canvas();
    canvas.Font().SetName("ＭＳ ゴシック");
    canvas.Font().SetSize(9);
    EXPECT_EQ(canvas.TextCellHeight("a"), 12);
    EXPECT_EQ(canvas.TextCellHeight("\x82\xa0"), 12);
    EXPECT_EQ(canvas.TextCellWidth("\x82\xa0"), 12);  // あ
    EXPECT_EQ(canvas.TextCellWidth("a"), 6);
    EXPECT_EQ(canvas.TextCellWidth("\r"), canvas.TextCellWidth(" "));
    EXPECT_EQ(canvas.TextCellWidth("ab\x82\xa0"), 24);
    EXPECT_EQ(canvas.TextCellWidth(""), 0);
}

TEST_F(CanvasTest, ClearBrushTextChangesOnlyGlyphPixels)
{
    TBitmap raster = WhiteRaster(40, 20);
    TCanvas& canvas = raster.Canvas();
    canvas.Brush().SetColor(0xFF0000);  // a blue picture under the text
    canvas.FillRectangle({0, 0, 40, 20});
    const DevicePixel blue = MakePixel(0, 0, 255);
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().SetName("ＭＳ ゴシック");
    canvas.Font().SetColor(clBlack);
    canvas.PutText(2, 2, "\x82\xa0");
    const int changed = 40 * 20 - CountAll(raster, blue);
    EXPECT_GT(changed, 10);
    EXPECT_LT(changed, 12 * 12);
    EXPECT_EQ(canvas.PenPos(), (TPoint{14, 2}));

    // Control bytes draw nothing but advance.
    const TBitmap before = raster;
    canvas.PutText(20, 2, "\r\t");
    EXPECT_EQ(CountAll(raster, blue), CountAll(before, blue));
    EXPECT_EQ(canvas.PenPos().X, 20 + 2 * canvas.TextCellWidth(" "));
}

TEST_F(CanvasTest, SolidBrushTextFillsEachCell)
{
    TBitmap raster = WhiteRaster(40, 20);
    TCanvas& canvas = raster.Canvas();
    canvas.Brush().SetColor(clBlack);
    canvas.FillRectangle({0, 0, 40, 20});
    canvas.Brush().SetColor(clWhite);
    canvas.Font().SetColor(0x0000FF);
    canvas.PutText(0, 0, "x");
    // The 6x12 cell is white apart from the glyph; outside it stays black.
    EXPECT_EQ(CountPixels(raster, Black, {0, 0, 6, 12}), 0);
    EXPECT_EQ(raster.PixelAt(6, 0), Black);
    EXPECT_EQ(raster.PixelAt(0, 12), Black);
}

TEST_F(CanvasTest, StylesChangeTheDrawing)
{
    auto render = [](TFontStyles style) {
        TBitmap raster = WhiteRaster(40, 16);
        TCanvas& canvas = raster.Canvas();
        canvas.Brush().SetStyle(bsClear);
        canvas.Font().SetName("ＭＳ ゴシック");
        canvas.Font().SetColor(clBlack);
        canvas.Font().SetStyle(style);
        canvas.PutText(0, 0, "ab");
        return 40 * 16 - CountAll(raster, White);
    };
    const int plain = render(0);
    EXPECT_GT(render(fsBold), plain);
    EXPECT_GT(render(fsUnderline), plain);
    EXPECT_GT(render(fsStrikeOut), plain);
    EXPECT_GT(render(fsItalic), 0);
}

TEST_F(CanvasTest, EmptyTextDrawsNothing)
{
    TBitmap raster = WhiteRaster(10, 10);
    raster.Canvas().PutText(3, 4, "");
    EXPECT_EQ(CountAll(raster, White), 100);
    EXPECT_EQ(raster.Canvas().PenPos(), (TPoint{3, 4}));
}

TEST_F(CanvasTest, AFreshPictureHasAFreshCanvas)
{
    const TBitmap templateBitmap = WhiteRaster(8, 8);
    TImage mainscreen;
    AssignPicture(mainscreen.Picture(), templateBitmap);
    mainscreen.Canvas().Font().SetSize(20);
    AssignPicture(mainscreen.Picture(), templateBitmap);
    EXPECT_EQ(mainscreen.Canvas().Font().Height(), DefaultFontDescription().Height);
}

TEST_F(CanvasTest, DrawRasterCutsAtTheEdges)
{
    TBitmap big = WhiteRaster(640, 480);
    big.Canvas().Brush().SetColor(clBlack);
    big.Canvas().FillRectangle({0, 0, 640, 480});
    TBitmap small = WhiteRaster(100, 100);
    small.Canvas().Brush().SetColor(clBlack);
    small.Canvas().FillRectangle({0, 0, 100, 100});

    TBitmap page = WhiteRaster(480, 272);
    page.Canvas().DrawImage(0, 0, &big);
    EXPECT_EQ(CountAll(page, Black), 480 * 272);

    TBitmap other = WhiteRaster(480, 272);
    other.Canvas().DrawImage(0, 0, &small);
    EXPECT_EQ(CountAll(other, Black), 100 * 100);
    EXPECT_EQ(CountPixels(other, Black, {0, 0, 100, 100}), 100 * 100);

    TBitmap empty;
    other.Canvas().DrawImage(0, 0, &empty);
    other.Canvas().DrawImage(0, 0, nullptr);
    EXPECT_EQ(CountAll(other, Black), 100 * 100);
}

TEST_F(CanvasTest, DrawRasterCopiesEveryPixelFormatInItsColours)
{
    TBitmap source = WhiteRaster(4, 3);
    source.Canvas().Brush().SetColor(0x0000FF);  // red
    source.Canvas().FillRectangle({1, 1, 3, 2});
    TBitmap truecolor = source;
    truecolor.SetPixelFormat(TPixelFormat::pf24bit);
    TBitmap paletted;
    paletted.SetPixelFormat(TPixelFormat::pf8bit);
    paletted.SetWidth(4);
    paletted.SetHeight(3);
    paletted.SetPalette({{255, 255, 255, 0}, {255, 0, 0, 0}});
    paletted.MutableScanLine(1)[1] = 1;
    paletted.MutableScanLine(1)[2] = 1;

    for (TBitmap* picture : {&source, &truecolor, &paletted}) {
        TBitmap page = WhiteRaster(6, 6);
        page.Canvas().Brush().SetColor(clBlack);
        page.Canvas().FillRectangle({0, 0, 6, 6});
        page.Canvas().DrawImage(-1, 2, picture);  // its left column is cut off
        EXPECT_EQ(page.PixelAt(0, 3), MakePixel(255, 0, 0));
        EXPECT_EQ(page.PixelAt(1, 3), MakePixel(255, 0, 0));
        EXPECT_EQ(page.PixelAt(2, 3), White);
        EXPECT_EQ(page.PixelAt(0, 2), White);
        EXPECT_EQ(page.PixelAt(3, 3), Black) << "right of the picture";
        EXPECT_EQ(page.PixelAt(0, 5), Black) << "below the picture";
    }
}

TEST_F(CanvasTest, PageFontsAreInstalledAndUnknownNamesFallBack)
{
    EXPECT_NO_THROW(RequirePageFonts());
    TBitmap raster = WhiteRaster(40, 20);
    TCanvas& canvas = raster.Canvas();
    canvas.Font().SetName("No Such Family Anywhere");
    canvas.Brush().SetStyle(bsClear);
    canvas.PutText(0, 0, "ab");
    EXPECT_GT(canvas.TextCellHeight("a"), 0);
    EXPECT_LT(CountAll(raster, White), 40 * 20);
}

TEST_F(CanvasTest, EqualDescriptionsShareOnePlatformFont)
{
    TFont a;
    TFont b;
    b.SetColor(clBlack);
    EXPECT_EQ(&PlatformFont::For(a.Description()), &PlatformFont::For(b.Description()));
    b.SetSize(20);
    EXPECT_NE(&PlatformFont::For(a.Description()), &PlatformFont::For(b.Description()));
}

}  // namespace
}  // namespace tessaro
