#include "support/JpegTestPictures.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <stdexcept>

#include "imaging/Color.h"
#include "imaging/JpegLibrary.h"

namespace tessaro::test {

namespace {

struct InputForm {
    J_COLOR_SPACE Space;
    int Components;
};

InputForm InputFormOf(JpegKind kind)
{
    switch (kind) {
    case JpegKind::Gray:
        return {JCS_GRAYSCALE, 1};
    case JpegKind::Cmyk:
    case JpegKind::Ycck:
        return {JCS_CMYK, 4};
    default:
        return {JCS_RGB, 3};
    }
}

// Writes one pixel in the input form. Inverted CMYK with no black ink is
// simply red, green, blue and 255.
void PutSample(std::uint8_t* at, JpegKind kind, Rgb colour)
{
    switch (InputFormOf(kind).Components) {
    case 1:
        at[0] = std::uint8_t(colour.Green);
        break;
    case 4:
        at[3] = 255;
        [[fallthrough]];
    default:
        at[0] = std::uint8_t(colour.Red);
        at[1] = std::uint8_t(colour.Green);
        at[2] = std::uint8_t(colour.Blue);
    }
}

}  // namespace

std::string MakeJpeg(int width, int height, JpegKind kind, const std::function<Rgb(int, int)>& paint)
{
    const InputForm form = InputFormOf(kind);
    std::vector<std::uint8_t> samples(std::size_t(width) * height * form.Components);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            PutSample(&samples[(std::size_t(y) * width + x) * form.Components], kind, paint(x, y));

    std::vector<std::uint8_t> encoded;
    JpegCompressor compressor;
    jpeg_compress_struct& info = compressor.Get();
    compressor.Run([&]() noexcept {
        SetVectorDestination(info, encoded);
        info.image_width = JDIMENSION(width);
        info.image_height = JDIMENSION(height);
        info.input_components = form.Components;
        info.in_color_space = form.Space;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 95, TRUE);
        if (kind == JpegKind::Ycck)
            jpeg_set_colorspace(&info, JCS_YCCK);
        if (kind == JpegKind::Progressive)
            jpeg_simple_progression(&info);
        info.arith_code = kind == JpegKind::Arithmetic;
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = &samples[std::size_t(info.next_scanline) * width * form.Components];
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    });
    return std::string(encoded.begin(), encoded.end());
}

std::string MakeFlatJpeg(int width, int height, Rgb colour, JpegKind kind)
{
    return MakeJpeg(width, height, kind, [colour](int, int) { return colour; });
}

Rgb RgbPicture::At(int x, int y) const
{
    const std::uint8_t* p = &Samples[(std::size_t(y) * Width + x) * 3];
    return {p[0], p[1], p[2]};
}

RgbPicture DecodeWithLibrary(const std::string& jpeg)
{
    RgbPicture picture;
    JpegDecompressor decompressor;
    jpeg_decompress_struct& info = decompressor.Get();
    decompressor.Run([&]() noexcept {
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
    });
    picture.Width = int(info.output_width);
    picture.Height = int(info.output_height);
    picture.Samples.resize(std::size_t(picture.Width) * picture.Height * 3);
    decompressor.Run([&]() noexcept {
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &picture.Samples[std::size_t(info.output_scanline) * info.output_width * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
    });
    return picture;
}

std::vector<JpegSegment> ReadSegments(const std::string& jpeg)
{
    std::vector<JpegSegment> segments;
    if (jpeg.size() < 2 || std::uint8_t(jpeg[0]) != 0xFF || std::uint8_t(jpeg[1]) != 0xD8)
        throw std::runtime_error("no start-of-image marker");
    segments.push_back({0, 0xD8, {}});
    std::size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        if (std::uint8_t(jpeg[at]) != 0xFF)
            throw std::runtime_error("marker expected");
        const int marker = std::uint8_t(jpeg[at + 1]);
        const std::size_t length = std::size_t(std::uint8_t(jpeg[at + 2])) << 8 | std::uint8_t(jpeg[at + 3]);
        if (length < 2 || at + 2 + length > jpeg.size())
            throw std::runtime_error("segment runs past the end");
        segments.push_back({at, marker, jpeg.substr(at + 4, length - 2)});
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return segments;
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
    const DevicePixel pixel =
        MakePixel(std::uint8_t(colour.Red), std::uint8_t(colour.Green), std::uint8_t(colour.Blue));
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<DevicePixel*>(raster.MutableScanLine(y));
        std::fill(row, row + width, pixel);
    }
    return raster;
}

std::string WithFrame(std::string jpeg, int precision, int width, int height)
{
    for (const test::JpegSegment& segment : test::ReadSegments(jpeg)) {
        if (segment.Marker < 0xC0 || segment.Marker > 0xC2)
            continue;
        const std::size_t at = segment.Offset;
        jpeg[at + 4] = char(precision);
        jpeg[at + 5] = char(height >> 8);
        jpeg[at + 6] = char(height & 0xFF);
        jpeg[at + 7] = char(width >> 8);
        jpeg[at + 8] = char(width & 0xFF);
        return jpeg;
    }
    throw std::logic_error("no frame header");
}

}  // namespace tessaro::test
