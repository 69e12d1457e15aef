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

// Four quadrants: red, green / blue, yellow.
Rgb Quadrants(int x, int y)
{
    return y >= 32 ? (x >= 32 ? kYellow : kBlue) : (x >= 32 ? kGreen : kRed);
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

std::string Payload(const std::vector<std::uint8_t>& jpeg, int marker)
{
    for (const JpegSegment& segment : ReadSegments(std::string(jpeg.begin(), jpeg.end())))
        if (segment.Marker == marker)
            return segment.Payload;
    return "";
}

// The first step of the luminance table is the standard 16 scaled by the
// quality: 6 at quality 80, 40 at 20.
TEST(JpegWriting, PagesAreBaselineJfif420AtTheQualityOfTheirRaster)
{
    TJPEGImage image;
    image.AssignBitmap(MakeRaster(480, 272, kWhite));
    image.SetQuality(80);
    const std::vector<std::uint8_t> bytes = image.EncodedBytes();
    EXPECT_EQ(Payload(bytes, 0xE0).substr(0, 5), std::string("JFIF\0", 5));
    // Baseline, 8 bits, 272 x 480, luminance sampled 2x2 and both chroma planes 1x1.
    EXPECT_EQ(Payload(bytes, 0xC0), std::string("\x08\x01\x10\x01\xE0\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 15));
    EXPECT_EQ(Payload(bytes, 0xDB).at(1), 6);
    image.SetQuality(20);
    EXPECT_EQ(image.EncodedBytes(), bytes) << "a new quality encoded the held bytes again";
    image.AssignBitmap(MakeRaster(480, 272, kWhite));
    EXPECT_EQ(Payload(image.EncodedBytes(), 0xDB).at(1), 40) << "a new raster kept the old bytes";
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

TEST(JpegWriting, EncodingFailureLeavesTheFileAlone)
{
    const TempDir dir;
    WriteFile(dir.File("page.jpg"), "old contents");
    TJPEGImage image;
    image.AssignBitmap(MakeRaster(65536, 1, kWhite));
    EXPECT_EQ(ErrorOf([&] { image.SaveJpeg(dir.File("page.jpg")); }), EJPEG(JERR_IMAGE_TOO_BIG).Message());
    EXPECT_EQ(ReadFile(dir.File("page.jpg")), "old contents");
    EXPECT_NE(ErrorOf([&] { image.SaveJpeg(dir.File("new.jpg")); }), "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.jpg")));
}

TEST(JpegReading, SizeComesFromTheHeaderAndDecodingHappensOnce)
{
    TJPEGImage image;
    EXPECT_TRUE(image.Empty());
    const TBitmap page = LoadAndDraw(image, MakeFlatJpeg(640, 480, kBlue));
    EXPECT_EQ(image.DecodedBitmap().Width(), 640);
    EXPECT_EQ(&image.DecodedBitmap(), &image.DecodedBitmap());
    EXPECT_PRED3(Near, PixelColour(page.PixelAt(63, 63)), kBlue, 12);

    TJPEGImage undecoded;
    const TempDir dir;
    WriteFile(dir.File("big.jpg"), MakeFlatJpeg(640, 480, kBlue));
    undecoded.LoadJpeg(dir.File("big.jpg"));
    EXPECT_EQ(std::pair(undecoded.Width(), undecoded.Height()), std::pair(640, 480));
    std::filesystem::resize_file(dir.File("big.jpg"), kMaxDecodedBytes + 1);
    EXPECT_EQ(ErrorOf([&] { undecoded.LoadJpeg(dir.File("big.jpg")); }),
              "メモリストリームの拡大中にメモリが足りなくなりました")
        << "a file larger than any picture is refused unread";
}

TEST(JpegReading, DefaultDepthFollowsTheScreen)
{
    InitJPEGDefaults(8);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::jf8Bit);
    InitJPEGDefaults(16);
    EXPECT_EQ(TJPEGImage().PixelFormat(), TJPEGPixelFormat::jf24Bit);
}

struct Decoding {
    const char* Name;
    JpegKind Kind;
    TJPEGPixelFormat Depth;
    bool Cut;  // only the top half is drawn
    TPixelFormat Form;
    int Tolerance;
};

class JpegDecoding : public testing::TestWithParam<Decoding> {};

TEST_P(JpegDecoding, DrawsTheColoursTheLibraryWasGivenAsFarAsTheDataGo)
{
    const Decoding& row = GetParam();
    const std::string whole = MakeJpeg(64, 64, row.Kind, Quadrants);
    TJPEGImage image;
    image.SetPixelFormat(row.Depth);
    const TBitmap page = LoadAndDraw(image, row.Cut ? CutInTheFirstScan(whole) : whole);
    EXPECT_EQ(image.DecodedBitmap().PixelFormat(), row.Form);
    if (row.Form == TPixelFormat::pf8bit) {
        EXPECT_GT(image.DecodedBitmap().Palette().size(), 1u);
        EXPECT_LE(image.DecodedBitmap().Palette().size(), 236u);
    }
    for (const int y : {16, 48})
        for (const int x : {16, 48}) {
            const Rgb painted = Quadrants(x, y);
            const Rgb expected = row.Kind == JpegKind::Gray ? Rgb{painted.Green, painted.Green, painted.Green} : painted;
            if (!row.Cut || y < 32) {
                EXPECT_PRED3(Near, PixelColour(page.PixelAt(x, y)), expected, row.Tolerance) << x << "," << y;
            }
        }
}

using enum JpegKind;
constexpr auto jf24 = TJPEGPixelFormat::jf24Bit, jf8 = TJPEGPixelFormat::jf8Bit;
constexpr auto pf24 = TPixelFormat::pf24bit, pf8 = TPixelFormat::pf8bit;

INSTANTIATE_TEST_SUITE_P(Kinds, JpegDecoding,
                         testing::Values(Decoding{"Color", Color, jf24, false, pf24, 16},
                                         Decoding{"Progressive", Progressive, jf24, false, pf24, 16},
                                         Decoding{"Arithmetic", Arithmetic, jf24, false, pf24, 16},
                                         Decoding{"Cmyk", Cmyk, jf24, false, pf24, 16},
                                         Decoding{"Ycck", Ycck, jf24, false, pf24, 16},
                                         Decoding{"Gray", Gray, jf24, false, pf8, 12},
                                         Decoding{"ColorInEightBits", Color, jf8, false, pf8, 40},
                                         Decoding{"CutColor", Color, jf24, true, pf24, 16},
                                         Decoding{"CutProgressive", Progressive, jf24, true, pf24, 16}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct Refusal {
    const char* Name;
    std::string (*Bytes)();
    TJPEGPixelFormat Depth;
    int Code;  // 0: drawn
};

class JpegRefused : public testing::TestWithParam<Refusal> {};

// Refused when loaded or when first drawn, and again at every later try.
TEST_P(JpegRefused, RaisesTheLibraryCodeEveryTime)
{
    TJPEGImage image;
    image.SetPixelFormat(GetParam().Depth);
    const std::string expected = GetParam().Code == 0 ? "" : EJPEG(GetParam().Code).Message();
    EXPECT_EQ(ErrorOf([&] { LoadAndDraw(image, GetParam().Bytes()); }), expected);
    EXPECT_EQ(ErrorOf([&] { image.DecodedBitmap(); }), expected);
}

std::string Picture(JpegKind kind = Color)
{
    return MakeJpeg(64, 64, kind, Quadrants);
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegRefused,
    testing::Values(
        Refusal{"Text", [] { return std::string("Once upon a time\r\n"); }, jf24, JERR_NO_SOI},
        Refusal{"ZeroBytes", [] { return std::string(); }, jf24, JERR_INPUT_EMPTY},
        Refusal{"HeaderOnly", [] { return Picture().substr(0, 20); }, jf24, JERR_NO_IMAGE},
        Refusal{"TwelveBit", [] { return WithFrame(Picture(), 12, 64, 64); }, jf24, JERR_BAD_PRECISION},
        Refusal{"Lossless", [] { return Picture().replace(Picture().find("\xFF\xC0"), 2, "\xFF\xC3"); }, jf24,
                JERR_SOF_UNSUPPORTED},
        Refusal{"Huge", [] { return WithFrame(Picture(), 8, 65500, 65500); }, jf24, JERR_OUT_OF_MEMORY},
        Refusal{"HugeInEightBits", [] { return WithFrame(Picture(), 8, 65500, 65500); }, jf8, JERR_OUT_OF_MEMORY},
        Refusal{"HugeProgressive", [] { return WithFrame(Picture(Progressive), 8, 65500, 65500); }, jf24,
                JERR_OUT_OF_MEMORY},
        Refusal{"FiveHundredScans", [] { return RepeatFirstScan(Picture(Progressive), 500); }, jf24, 0},
        Refusal{"FiveHundredAndOneScans", [] { return RepeatFirstScan(Picture(Progressive), 501); }, jf24,
                JERR_BAD_PROGRESSION}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tessaro::test
