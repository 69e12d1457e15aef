#pragma once
// The raster: pixels in one of three forms, shared between copies until one of
// them changes (copy on write).
//   pfDevice: 32 bits per pixel, memory order blue, green, red, unused
//             (the layout of QImage::Format_RGB32); rows unpadded.
//   pf24bit:  blue, green, red bytes; rows padded to a multiple of 4 bytes.
//   pf8bit:   an index into the palette; rows padded to a multiple of 4 bytes.

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/TGraphic.h"

namespace tessaro {

enum class TPixelFormat { pfDevice, pf24bit, pf8bit };

struct TPaletteEntry {
    std::uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

class TCanvas;

class TBitmap : public TGraphic {
public:
    TBitmap();
    // A copy shares the source's pixels and has no canvas of its own yet.
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap() override;

    bool Empty() const override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // A different value resizes: new pixels filled with the canvas's brush (or
    // white without a canvas), the old ones copied in from the top-left.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;

    TPixelFormat PixelFormat() const { return format_; }
    // Converts the pixels held into the form, keeping their colours.
    void SetPixelFormat(TPixelFormat format);
    const std::vector<TPaletteEntry>& Palette() const;
    void SetPalette(std::vector<TPaletteEntry> palette);

    // Bytes from one row to the next.
    int RowBytes() const;
    const std::uint8_t* ScanLine(int row) const;
    // Gives the raster its own pixels first when they are shared.
    std::uint8_t* MutableScanLine(int row);
    // Gives the raster its own copy of shared pixels.
    void MakeOwnPixels();
    // Gives the raster pixels of its own without copying shared ones, for a
    // caller about to overwrite every pixel.
    void MakeOwnPixelsForOverwrite();
    bool SharesPixelsWith(const TBitmap& other) const;

    // The pixel at (x, y) as a display pixel, whatever the form.
    std::uint32_t PixelAt(int x, int y) const;
    // count pixels of row y from column x as display pixels, whatever the form;
    // the run must lie inside the raster.
    void ReadPixels(int x, int y, int count, std::uint32_t* out) const;

    TCanvas& Canvas();
    bool HasCanvas() const { return canvas_ != nullptr; }

private:
    struct PixelStore;
    void Resize(int width, int height);
    std::shared_ptr<PixelStore> NewStore(int width, int height, TPixelFormat format) const;

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = TPixelFormat::pfDevice;
    std::shared_ptr<PixelStore> pixels_;
    std::unique_ptr<TCanvas> canvas_;
};

}  // namespace tessaro
