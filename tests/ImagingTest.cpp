#include <gtest/gtest.h>
#include <jerror.h>

#include <array>
#include <climits>
#include <filesystem>
#include <functional>

#include "imaging/JpegCodec.h"
#include "imaging/TCanvas.h"
#include "imaging/TJPEGImage.h"
#include "support/JpegTestPictures.h"
#include "support/MemoryFile.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace tessaro::test {
namespace {

constexpr DevicePixel White = MakePixel(255, 255, 255);

int Count(const TBitmap& raster, DevicePixel value)
{
    int count = 0;
    for (int y = 0; y < raster.Height(); ++y)
        for (int x = 0; x < raster.Width(); ++x)
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

// A white raster whose canvas writes in the body font of the pages on a clear brush.
TBitmap Page(int width, int height, TFontStyles style = 0, const char* family = "ＭＳ ゴシック")
{
    StartUp("ja_JP.UTF-8");
    TBitmap page = MakeRaster(width, height, kWhite);
    page.Canvas().Brush().SetStyle(bsClear);
    page.Canvas().Font().SetName(family);
    page.Canvas().Font().SetSize(9);
    page.Canvas().Font().SetStyle(style);
    return page;
}

TEST(FontTest, PointsAndPixelsConvertRoundedAndDefaultsFollowTheLocale)
{
    const std::array<int, 3> rows[] = {{96, 8, -11}, {96, 9, -12}, {96, 11, -15}, {120, 8, -13}, {144, 9, -18}};
    for (const auto& [pixelsPerInch, points, height] : rows) {
        StartUp("ja_JP.UTF-8", pixelsPerInch);
        TFont font;
        font.SetSize(points);
        EXPECT_EQ(std::pair(font.Height(), font.Size()), std::pair(height, points)) << points << " pt at " << pixelsPerInch;
    }
    EXPECT_EQ(MulDiv(1 << 30, 8, 1 << 20), 8 << 10);
    EXPECT_EQ(TFont().Description(), (TFontDescription{"ＭＳ Ｐゴシック", -18, 0, SHIFTJIS_CHARSET, fpDefault}));
    StartUp("en_US.UTF-8");
    TFont font;
    EXPECT_EQ(font.Description(), (TFontDescription{"MS Sans Serif", -11, 0, DEFAULT_CHARSET, fpDefault}));
    TFont otherResolution;
    otherResolution.SetPixelsPerInch(120);
    otherResolution.CopyFont(font);
    EXPECT_EQ(otherResolution.Height(), -13) << "a copy keeps the size in points";
}

// A row of spaces has no ink but the line. The rows follow from IPA Gothic's
// metrics in units of 2048 to the em: ascender 1802; underline 298 below the
// baseline, 104 thick; strike-out 858 above it, 160 thick; each rounded.
TEST(CanvasTest, UnderlineAndStrikeOutLieWhereTheFontPutsThem)
{
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

// Control bytes take the width of a space and leave no ink. IPA Gothic has
// neither bold nor italic: both are drawn in. An unknown family falls back.
TEST(CanvasTest, ControlBytesStylesFamiliesAndCopiesInkAsTheyShould)
{
    const auto inked = [](TFontStyles style, const char* text, const char* family = "ＭＳ ゴシック") {
        TBitmap page = Page(40, 16, style, family);
        page.Canvas().PutText(0, 0, text);
        return page;
    };
    EXPECT_EQ(Page(9, 9).Canvas().TextCellWidth("\r\t"), 2 * Page(9, 9).Canvas().TextCellWidth(" "));
    EXPECT_EQ(Count(inked(0, "\r\t\x1F\x7F"), White), 40 * 16);
    EXPECT_LT(Count(inked(fsBold, "lb"), White), Count(inked(0, "lb"), White));
    EXPECT_NE(Ink(inked(fsItalic, "lb")), Ink(inked(0, "lb")));
    EXPECT_LT(Count(inked(0, "lb", "No Such Family Anywhere"), White), 40 * 16);
    const TBitmap blank = MakeRaster(40, 16, kWhite);
    TBitmap copy = blank;  // shares the pixels until it is drawn on
    copy.Canvas().PutText(0, 0, "lb");
    EXPECT_EQ(Count(blank, White), 40 * 16) << "drawing on a copy drew on its source";
}

// Four quadrants: red, green / blue, yellow.
Rgb Quadrants(int x, int y)
{
    return y >= 32 ? (x >= 32 ? kYellow : kBlue) : (x >= 32 ? kGreen : kRed);
}

std::string Picture(JpegKind kind = JpegKind::Color)
{
    return MakeJpeg(64, 64, kind, Quadrants);
}

// The message of the program's error that action raised; empty for none.
std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "";
}

// Loads the bytes from a file, as a background is loaded, and draws them on a page.
TBitmap LoadAndDraw(TJPEGImage& image, const std::string& bytes)
{
    image.LoadJpeg(MemoryFile(bytes));
    TBitmap page = MakeRaster(64, 64, kWhite);
    page.Canvas().DrawImage(0, 0, &image);
    return page;
}

// Encoded once, at the quality of the moment; a new raster is encoded again.
TEST(JpegWriting, PagesTakeTheQualityOfTheirRaster)
{
    const TBitmap raster = MakeRaster(48, 32, kWhite);
    TJPEGImage image;
    image.AssignBitmap(raster);
    image.SetQuality(20);
    const std::vector<std::uint8_t> bytes = image.EncodedBytes();
    EXPECT_EQ(bytes, EncodeJpeg(raster, 20));
    EXPECT_NE(bytes, EncodeJpeg(raster, 80));
    EXPECT_EQ(bytes.end()[-2] << 8 | bytes.back(), 0xFFD9) << "the file goes on after its end marker";
    image.SetQuality(80);
    EXPECT_EQ(image.EncodedBytes(), bytes) << "a new quality encoded the held bytes again";
    image.AssignBitmap(raster);
    EXPECT_EQ(image.EncodedBytes(), EncodeJpeg(raster, 80));
}

// Our decoder is pinned by pictures the library made from known samples (the
// background table), so a round trip through it shows the encoder's channels.
TEST(JpegWriting, ColoursOfThePageReachTheFile)
{
    for (const Rgb colour : {kRed, kGreen, kBlue, Rgb{200, 120, 40}}) {
        TBitmap page = MakeRaster(64, 48, kWhite);
        page.Canvas().Brush().SetColor(colour.Red | colour.Green << 8 | colour.Blue << 16);
        page.Canvas().FillRectangle({16, 8, 48, 40});
        const std::unique_ptr<TBitmap> decoded = DecodeJpeg(EncodeJpeg(page, 90), false);
        EXPECT_PRED3(Near, PixelColour(decoded->PixelAt(32, 24)), colour, 12);
        EXPECT_PRED3(Near, PixelColour(decoded->PixelAt(2, 2)), kWhite, 12);
    }
}

TEST(JpegReading, SizeComesFromTheHeaderAndALoadDropsTheOldPicture)
{
    TJPEGImage image;
    EXPECT_PRED3(Near, PixelColour(LoadAndDraw(image, MakeFlatJpeg(640, 480, kBlue)).PixelAt(63, 63)), kBlue, 12);
    image.LoadJpeg(MemoryFile(Picture()));
    EXPECT_EQ(std::pair(image.Width(), image.Height()), std::pair(64, 64));
    const std::string big = MemoryFile(Picture());
    std::filesystem::resize_file(big, kMaxDecodedBytes + 1);
    EXPECT_EQ(ErrorOf([&] { image.LoadJpeg(big); }), "メモリストリームの拡大中にメモリが足りなくなりました")
        << "a file larger than any picture is read";
    TJPEGImage rich;
    rich.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    LoadAndDraw(rich, MakeJpeg(64, 64, JpegKind::Color, [](int x, int y) { return Rgb{x * 4, y * 4, x + y}; }));
    EXPECT_EQ(rich.DecodedBitmap().Palette().size(), 236u) << "a picture of many colours gets the whole palette";
    InitJPEGDefaults(8);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::jf8Bit);
    InitJPEGDefaults(16);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::jf24Bit);
}

// Each background is drawn in the colours the library was given, as far as its
// data go; or it is refused when loaded or first drawn, and again at every try.
TEST(JpegReading, BackgroundsDrawInTheirColoursOrAreRefusedEveryTime)
{
    using enum JpegKind;
    const auto jf24 = TJPEGPixelFormat::jf24Bit, jf8 = TJPEGPixelFormat::jf8Bit;
    const auto pf24 = TPixelFormat::pf24bit, pf8 = TPixelFormat::pf8bit;
    const struct {
        const char* Name;
        std::string Bytes;
        TJPEGPixelFormat Depth;
        int Code = 0;  // the library's message code when refused
        TPixelFormat Form = TPixelFormat::pf24bit;
        int Tolerance = 16;
        bool Cut = false;  // only the top half is drawn
    } rows[] = {
        {"Color", Picture(), jf24},
        {"Progressive", Picture(Progressive), jf24},
        {"Arithmetic", Picture(Arithmetic), jf24},
        {"Cmyk", Picture(Cmyk), jf24},
        {"Ycck", Picture(Ycck), jf24},
        {"Gray", Picture(Gray), jf24, 0, pf8, 12},
        {"ColorInEightBits", Picture(), jf8, 0, pf8, 40},
        {"Cut", CutInTheFirstScan(Picture()), jf24, 0, pf24, 16, true},
        {"CutProgressive", CutInTheFirstScan(Picture(Progressive)), jf24, 0, pf24, 16, true},
        {"FiveHundredScans", RepeatFirstScan(Picture(Progressive), 500), jf24},
        {"FiveHundredAndOneScans", RepeatFirstScan(Picture(Progressive), 501), jf24, JERR_BAD_PROGRESSION},
        {"Text", "Once upon a time\r\n", jf24, JERR_NO_SOI},
        {"ZeroBytes", "", jf24, JERR_INPUT_EMPTY},
        {"HeaderOnly", Picture().substr(0, 20), jf24, JERR_NO_IMAGE},
        {"TwelveBit", WithFrame(Picture(), 12, 64, 64), jf24, JERR_BAD_PRECISION},
        {"Lossless", Picture().replace(Picture().find("\xFF\xC0"), 2, "\xFF\xC3"), jf24, JERR_SOF_UNSUPPORTED},
        {"Huge", WithFrame(Picture(), 8, 65500, 65500), jf24, JERR_OUT_OF_MEMORY},
        {"HugeInEightBits", WithFrame(Picture(), 8, 65500, 65500), jf8, JERR_OUT_OF_MEMORY},
        {"HugeProgressive", WithFrame(Picture(Progressive), 8, 65500, 65500), jf24, JERR_OUT_OF_MEMORY}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TJPEGImage image;
        image.SetPixelFormat(row.Depth);
        TBitmap page;
        const std::string refusal = row.Code == 0 ? "" : EJPEG(row.Code).Message();
        EXPECT_EQ(ErrorOf([&] { page = LoadAndDraw(image, row.Bytes); }), refusal);
        EXPECT_EQ(ErrorOf([&] { image.DecodedBitmap(); }), refusal);
        if (row.Code != 0)
            continue;
        EXPECT_EQ(image.DecodedBitmap().PixelFormat(), row.Form);
        const bool gray = row.Form == pf8 && row.Depth == jf24;
        for (const auto& [x, y] : {std::pair{16, 16}, std::pair{48, 16}, std::pair{16, 48}, std::pair{48, 48}}) {
            const Rgb painted = Quadrants(x, y), shade{painted.Green, painted.Green, painted.Green};
            if (y < 32 || !row.Cut) {
                EXPECT_PRED3(Near, PixelColour(page.PixelAt(x, y)), gray ? shade : painted, row.Tolerance);
            }
        }
    }
}

}  // namespace
}  // namespace tessaro::test
