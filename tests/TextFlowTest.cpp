// The text flow: the page header, and how much of a text a page of each
// geometry takes (lines per page, characters per line), with nothing drawn
// past the last of them.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "imaging/TImage.h"
#include "pages/TextFlow.h"
#include "support/TestSupport.h"

namespace tessaro::test {
namespace {

const std::string kKanji = "\x88\x9f";  // 亜, a two-byte character as wide as the cell is high

struct FlowedPage {
    TImage Screen;
    std::string Remaining;
};

// Lays one page of text onto a fresh white page of the given size.
std::unique_ptr<FlowedPage> Flow(const std::string& text, int width, int height, int pageNumber = 1,
                                 const TFont* chosenFont = nullptr)
{
    auto page = std::make_unique<FlowedPage>();
    TBitmap blank;
    blank.SetWidth(width);
    blank.SetHeight(height);
    page->Screen.SetWidth(width);
    page->Screen.SetHeight(height);
    AssignPicture(page->Screen.Picture(), blank);
    std::string_view remaining = text;
    FlowPageText(page->Screen, remaining, pageNumber, chosenFont);
    page->Remaining = std::string(remaining);
    return page;
}

bool InkIn(const TBitmap& raster, const TRect& area)
{
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (raster.PixelAt(x, y) != MakePixel(255, 255, 255))
                return true;
    return false;
}

class TextFlowTest : public testing::Test {
protected:
    void SetUp() override { StartUp("ja_JP.UTF-8"); }
};

TEST_F(TextFlowTest, HeaderIsThePageNumberInAFieldOfFive)
{
    for (const auto& [number, header] : {std::pair{1, "Page     1"}, std::pair{123456, "Page 123456"}}) {
        TBitmap expected;
        expected.SetWidth(480);
        expected.SetHeight(272);
        TCanvas& canvas = expected.Canvas();
        canvas.Brush().SetStyle(bsClear);
        canvas.Font().SetName("ＭＳ ゴシック");
        canvas.Font().SetSize(8);
        canvas.Font().SetColor(clBlack);
        canvas.PutText(2, 2, header);

        const auto page = Flow("", 480, 272, number);
        const TBitmap& drawn = *page->Screen.Bitmap();
        int differences = 0;
        for (int y = 0; y < 272; ++y)
            for (int x = 0; x < 480; ++x)
                differences += drawn.PixelAt(x, y) != expected.PixelAt(x, y);
        EXPECT_EQ(differences, 0) << header;
    }
}

struct GeometryRow {
    const char* Name;
    int Width, Height;
    int Points, Cell;  // Points 0: the default body, 9 points in a 12-pixel cell
    int Lines, TwoBytePerLine, OneBytePerLine;
};

class FlowGeometryTest : public TextFlowTest, public testing::WithParamInterface<GeometryRow> {};

TEST_P(FlowGeometryTest, LinesAndCharactersPerLine)
{
    const GeometryRow& g = GetParam();
    TFont font;
    font.SetName("ＭＳ ゴシック");
    font.SetSize(g.Points);
    const auto flow = [&](const std::string& text) { return Flow(text, g.Width, g.Height, 1, g.Points ? &font : nullptr); };

    // Line feeds alone, or short lines ended by CR LF: one page line each.
    EXPECT_EQ(flow(std::string(100, '\n'))->Remaining.size(), 100u - g.Lines);
    const std::string lines = Repeat("a\r\n", 100);
    EXPECT_EQ(flow(lines)->Remaining.size(), lines.size() - 3u * g.Lines);
    const std::string ones(10000, 'm');
    EXPECT_EQ(flow(ones)->Remaining.size(), ones.size() - 1u * g.OneBytePerLine * g.Lines);
    const std::string kanji = Repeat(kKanji, 1000);
    const auto page = flow(kanji);
    EXPECT_EQ(page->Remaining.size(), kanji.size() - 2u * g.TwoBytePerLine * g.Lines);

    // Ink at the last character of the first line and in the last line, none past them.
    const TBitmap& raster = *page->Screen.Bitmap();
    const int lastX = 4 + g.Cell * (g.TwoBytePerLine - 1);
    const int lastY = 16 + (g.Cell + g.Cell / 4) * (g.Lines - 1);
    EXPECT_TRUE(InkIn(raster, {lastX, 16, lastX + g.Cell, 16 + g.Cell}));
    EXPECT_FALSE(InkIn(raster, {lastX + g.Cell, 16, g.Width, 16 + g.Cell}));
    EXPECT_TRUE(InkIn(raster, {4, lastY, 4 + g.Cell, lastY + g.Cell}));
    EXPECT_FALSE(InkIn(raster, {0, lastY + g.Cell, g.Width, g.Height}));
}

// "Exact" ends its lines and its page at exactly x + w == width and
// y + h == height.
INSTANTIATE_TEST_SUITE_P(Pages, FlowGeometryTest,
                         testing::Values(GeometryRow{"PSP", 480, 272, 0, 12, 17, 39, 79},
                                         GeometryRow{"QVGA", 240, 320, 0, 12, 20, 19, 39},
                                         GeometryRow{"Exact", 472, 268, 0, 12, 16, 38, 77},
                                         GeometryRow{"ChosenFont18Points", 480, 272, 18, 24, 8, 19, 39}),
                         [](const auto& info) { return info.param.Name; });

}  // namespace
}  // namespace tessaro::test
