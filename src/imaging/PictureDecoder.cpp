#include "imaging/PictureDecoder.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

#include "imaging/Color.h"
#include "imaging/JpegCodec.h"
#include "imaging/TJPEGImage.h"
#include "text/Exception.h"
#include "text/FileIO.h"

namespace tessaro {

namespace {

constexpr std::string_view kPngSignature = "\x89PNG";

std::vector<std::uint8_t> ReadPictureFile(const std::string& path)
{
    const UniqueFd file = OpenRegularFileForReading(path);
    const std::int64_t size = FileSize(file);
    if (size > static_cast<std::int64_t>(kMaxDecodedBytes))
        throw EJPEG(JERR_OUT_OF_MEMORY);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
    bytes.resize(ReadUpTo(file, bytes.data(), bytes.size()));
    return bytes;
}

// libpng's simplified reading keeps its errors to itself and reports them in
// the image's message.
std::unique_ptr<TBitmap> DecodePng(const std::vector<std::uint8_t>& bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        throw EPNG(image.message);
    image.format = PNG_FORMAT_BGRA;
    if (std::uint64_t(image.width) * image.height * 4 > kMaxDecodedBytes) {
        png_image_free(&image);
        throw EPNG("画像が大きすぎます");
    }
    auto raster = std::make_unique<TBitmap>();
    raster->SetWidth(static_cast<int>(image.width));
    raster->SetHeight(static_cast<int>(image.height));
    // Transparent parts show the white page under them.
    png_color white{255, 255, 255};
    if (!png_image_finish_read(&image, &white, raster->MutableScanLine(0), raster->RowBytes(), nullptr))
        throw EPNG(image.message);
    return raster;
}

}  // namespace

std::unique_ptr<TBitmap> DecodePicture(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadPictureFile(path);
    if (bytes.size() >= kPngSignature.size() &&
        std::memcmp(bytes.data(), kPngSignature.data(), kPngSignature.size()) == 0)
        return DecodePng(bytes);
    std::unique_ptr<TBitmap> raster = DecodeJpeg(bytes, false);
    raster->SetPixelFormat(TPixelFormat::pfDevice);
    return raster;
}

TBitmap ScaledRaster(const TBitmap& source, int width, int height)
{
    TBitmap scaled;
    scaled.SetWidth(std::max(1, width));
    scaled.SetHeight(std::max(1, height));
    const int sourceWidth = source.Width();
    const int sourceHeight = source.Height();
    std::vector<DevicePixel> row(static_cast<std::size_t>(sourceWidth));
    for (int y = 0; y < scaled.Height(); ++y) {
        const int top = y * sourceHeight / scaled.Height();
        const int bottom = std::max(top + 1, (y + 1) * sourceHeight / scaled.Height());
        auto* target = reinterpret_cast<DevicePixel*>(scaled.MutableScanLine(y));
        std::vector<std::uint32_t> sums(static_cast<std::size_t>(scaled.Width()) * 3);
        std::vector<std::uint32_t> counts(static_cast<std::size_t>(scaled.Width()));
        for (int sy = top; sy < std::min(bottom, sourceHeight); ++sy) {
            source.ReadPixels(0, sy, sourceWidth, row.data());
            for (int x = 0; x < scaled.Width(); ++x) {
                const int left = x * sourceWidth / scaled.Width();
                const int right = std::max(left + 1, (x + 1) * sourceWidth / scaled.Width());
                for (int sx = left; sx < std::min(right, sourceWidth); ++sx) {
                    sums[3 * x] += PixelRed(row[sx]);
                    sums[3 * x + 1] += PixelGreen(row[sx]);
                    sums[3 * x + 2] += PixelBlue(row[sx]);
                    ++counts[x];
                }
            }
        }
        for (int x = 0; x < scaled.Width(); ++x) {
            const std::uint32_t n = std::max<std::uint32_t>(1, counts[x]);
            target[x] = MakePixel(std::uint8_t(sums[3 * x] / n), std::uint8_t(sums[3 * x + 1] / n),
                                  std::uint8_t(sums[3 * x + 2] / n));
        }
    }
    return scaled;
}

}  // namespace tessaro
