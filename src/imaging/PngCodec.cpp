#include "imaging/PngCodec.h"

#include <array>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <type_traits>

#include <png.h>
#include <zlib.h>

#include "text/Exception.h"
#include "text/FileIO.h"

namespace tessaro {

namespace {

// Compression, chosen by encoding a Kindle page of text (bench/PngEncodeBench
// has the numbers). Text is mostly white runs with short antialiased edges, so
// zlib's fastest level loses little to the slow ones (level 9 saves a fifth of
// the bytes and takes forty times as long), and row filters only make such
// rows bigger and slower. Gray rows are searched for byte runs only, nearly a
// third faster than the full match search for the same size. Colour pixels
// repeat three bytes apart, which only the full search finds.
constexpr int kZlibLevel = 1;
constexpr int kRowFilters = PNG_FILTER_NONE;

int StrategyFor(bool colour)
{
    return colour ? Z_DEFAULT_STRATEGY : Z_RLE;
}

// Where the library's fatal error lands: the message it gave and the jump
// point of the guarded call that was running.
struct PngErrors {
    std::jmp_buf jump;
    char message[160];
};

// The library's error hook. It must not return: it keeps the message and
// jumps back to RunWithJumpPoint.
[[noreturn]] void OnError(png_structp png, png_const_charp message)
{
    auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
    std::snprintf(errors->message, sizeof errors->message, "%s", message);
    std::longjmp(errors->jump, 1);
}

// Warnings are neither shown nor counted.
void OnWarning(png_structp, png_const_charp) {}

// Calls body(context) with the jump point set. Returns false when the library
// gave up through OnError.
bool RunWithJumpPoint(std::jmp_buf& jump, void (*body)(void*), void* context) noexcept
{
    // Nothing with a destructor lives in this frame or in the frames the jump
    // skips (the library's and the noexcept body's).
    if (setjmp(jump) != 0)
        return false;
    body(context);
    return true;
}

// The library's write object and its info object, with the bridge from the
// library's fatal errors to EPNG. It stays where it was made: the library
// keeps a pointer to its error record.
class PngWriter {
public:
    PngWriter();
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter() { Destroy(); }

    png_structp Png() { return png_; }
    png_infop Info() { return info_; }

    // Runs body, a noexcept callable made of library calls and plain memory
    // work, so no C++ exception ever passes through the library's frames. A
    // fatal library error destroys the objects and raises EPNG.
    template <class Body>
    void Run(Body&& body)
    {
        static_assert(std::is_nothrow_invocable_v<Body&>, "library calls must run in a noexcept body");
        using Callable = std::remove_reference_t<Body>;
        auto trampoline = [](void* context) noexcept { (*static_cast<Callable*>(context))(); };
        if (!RunWithJumpPoint(errors_.jump, trampoline, std::addressof(body))) {
            Destroy();
            throw EPNG(errors_.message);
        }
    }

private:
    void Destroy() noexcept { png_destroy_write_struct(&png_, &info_); }

    PngErrors errors_{};
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

PngWriter::PngWriter() : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors_, OnError, OnWarning))
{
    if (png_ != nullptr)
        info_ = png_create_info_struct(png_);
    if (info_ == nullptr) {
        Destroy();
        throw EPNG("Out of memory");
    }
}

// Appends to the byte vector; false when memory runs out. The exception stays
// here: the caller reports the failure through the library.
bool Append(std::vector<std::uint8_t>& bytes, const std::uint8_t* data, std::size_t size) noexcept
{
    try {
        bytes.insert(bytes.end(), data, data + size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

void AppendToVector(png_structp png, png_bytep data, std::size_t size)
{
    auto& bytes = *static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    if (!Append(bytes, data, size))
        png_error(png, "Out of memory");
}

// Without a hook of its own the library would flush the output as a FILE.
void FlushNothing(png_structp) {}

int BitDepthFor(int grayLevels)
{
    switch (grayLevels) {
    case 0:
    case 256:
        return 8;
    case 16:
        return 4;
    case 4:
        return 2;
    case 2:
        return 1;
    }
    throw EPNG(FormatMessage("階調数 %d は使えません (0, 2, 4, 16, 256)", grayLevels));
}

// The gray level of each byte value: of each gray, or of each palette index.
using LevelTable = std::array<std::uint8_t, 256>;

LevelTable LevelsOfGrays(int grayLevels)
{
    LevelTable levels{};
    for (std::size_t gray = 0; gray < levels.size(); ++gray)
        levels[gray] = GrayLevel(static_cast<std::uint8_t>(gray), grayLevels);
    return levels;
}

// An index past the palette's end reads as black, as it does everywhere else.
LevelTable LevelsOfPalette(const std::vector<TPaletteEntry>& palette, int grayLevels)
{
    LevelTable levels{};
    for (std::size_t index = 0; index < levels.size(); ++index) {
        const std::uint8_t gray =
            index < palette.size()
                ? GrayOf(MakePixel(palette[index].Red, palette[index].Green, palette[index].Blue))
                : 0;
        levels[index] = GrayLevel(gray, grayLevels);
    }
    return levels;
}

// Packs the levels of one row of byte values (palette indices or grays) at
// BitDepth bits a pixel, the leftmost pixel in the high bits and the unused
// bits of a last partial byte zero. Look-up and packing share one pass, and
// the bit depth is fixed at compile time so that the inner loop unrolls.
template <int BitDepth>
void PackRow(const std::uint8_t* values, std::size_t width, const std::uint8_t* levels, std::uint8_t* packed) noexcept
{
    constexpr std::size_t kPerByte = 8 / BitDepth;
    const std::size_t wholeBytes = width / kPerByte;
    for (std::size_t i = 0; i < wholeBytes; ++i, values += kPerByte) {
        unsigned byte = 0;
        for (std::size_t k = 0; k < kPerByte; ++k)
            byte = (byte << BitDepth) | levels[values[k]];
        packed[i] = static_cast<std::uint8_t>(byte);
    }
    const std::size_t rest = width % kPerByte;
    if (rest == 0)
        return;
    unsigned byte = 0;
    for (std::size_t k = 0; k < kPerByte; ++k)
        byte = (byte << BitDepth) | (k < rest ? levels[values[k]] : 0u);
    packed[wholeBytes] = static_cast<std::uint8_t>(byte);
}

using RowPacker = void (*)(const std::uint8_t*, std::size_t, const std::uint8_t*, std::uint8_t*) noexcept;

RowPacker PackerFor(int bitDepth)
{
    switch (bitDepth) {
    case 1:
        return PackRow<1>;
    case 2:
        return PackRow<2>;
    case 4:
        return PackRow<4>;
    }
    return PackRow<8>;
}

// Makes the rows the library receives, one at a time, in buffers of its own:
// blue, green, red, unused for colour; gray levels packed to the bit depth.
class RowMaker {
public:
    RowMaker(const TBitmap& raster, int grayLevels);

    bool Colour() const { return colour_; }
    int BitDepth() const { return bitDepth_; }
    const std::uint8_t* Row(int y) noexcept;

private:
    const std::uint8_t* GraysOfRow(int y) noexcept;

    const TBitmap& raster_;
    const std::size_t width_;
    const bool colour_;
    const bool indexed_;
    const int bitDepth_;
    const RowPacker pack_;
    LevelTable levels_{};
    std::vector<DevicePixel> pixels_;
    std::vector<std::uint8_t> grays_;
    std::vector<std::uint8_t> packed_;
};

RowMaker::RowMaker(const TBitmap& raster, int grayLevels)
    : raster_(raster),
      width_(static_cast<std::size_t>(raster.Width())),
      colour_(grayLevels == 0),
      indexed_(raster.PixelFormat() == TPixelFormat::pf8bit),
      bitDepth_(BitDepthFor(grayLevels)),
      pack_(PackerFor(bitDepth_))
{
    if (colour_ || !indexed_)
        pixels_.resize(width_);
    if (colour_)
        return;
    if (!indexed_)
        grays_.resize(width_);
    levels_ = indexed_ ? LevelsOfPalette(raster.Palette(), grayLevels) : LevelsOfGrays(grayLevels);
    packed_.resize((width_ * std::size_t(bitDepth_) + 7) / 8);
}

// The gray of each pixel of a display or 24-bit row.
const std::uint8_t* RowMaker::GraysOfRow(int y) noexcept
{
    raster_.ReadPixels(0, y, static_cast<int>(width_), pixels_.data());
    for (std::size_t x = 0; x < width_; ++x)
        grays_[x] = GrayOf(pixels_[x]);
    return grays_.data();
}

const std::uint8_t* RowMaker::Row(int y) noexcept
{
    if (colour_) {
        raster_.ReadPixels(0, y, static_cast<int>(width_), pixels_.data());
        return reinterpret_cast<const std::uint8_t*>(pixels_.data());
    }
    // The page's own 8-bit form goes through the level table as it is.
    const std::uint8_t* values = indexed_ ? raster_.ScanLine(y) : GraysOfRow(y);
    pack_(values, width_, levels_.data(), packed_.data());
    return packed_.data();
}

void SetCompression(png_structp png, bool colour) noexcept
{
    png_set_compression_level(png, kZlibLevel);
    png_set_compression_strategy(png, StrategyFor(colour));
    png_set_filter(png, PNG_FILTER_TYPE_BASE, kRowFilters);
}

}  // namespace

std::uint8_t GrayOf(DevicePixel pixel)
{
    // Fixed-point weights that sum to 65536, so white stays 255.
    const std::uint32_t weighted =
        19595u * PixelRed(pixel) + 38470u * PixelGreen(pixel) + 7471u * PixelBlue(pixel) + 32768u;
    return static_cast<std::uint8_t>(weighted >> 16);
}

std::uint8_t GrayLevel(std::uint8_t gray, int grayLevels)
{
    return static_cast<std::uint8_t>((unsigned(gray) * unsigned(grayLevels - 1) + 127) / 255);
}

std::vector<std::uint8_t> EncodePng(const TBitmap& raster, int grayLevels)
{
    if (raster.Empty())
        throw EPNG("画像が空です");
    RowMaker rows(raster, grayLevels);
    std::vector<std::uint8_t> encoded;
    PngWriter writer;
    png_structp png = writer.Png();
    png_infop info = writer.Info();
    writer.Run([&]() noexcept {
        png_set_write_fn(png, &encoded, AppendToVector, FlushNothing);
        png_set_IHDR(png, info, static_cast<png_uint_32>(raster.Width()), static_cast<png_uint_32>(raster.Height()),
                     rows.BitDepth(), rows.Colour() ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
        SetCompression(png, rows.Colour());
        png_write_info(png, info);
        if (rows.Colour()) {
            png_set_bgr(png);
            png_set_filler(png, 0, PNG_FILLER_AFTER);
        }
        for (int y = 0; y < raster.Height(); ++y)
            png_write_row(png, rows.Row(y));
        png_write_end(png, nullptr);
    });
    return encoded;
}

void SavePng(const std::string& path, const TBitmap& raster, int grayLevels)
{
    // Encoding comes first, so a failure leaves any existing file untouched.
    const std::vector<std::uint8_t> bytes = EncodePng(raster, grayLevels);
    WriteWholeFile(path, bytes.data(), bytes.size());
}

}  // namespace tessaro
