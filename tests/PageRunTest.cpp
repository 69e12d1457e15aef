#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/TJPEGImage.h"
#include "pages/PageRun.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;

constexpr DevicePixel White = MakePixel(255, 255, 255);

// Forty short lines: more than two pages of either format.
std::string ManyLines()
{
    std::string text;
    for (int i = 1; i <= 40; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text;
}

PageSize JpegSize(const std::string& path)
{
    TJPEGImage jpeg;
    jpeg.LoadJpeg(path);
    return {jpeg.Width(), jpeg.Height()};
}

// Remembers what would have been written instead of encoding it.
struct RecordingSaver {
    std::vector<std::string> Paths;
    std::vector<PageSize> Sizes;

    PageSaver Saver()
    {
        return [this](const std::string& path, const TBitmap& page) {
            Paths.push_back(path);
            Sizes.push_back({page.Width(), page.Height()});
        };
    }
};

class PageRunTest : public ::testing::Test {
protected:
    void SetUp() override { test::StartUp("ja_JP.UTF-8"); }

    std::string TextFile(std::string_view bytes)
    {
        const std::string path = dir.File("book.txt");
        test::WriteFile(path, bytes);
        return path;
    }

    test::TempDir dir;
};

TEST_F(PageRunTest, NewRunShowsAWhitePspPreviewAndHasNoText)
{
    PageRun run;
    EXPECT_EQ(run.PageCounter(), 1);
    EXPECT_TRUE(run.RemainingText().empty());
    EXPECT_EQ(run.ChosenFont(), nullptr);
    EXPECT_EQ(run.TemplateBitmap().Width(), 480);
    EXPECT_EQ(run.TemplateBitmap().Height(), 272);
    EXPECT_EQ(run.Mainscreen().Width(), 480);
    EXPECT_EQ(run.Mainscreen().Height(), 272);
    const TBitmap* preview = run.Mainscreen().Bitmap();
    ASSERT_NE(preview, nullptr);
    ASSERT_EQ(preview->Width(), 480);
    ASSERT_EQ(preview->Height(), 272);
    for (int y = 0; y < 272; ++y)
        for (int x = 0; x < 480; ++x)
            ASSERT_EQ(preview->PixelAt(x, y), White) << x << "," << y;
}

TEST_F(PageRunTest, DefaultSettingsWriteOnePspPageIntoTheCurrentDirectory)
{
    TextFile("first line\r\nsecond line\nthird line\r");
    const test::CurrentDirectory inDir(dir.Path());
    PageRun run;
    run.Start("book.txt");
    EXPECT_EQ(run.RemainingText(), "first line\r\nsecond line\r\nthird line\r\n");

    EXPECT_TRUE(run.Tick(TickSettings{}));

    EXPECT_EQ(JpegSize(dir.File("book000001.jpg")), (PageSize{480, 272}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
    EXPECT_EQ(run.PageCounter(), 2);
    EXPECT_TRUE(run.RemainingText().empty());
    EXPECT_EQ(run.ConsumedBytes(), run.TextBytes());
}

struct PathCase {
    const char* Directory;
    const char* Prefix;
    int Page;
    const char* Path;
};

class OutputPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(OutputPathTest, JoinsDirectoryPrefixAndNumber)
{
    const PathCase& c = GetParam();
    EXPECT_EQ(OutputPath(c.Directory, c.Prefix, c.Page), c.Path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OutputPathTest,
    ::testing::Values(PathCase{"", "book", 1, "book000001.jpg"}, PathCase{"out", "book", 42, "out/book000042.jpg"},
                      PathCase{"out/", "book", 1, "out//book000001.jpg"},
                      PathCase{"/tmp/a b", "p", 999999, "/tmp/a b/p999999.jpg"},
                      PathCase{"", "book", 1234567, "book1234567.jpg"}, PathCase{"", "", 7, "000007.jpg"},
                      PathCase{"d", "", 1234567, "d/1234567.jpg"},
                      PathCase{"", "%s%d ", 3, "%s%d 000003.jpg"},
                      PathCase{"", "\x96\x7b", 5, "\x96\x7b" "000005.jpg"}));

class OutputDirectoryTest : public PageRunTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(OutputDirectoryTest, PagesGoIntoTheDirectoryWithOneSlashAdded)
{
    fs::create_directory(dir.Path() / "out");
    const std::string outputDirectory = dir.File("out") + GetParam();
    PageRun run;
    run.Start(TextFile("abc\r\n"));
    TickSettings settings;
    settings.OutputDirectory = outputDirectory;
    RecordingSaver recorder;
    const PageSaver record = recorder.Saver();
    EXPECT_TRUE(run.Tick(settings, [&](const std::string& path, const TBitmap& page) {
        record(path, page);
        SavePage(path, page);
    }));
    EXPECT_EQ(recorder.Paths, std::vector<std::string>{outputDirectory + "/book000001.jpg"});
    EXPECT_EQ(JpegSize(dir.File("out/book000001.jpg")), (PageSize{480, 272}));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutTrailingSlash, OutputDirectoryTest, ::testing::Values("", "/"));

TEST_F(PageRunTest, EmptyPrefixNamesPagesByNumberOnly)
{
    fs::create_directory(dir.Path() / "out");
    PageRun run;
    run.Start(TextFile("abc\r\n"));
    TickSettings settings;
    settings.Prefix = "";
    settings.OutputDirectory = dir.File("out");
    EXPECT_TRUE(run.Tick(settings));
    EXPECT_TRUE(fs::exists(dir.Path() / "out" / "000001.jpg"));
}

TEST_F(PageRunTest, PagesAreNumberedInOrderUntilTheTextIsUsedUp)
{
    const std::string text = ManyLines();
    PageRun run;
    run.Start(TextFile(text));
    RecordingSaver recorder;
    std::size_t consumed = 0;
    bool ended = false;
    while (!ended) {
        ASSERT_LT(recorder.Paths.size(), 10u);
        ended = run.Tick(TickSettings{}, recorder.Saver());
        EXPECT_GT(run.ConsumedBytes(), consumed);
        consumed = run.ConsumedBytes();
        EXPECT_EQ(run.RemainingText(), std::string_view(text).substr(consumed));
        EXPECT_EQ(ended, run.RemainingText().empty());
    }
    ASSERT_GE(recorder.Paths.size(), 3u);
    for (std::size_t i = 0; i < recorder.Paths.size(); ++i)
        EXPECT_EQ(recorder.Paths[i], OutputPath("", "book", int(i) + 1));
    EXPECT_EQ(run.PageCounter(), int(recorder.Paths.size()) + 1);
    EXPECT_EQ(run.TextBytes(), text.size());
}

TEST_F(PageRunTest, StartingAgainReloadsTheTextAndRestartsAtPageOne)
{
    PageRun run;
    const std::string path = TextFile(ManyLines());
    run.Start(path);
    RecordingSaver recorder;
    run.Tick(TickSettings{}, recorder.Saver());
    run.Tick(TickSettings{}, recorder.Saver());
    ASSERT_EQ(run.PageCounter(), 3);

    test::WriteFile(path, "new text\r\n");
    run.Start(path);
    EXPECT_EQ(run.PageCounter(), 1);
    EXPECT_EQ(run.RemainingText(), "new text\r\n");
    EXPECT_TRUE(run.Tick(TickSettings{}, recorder.Saver()));
    EXPECT_EQ(recorder.Paths.back(), "book000001.jpg");
}

TEST_F(PageRunTest, FormatChangesBetweenTicksResizeTheNextPage)
{
    fs::create_directory(dir.Path() / "out");
    PageRun run;
    run.Start(TextFile(ManyLines()));
    TickSettings settings;
    settings.OutputDirectory = dir.File("out");
    ASSERT_FALSE(run.Tick(settings));
    settings.Format = PageFormat::QVGA;
    ASSERT_FALSE(run.Tick(settings));
    EXPECT_EQ(run.TemplateBitmap().Width(), 240);
    EXPECT_EQ(run.TemplateBitmap().Height(), 320);
    EXPECT_EQ(run.Mainscreen().Width(), 240);
    EXPECT_EQ(run.Mainscreen().Height(), 320);
    settings.Format = PageFormat::PSP;
    run.Tick(settings);

    EXPECT_EQ(JpegSize(dir.File("out/book000001.jpg")), (PageSize{480, 272}));
    EXPECT_EQ(JpegSize(dir.File("out/book000002.jpg")), (PageSize{240, 320}));
    EXPECT_EQ(JpegSize(dir.File("out/book000003.jpg")), (PageSize{480, 272}));
}

TEST_F(PageRunTest, AnEmptyTextGivesOnePage)
{
    PageRun run;
    run.Start(TextFile(""));
    RecordingSaver recorder;
    EXPECT_TRUE(run.Tick(TickSettings{}, recorder.Saver()));
    EXPECT_EQ(recorder.Paths, std::vector<std::string>{"book000001.jpg"});
    EXPECT_EQ(recorder.Sizes.front(), (PageSize{480, 272}));
    EXPECT_EQ(run.PageCounter(), 2);
}

TEST_F(PageRunTest, AMissingTextFileLeavesAnEmptyRunAtPageOne)
{
    PageRun run;
    run.Start(TextFile(ManyLines()));
    RecordingSaver recorder;
    run.Tick(TickSettings{}, recorder.Saver());
    const std::string missing = dir.File("missing.txt");
    try {
        run.Start(missing);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), EFOpenError::ForFile(missing).Message());
    }
    EXPECT_EQ(run.PageCounter(), 1);
    EXPECT_TRUE(run.RemainingText().empty());
}

TEST_F(PageRunTest, AFailedBackgroundKeepsTheTextAndTheNumberForTheNextTick)
{
    const std::string text = ManyLines();
    PageRun run;
    run.Start(TextFile(text));
    RecordingSaver recorder;
    TickSettings settings;
    settings.BackgroundPath = dir.File("missing.jpg");
    EXPECT_THROW(run.Tick(settings, recorder.Saver()), EFOpenError);
    EXPECT_EQ(run.PageCounter(), 1);
    EXPECT_EQ(run.RemainingText(), text);

    test::WriteFile(settings.BackgroundPath, "not a JPEG");
    EXPECT_THROW(run.Tick(settings, recorder.Saver()), Exception);
    EXPECT_EQ(run.PageCounter(), 1);
    EXPECT_EQ(run.RemainingText(), text);
    EXPECT_TRUE(recorder.Paths.empty());

    settings.BackgroundPath.clear();
    EXPECT_FALSE(run.Tick(settings, recorder.Saver()));
    EXPECT_EQ(recorder.Paths, std::vector<std::string>{"book000001.jpg"});
}

TEST_F(PageRunTest, AFailedSaveUsesUpThePageButNotItsNumber)
{
    const std::string text = ManyLines();
    PageRun run;
    run.Start(TextFile(text));
    TickSettings settings;
    settings.OutputDirectory = dir.File("missing");
    const std::string firstPath = settings.OutputDirectory + "/book000001.jpg";
    try {
        run.Tick(settings);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), EFCreateError::ForFile(firstPath).Message());
    }
    EXPECT_EQ(run.PageCounter(), 1);
    const std::size_t lost = run.ConsumedBytes();
    EXPECT_GT(lost, 0u);
    EXPECT_EQ(run.RemainingText(), std::string_view(text).substr(lost));

    fs::create_directory(settings.OutputDirectory);
    EXPECT_FALSE(run.Tick(settings));
    EXPECT_TRUE(fs::exists(firstPath));
    EXPECT_EQ(run.PageCounter(), 2);
    EXPECT_GT(run.ConsumedBytes(), lost);
}

TEST_F(PageRunTest, SavePageWritesTheRasterAsAJpegFile)
{
    TBitmap page;
    page.SetWidth(240);
    page.SetHeight(320);
    SavePage(dir.File("page.jpg"), page);
    const std::string bytes = test::ReadFile(dir.File("page.jpg"));
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(JpegSize(dir.File("page.jpg")), (PageSize{240, 320}));

    EXPECT_THROW(SavePage(dir.File("missing/page.jpg"), page), EFCreateError);
}

}  // namespace
}  // namespace tessaro
