// The pages: the run numbers them until the text is used up, each of the
// format read at its tick, on white with the background at its natural size
// from the top-left corner; the flow lays the text onto them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/PageRun.h"
#include "pages/TextFlow.h"
#include "support/TestSupport.h"

namespace tessaro::test {
namespace {

// The colour at (x, y) as one letter: blacK, Red, Green, Blue, Yellow, White...
char ColourAt(const TBitmap& page, int x, int y)
{
    const DevicePixel pixel = page.PixelAt(x, y);
    return "KBGCRMYW"[(PixelRed(pixel) > 128) * 4 + (PixelGreen(pixel) > 128) * 2 + (PixelBlue(pixel) > 128)];
}

bool InkIn(const TBitmap& page, const TRect& area)
{
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (page.PixelAt(x, y) != MakePixel(255, 255, 255))
                return true;
    return false;
}

// A background in quadrants red, green / blue, yellow, so the part on the page shows.
void WriteQuadrants(const std::string& path, int width, int height)
{
    TBitmap picture;
    picture.SetWidth(width);
    picture.SetHeight(height);
    const TColor colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    for (int q = 0; q < 4; ++q) {
        picture.Canvas().Brush().SetColor(colours[q]);
        picture.Canvas().FillRectangle(
            {q % 2 * width / 2, q / 2 * height / 2, (q % 2 + 1) * width / 2, (q / 2 + 1) * height / 2});
    }
    WritePage(path, EncodePage(picture));
}

// Lays one page of text onto a white screen of the given size; returns what is left.
std::string Flow(TImage& screen, std::string_view text, int width, int height, int page = 1,
                 const TFont* chosenFont = nullptr)
{
    TBitmap blank;
    blank.SetWidth(width);
    blank.SetHeight(height);
    screen.SetWidth(width);
    screen.SetHeight(height);
    AssignPicture(screen.Picture(), blank);
    FlowPageText(screen, text, page, chosenFont);
    return std::string(text);
}

TEST(OutputPathTest, JoinsDirectoryPrefixAndNumber)
{
    const struct {
        const char *Directory, *Prefix;
        int Page;
        const char* Path;
    } rows[] = {{"", "book", 1, "book000001.jpg"}, {"out/", "book", 42, "out//book000042.jpg"},
                {"/tmp/a b", "p", 999999, "/tmp/a b/p999999.jpg"}, {"d", "", 1234567, "d/1234567.jpg"},
                {"", "%s%d ", 3, "%s%d 000003.jpg"}};
    for (const auto& row : rows)
        EXPECT_EQ(OutputPath(row.Directory, row.Prefix, row.Page), row.Path);
}

// Rows in turn are the pages of one run over empty lines, so the format and
// the background file are read anew at every tick; each probe point shows one
// colour. The pages are numbered in order until the text is used up.
TEST(PageRunTest, NumbersItsPagesEachWithItsBackgroundAtNaturalSizeOnWhite)
{
    const struct {
        PageFormat Format;
        PageSize Page, Background;  // a background 0 wide: none
        std::vector<std::pair<int, int>> Probes;
        std::string Colours;
    } rows[] = {
        {PageFormat::PSP, {480, 272}, {640, 480}, {{0, 20}, {300, 200}, {400, 20}, {20, 262}, {479, 271}}, "RRGBY"},
        {PageFormat::QVGA, {240, 320}, {640, 480}, {{235, 235}, {20, 300}, {239, 319}}, "RBB"},
        {PageFormat::PSP, {480, 272}, {100, 100}, {{20, 20}, {99, 99}, {100, 60}, {60, 100}, {479, 271}}, "RYWWW"},
        {PageFormat::PSP, {480, 272}, {0, 0}, {{20, 20}, {479, 271}}, "WW"},
    };
    StartUp("ja_JP.UTF-8");
    TempDir dir;
    std::vector<std::string> paths;
    std::vector<TBitmap> pages;
    const PageSaver record = [&](const std::string& path, const TBitmap& page) {
        paths.push_back(path);
        pages.push_back(page);
    };
    PageRun run;
    const TBitmap& preview = *run.Mainscreen().Bitmap();
    EXPECT_EQ((PageSize{preview.Width(), preview.Height()}), (PageSize{480, 272})) << "before the first page";
    EXPECT_EQ(ColourAt(preview, 479, 271), 'W');
    const std::string text = Repeat("\r\n", 60);
    WriteFile(dir.File("book.txt"), text);
    run.Start(dir.File("book.txt"));
    for (const auto& row : rows) {
        TickSettings settings;
        settings.Format = row.Format;
        if (row.Background.Width > 0) {
            settings.BackgroundPath = dir.File("bg.jpg");
            WriteQuadrants(settings.BackgroundPath, row.Background.Width, row.Background.Height);
        }
        const std::size_t consumed = run.ConsumedBytes();
        const bool ended = run.Tick(settings, record);
        EXPECT_GT(run.ConsumedBytes(), consumed);
        EXPECT_EQ(run.RemainingText(), std::string_view(text).substr(run.ConsumedBytes()));
        EXPECT_EQ(ended, run.RemainingText().empty());
        std::string colours;
        for (const auto& [x, y] : row.Probes)
            colours += ColourAt(pages.back(), x, y);
        EXPECT_EQ(colours, row.Colours);
        EXPECT_EQ((PageSize{pages.back().Width(), pages.back().Height()}), row.Page);
        EXPECT_EQ(ColourAt(run.TemplateBitmap(), 20, 20), 'W') << "the template was drawn on";
    }
    EXPECT_EQ(paths,
              (std::vector<std::string>{"book000001.jpg", "book000002.jpg", "book000003.jpg", "book000004.jpg"}));
    EXPECT_EQ(run.PageCounter(), 5);
    EXPECT_TRUE(run.RemainingText().empty());
    EXPECT_EQ(run.TextBytes(), text.size());
    WriteFile(dir.File("book.txt"), "");
    run.Start(dir.File("book.txt"));
    EXPECT_TRUE(run.Tick(TickSettings{}, record)) << "an empty text gives one page";
    EXPECT_EQ(paths.back(), "book000001.jpg");
}

TEST(TextFlowTest, HeaderIsThePageNumberInAFieldOfFive)
{
    StartUp("ja_JP.UTF-8");
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
        TImage screen;
        Flow(screen, "", 480, 272, number);
        int differences = 0;
        for (int y = 0; y < 272; ++y)
            for (int x = 0; x < 480; ++x)
                differences += screen.Bitmap()->PixelAt(x, y) != expected.PixelAt(x, y);
        EXPECT_EQ(differences, 0) << header;
    }
}

// How much of a text one page takes: lines per page and characters per line,
// with ink at the last of them and none past. The third row ends its lines
// and its page exactly at x + w == width and y + h == height.
TEST(TextFlowTest, FillsThePageLineByLine)
{
    StartUp("ja_JP.UTF-8");
    const struct {
        int Width, Height;
        int Points, Cell;  // Points 0: the default body, 9 points in a 12-pixel cell
        int Lines, TwoBytePerLine, OneBytePerLine;
    } rows[] = {{480, 272, 0, 12, 17, 39, 79}, {240, 320, 0, 12, 20, 19, 39}, {472, 268, 0, 12, 16, 38, 77},
                {480, 272, 18, 24, 8, 19, 39}};
    for (const auto& g : rows) {
        SCOPED_TRACE(testing::Message() << g.Width << "x" << g.Height << ", " << g.Points << " points");
        TFont font;
        font.SetName("ＭＳ ゴシック");
        font.SetSize(g.Points);
        TImage screen;
        const auto taken = [&](const std::string& text) {
            return text.size() - Flow(screen, text, g.Width, g.Height, 1, g.Points ? &font : nullptr).size();
        };
        // Line feeds alone, or short lines ended by CR LF: one page line each.
        EXPECT_EQ(taken(std::string(100, '\n')), 1u * g.Lines);
        EXPECT_EQ(taken(Repeat("a\r\n", 100)), 3u * g.Lines);
        EXPECT_EQ(taken(std::string(10000, 'm')), 1u * g.OneBytePerLine * g.Lines);
        EXPECT_EQ(taken(Repeat("\x88\x9f", 1000)), 2u * g.TwoBytePerLine * g.Lines);  // 亜, as wide as the cell
        const TBitmap& page = *screen.Bitmap();
        const int lastX = 4 + g.Cell * (g.TwoBytePerLine - 1);
        const int lastY = 16 + (g.Cell + g.Cell / 4) * (g.Lines - 1);
        EXPECT_TRUE(InkIn(page, {lastX, 16, lastX + g.Cell, 16 + g.Cell}));
        EXPECT_FALSE(InkIn(page, {lastX + g.Cell, 16, g.Width, 16 + g.Cell}));
        EXPECT_TRUE(InkIn(page, {4, lastY, 4 + g.Cell, lastY + g.Cell}));
        EXPECT_FALSE(InkIn(page, {0, lastY + g.Cell, g.Width, g.Height}));
    }
}

}  // namespace
}  // namespace tessaro::test
