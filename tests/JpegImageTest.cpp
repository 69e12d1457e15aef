#include <chrono>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/TCanvas.h"
#include "imaging/TJPEGImage.h"
#include "support/JpegTestPictures.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace tessaro::test {
namespace {

// A white page with black strokes, the way a page of text looks.
TBitmap MakePage(int width = 480, int height = 272)
{
    TBitmap page = MakeRaster(width, height, kWhite);
    for (int y = 20; y + 12 < height; y += 16)
        for (int x = 10; x + 8 < width; x += 14)
            for (int dy = 0; dy < 12; ++dy)
                reinterpret_cast<std::uint32_t*>(page.MutableScanLine(y + dy))[x + (dy * 7) % 8] = MakePixel(0, 0, 0);
    return page;
}

std::string AsString(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Four quadrants: red, green / blue, yellow.
Rgb Quadrants(int x, int y, int width, int height)
{
    const bool right = x >= width / 2, bottom = y >= height / 2;
    return bottom ? (right ? kYellow : kBlue) : (right ? kGreen : kRed);
}

const JpegSegment* FindSegment(const std::vector<JpegSegment>& segments, int marker)
{
    for (const JpegSegment& segment : segments)
        if (segment.Marker == marker)
            return &segment;
    return nullptr;
}

int Word(const std::string& bytes, std::size_t at)
{
    return std::uint8_t(bytes[at]) << 8 | std::uint8_t(bytes[at + 1]);
}

template <class Error>
Error Raised(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no exception of the expected kind";
    throw std::logic_error("no exception");
}

// --- writing ---

TEST(JpegWriting, PageIsBaselineJfif420WithStandardTables)
{
    TempDir dir;
    TJPEGImage image;
    image.AssignBitmap(MakePage());
    image.SetQuality(80);
    image.SaveJpeg(dir.File("page.jpg"));
    const std::string file = ReadFile(dir.File("page.jpg"));
    const std::vector<JpegSegment> segments = ReadSegments(file);

    ASSERT_GE(segments.size(), 3u);
    ASSERT_EQ(segments[1].Marker, 0xE0);  // APP0 right after SOI
    const std::string& jfif = segments[1].Payload;
    ASSERT_GE(jfif.size(), 12u);
    EXPECT_EQ(jfif.substr(0, 5), std::string("JFIF\0", 5));
    EXPECT_EQ(jfif[7], 0);         // density unit
    EXPECT_EQ(Word(jfif, 8), 1);   // horizontal density
    EXPECT_EQ(Word(jfif, 10), 1);  // vertical density

    const JpegSegment* frame = FindSegment(segments, 0xC0);
    ASSERT_NE(frame, nullptr) << "no baseline frame";
    const std::string& sof = frame->Payload;
    EXPECT_EQ(sof[0], 8);
    EXPECT_EQ(Word(sof, 1), 272);
    EXPECT_EQ(Word(sof, 3), 480);
    ASSERT_EQ(sof[5], 3);
    EXPECT_EQ(std::uint8_t(sof[7]), 0x22);
    EXPECT_EQ(std::uint8_t(sof[10]), 0x11);
    EXPECT_EQ(std::uint8_t(sof[13]), 0x11);
    EXPECT_EQ(FindSegment(segments, 0xDD), nullptr) << "restart interval defined";

    // The standard tables carry 12 DC and 162 AC symbols; optimised ones fewer.
    int tables = 0;
    for (const JpegSegment& segment : segments) {
        for (std::size_t at = 0; segment.Marker == 0xC4 && at < segment.Payload.size(); ++tables) {
            int symbols = 0;
            for (int i = 1; i <= 16; ++i)
                symbols += std::uint8_t(segment.Payload[at + i]);
            EXPECT_EQ(symbols, (segment.Payload[at] >> 4) == 0 ? 12 : 162);
            at += 17 + symbols;
        }
    }
    EXPECT_EQ(tables, 4);
    EXPECT_EQ(file.substr(file.size() - 2), "\xFF\xD9");
}

class JpegColourRoundTrip : public testing::TestWithParam<Rgb> {};

// Checked with an independent decoder, so that swapped channels in both our
// encoder and our decoder cannot cancel out.
TEST_P(JpegColourRoundTrip, ColourOfThePageReachesTheFile)
{
    const Rgb colour = GetParam();
    TBitmap page = MakeRaster(64, 48, kWhite);
    for (int y = 8; y < 40; ++y)
        for (int x = 16; x < 48; ++x)
            reinterpret_cast<std::uint32_t*>(page.MutableScanLine(y))[x] =
                MakePixel(std::uint8_t(colour.Red), std::uint8_t(colour.Green), std::uint8_t(colour.Blue));
    TJPEGImage image;
    image.AssignBitmap(page);
    const RgbPicture decoded = DecodeWithLibrary(AsString(image.EncodedBytes()));
    EXPECT_PRED3(Near, decoded.At(32, 24), colour, 12);
    EXPECT_PRED3(Near, decoded.At(2, 2), kWhite, 12);
    EXPECT_EQ(page.PixelFormat(), TPixelFormat::pfDevice) << "the page itself was converted";

    TempDir dir;
    WriteFile(dir.File("c.jpg"), AsString(image.EncodedBytes()));
    TJPEGImage reread;
    reread.LoadJpeg(dir.File("c.jpg"));
    EXPECT_PRED3(Near, PixelColour(reread.DecodedBitmap().PixelAt(32, 24)), colour, 12);
}

INSTANTIATE_TEST_SUITE_P(Colours, JpegColourRoundTrip,
                         testing::Values(kRed, kGreen, kBlue, Rgb{200, 120, 40}));

TEST(JpegWriting, FailedSavesNameTheFile)
{
    TempDir dir;
    TJPEGImage image;
    image.AssignBitmap(MakePage(32, 32));
    const std::string path = dir.File("missing/page.jpg");
    EXPECT_EQ(Raised<EFCreateError>([&] { image.SaveJpeg(path); }).Message(),
              "ファイル " + path + " を作成できません");
    EXPECT_EQ(Raised<EWriteError>([&] { image.SaveJpeg("/dev/full"); }).Message(), "ストリームへの書き込みエラー");
}

TEST(JpegWriting, SavingOverAFileReplacesAllOfIt)
{
    TempDir dir;
    const std::string path = dir.File("page.jpg");
    WriteFile(path, std::string(1 << 20, 'x'));
    TJPEGImage image;
    image.AssignBitmap(MakePage());
    image.SaveJpeg(path);
    EXPECT_EQ(ReadFile(path), AsString(image.EncodedBytes()));
}

struct EmptySource {
    const char* Name;
    int Width;
    int Height;
    bool Assigned;
};

class JpegWritingNothing : public testing::TestWithParam<EmptySource> {};

TEST_P(JpegWritingNothing, GivesAZeroLengthFile)
{
    TempDir dir;
    const std::string path = dir.File("page.jpg");
    WriteFile(path, "old contents");
    TJPEGImage image;
    if (GetParam().Assigned) {
        TBitmap raster;
        raster.SetWidth(GetParam().Width);
        raster.SetHeight(GetParam().Height);
        image.AssignBitmap(raster);
    }
    image.SaveJpeg(path);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sources, JpegWritingNothing,
                         testing::Values(EmptySource{"NeverAssigned", 0, 0, false},
                                         EmptySource{"ZeroWidth", 0, 10, true},
                                         EmptySource{"ZeroHeight", 10, 0, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(JpegWriting, EncodedBytesAreKeptAndRepeatable)
{
    TempDir dir;
    const TBitmap page = MakePage();
    TJPEGImage first;
    first.AssignBitmap(page);
    first.SetQuality(80);
    first.SaveJpeg(dir.File("a.jpg"));
    first.SetQuality(20);
    first.SaveJpeg(dir.File("b.jpg"));
    EXPECT_EQ(ReadFile(dir.File("a.jpg")), ReadFile(dir.File("b.jpg"))) << "Quality re-encoded held bytes";

    TJPEGImage second;
    second.AssignBitmap(page);
    second.SetQuality(80);
    second.SaveJpeg(dir.File("c.jpg"));
    EXPECT_EQ(ReadFile(dir.File("a.jpg")), ReadFile(dir.File("c.jpg")));

    // A new raster drops the held bytes, and the new quality then counts.
    first.AssignBitmap(page);
    EXPECT_NE(AsString(first.EncodedBytes()), ReadFile(dir.File("a.jpg")));
}

TEST(JpegWriting, RasterFormDoesNotChangeTheFile)
{
    const TBitmap page = MakePage();
    TBitmap page24(page);
    page24.SetPixelFormat(TPixelFormat::pf24bit);
    TJPEGImage display, converted;
    display.AssignBitmap(page);
    converted.AssignBitmap(page24);
    EXPECT_EQ(AsString(display.EncodedBytes()), AsString(converted.EncodedBytes()));
}

TEST(JpegWriting, EncodingFailureLeavesTheFileAlone)
{
    TempDir dir;
    const std::string existing = dir.File("page.jpg");
    WriteFile(existing, "old contents");
    TJPEGImage image;
    image.AssignBitmap(MakeRaster(65536, 1, kWhite));
    EXPECT_EQ(Raised<EJPEG>([&] { image.SaveJpeg(existing); }).MessageCode(), JERR_IMAGE_TOO_BIG);
    EXPECT_EQ(ReadFile(existing), "old contents");
    EXPECT_THROW(image.SaveJpeg(dir.File("new.jpg")), EJPEG);
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.jpg")));
}

// --- reading ---

TEST(JpegReading, SizeIsKnownBeforeDecodingAndDecodingHappensOnce)
{
    TempDir dir;
    WriteFile(dir.File("bg.jpg"), MakeFlatJpeg(640, 480, kBlue));
    TJPEGImage image;
    EXPECT_TRUE(image.Empty());
    image.LoadJpeg(dir.File("bg.jpg"));
    EXPECT_FALSE(image.Empty());
    EXPECT_EQ(image.Width(), 640);
    EXPECT_EQ(image.Height(), 480);

    const TBitmap& bitmap = image.DecodedBitmap();
    EXPECT_EQ(bitmap.Width(), 640);
    EXPECT_EQ(bitmap.Height(), 480);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(&image.DecodedBitmap(), &bitmap);

    TBitmap page = MakeRaster(8, 8, kWhite);
    page.Canvas().DrawImage(0, 0, &image);
    EXPECT_EQ(&image.DecodedBitmap(), &bitmap);
    EXPECT_PRED3(Near, PixelColour(page.PixelAt(7, 7)), kBlue, 12);
}

TEST(JpegReading, GrayscaleDecodesToAGrayPalette)
{
    TempDir dir;
    WriteFile(dir.File("gray.jpg"),
              MakeJpeg(64, 64, JpegKind::Gray, [](int x, int) { return Rgb{0, x * 4, 0}; }));
    TJPEGImage image;
    image.LoadJpeg(dir.File("gray.jpg"));
    const TBitmap& bitmap = image.DecodedBitmap();
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_FALSE(bitmap.Palette().empty());
    EXPECT_LE(bitmap.Palette().size(), 236u);
    for (const TPaletteEntry& entry : bitmap.Palette()) {
        EXPECT_EQ(entry.Red, entry.Green);
        EXPECT_EQ(entry.Green, entry.Blue);
    }
    EXPECT_PRED3(Near, PixelColour(bitmap.PixelAt(32, 10)), (Rgb{128, 128, 128}), 12);
}

class JpegDefaultDepth : public testing::TestWithParam<std::pair<int, TJPEGPixelFormat>> {
protected:
    ~JpegDefaultDepth() override { InitJPEGDefaults(32); }
};

TEST_P(JpegDefaultDepth, FollowsTheScreen)
{
    InitJPEGDefaults(GetParam().first);
    EXPECT_EQ(TJPEGImage().PixelFormat(), GetParam().second);
    EXPECT_EQ(TJPEGImage().Quality(), 90);
}

INSTANTIATE_TEST_SUITE_P(Screens, JpegDefaultDepth,
                         testing::Values(std::pair{1, TJPEGPixelFormat::jf8Bit}, std::pair{8, TJPEGPixelFormat::jf8Bit},
                                         std::pair{16, TJPEGPixelFormat::jf24Bit},
                                         std::pair{32, TJPEGPixelFormat::jf24Bit}));

TEST(JpegReading, EightBitDepthQuantizesColour)
{
    TempDir dir;
    WriteFile(dir.File("q.jpg"), MakeJpeg(64, 64, JpegKind::Color, [](int x, int y) { return Quadrants(x, y, 64, 64); }));
    TJPEGImage image;
    image.SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    image.LoadJpeg(dir.File("q.jpg"));
    const TBitmap& bitmap = image.DecodedBitmap();
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_LE(bitmap.Palette().size(), 236u);
    EXPECT_PRED3(Near, PixelColour(bitmap.PixelAt(10, 10)), kRed, 40);
    EXPECT_PRED3(Near, PixelColour(bitmap.PixelAt(50, 50)), kYellow, 40);
}

TEST(JpegReading, ZeroByteFileLoadsButCannotBeDrawn)
{
    TempDir dir;
    WriteFile(dir.File("empty.jpg"), "");
    TJPEGImage image;
    image.LoadJpeg(dir.File("empty.jpg"));
    EXPECT_FALSE(image.Empty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    TBitmap page = MakeRaster(8, 8, kWhite);
    EXPECT_EQ(Raised<EJPEG>([&] { page.Canvas().DrawImage(0, 0, &image); }).MessageCode(), JERR_INPUT_EMPTY);
    EXPECT_EQ(Raised<EJPEG>([&] { image.DecodedBitmap(); }).Message(),
              "JPEG エラー #" + std::to_string(JERR_INPUT_EMPTY));
}

// Rewrites bytes of the frame header of a valid picture.
std::string PatchFrame(std::string jpeg, const std::function<void(std::string&, std::size_t)>& patch)
{
    const std::vector<JpegSegment> segments = ReadSegments(jpeg);
    const JpegSegment* frame = FindSegment(segments, 0xC0);
    if (frame == nullptr)
        throw std::logic_error("no frame header");
    patch(jpeg, frame->Offset);
    return jpeg;
}

struct RefusedFile {
    const char* Name;
    std::function<std::string()> Bytes;
    int Code;
};

class JpegLoadRefused : public testing::TestWithParam<RefusedFile> {};

TEST_P(JpegLoadRefused, RaisesEJPEGWithTheLibraryCode)
{
    TempDir dir;
    WriteFile(dir.File("bad.jpg"), GetParam().Bytes());
    TJPEGImage image;
    EXPECT_EQ(Raised<EJPEG>([&] { image.LoadJpeg(dir.File("bad.jpg")); }).MessageCode(), GetParam().Code);
    EXPECT_EQ(image.Width(), 0);
    EXPECT_FALSE(image.Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegLoadRefused,
    testing::Values(
        RefusedFile{"Text", [] { return std::string("Once upon a time\r\n"); }, JERR_NO_SOI},
        RefusedFile{"TwelveBit",
                    [] { return PatchFrame(MakeFlatJpeg(16, 16, kRed), [](std::string& j, std::size_t at) { j[at + 4] = 12; }); },
                    JERR_BAD_PRECISION},
        RefusedFile{"Lossless",
                    [] {
                        return PatchFrame(MakeFlatJpeg(16, 16, kRed),
                                          [](std::string& j, std::size_t at) { j[at + 1] = char(0xC3); });
                    },
                    JERR_SOF_UNSUPPORTED},
        RefusedFile{"HeaderOnly", [] { return MakeFlatJpeg(16, 16, kRed).substr(0, 20); }, JERR_NO_IMAGE}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(JpegReading, UnreadablePathsRaiseEFOpenError)
{
    TempDir dir;
    TJPEGImage image;
    for (const std::string& path : {dir.File("none.jpg"), dir.Path().string()})
        EXPECT_EQ(Raised<EFOpenError>([&] { image.LoadJpeg(path); }).Message(), "ファイル " + path + " は開けません");
}

TEST(JpegReading, PictureCutInItsDataStillDraws)
{
    const std::string whole = MakeJpeg(64, 64, JpegKind::Color, [](int x, int y) { return Quadrants(x, y, 64, 64); });
    const std::size_t scan = ReadSegments(whole).back().Offset;
    TempDir dir;
    WriteFile(dir.File("cut.jpg"), whole.substr(0, scan + (whole.size() - scan) / 3));
    TJPEGImage image;
    image.LoadJpeg(dir.File("cut.jpg"));
    TBitmap page = MakeRaster(64, 64, kWhite);
    EXPECT_NO_THROW(page.Canvas().DrawImage(0, 0, &image));
    EXPECT_EQ(image.DecodedBitmap().Height(), 64);
    EXPECT_PRED3(Near, PixelColour(page.PixelAt(4, 4)), kRed, 12);
}

TEST(JpegReading, HugeHeaderIsRefusedBeforeAnythingIsMade)
{
    TempDir dir;
    WriteFile(dir.File("huge.jpg"), PatchFrame(MakeFlatJpeg(16, 16, kRed), [](std::string& j, std::size_t at) {
                  for (std::size_t i : {at + 5, at + 7}) {
                      j[i] = char(65500 >> 8);
                      j[i + 1] = char(65500 & 0xFF);
                  }
              }));
    for (TJPEGPixelFormat depth : {TJPEGPixelFormat::jf24Bit, TJPEGPixelFormat::jf8Bit}) {
        TJPEGImage image;
        image.SetPixelFormat(depth);
        image.LoadJpeg(dir.File("huge.jpg"));
        EXPECT_EQ(image.Width(), 65500);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Raised<EJPEG>([&] { image.DecodedBitmap(); }).MessageCode(), JERR_OUT_OF_MEMORY);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(image.Height(), 65500) << "a failed decoding left a bitmap behind";
    }
}

std::string KindName(JpegKind kind)
{
    static const char* const names[] = {"Color", "Gray", "Progressive", "Arithmetic", "Cmyk", "Ycck"};
    return names[int(kind)];
}

class JpegKinds : public testing::TestWithParam<JpegKind> {};

TEST_P(JpegKinds, DecodeInTheirColours)
{
    TempDir dir;
    WriteFile(dir.File("k.jpg"), MakeJpeg(64, 64, GetParam(), [](int x, int y) { return Quadrants(x, y, 64, 64); }));
    TJPEGImage image;
    image.LoadJpeg(dir.File("k.jpg"));
    const TBitmap& bitmap = image.DecodedBitmap();
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_PRED3(Near, PixelColour(bitmap.PixelAt(10, 10)), kRed, 16);
    EXPECT_PRED3(Near, PixelColour(bitmap.PixelAt(50, 10)), kGreen, 16);
    EXPECT_PRED3(Near, PixelColour(bitmap.PixelAt(10, 50)), kBlue, 16);
    EXPECT_PRED3(Near, PixelColour(bitmap.PixelAt(50, 50)), kYellow, 16);
}

INSTANTIATE_TEST_SUITE_P(Kinds, JpegKinds,
                         testing::Values(JpegKind::Color, JpegKind::Progressive, JpegKind::Arithmetic, JpegKind::Cmyk,
                                         JpegKind::Ycck),
                         [](const auto& info) { return KindName(info.param); });

TEST(JpegImage, CannotBeResized)
{
    TJPEGImage image;
    const std::string message = "JPEG イメージのサイズは変更できません";
    EXPECT_EQ(Raised<EInvalidGraphicOperation>([&] { image.SetWidth(10); }).Message(), message);
    EXPECT_EQ(Raised<EInvalidGraphicOperation>([&] { image.SetHeight(10); }).Message(), message);
}

}  // namespace
}  // namespace tessaro::test
