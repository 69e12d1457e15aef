#include "imaging/JpegCodec.h"

#include <jerror.h>

#include "imaging/JpegLibrary.h"
#include "text/Exception.h"

namespace tessaro {

namespace {

constexpr int kPaletteColors = 236;

// Pictures with more scans than this are refused. Each scan of a progressive
// picture passes over the whole picture, so a small file that repeats a scan
// thousands of times would keep every page busy for minutes; real files have
// a few dozen scans at most.
constexpr int kMostScans = 500;

std::uint64_t PaddedRowBytes(std::uint64_t bytes)
{
    return (bytes + 3) & ~std::uint64_t(3);
}

// How decoded rows reach the raster.
enum class RowForm {
    Bgr,         // three samples straight into a 24-bit row
    Indexed,     // one colour-map index straight into an 8-bit row
    FourSample,  // CMYK into a row buffer of its own, then converted to BGR
};

RowForm PrepareDecoding(jpeg_decompress_struct& info, bool indexed)
{
    info.scale_num = 1;
    info.scale_denom = 1;
    info.do_block_smoothing = TRUE;
    info.dct_method = JDCT_FLOAT;
    // Bounds the library's own buffers (multi-scan and two-pass quantizing)
    // the way the raster itself is bounded.
    info.mem->max_memory_to_use = static_cast<long>(kMaxDecodedBytes);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        info.out_color_space = JCS_CMYK;
        return RowForm::FourSample;
    }
    if (indexed || info.out_color_space == JCS_GRAYSCALE) {
        if (info.out_color_space != JCS_GRAYSCALE)
            info.out_color_space = JCS_RGB;
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = kPaletteColors;
        return RowForm::Indexed;
    }
    info.out_color_space = JCS_EXT_BGR;
    return RowForm::Bgr;
}

// Refuses a picture whose raster would not fit the limit before any of it is
// made, so that a forged header cannot exhaust memory.
void RefuseOversized(const jpeg_decompress_struct& info, RowForm form)
{
    const std::uint64_t bytesPerPixel = form == RowForm::Indexed ? 1 : 3;
    const std::uint64_t size = PaddedRowBytes(info.output_width * bytesPerPixel) * info.output_height;
    if (size > kMaxDecodedBytes)
        throw EJPEG(JERR_OUT_OF_MEMORY);
}

std::vector<TPaletteEntry> PaletteOf(const jpeg_decompress_struct& info)
{
    std::vector<TPaletteEntry> palette(static_cast<std::size_t>(info.actual_number_of_colors));
    const bool gray = info.out_color_components == 1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i].Red = info.colormap[0][i];
        palette[i].Green = info.colormap[gray ? 0 : 1][i];
        palette[i].Blue = info.colormap[gray ? 0 : 2][i];
    }
    return palette;
}

std::uint8_t Product(unsigned a, unsigned b)
{
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// Converts one CMYK row to blue, green, red. Adobe's files (the ones with an
// Adobe marker, which is nearly all CMYK JPEGs) store the samples inverted.
void CmykRowToBgr(const JSAMPLE* cmyk, JSAMPLE* bgr, JDIMENSION width, bool inverted) noexcept
{
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned flip = inverted ? 0 : 255;
        const unsigned c = cmyk[0] ^ flip, m = cmyk[1] ^ flip, y = cmyk[2] ^ flip, k = cmyk[3] ^ flip;
        bgr[0] = Product(y, k);
        bgr[1] = Product(m, k);
        bgr[2] = Product(c, k);
    }
}

// The rows the encoder reads, and how the library is to take them.
struct EncoderInput {
    TBitmap Pixels;
    J_COLOR_SPACE Space;
    int Components;
};

// Either way the library receives each pixel's red, green and blue, and the
// file is byte for byte the same. A display raster is read as it is (blue,
// green, red, unused) through a copy that shares its pixels: making a 24-bit
// copy of the page would cost almost half as much again as encoding it. Other
// forms are read from a 24-bit copy. The raster itself is never changed.
EncoderInput EncoderInputFor(const TBitmap& raster)
{
    if (raster.PixelFormat() == TPixelFormat::pfDevice)
        return {raster, JCS_EXT_BGRX, 4};
    TBitmap rows24(raster);
    rows24.SetPixelFormat(TPixelFormat::pf24bit);
    return {rows24, JCS_EXT_BGR, 3};
}

// Called by the library as it reads the picture; leaves it through the fatal
// error hook once the scans exceed the limit.
void LimitScans(j_common_ptr object)
{
    if (reinterpret_cast<j_decompress_ptr>(object)->input_scan_number > kMostScans)
        ERREXIT(object, JERR_BAD_PROGRESSION);
}

void SetMemorySource(jpeg_decompress_struct& info, const std::vector<std::uint8_t>& bytes) noexcept
{
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const TBitmap& raster, int quality)
{
    const EncoderInput input = EncoderInputFor(raster);
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(input.Pixels.Height()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        rows[y] = const_cast<JSAMPROW>(input.Pixels.ScanLine(static_cast<int>(y)));  // the library only reads them

    std::vector<std::uint8_t> encoded;
    JpegCompressor compressor;
    jpeg_compress_struct& info = compressor.Get();
    compressor.Run([&]() noexcept {
        SetVectorDestination(info, encoded);
        info.image_width = static_cast<JDIMENSION>(input.Pixels.Width());
        info.image_height = static_cast<JDIMENSION>(input.Pixels.Height());
        info.input_components = input.Components;
        info.in_color_space = input.Space;
        jpeg_set_defaults(&info);
        info.dct_method = JDCT_FLOAT;
        jpeg_set_quality(&info, quality, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = rows[info.next_scanline];
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
    });
    return encoded;
}

JpegSize ReadJpegSize(const std::vector<std::uint8_t>& bytes)
{
    JpegDecompressor decompressor;
    jpeg_decompress_struct& info = decompressor.Get();
    decompressor.Run([&]() noexcept {
        SetMemorySource(info, bytes);
        jpeg_read_header(&info, TRUE);
    });
    return {static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
}

std::unique_ptr<TBitmap> DecodeJpeg(const std::vector<std::uint8_t>& bytes, bool indexed)
{
    JpegDecompressor decompressor;
    jpeg_decompress_struct& info = decompressor.Get();
    decompressor.Run([&]() noexcept {
        SetMemorySource(info, bytes);
        jpeg_read_header(&info, TRUE);
    });
    const RowForm form = PrepareDecoding(info, indexed);
    decompressor.Run([&]() noexcept { jpeg_calc_output_dimensions(&info); });
    RefuseOversized(info, form);

    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(form == RowForm::Indexed ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    jpeg_progress_mgr progress{};
    progress.progress_monitor = LimitScans;
    info.progress = &progress;
    decompressor.Run([&]() noexcept { jpeg_start_decompress(&info); });
    bitmap->SetWidth(static_cast<int>(info.output_width));
    bitmap->SetHeight(static_cast<int>(info.output_height));
    if (info.quantize_colors && info.colormap != nullptr)
        bitmap->SetPalette(PaletteOf(info));

    std::vector<JSAMPROW> rows(info.output_height);
    for (std::size_t y = 0; y < rows.size(); ++y)
        rows[y] = bitmap->MutableScanLine(static_cast<int>(y));
    std::vector<JSAMPLE> fourSamples(form == RowForm::FourSample ? std::size_t(info.output_width) * 4 : 0);
    const bool inverted = info.saw_Adobe_marker;
    decompressor.Run([&]() noexcept {
        while (info.output_scanline < info.output_height) {
            JSAMPROW target = rows[info.output_scanline];
            JSAMPROW into = form == RowForm::FourSample ? fourSamples.data() : target;
            if (jpeg_read_scanlines(&info, &into, 1) == 1 && form == RowForm::FourSample)
                CmykRowToBgr(into, target, info.output_width, inverted);
        }
        jpeg_finish_decompress(&info);
    });
    return bitmap;
}

}  // namespace tessaro
