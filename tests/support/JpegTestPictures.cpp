#include "support/JpegTestPictures.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "imaging/Color.h"
#include "imaging/JpegLibrary.h"

namespace tessaro::test {

std::string MakeJpeg(int width, int height, JpegKind kind, const std::function<Rgb(int, int)>& paint)
{
    const int components = kind == JpegKind::Gray ? 1 : kind == JpegKind::Cmyk || kind == JpegKind::Ycck ? 4 : 3;
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb colour = paint(x, y);
            // Inverted CMYK without black ink is red, green, blue and 255.
            const int all[] = {colour.Red, colour.Green, colour.Blue, 255};
            samples.insert(samples.end(), components == 1 ? all + 1 : all, components == 1 ? all + 2 : all + components);
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

std::string MakeFlatJpeg(int width, int height, Rgb colour, JpegKind kind)
{
    return MakeJpeg(width, height, kind, [colour](int, int) { return colour; });
}

std::vector<JpegSegment> ReadSegments(const std::string& jpeg)
{
    std::vector<JpegSegment> segments{{0, 0xD8, {}}};
    for (std::size_t at = 2; segments.back().Marker != 0xDA; at += 4 + segments.back().Payload.size()) {
        const std::size_t length = at + 4 <= jpeg.size() ? std::uint8_t(jpeg[at + 2]) << 8 | std::uint8_t(jpeg[at + 3]) : 0;
        if (!jpeg.starts_with("\xFF\xD8") || length < 2 || at + 2 + length > jpeg.size() || std::uint8_t(jpeg[at]) != 0xFF)
            throw std::runtime_error("not a JPEG file with a scan");
        segments.push_back({at, std::uint8_t(jpeg[at + 1]), jpeg.substr(at + 4, length - 2)});
    }
    return segments;
}

std::string WithFrame(std::string jpeg, int precision, int width, int height)
{
    for (const JpegSegment& segment : ReadSegments(jpeg))
        if (segment.Marker >= 0xC0 && segment.Marker <= 0xC2) {
            const char frame[] = {char(precision), char(height >> 8), char(height), char(width >> 8), char(width)};
            return jpeg.replace(segment.Offset + 4, 5, frame, 5);
        }
    throw std::logic_error("no frame header");
}

namespace {

// The first scan's header, and where its coded data begin and end: at the next
// marker that is neither a stuffed zero nor a restart.
struct Scan {
    JpegSegment Header;
    std::size_t Begin, End;
};

Scan FirstScan(const std::string& jpeg)
{
    Scan scan{ReadSegments(jpeg).back(), 0, 0};
    scan.Begin = scan.End = scan.Header.Offset + 4 + scan.Header.Payload.size();
    while (scan.End + 1 < jpeg.size() && !(std::uint8_t(jpeg[scan.End]) == 0xFF && jpeg[scan.End + 1] != 0 &&
                                           (std::uint8_t(jpeg[scan.End + 1]) & 0xF8) != 0xD0))
        ++scan.End;
    return scan;
}

}  // namespace

std::string CutInTheFirstScan(const std::string& jpeg)
{
    const Scan scan = FirstScan(jpeg);
    return jpeg.substr(0, scan.Begin + (scan.End - scan.Begin) * 2 / 3);
}

std::string RepeatFirstScan(const std::string& jpeg, int count)
{
    const Scan scan = FirstScan(jpeg);
    std::string result = jpeg.substr(0, scan.Header.Offset);
    for (int i = 0; i < count; ++i)
        result += jpeg.substr(scan.Header.Offset, scan.End - scan.Header.Offset);
    return result + "\xFF\xD9";
}

std::ostream& operator<<(std::ostream& out, Rgb colour)
{
    return out << "rgb(" << colour.Red << ", " << colour.Green << ", " << colour.Blue << ")";
}

Rgb PixelColour(std::uint32_t pixel)
{
    return {PixelRed(pixel), PixelGreen(pixel), PixelBlue(pixel)};
}

bool Near(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.Red - b.Red) <= tolerance && std::abs(a.Green - b.Green) <= tolerance &&
           std::abs(a.Blue - b.Blue) <= tolerance;
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

}  // namespace tessaro::test
