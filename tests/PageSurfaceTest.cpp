#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/TImage.h"
#include "pages/PageSurface.h"
#include "support/JpegTestPictures.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace tessaro::test {
namespace {

// The tick's part before PreparePage: template and preview sized to the page.
struct Page {
    Page(int width, int height) : Template(MakeRaster(width, height, kWhite))
    {
        Screen.SetWidth(width);
        Screen.SetHeight(height);
    }
    void Prepare(const std::string& background)
    {
        PreparePage(Screen, Template, background, Template.Width(), Template.Height());
    }
    Rgb At(int x, int y) const { return PixelColour(Screen.Bitmap()->PixelAt(x, y)); }

    TBitmap Template;
    TImage Screen;
};

struct Probe {
    int X, Y;
    Rgb Colour;
};

struct SurfaceCase {
    const char* Name;
    int PageWidth, PageHeight;
    int BackgroundWidth, BackgroundHeight;  // 0: no background
    std::vector<Probe> Probes;
};

// Quadrants red, green / blue, yellow, so that the part on the page shows.
Rgb Quadrants(int x, int y, int width, int height)
{
    const bool right = x >= width / 2, bottom = y >= height / 2;
    return bottom ? (right ? kYellow : kBlue) : (right ? kGreen : kRed);
}

class PageSurface : public testing::TestWithParam<SurfaceCase> {};

TEST_P(PageSurface, ShowsTheBackgroundAtItsNaturalSizeOnWhite)
{
    const SurfaceCase& c = GetParam();
    TempDir dir;
    std::string path;
    if (c.BackgroundWidth > 0) {
        path = dir.File("bg.jpg");
        WriteFile(path, MakeJpeg(c.BackgroundWidth, c.BackgroundHeight, JpegKind::Color, [&](int x, int y) {
                      return Quadrants(x, y, c.BackgroundWidth, c.BackgroundHeight);
                  }));
    }
    Page page(c.PageWidth, c.PageHeight);
    page.Prepare(path);
    ASSERT_NE(page.Screen.Bitmap(), nullptr);
    EXPECT_EQ(page.Screen.Bitmap()->Width(), c.PageWidth);
    EXPECT_EQ(page.Screen.Bitmap()->Height(), c.PageHeight);
    for (const Probe& probe : c.Probes)
        EXPECT_PRED3(Near, page.At(probe.X, probe.Y), probe.Colour, 16) << "at " << probe.X << "," << probe.Y;
    EXPECT_PRED3(Near, PixelColour(page.Template.PixelAt(5, 5)), kWhite, 0) << "the template was drawn on";
}

INSTANTIATE_TEST_SUITE_P(
    Backgrounds, PageSurface,
    testing::Values(
        SurfaceCase{"None", 480, 272, 0, 0, {{0, 0, kWhite}, {240, 136, kWhite}, {479, 271, kWhite}}},
        SurfaceCase{"LargerThanPsp",
                    480,
                    272,
                    640,
                    480,
                    {{10, 10, kRed}, {400, 10, kGreen}, {10, 262, kBlue}, {400, 262, kYellow}, {479, 271, kYellow}}},
        SurfaceCase{"LargerThanQvga", 240, 320, 640, 480, {{5, 5, kRed}, {235, 235, kRed}, {5, 300, kBlue}}},
        SurfaceCase{"Small",
                    480,
                    272,
                    100,
                    100,
                    {{20, 20, kRed}, {80, 80, kYellow}, {101, 50, kWhite}, {50, 101, kWhite}, {479, 271, kWhite}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PageSurfaceFailure, BadBackgroundLeavesAWhitePage)
{
    TempDir dir;
    WriteFile(dir.File("notes.txt"), "not a picture\r\n");
    WriteFile(dir.File("bg.jpg"), MakeFlatJpeg(32, 32, kRed));
    Page page(480, 272);
    EXPECT_THROW(page.Prepare(dir.File("notes.txt")), EJPEG);
    EXPECT_PRED3(Near, page.At(0, 0), kWhite, 0);

    // The path is used exactly as typed.
    const std::string spaced = " " + dir.File("bg.jpg") + " ";
    try {
        page.Prepare(spaced);
        ADD_FAILURE() << "a path with spaces was trimmed";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.Message(), "ファイル " + spaced + " は開けません");
    }
    EXPECT_PRED3(Near, page.At(0, 0), kWhite, 0);
}

TEST(PageSurfaceSequence, BackgroundIsReadAgainForEveryPage)
{
    TempDir dir;
    const std::string path = dir.File("bg.jpg");
    Page page(240, 320);
    WriteFile(path, MakeFlatJpeg(32, 32, kRed));
    page.Prepare(path);
    EXPECT_PRED3(Near, page.At(10, 10), kRed, 16);
    WriteFile(path, MakeFlatJpeg(32, 32, kBlue));
    page.Prepare(path);
    EXPECT_PRED3(Near, page.At(10, 10), kBlue, 16);
    page.Prepare("");
    EXPECT_PRED3(Near, page.At(10, 10), kWhite, 0);
}

}  // namespace
}  // namespace tessaro::test
