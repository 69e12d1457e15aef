#include <filesystem>
#include <functional>

#include <gtest/gtest.h>
#include <jerror.h>

#include "imaging/JpegCodec.h"
#include "imaging/TCanvas.h"
#include "imaging/TJPEGImage.h"
#include "support/JpegTestPictures.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace tessaro::test {
namespace {

using enum JpegKind;

// Four quadrants: red, green / blue, yellow.
Rgb Quadrants(int x, int y)
{
    return y >= 32 ? (x >= 32 ? kYellow : kBlue) : (x >= 32 ? kGreen : kRed);
}

std::string Picture(JpegKind kind = Color)
{
    return MakeJpeg(64, 64, kind, Quadrants);
}

std::string AsString(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
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
    const TempDir dir;
    WriteFile(dir.File("picture.jpg"), bytes);
    image.LoadJpeg(dir.File("picture.jpg"));
    TBitmap page = MakeRaster(64, 64, kWhite);
    page.Canvas().DrawImage(0, 0, &image);
    return page;
}

// The luminance table's first step, the standard 16 scaled by the quality: 6 at 80, 40 at 20.
TEST(JpegWriting, PagesTakeTheQualityOfTheirRaster)
{
    TJPEGImage image;
    image.AssignBitmap(MakeRaster(48, 32, kWhite));
    image.SetQuality(80);
    const std::string bytes = AsString(image.EncodedBytes());
    EXPECT_EQ(Payload(bytes, 0xDB).substr(0, 2), std::string("\0\x06", 2));
    image.SetQuality(20);
    EXPECT_EQ(AsString(image.EncodedBytes()), bytes) << "a new quality encoded the held bytes again";
    image.AssignBitmap(MakeRaster(48, 32, kWhite));
    EXPECT_EQ(Payload(AsString(image.EncodedBytes()), 0xDB).substr(0, 2), std::string("\0\x28", 2));
    for (const auto& [width, height] : {std::pair{0, 10}, std::pair{10, 0}}) {
        TBitmap empty;
        empty.SetWidth(width);
        empty.SetHeight(height);
        image.AssignBitmap(empty);
        EXPECT_TRUE(image.EncodedBytes().empty()) << width << "x" << height;
    }
}

// Our decoder is pinned by pictures the library made from known samples
// (JpegDecoding below), so a round trip through it shows the encoder's channels.
TEST(JpegWriting, ColoursReachTheFileFromEitherRasterForm)
{
    for (const Rgb colour : {kRed, kGreen, kBlue, Rgb{200, 120, 40}}) {
        TBitmap page = MakeRaster(64, 48, kWhite);
        page.Canvas().Brush().SetColor(colour.Red | colour.Green << 8 | colour.Blue << 16);
        page.Canvas().FillRectangle({16, 8, 48, 40});
        TBitmap page24(page);
        page24.SetPixelFormat(TPixelFormat::pf24bit);
        TJPEGImage display, converted;
        display.AssignBitmap(page);
        converted.AssignBitmap(page24);
        EXPECT_EQ(display.EncodedBytes(), converted.EncodedBytes()) << colour;
        EXPECT_EQ(page.PixelFormat(), TPixelFormat::pfDevice) << "the page itself was converted";
        const std::unique_ptr<TBitmap> decoded = DecodeJpeg(display.EncodedBytes(), false);
        EXPECT_PRED3(Near, PixelColour(decoded->PixelAt(32, 24)), colour, 12);
        EXPECT_PRED3(Near, PixelColour(decoded->PixelAt(2, 2)), kWhite, 12);
    }
}

TEST(JpegReading, SizeComesFromTheHeaderAndALoadDropsTheOldPicture)
{
    TJPEGImage image;
    EXPECT_TRUE(image.Empty());
    EXPECT_PRED3(Near, PixelColour(LoadAndDraw(image, MakeFlatJpeg(640, 480, kBlue)).PixelAt(63, 63)), kBlue, 12);
    const TempDir dir;
    WriteFile(dir.File("big.jpg"), Picture());
    image.LoadJpeg(dir.File("big.jpg"));
    EXPECT_EQ(std::pair(image.Width(), image.Height()), std::pair(64, 64));
    std::filesystem::resize_file(dir.File("big.jpg"), kMaxDecodedBytes + 1);
    EXPECT_EQ(ErrorOf([&] { image.LoadJpeg(dir.File("big.jpg")); }), "メモリストリームの拡大中にメモリが足りなくなりました")
        << "a file larger than any picture is read";
    TJPEGImage rich;
    rich.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    LoadAndDraw(rich, MakeJpeg(64, 64, Color, [](int x, int y) { return Rgb{x * 4, y * 4, (x + y) * 2}; }));
    EXPECT_EQ(rich.DecodedBitmap().Palette().size(), 236u) << "a picture of many colours gets the whole palette";
    InitJPEGDefaults(8);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::jf8Bit);
    InitJPEGDefaults(16);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::jf24Bit);
}

struct Background {
    const char* Name;
    std::string (*Bytes)();
    TJPEGPixelFormat Depth;
    int Code = 0;  // the library's message code when refused
    TPixelFormat Form = TPixelFormat::pf24bit;
    int Tolerance = 16;
    bool Cut = false;  // only the top half is drawn
};

class Backgrounds : public testing::TestWithParam<Background> {};

// Drawn in the colours the library was given, as far as the data go; or refused
// when loaded or first drawn, and again at every later try.
TEST_P(Backgrounds, DrawInTheirColoursOrAreRefusedEveryTime)
{
    const Background& row = GetParam();
    TJPEGImage image;
    image.SetPixelFormat(row.Depth);
    TBitmap page;
    const std::string refusal = row.Code == 0 ? "" : EJPEG(row.Code).Message();
    EXPECT_EQ(ErrorOf([&] { page = LoadAndDraw(image, row.Bytes()); }), refusal);
    EXPECT_EQ(ErrorOf([&] { image.DecodedBitmap(); }), refusal);
    if (row.Code != 0)
        return;
    EXPECT_EQ(image.DecodedBitmap().PixelFormat(), row.Form);
    const bool gray = row.Form == TPixelFormat::pf8bit && row.Depth == TJPEGPixelFormat::jf24Bit;
    for (const auto& [x, y] : {std::pair{16, 16}, std::pair{48, 16}, std::pair{16, 48}, std::pair{48, 48}}) {
        const Rgb painted = Quadrants(x, y), expected = gray ? Rgb{painted.Green, painted.Green, painted.Green} : painted;
        if (y < 32 || !row.Cut) {
            EXPECT_PRED3(Near, PixelColour(page.PixelAt(x, y)), expected, row.Tolerance);
        }
    }
}

constexpr auto jf24 = TJPEGPixelFormat::jf24Bit, jf8 = TJPEGPixelFormat::jf8Bit;
constexpr auto pf24 = TPixelFormat::pf24bit, pf8 = TPixelFormat::pf8bit;

INSTANTIATE_TEST_SUITE_P(
    Files, Backgrounds,
    testing::Values(
        Background{"Color", [] { return Picture(); }, jf24},
        Background{"Progressive", [] { return Picture(Progressive); }, jf24},
        Background{"Arithmetic", [] { return Picture(Arithmetic); }, jf24},
        Background{"Cmyk", [] { return Picture(Cmyk); }, jf24},
        Background{"Ycck", [] { return Picture(Ycck); }, jf24},
        Background{"Gray", [] { return Picture(Gray); }, jf24, 0, pf8, 12},
        Background{"ColorInEightBits", [] { return Picture(); }, jf8, 0, pf8, 40},
        Background{"Cut", [] { return CutInTheFirstScan(Picture()); }, jf24, 0, pf24, 16, true},
        Background{"CutProgressive", [] { return CutInTheFirstScan(Picture(Progressive)); }, jf24, 0, pf24, 16, true},
        Background{"FiveHundredScans", [] { return RepeatFirstScan(Picture(Progressive), 500); }, jf24},
        Background{"FiveHundredAndOneScans", [] { return RepeatFirstScan(Picture(Progressive), 501); }, jf24,
                   JERR_BAD_PROGRESSION},
        Background{"Text", [] { return std::string("Once upon a time\r\n"); }, jf24, JERR_NO_SOI},
        Background{"ZeroBytes", [] { return std::string(); }, jf24, JERR_INPUT_EMPTY},
        Background{"HeaderOnly", [] { return Picture().substr(0, 20); }, jf24, JERR_NO_IMAGE},
        Background{"TwelveBit", [] { return WithFrame(Picture(), 12, 64, 64); }, jf24, JERR_BAD_PRECISION},
        Background{"Lossless", [] { return Picture().replace(Picture().find("\xFF\xC0"), 2, "\xFF\xC3"); }, jf24,
                   JERR_SOF_UNSUPPORTED},
        Background{"Huge", [] { return WithFrame(Picture(), 8, 65500, 65500); }, jf24, JERR_OUT_OF_MEMORY},
        Background{"HugeInEightBits", [] { return WithFrame(Picture(), 8, 65500, 65500); }, jf8, JERR_OUT_OF_MEMORY},
        Background{"HugeProgressive", [] { return WithFrame(Picture(Progressive), 8, 65500, 65500); }, jf24,
                   JERR_OUT_OF_MEMORY}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tessaro::test
