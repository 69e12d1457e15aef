#include "imaging/TBitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/TCanvas.h"
#include "text/Exception.h"

namespace tessaro {

// The pixels of one or more rasters. Immutable while shared; a raster writes
// only to a store it alone refers to.
struct TBitmap::PixelStore {
    int Width = 0;
    int Height = 0;
    TPixelFormat Format = TPixelFormat::pfDevice;
    int RowBytes = 0;
    std::unique_ptr<std::uint8_t[]> Bytes;
    std::vector<TPaletteEntry> Palette;

    std::uint8_t* Row(int row) { return Bytes.get() + std::size_t(row) * std::size_t(RowBytes); }
    const std::uint8_t* Row(int row) const { return Bytes.get() + std::size_t(row) * std::size_t(RowBytes); }
};

namespace {

int RowBytesFor(int width, TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pfDevice:
        return width * 4;
    case TPixelFormat::pf24bit:
        return (width * 3 + 3) & ~3;
    case TPixelFormat::pf8bit:
        return (width + 3) & ~3;
    }
    return 0;
}

const std::vector<TPaletteEntry>& NoPalette()
{
    static const std::vector<TPaletteEntry> none;
    return none;
}

void FillRow(std::uint8_t* row, int width, TPixelFormat format, DevicePixel fill)
{
    switch (format) {
    case TPixelFormat::pfDevice:
        std::fill_n(reinterpret_cast<DevicePixel*>(row), width, fill);
        break;
    case TPixelFormat::pf24bit:
        for (int x = 0; x < width; ++x) {
            row[3 * x] = PixelBlue(fill);
            row[3 * x + 1] = PixelGreen(fill);
            row[3 * x + 2] = PixelRed(fill);
        }
        break;
    case TPixelFormat::pf8bit:
        std::memset(row, 0, std::size_t(width));
        break;
    }
}

DevicePixel ReadPixel(const std::uint8_t* row, int x, TPixelFormat format, const std::vector<TPaletteEntry>& palette)
{
    switch (format) {
    case TPixelFormat::pfDevice:
        return reinterpret_cast<const DevicePixel*>(row)[x];
    case TPixelFormat::pf24bit:
        return MakePixel(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    case TPixelFormat::pf8bit:
        if (row[x] < palette.size()) {
            const TPaletteEntry& e = palette[row[x]];
            return MakePixel(e.Red, e.Green, e.Blue);
        }
        return MakePixel(0, 0, 0);
    }
    return 0;
}

void WritePixel(std::uint8_t* row, int x, TPixelFormat format, DevicePixel pixel)
{
    switch (format) {
    case TPixelFormat::pfDevice:
        reinterpret_cast<DevicePixel*>(row)[x] = pixel;
        break;
    case TPixelFormat::pf24bit:
        row[3 * x] = PixelBlue(pixel);
        row[3 * x + 1] = PixelGreen(pixel);
        row[3 * x + 2] = PixelRed(pixel);
        break;
    case TPixelFormat::pf8bit:
        throw EInvalidGraphicOperation("8 ビット形式への変換はできません");
    }
}

}  // namespace

TBitmap::TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(other), width_(other.width_), height_(other.height_), format_(other.format_), pixels_(other.pixels_)
{
}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    pixels_ = other.pixels_;
    return *this;
}

TBitmap::~TBitmap() = default;

bool TBitmap::Empty() const
{
    return width_ == 0 || height_ == 0;
}

std::shared_ptr<TBitmap::PixelStore> TBitmap::NewStore(int width, int height, TPixelFormat format) const
{
    auto store = std::make_shared<PixelStore>();
    store->Width = width;
    store->Height = height;
    store->Format = format;
    store->RowBytes = RowBytesFor(width, format);
    const std::size_t size = std::size_t(store->RowBytes) * std::size_t(height);
    store->Bytes.reset(new (std::nothrow) std::uint8_t[size]);
    if (!store->Bytes)
        throw EOutOfResources();
    return store;
}

// Makes new pixels of the given size, filled with the canvas's brush (white
// without a canvas), with the old pixels copied in from the top-left corner.
void TBitmap::Resize(int width, int height)
{
    if (width <= 0 || height <= 0) {
        pixels_.reset();
        return;
    }
    const DevicePixel fill = canvas_ ? ColorToPixel(canvas_->Brush().Color()) : ColorToPixel(clWhite);
    auto store = NewStore(width, height, format_);
    const PixelStore* old = pixels_.get();
    if (old)
        store->Palette = old->Palette;
    const int keepRows = old ? std::min(height, old->Height) : 0;
    const int keepWidth = old ? std::min(width, old->Width) : 0;
    const std::size_t keepBytes = std::size_t(std::min(store->RowBytes, RowBytesFor(keepWidth, format_)));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = store->Row(y);
        if (y < keepRows && keepWidth == width) {
            std::memcpy(row, old->Row(y), std::size_t(store->RowBytes));
            continue;
        }
        FillRow(row, width, format_, fill);
        if (y < keepRows)
            std::memcpy(row, old->Row(y), keepBytes);
    }
    pixels_ = std::move(store);
}

void TBitmap::SetWidth(int width)
{
    if (width == width_)
        return;
    Resize(width, height_);
    width_ = width;
}

void TBitmap::SetHeight(int height)
{
    if (height == height_)
        return;
    Resize(width_, height);
    height_ = height;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect)
{
    canvas.DrawRaster(rect, *this);
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == format_)
        return;
    if (pixels_) {
        auto store = NewStore(width_, height_, format);
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* from = pixels_->Row(y);
            std::uint8_t* to = store->Row(y);
            for (int x = 0; x < width_; ++x)
                WritePixel(to, x, format, ReadPixel(from, x, format_, pixels_->Palette));
        }
        pixels_ = std::move(store);
    }
    format_ = format;
}

const std::vector<TPaletteEntry>& TBitmap::Palette() const
{
    return pixels_ ? pixels_->Palette : NoPalette();
}

void TBitmap::SetPalette(std::vector<TPaletteEntry> palette)
{
    if (!pixels_)
        return;
    MakeOwnPixels();
    pixels_->Palette = std::move(palette);
}

int TBitmap::RowBytes() const
{
    return pixels_ ? pixels_->RowBytes : 0;
}

const std::uint8_t* TBitmap::ScanLine(int row) const
{
    return pixels_ ? pixels_->Row(row) : nullptr;
}

std::uint8_t* TBitmap::MutableScanLine(int row)
{
    MakeOwnPixels();
    return pixels_ ? pixels_->Row(row) : nullptr;
}

void TBitmap::MakeOwnPixels()
{
    if (!pixels_ || pixels_.use_count() == 1)
        return;
    auto store = NewStore(pixels_->Width, pixels_->Height, pixels_->Format);
    std::memcpy(store->Bytes.get(), pixels_->Bytes.get(), std::size_t(store->RowBytes) * std::size_t(store->Height));
    store->Palette = pixels_->Palette;
    pixels_ = std::move(store);
}

void TBitmap::MakeOwnPixelsForOverwrite()
{
    if (!pixels_ || pixels_.use_count() == 1)
        return;
    auto store = NewStore(pixels_->Width, pixels_->Height, pixels_->Format);
    store->Palette = pixels_->Palette;
    pixels_ = std::move(store);
}

bool TBitmap::SharesPixelsWith(const TBitmap& other) const
{
    return pixels_ != nullptr && pixels_ == other.pixels_;
}

std::uint32_t TBitmap::PixelAt(int x, int y) const
{
    if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return ReadPixel(pixels_->Row(y), x, format_, pixels_->Palette);
}

void TBitmap::ReadPixels(int x, int y, int count, std::uint32_t* out) const
{
    const std::uint8_t* row = pixels_->Row(y);
    switch (format_) {
    case TPixelFormat::pfDevice:
        std::memcpy(out, row + 4 * std::size_t(x), 4 * std::size_t(count));
        return;
    case TPixelFormat::pf24bit:
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* bgr = row + 3 * std::size_t(x + i);
            out[i] = MakePixel(bgr[2], bgr[1], bgr[0]);
        }
        return;
    case TPixelFormat::pf8bit:
        for (int i = 0; i < count; ++i)
            out[i] = ReadPixel(row, x + i, format_, pixels_->Palette);
        return;
    }
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_)
        canvas_ = std::make_unique<TCanvas>(*this);
    return *canvas_;
}

}  // namespace tessaro
