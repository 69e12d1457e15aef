#include "support/JpegTestPictures.h"

#include <algorithm>

#include "imaging/Color.h"
#include "imaging/JpegLibrary.h"

namespace tessaro::test {

Rgb PixelColour(std::uint32_t pixel)
{
    return {PixelRed(pixel), PixelGreen(pixel), PixelBlue(pixel)};
}

bool Near(Rgb a, Rgb b, int tolerance)
{
    return std::max({std::abs(a.Red - b.Red), std::abs(a.Green - b.Green), std::abs(a.Blue - b.Blue)}) <= tolerance;
}

TBitmap MakeRaster(int width, int height, Rgb colour)
{
    TBitmap raster;
    raster.SetWidth(width);
    raster.SetHeight(height);
    const DevicePixel pixel = MakePixel(std::uint8_t(colour.Red), std::uint8_t(colour.Green), std::uint8_t(colour.Blue));
    for (int y = 0; y < height; ++y)
        std::fill_n(reinterpret_cast<DevicePixel*>(raster.MutableScanLine(y)), width, pixel);
    return raster;
}

std::string MakeJpeg(int width, int height, JpegKind kind, const std::function<Rgb(int, int)>& paint)
{
    const int components = kind == JpegKind::Gray ? 1 : kind == JpegKind::Cmyk || kind == JpegKind::Ycck ? 4 : 3;
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = paint(x, y);
            const int all[] = {c.Red, c.Green, c.Blue, 255};  // inverted CMYK without black is R, G, B, 255
            samples.insert(samples.end(), all + (components == 1), all + (components == 1 ? 2 : components));
        }
    std::vector<std::uint8_t> encoded;
    JpegCompressor compressor;
    jpeg_compress_struct& info = compressor.Get();
    compressor.Run([&]() noexcept {
        SetVectorDestination(info, encoded);
        info.image_width = JDIMENSION(width);
        info.image_height = JDIMENSION(height);
        info.input_components = components;
        info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 95, TRUE);
        if (kind == JpegKind::Ycck)
            jpeg_set_colorspace(&info, JCS_YCCK);
        if (kind == JpegKind::Progressive)
            jpeg_simple_progression(&info);
        info.arith_code = kind == JpegKind::Arithmetic;
        jpeg_start_compress(&info, TRUE);
        for (JSAMPROW row = samples.data(); info.next_scanline < info.image_height; row += width * components)
            jpeg_write_scanlines(&info, &row, 1);
        jpeg_finish_compress(&info);
    });
    return std::string(encoded.begin(), encoded.end());
}

std::string MakeFlatJpeg(int width, int height, Rgb colour)
{
    return MakeJpeg(width, height, JpegKind::Color, [colour](int, int) { return colour; });
}

namespace {

// Where the segment with the marker starts, and where its payload ends. Before
// the first scan, the two bytes of a marker appear in no payload.
std::pair<std::size_t, std::size_t> SegmentAt(const std::string& jpeg, int marker)
{
    const std::size_t at = jpeg.find({'\xFF', char(marker)});
    if (at == std::string::npos || at + 4 > jpeg.size())
        return {jpeg.size(), jpeg.size()};
    return {at, at + 2 + (std::uint8_t(jpeg[at + 2]) << 8 | std::uint8_t(jpeg[at + 3]))};
}

// Where the coded data of the first scan end: at the next marker that is
// neither a stuffed zero nor a restart.
std::size_t FirstScanEnd(const std::string& jpeg)
{
    std::size_t end = SegmentAt(jpeg, 0xDA).second;
    while (end + 1 < jpeg.size() && !(std::uint8_t(jpeg[end]) == 0xFF && jpeg[end + 1] != 0 &&
                                      (std::uint8_t(jpeg[end + 1]) & 0xF8) != 0xD0))
        ++end;
    return end;
}

}  // namespace

std::string WithFrame(std::string jpeg, int precision, int width, int height)
{
    const std::size_t at = std::min(SegmentAt(jpeg, 0xC0).first, SegmentAt(jpeg, 0xC2).first);
    const char frame[] = {char(precision), char(height >> 8), char(height), char(width >> 8), char(width)};
    return jpeg.replace(at + 4, 5, frame, 5);
}

std::string CutInTheFirstScan(const std::string& jpeg)
{
    const std::size_t begin = SegmentAt(jpeg, 0xDA).second;
    return jpeg.substr(0, begin + (FirstScanEnd(jpeg) - begin) * 2 / 3);
}

std::string RepeatFirstScan(const std::string& jpeg, int count)
{
    const std::size_t scan = SegmentAt(jpeg, 0xDA).first;
    std::string result = jpeg.substr(0, scan);
    for (int i = 0; i < count; ++i)
        result += jpeg.substr(scan, FirstScanEnd(jpeg) - scan);
    return result + "\xFF\xD9";
}

}  // namespace tessaro::test
