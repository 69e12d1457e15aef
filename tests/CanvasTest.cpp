#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "imaging/PlatformFont.h"
#include "imaging/TCanvas.h"
#include "imaging/TImage.h"
#include "support/JpegTestPictures.h"
#include "support/TestSupport.h"

namespace tessaro::test {
namespace {

constexpr DevicePixel White = MakePixel(255, 255, 255), Black = MakePixel(0, 0, 0), Red = MakePixel(255, 0, 0);

int Count(const TBitmap& raster, DevicePixel value, const TRect& area = {0, 0, INT_MAX, INT_MAX})
{
    int count = 0;
    for (int y = area.Top; y < std::min(area.Bottom, raster.Height()); ++y)
        for (int x = area.Left; x < std::min(area.Right, raster.Width()); ++x)
            count += raster.PixelAt(x, y) == value;
    return count;
}

// Left, top, right, bottom of the smallest rectangle holding every pixel that is not white.
std::array<int, 4> Ink(const TBitmap& raster)
{
    std::array<int, 4> ink{INT_MAX, INT_MAX, 0, 0};
    for (int y = 0; y < raster.Height(); ++y)
        for (int x = 0; x < raster.Width(); ++x)
            if (raster.PixelAt(x, y) != White)
                ink = {std::min(ink[0], x), std::min(ink[1], y), std::max(ink[2], x + 1), std::max(ink[3], y + 1)};
    return ink;
}

// A white raster whose canvas writes in the body font of the pages, black on a clear brush.
TBitmap Page(int width, int height, TFontStyles style = 0)
{
    TBitmap page = MakeRaster(width, height, kWhite);
    page.Canvas().Brush().SetStyle(bsClear);
    page.Canvas().Font().SetName("ＭＳ ゴシック");
    page.Canvas().Font().SetSize(9);
    page.Canvas().Font().SetColor(clBlack);
    page.Canvas().Font().SetStyle(style);
    return page;
}

TEST(FontTest, PointsAndPixelsConvertBothWaysRounded)
{
    const std::array<int, 3> rows[] = {{96, 8, -11}, {96, 9, -12}, {96, 11, -15}, {120, 8, -13}, {144, 9, -18}};
    for (const auto& [pixelsPerInch, points, height] : rows) {
        StartUp("ja_JP.UTF-8", pixelsPerInch);
        TFont font;
        font.SetSize(points);
        EXPECT_EQ(std::pair(font.Height(), font.Size()), std::pair(height, points)) << points << " pt at " << pixelsPerInch;
    }
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(1 << 30, 8, 1 << 20), 8 << 10);
}

TEST(FontTest, DefaultFollowsTheLocaleAndCopiesKeepPoints)
{
    StartUp("en_US.UTF-8");
    EXPECT_EQ(TFont().Description(), (TFontDescription{"MS Sans Serif", -11, 0, DEFAULT_CHARSET, fpDefault}));
    StartUp("ja_JP.UTF-8");
    TFont font;
    EXPECT_EQ(font.Description(), (TFontDescription{"ＭＳ Ｐゴシック", -12, 0, SHIFTJIS_CHARSET, fpDefault}));
    font.SetName(std::string(40, 'x'));
    font.SetName("");
    EXPECT_EQ(font.Name(), std::string(31, 'x'));
    font.SetSize(9);
    TFont otherResolution;
    otherResolution.SetPixelsPerInch(120);
    otherResolution.CopyFont(font);
    EXPECT_EQ(otherResolution.Height(), -15);
}

TEST(BitmapTest, SizingFillsWithTheBrushAndKeepsOldPixels)
{
    TBitmap raster;
    raster.SetWidth(4);
    EXPECT_TRUE(raster.Empty());
    raster.SetHeight(4);
    EXPECT_EQ(Count(raster, White), 16);
    raster.Canvas().Brush().SetColor(clBlack);
    raster.Canvas().FillRectangle({0, 0, 4, 4});
    raster.Canvas().Brush().SetColor(0x0000FF);
    raster.SetWidth(6);
    raster.SetHeight(5);
    EXPECT_EQ(Count(raster, Black, {0, 0, 4, 4}), 16);
    EXPECT_EQ(Count(raster, Red), 6 * 5 - 16);
}

TEST(BitmapTest, CopiesSharePixelsUntilOneIsDrawnOnAndAFreshPictureHasAFreshCanvas)
{
    const TBitmap blank = MakeRaster(48, 32, kWhite);
    TImage mainscreen;
    AssignPicture(mainscreen.Picture(), blank);
    mainscreen.Canvas().Font().SetSize(20);
    mainscreen.Canvas().Brush().SetColor(clBlack);
    mainscreen.Canvas().FillRectangle({0, 0, 10, 10});
    EXPECT_EQ(Count(blank, White), 48 * 32);
    EXPECT_EQ(Count(*mainscreen.Bitmap(), Black), 100);
    AssignPicture(mainscreen.Picture(), blank);
    EXPECT_EQ(mainscreen.Canvas().Font().Height(), DefaultFontDescription().Height);
}

TEST(CanvasTest, FillCoversLeftAndTopNotRightAndBottomAndAClearBrushNothing)
{
    TBitmap raster = MakeRaster(48, 32, kWhite);
    TCanvas& canvas = raster.Canvas();
    canvas.Brush().SetColor(clBlack);
    canvas.FillRectangle({10, 20, 13, 24});
    EXPECT_EQ(Ink(raster), (std::array{10, 20, 13, 24}));
    canvas.Brush().SetStyle(bsClear);
    canvas.FillRectangle({0, 0, 48, 32});
    EXPECT_EQ(Count(raster, Black), 12);
    canvas.Brush().SetColor(clBlack);  // solid again
    canvas.FillRectangle({-5, -5, 1000, 1000});
    EXPECT_EQ(Count(raster, Black), 48 * 32);
}

TEST(CanvasTest, TextInksItsCellsAndMovesThePen)
{
    StartUp("ja_JP.UTF-8");
    TBitmap page = Page(60, 20);
    TCanvas& canvas = page.Canvas();
    EXPECT_EQ(canvas.TextCellHeight("a"), 12);
    EXPECT_EQ(canvas.TextCellWidth("a"), 6);
    EXPECT_EQ(canvas.TextCellWidth("ab\x82\xa0"), 24);  // あ is one glyph of full width
    EXPECT_EQ(canvas.TextCellWidth("\r\t"), 2 * canvas.TextCellWidth(" "));
    canvas.PutText(2, 3, "\x82\xa0");
    EXPECT_EQ(canvas.PenPos(), (TPoint{14, 3}));
    const std::array<int, 4> ink = Ink(page);
    EXPECT_TRUE(ink[0] >= 2 && ink[1] >= 3 && ink[2] <= 14 && ink[3] <= 15 && ink[0] < ink[2]);
    canvas.PutText(20, 2, "\r\t");
    canvas.PutText(30, 2, "");
    EXPECT_EQ(Ink(page), ink) << "control bytes or no text drew";
    canvas.Brush().SetColor(0x0000FF);  // a solid brush fills each cell first
    canvas.PutText(40, 2, "x");
    EXPECT_EQ(Count(page, White, {40, 2, 46, 14}), 0);
    EXPECT_EQ(Count(page, White, {36, 0, 60, 20}), 24 * 20 - 6 * 12);
}

// A row of spaces has no ink but the line. The rows follow from IPA Gothic's
// metrics in units of 2048 to the em: ascender 1802; underline 298 below the
// baseline, 104 thick; strike-out 858 above it, 160 thick; each rounded.
TEST(CanvasTest, UnderlineAndStrikeOutLieWhereTheFontPutsThem)
{
    StartUp("ja_JP.UTF-8");
    const std::array<int, 4> rows[] = {{12, fsUnderline, 13, 13}, {12, fsStrikeOut, 6, 6},   {27, fsUnderline, 28, 28},
                                       {27, fsStrikeOut, 13, 14}, {40, fsUnderline, 41, 42}, {40, fsStrikeOut, 18, 20}};
    for (const auto& [emPixels, style, firstRow, lastRow] : rows) {
        TBitmap page = Page(80, 60, style);
        page.Canvas().Font().SetHeight(-emPixels);
        page.Canvas().PutText(3, 5, "   ");
        EXPECT_EQ(Ink(page), (std::array{3, 5 + firstRow, 3 + page.Canvas().TextCellWidth("   "), 6 + lastRow}))
            << emPixels << " px, style " << style;
    }
}

TEST(CanvasTest, BoldAndItalicChangeTheInkAndUnknownFamiliesFallBack)
{
    StartUp("ja_JP.UTF-8");
    EXPECT_NO_THROW(RequirePageFonts());
    const auto inked = [](TFontStyles style, const char* family = "ＭＳ ゴシック") {
        TBitmap page = Page(40, 16, style);
        page.Canvas().Font().SetName(family);
        page.Canvas().PutText(0, 0, "lb");
        return page;
    };
    EXPECT_LT(Count(inked(fsBold), White), Count(inked(0), White));
    EXPECT_NE(Ink(inked(fsItalic)), Ink(inked(0)));
    EXPECT_LT(Count(inked(0, "No Such Family Anywhere"), White), 40 * 16);
    TFont a, b;
    b.SetColor(clBlack);
    EXPECT_EQ(&PlatformFont::For(a.Description()), &PlatformFont::For(b.Description()));
    b.SetSize(20);
    EXPECT_NE(&PlatformFont::For(a.Description()), &PlatformFont::For(b.Description()));
}

// Pictures of the other forms are drawn by the JPEG tests.
TEST(CanvasTest, DrawImageCopiesARasterCutAtTheEdges)
{
    TBitmap picture = MakeRaster(5, 4, kWhite);
    picture.Canvas().Brush().SetColor(0x0000FF);
    picture.Canvas().FillRectangle({0, 1, 3, 3});
    TBitmap page = MakeRaster(6, 6, {0, 0, 0}), empty;
    page.Canvas().DrawImage(-1, 3, &picture);  // a column on the left and a row below are cut off
    page.Canvas().DrawImage(0, 0, &empty);
    page.Canvas().DrawImage(0, 0, nullptr);
    EXPECT_EQ(Count(page, Red, {0, 4, 2, 6}), 4);
    EXPECT_EQ(Count(page, White, {0, 3, 4, 6}), 4 * 3 - 4);
    EXPECT_EQ(Count(page, Black), 6 * 6 - 4 * 3);
}

}  // namespace
}  // namespace tessaro::test
