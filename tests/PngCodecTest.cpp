#include <gtest/gtest.h>
#include <png.h>

#include <cmath>

#include "imaging/PngCodec.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace tessaro::test {
namespace {

// Odd width, so rows end in a partly used byte at every bit depth; 266 pixels,
// so each of the 256 colours below appears at least once.
constexpr int kWidth = 19;
constexpr int kHeight = 14;

// Colour number i: gray i, or (mixed) a colour whose channels all differ.
DevicePixel ColourNumber(int i, bool mixed)
{
    const auto v = static_cast<std::uint8_t>(i);
    return mixed ? MakePixel(v, std::uint8_t(255 - v), std::uint8_t(v * 7)) : MakePixel(v, v, v);
}

// Pixel n has colour number n % 256; an 8-bit raster holds it as that index.
TBitmap Raster(TPixelFormat format, bool mixed)
{
    const bool indexed = format == TPixelFormat::pf8bit;
    TBitmap raster;
    raster.SetPixelFormat(indexed ? format : TPixelFormat::pfDevice);
    raster.SetWidth(kWidth);
    raster.SetHeight(kHeight);
    std::vector<TPaletteEntry> palette;
    for (int n = 0; n < kWidth * kHeight; ++n) {
        const DevicePixel p = ColourNumber(n % 256, mixed);
        if (n < 256)
            palette.push_back({PixelRed(p), PixelGreen(p), PixelBlue(p), 0});
        std::uint8_t* row = raster.MutableScanLine(n / kWidth);
        if (indexed)
            row[n % kWidth] = static_cast<std::uint8_t>(n % 256);
        else
            reinterpret_cast<DevicePixel*>(row)[n % kWidth] = p;
    }
    raster.SetPalette(palette);
    raster.SetPixelFormat(format);
    return raster;
}

// The pixels of a PNG as display pixels; a gray level comes back widened to
// 8 bits as level * 255 / top.
std::vector<DevicePixel> Decode(const std::vector<std::uint8_t>& bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
    EXPECT_EQ(image.width * image.height, png_uint_32(kWidth * kHeight)) << image.message;
    image.format = PNG_FORMAT_BGRA;
    std::vector<DevicePixel> pixels(PNG_IMAGE_SIZE(image) / 4);
    EXPECT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0) << image.message;
    return pixels;
}

// The Rec. 601 luma of a pixel on the nearest of grayLevels levels, widened
// back to 8 bits.
DevicePixel NearestLevelOfLuma(DevicePixel p, int grayLevels)
{
    const int top = grayLevels - 1;
    const long luma = std::lround(0.299 * PixelRed(p) + 0.587 * PixelGreen(p) + 0.114 * PixelBlue(p));
    const auto gray = static_cast<std::uint8_t>(std::lround(double(luma) * top / 255.0) * 255 / top);
    return MakePixel(gray, gray, gray);
}

struct EncodeCase {
    const char* Name;
    TPixelFormat Form;
    bool Mixed;
    int GrayLevels;
    int BitDepth;
};

class PngEncodeTest : public ::testing::TestWithParam<EncodeCase> {};

// In gray, every pixel lands on its own nearest level, whatever its
// neighbours: no dithering. In colour, every pixel keeps its colour.
TEST_P(PngEncodeTest, GraysAreNearestLevelsOfLumaAndColoursStay)
{
    const EncodeCase& c = GetParam();
    const TBitmap raster = Raster(c.Form, c.Mixed);
    const std::vector<std::uint8_t> bytes = EncodePng(raster, c.GrayLevels);
    EXPECT_EQ(bytes.at(24), c.BitDepth);  // in the header, after signature, length, type, width, height
    EXPECT_EQ(bytes.at(25), c.GrayLevels == 0 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY);
    const std::vector<DevicePixel> pixels = Decode(bytes);
    for (int n = 0; n < kWidth * kHeight; ++n) {
        const DevicePixel p = raster.PixelAt(n % kWidth, n / kWidth);
        ASSERT_EQ(pixels.at(std::size_t(n)), c.GrayLevels == 0 ? p : NearestLevelOfLuma(p, c.GrayLevels))
            << "pixel " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, PngEncodeTest,
    ::testing::Values(EncodeCase{"Indexed16", TPixelFormat::pf8bit, false, 16, 4},
                      EncodeCase{"Indexed4", TPixelFormat::pf8bit, false, 4, 2},
                      EncodeCase{"Indexed2", TPixelFormat::pf8bit, false, 2, 1},
                      EncodeCase{"Indexed256", TPixelFormat::pf8bit, false, 256, 8},
                      EncodeCase{"ColourPalette256", TPixelFormat::pf8bit, true, 256, 8},
                      EncodeCase{"Display16", TPixelFormat::pfDevice, false, 16, 4},
                      EncodeCase{"ColourDisplay256", TPixelFormat::pfDevice, true, 256, 8},
                      EncodeCase{"Bgr4", TPixelFormat::pf24bit, false, 4, 2},
                      EncodeCase{"ColourDisplay", TPixelFormat::pfDevice, true, 0, 8},
                      EncodeCase{"ColourBgr", TPixelFormat::pf24bit, true, 0, 8},
                      EncodeCase{"ColourPalette", TPixelFormat::pf8bit, true, 0, 8}),
    [](const auto& info) { return info.param.Name; });

// An empty raster or an unknown number of grays is refused before the
// library starts; a width beyond its limit is refused by the library itself,
// whose message comes through the error bridge.
TEST(PngCodecTest, RefusalsRaisePngError)
{
    const struct {
        int Width, Height, GrayLevels;
        const char* Message;
    } rows[] = {{0, 0, 16, "PNG エラー: 画像が空です"},
                {10, 0, 16, "PNG エラー: 画像が空です"},
                {10, 10, 3, "PNG エラー: 階調数 3 は使えません (0, 2, 4, 16, 256)"},
                {1000001, 1, 2, "PNG エラー: Invalid IHDR data"}};
    for (const auto& row : rows) {
        TBitmap raster;
        raster.SetPixelFormat(TPixelFormat::pf8bit);
        raster.SetWidth(row.Width);
        raster.SetHeight(row.Height);
        try {
            EncodePng(raster, row.GrayLevels);
            ADD_FAILURE() << "no error for " << row.Message;
        } catch (const EPNG& error) {
            EXPECT_EQ(error.Message(), row.Message);
        }
    }
}

TEST(PngCodecTest, SaveWritesTheEncodedBytes)
{
    TempDir dir;
    const TBitmap raster = Raster(TPixelFormat::pf8bit, false);
    SavePng(dir.File("page.png"), raster, 16);
    const std::vector<std::uint8_t> encoded = EncodePng(raster, 16);
    EXPECT_EQ(ReadFile(dir.File("page.png")), std::string(encoded.begin(), encoded.end()));
}

}  // namespace
}  // namespace tessaro::test
