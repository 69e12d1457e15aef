// The run: pages named and numbered in order until the text is used up, each
// of the format read at its tick, on white with the background at its
// natural size from the top-left corner.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/PageRun.h"
#include "support/TestSupport.h"
#include "text/FileIO.h"

namespace tessaro::test {
namespace {

// Keeps the pages a run hands over instead of writing them.
struct Recorder {
    std::vector<std::string> Paths;
    std::vector<TBitmap> Pages;
    PageSaver Saver()
    {
        return [this](const std::string& path, const TBitmap& page) {
            Paths.push_back(path);
            Pages.push_back(page);
        };
    }
};

// The colour at (x, y) as one letter: blacK, Red, Green, Blue, Yellow, White...
char ColourAt(const TBitmap& page, int x, int y)
{
    const DevicePixel pixel = page.PixelAt(x, y);
    return "KBGCRMYW"[(PixelRed(pixel) > 128) * 4 + (PixelGreen(pixel) > 128) * 2 + (PixelBlue(pixel) > 128)];
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

class PageRunTest : public testing::Test {
protected:
    void SetUp() override { StartUp("ja_JP.UTF-8"); }
    std::string Book(std::string_view text)
    {
        WriteFile(dir.File("book.txt"), text);
        return dir.File("book.txt");
    }
    TempDir dir;
};

TEST_F(PageRunTest, PagesAreNumberedInOrderUntilTheTextIsUsedUp)
{
    PageRun run;
    ASSERT_NE(run.Mainscreen().Bitmap(), nullptr);
    const TBitmap& preview = *run.Mainscreen().Bitmap();
    EXPECT_EQ((PageSize{preview.Width(), preview.Height()}), (PageSize{480, 272})) << "before the first page";
    EXPECT_EQ(ColourAt(preview, 479, 271), 'W');
    EXPECT_EQ(run.PageCounter(), 1);

    const std::string text = Repeat("a line\r\n", 40);
    run.Start(Book(text));
    Recorder recorder;
    for (bool ended = false; !ended;) {
        ASSERT_LT(recorder.Paths.size(), 10u);
    const std::size_t consumed = run.ConsumedBytes();
        ended = run.Tick(TickSettings{}, recorder.Saver());
        EXPECT_GT(run.ConsumedBytes(), consumed);
        EXPECT_EQ(run.RemainingText(), std::string_view(text).substr(run.ConsumedBytes()));
        EXPECT_EQ(ended, run.RemainingText().empty());
    }
    EXPECT_EQ(recorder.Paths, (std::vector<std::string>{"book000001.jpg", "book000002.jpg", "book000003.jpg"}));
    EXPECT_EQ(run.PageCounter(), 4);
    EXPECT_EQ(run.TextBytes(), text.size());

    run.Start(Book(""));
    EXPECT_TRUE(run.Tick(TickSettings{}, recorder.Saver())) << "an empty text gives one page";
    EXPECT_EQ(recorder.Paths.back(), "book000001.jpg");
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

// One page of a run: its format, the background the file holds at its tick,
// and the colours at some points of the page.
struct SurfaceRow {
    PageFormat Format;
    int BackgroundWidth, BackgroundHeight;  // 0: no background
    std::vector<std::pair<int, int>> Probes;
    std::string Colours;
};

// Rows in turn are the pages of one run: the format and the background file
// are read anew at every tick.
TEST_F(PageRunTest, EachPageShowsItsBackgroundAtNaturalSizeOnWhite)
{
    const SurfaceRow rows[] = {
        {PageFormat::PSP, 640, 480, {{0, 20}, {300, 200}, {400, 20}, {20, 262}, {479, 271}}, "RRGBY"},
        {PageFormat::QVGA, 640, 480, {{235, 235}, {20, 300}, {239, 319}}, "RBB"},
        {PageFormat::PSP, 100, 100, {{20, 20}, {99, 99}, {100, 60}, {60, 100}, {479, 271}}, "RYWWW"},
        {PageFormat::PSP, 0, 0, {{20, 20}, {479, 271}}, "WW"},
    };
    PageRun run;
    run.Start(Book(Repeat("\r\n", 60)));
    Recorder recorder;
    TickSettings settings;
    for (const SurfaceRow& row : rows) {
        settings.Format = row.Format;
        settings.BackgroundPath = row.BackgroundWidth > 0 ? dir.File("bg.jpg") : "";
        if (row.BackgroundWidth > 0)
            WriteQuadrants(settings.BackgroundPath, row.BackgroundWidth, row.BackgroundHeight);
        run.Tick(settings, recorder.Saver());
        const TBitmap& page = recorder.Pages.back();
        std::string colours;
        for (const auto& [x, y] : row.Probes)
            colours += ColourAt(page, x, y);
        EXPECT_EQ(colours, row.Colours);
        EXPECT_EQ((PageSize{page.Width(), page.Height()}),
                  (row.Format == PageFormat::PSP ? PageSize{480, 272} : PageSize{240, 320}));
        EXPECT_EQ(ColourAt(run.TemplateBitmap(), 20, 20), 'W') << "the template was drawn on";
    }
}

TEST_F(PageRunTest, PagesAreSavedAsJpegsOfQuality80)
{
    TBitmap page;
    page.SetWidth(24);
    page.SetHeight(32);
    SavePage(dir.File("page.jpg"), page);
    const std::string bytes = ReadFile(dir.File("page.jpg"));
    EXPECT_TRUE(bytes.starts_with("\xFF\xD8"));
    // The first entry of the luminance table: 16 scaled by 40 % at quality 80.
    const std::size_t table = bytes.find("\xFF\xDB");
    ASSERT_LT(table + 5, bytes.size());
    EXPECT_EQ(bytes[table + 5], 6);
}

}  // namespace
}  // namespace tessaro::test
