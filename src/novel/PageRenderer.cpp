#include "novel/PageRenderer.h"

#include <algorithm>
#include <cstring>

#include "imaging/Color.h"

namespace tessaro::novel {

namespace {

// Black ink over a gray sample, by the glyph's coverage: the sample times
// (255 - coverage) / 255, rounded down after adding 127. The product plus 127
// stays below 65 535, where x / 255 is (x + 1 + x / 256) / 256: sixteen-bit
// lanes hold the whole sum, so the compiler blends eight or sixteen pixels at once.
struct GrayInk {
    using Pixel = std::uint8_t;
    static void Blend(Pixel& target, std::uint8_t coverage)
    {
        const auto x = static_cast<std::uint16_t>(target * (255 - coverage) + 127);
        target = static_cast<Pixel>((x + 1 + (x >> 8)) >> 8);
    }
};

// Black ink over a display pixel: each channel darkened alike.
struct DeviceInk {
    using Pixel = DevicePixel;
    static void Blend(Pixel& target, unsigned coverage)
    {
        const unsigned keep = 255 - coverage;
        const auto channel = [keep](unsigned value) { return (value * keep + 127) / 255; };
        target = MakePixel(static_cast<std::uint8_t>(channel(PixelRed(target))),
                           static_cast<std::uint8_t>(channel(PixelGreen(target))),
                           static_cast<std::uint8_t>(channel(PixelBlue(target))));
    }
};

// The page's rows, looked up once per page instead of once per glyph row.
template <class Pixel>
struct PixelRows {
    std::uint8_t* First = nullptr;
    std::size_t Stride = 0;
    int Width = 0;
    int Height = 0;

    explicit PixelRows(TBitmap& raster)
        : First(raster.MutableScanLine(0)),
          Stride(static_cast<std::size_t>(raster.RowBytes())),
          Width(raster.Width()),
          Height(raster.Height())
    {
    }
    Pixel* Row(int y) const { return reinterpret_cast<Pixel*>(First + std::size_t(y) * Stride); }
};

template <class Ink>
void DrawGlyph(const PixelRows<typename Ink::Pixel>& rows, const Glyph& glyph, int originX, int originY)
{
    const int left = originX + glyph.Left;
    const int top = originY - glyph.Top;
    const int firstRow = std::max(0, -top);
    const int lastRow = std::min(glyph.Rows, rows.Height - top);
    const int firstColumn = std::max(0, -left);
    const int lastColumn = std::min(glyph.Width, rows.Width - left);
    for (int row = firstRow; row < lastRow && firstColumn < lastColumn; ++row) {
        typename Ink::Pixel* target = rows.Row(top + row) + left;
        const std::uint8_t* coverage = glyph.Coverage.data() + std::size_t(row) * std::size_t(glyph.Width);
        // No test for zero coverage, which keeps the pixel as it is anyway:
        // without the branch the compiler blends many pixels at once.
        for (int column = firstColumn; column < lastColumn; ++column)
            Ink::Blend(target[column], coverage[column]);
    }
}

template <class Ink>
void DrawLine(const PixelRows<typename Ink::Pixel>& rows, const ComposedLine& line)
{
    for (const PlacedGlyph& placed : line.Line.Glyphs) {
        const Glyph& glyph = placed.Face->Render(placed.Glyph, placed.Rotated);
        const int along = RoundFixed(placed.X);
        const int across = RoundFixed(placed.Y);
        if (line.Vertical)
            DrawGlyph<Ink>(rows, glyph, line.OriginX + across, line.OriginY + along);
        else
            DrawGlyph<Ink>(rows, glyph, line.OriginX + along, line.OriginY + across);
    }
}

template <class Ink>
void DrawPage(const ComposedPage& page, TBitmap& raster)
{
    const PixelRows<typename Ink::Pixel> rows(raster);
    for (const ComposedLine& line : page.Lines)
        DrawLine<Ink>(rows, line);
    DrawLine<Ink>(rows, page.Folio);
}

}  // namespace

TBitmap BlankPage(int width, int height, bool gray)
{
    TBitmap page;
    if (gray) {
        page.SetPixelFormat(TPixelFormat::pf8bit);
        page.SetWidth(width);
        page.SetHeight(height);
        std::vector<TPaletteEntry> palette(256);
        for (int i = 0; i < 256; ++i)
            palette[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0};
        page.SetPalette(std::move(palette));
        for (int y = 0; y < height; ++y)
            std::memset(page.MutableScanLine(y), 0xFF, std::size_t(page.RowBytes()));
    } else {
        page.SetWidth(width);
        page.SetHeight(height);
    }
    return page;
}

void WhitenPage(TBitmap& page, int width, int height, bool gray)
{
    const TPixelFormat form = gray ? TPixelFormat::pf8bit : TPixelFormat::pfDevice;
    if (page.Width() != width || page.Height() != height || page.PixelFormat() != form) {
        page = BlankPage(width, height, gray);
        return;
    }
    // Pixels still shared with a page waiting to be saved stay with it.
    page.MakeOwnPixelsForOverwrite();
    const DevicePixel white = ColorToPixel(clWhite);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = page.MutableScanLine(y);
        if (gray)
            std::memset(row, 0xFF, std::size_t(page.RowBytes()));
        else
            std::fill_n(reinterpret_cast<DevicePixel*>(row), width, white);
    }
}

void RenderPage(const ComposedPage& page, TBitmap& raster)
{
    if (raster.PixelFormat() == TPixelFormat::pf24bit)
        raster.SetPixelFormat(TPixelFormat::pfDevice);
    if (raster.PixelFormat() == TPixelFormat::pf8bit)
        DrawPage<GrayInk>(page, raster);
    else
        DrawPage<DeviceInk>(page, raster);
}

}  // namespace tessaro::novel
