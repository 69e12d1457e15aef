#include <gtest/gtest.h>

#include <string>

#include "imaging/TImage.h"
#include "pages/TextFlow.h"
#include "support/TestSupport.h"

namespace tessaro {
namespace {

constexpr DevicePixel White = MakePixel(255, 255, 255);
const std::string Kanji = "\x88\x9f";  // 亜, a two-byte character 12 pixels wide
const std::string CrLf = "\r\n";

struct FlowedPage {
    TImage Mainscreen;
    std::string Remaining;
};

// Lays one page of text onto a fresh white page of the given size.
std::unique_ptr<FlowedPage> Flow(const std::string& text, int width = 480, int height = 272, int pageNumber = 1,
                                 const TFont* chosenFont = nullptr)
{
    auto page = std::make_unique<FlowedPage>();
    TBitmap blank;
    blank.SetWidth(width);
    blank.SetHeight(height);
    page->Mainscreen.SetWidth(width);
    page->Mainscreen.SetHeight(height);
    AssignPicture(page->Mainscreen.Picture(), blank);
    std::string_view remaining = text;
    FlowPageText(page->Mainscreen, remaining, pageNumber, chosenFont);
    EXPECT_EQ(text.substr(text.size() - remaining.size()), remaining) << "what is left is the text's tail";
    page->Remaining = std::string(remaining);
    return page;
}

bool InkIn(const TBitmap& raster, const TRect& area)
{
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (raster.PixelAt(x, y) != White)
                return true;
    return false;
}

class TextFlowTest : public ::testing::Test {
protected:
    void SetUp() override { test::StartUp("ja_JP.UTF-8"); }
};

TEST_F(TextFlowTest, HeaderIsPageNumberInAFieldOfFive)
{
    for (const auto& [number, header] : {std::pair{1, "Page     1"}, std::pair{123456, "Page 123456"}}) {
        auto page = Flow("", 480, 272, number);
        EXPECT_EQ(page->Remaining, "");

        TBitmap expected;
        expected.SetWidth(480);
        expected.SetHeight(272);
        TCanvas& canvas = expected.Canvas();
        canvas.Brush().SetStyle(bsClear);
        canvas.Font().SetName("ＭＳ ゴシック");
        canvas.Font().SetSize(8);
        canvas.Font().SetColor(clBlack);
        canvas.PutText(2, 2, header);

        const TBitmap& drawn = *page->Mainscreen.Bitmap();
        int differences = 0;
        for (int y = 0; y < 272; ++y)
            for (int x = 0; x < 480; ++x)
                differences += drawn.PixelAt(x, y) != expected.PixelAt(x, y);
        EXPECT_EQ(differences, 0) << header;
        EXPECT_FALSE(InkIn(drawn, {0, 16, 480, 272})) << "nothing below the header";
    }
}

TEST_F(TextFlowTest, EmptyFirstLineMovesTheNextCharacterDown)
{
    auto page = Flow("\r\nx");
    const TBitmap& raster = *page->Mainscreen.Bitmap();
    EXPECT_FALSE(InkIn(raster, {0, 16, 480, 31}));
    EXPECT_TRUE(InkIn(raster, {4, 31, 10, 43}));
    EXPECT_EQ(page->Remaining, "");
}

struct Geometry {
    const char* Name;
    int Width;
    int Height;
    int Lines;
    int TwoBytePerLine;
    int OneBytePerLine;
};

class FlowGeometryTest : public TextFlowTest, public ::testing::WithParamInterface<Geometry> {};

TEST_P(FlowGeometryTest, LinesAndCharactersPerLine)
{
    const Geometry& g = GetParam();
    // Short lines: each ends with its line feed, so the page holds g.Lines of them.
    const std::string lines = test::Repeat("a" + CrLf, 100);
    EXPECT_EQ(Flow(lines, g.Width, g.Height)->Remaining.size(), lines.size() - 3u * g.Lines);

    // One long line of two-byte characters wraps after g.TwoBytePerLine of them,
    // and nothing is lost or repeated across the wraps.
    const std::string kanji = test::Repeat(Kanji, 1000);
    auto page = Flow(kanji, g.Width, g.Height);
    EXPECT_EQ(page->Remaining.size(), kanji.size() - 2u * g.TwoBytePerLine * g.Lines);
    const int lastX = 4 + 12 * (g.TwoBytePerLine - 1);
    EXPECT_TRUE(InkIn(*page->Mainscreen.Bitmap(), {lastX, 16, lastX + 12, 28}));
    EXPECT_FALSE(InkIn(*page->Mainscreen.Bitmap(), {lastX + 12, 16, g.Width, 28}));

    const std::string ones = std::string(10000, 'm');
    EXPECT_EQ(Flow(ones, g.Width, g.Height)->Remaining.size(), ones.size() - 1u * g.OneBytePerLine * g.Lines);

    // The last line starts at 16 + 15 (lines - 1); nothing is drawn below it.
    const int lastLine = 16 + 15 * (g.Lines - 1);
    EXPECT_TRUE(InkIn(*page->Mainscreen.Bitmap(), {4, lastLine, 16, lastLine + 12}));
    EXPECT_FALSE(InkIn(*page->Mainscreen.Bitmap(), {0, lastLine + 12, g.Width, g.Height}));
}

INSTANTIATE_TEST_SUITE_P(Formats, FlowGeometryTest,
                         ::testing::Values(Geometry{"PSP", 480, 272, 17, 39, 79}, Geometry{"QVGA", 240, 320, 20, 19, 39}),
                         [](const auto& info) { return info.param.Name; });

TEST_F(TextFlowTest, AFullLineIsFollowedByALineHoldingItsCarriageReturn)
{
    // 39 two-byte characters fill the line; the wrap moves the carriage return
    // to the next line, whose line feed then breaks again.
    const std::string text = test::Repeat(test::Repeat(Kanji, 39) + CrLf, 10);
    auto page = Flow(text);
    const std::size_t perLine = 39 * 2 + 2;
    // Eight text lines take two page lines each; the ninth fills the
    // seventeenth and its wrap fills the page, leaving its CR LF.
    EXPECT_EQ(page->Remaining, text.substr(8 * perLine + 39 * 2));
    const TBitmap& raster = *page->Mainscreen.Bitmap();
    EXPECT_TRUE(InkIn(raster, {460, 16, 472, 28})) << "the 39th character at x 460";
    EXPECT_FALSE(InkIn(raster, {0, 31, 480, 43})) << "the second line holds only the carriage return";
}

TEST_F(TextFlowTest, LoneLeadByteTakesTheCarriageReturnAlong)
{
    // 82 0D is one (malformed) character; the line feed still breaks the line.
    auto page = Flow("a\x82\r\nb");
    const TBitmap& raster = *page->Mainscreen.Bitmap();
    EXPECT_TRUE(InkIn(raster, {4, 31, 10, 43}));
    EXPECT_EQ(page->Remaining, "");

    auto last = Flow("\x82");
    EXPECT_EQ(last->Remaining, "");
}

TEST_F(TextFlowTest, TextEndingAtThePageEndComesBackEmpty)
{
    const std::string text = test::Repeat("a" + CrLf, 17);
    EXPECT_EQ(Flow(text)->Remaining, "");
    EXPECT_EQ(Flow(text + "b")->Remaining, "b");
}

TEST_F(TextFlowTest, ChosenFontSetsTheBody)
{
    TFont big;
    big.SetName("ＭＳ ゴシック");
    big.SetSize(18);
    big.SetColor(0x0000FF);
    // Twice the cell: fewer lines on the page.
    const std::string text = test::Repeat("a" + CrLf, 100);
    auto page = Flow(text, 480, 272, 1, &big);
    const int h = 24;
    int lines = 0;
    for (int y = 16; y + h < 272; y += h + h / 4)
        ++lines;
    EXPECT_EQ(page->Remaining.size(), text.size() - 3u * lines);
    bool red = false;
    for (int y = 16; y < 40 && !red; ++y)
        for (int x = 4; x < 16; ++x)
            red = red || (PixelRed(page->Mainscreen.Bitmap()->PixelAt(x, y)) > 128 &&
                          PixelBlue(page->Mainscreen.Bitmap()->PixelAt(x, y)) < 64);
    EXPECT_TRUE(red);
}

TEST_F(TextFlowTest, WesternLocaleLaysShiftJisOutByteByByte)
{
    test::StartUp("en_US.UTF-8");
    const std::string text = test::Repeat(Kanji, 200);
    auto page = Flow(text);
    // Every byte is a character of its own, so more than 39 pairs fit a line
    // and the page takes a different amount of text.
    EXPECT_NE(page->Remaining.size(), text.size() - 2u * 39 * 17);
    EXPECT_EQ(text.substr(text.size() - page->Remaining.size()), page->Remaining);
}

TEST_F(TextFlowTest, AnyBytesAreLaidOutWithoutLoss)
{
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes.push_back(static_cast<char>((i * 7919) % 256));
    std::string_view rest = bytes;
    std::size_t consumed = 0;
    for (int pageNumber = 1; !rest.empty() && pageNumber < 100; ++pageNumber) {
        auto page = Flow(std::string(rest), 240, 320, pageNumber);
        ASSERT_LT(page->Remaining.size(), rest.size()) << "every page takes something";
        consumed += rest.size() - page->Remaining.size();
        rest = std::string_view(bytes).substr(consumed);
    }
    EXPECT_TRUE(rest.empty());
}

}  // namespace
}  // namespace tessaro
