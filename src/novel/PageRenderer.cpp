#include "novel/PageRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/PngCodec.h"
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
    static Pixel From(DevicePixel pixel) { return GrayOf(pixel); }
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
    static Pixel From(DevicePixel pixel) { return pixel; }
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

// The pixels of a picture at the box of its line, cut at the page's edges;
// for a picture that could not be read, a frame around the box.
template <class Ink>
void DrawPicture(const PixelRows<typename Ink::Pixel>& rows, const LinePicture& picture, const LineBox& box)
{
    const int width = rows.Width;
    const int height = rows.Height;
    std::vector<DevicePixel> row(static_cast<std::size_t>(std::max(0, box.W)));
    for (int y = std::max(0, box.Y); y < std::min(height, box.Y + box.H); ++y) {
        auto* target = rows.Row(y);
        const bool edge = y == box.Y || y == box.Y + box.H - 1;
        if (picture.Image && y - box.Y < picture.Image->Height())
            picture.Image->ReadPixels(0, y - box.Y, std::min(box.W, picture.Image->Width()), row.data());
        for (int x = std::max(0, box.X); x < std::min(width, box.X + box.W); ++x) {
            if (picture.Image && x - box.X < picture.Image->Width())
                target[x] = Ink::From(row[static_cast<std::size_t>(x - box.X)]);
            else if (!picture.Image && (edge || x == box.X || x == box.X + box.W - 1))
                Ink::Blend(target[x], 255);
        }
    }
}

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

// Full ink over the pixels [left, right) x [top, bottom) that are on the page.
template <class Ink>
void FillBox(const PixelRows<typename Ink::Pixel>& rows, int left, int top, int right, int bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, rows.Width);
    bottom = std::min(bottom, rows.Height);
    for (int y = top; y < bottom; ++y) {
        auto* row = rows.Row(y);
        for (int x = left; x < right; ++x)
            Ink::Blend(row[x], 255);
    }
}

// A rule in its style: solid, two thin lines, a chain of dots (鎖線, as
// Aozora Bunko shows it), dashes, or a wave, each stroke as thick as the rule.
template <class Ink>
void DrawRule(const PixelRows<typename Ink::Pixel>& rows, const ComposedLine& line, const DrawnRule& rule)
{
    // Whether the rule runs left to right on the page, not top to bottom.
    const bool horizontal = line.Vertical == rule.Across;
    const int alongOrigin = horizontal ? line.OriginX : line.OriginY;
    const int acrossOrigin = horizontal ? line.OriginY : line.OriginX;
    const int start = alongOrigin + RoundFixed(std::min(rule.From, rule.To));
    const int end = alongOrigin + RoundFixed(std::max(rule.From, rule.To));
    const int thickness = std::max(1, RoundFixed(rule.Thickness));
    const int near = acrossOrigin + RoundFixed(rule.At) - thickness / 2;
    const auto box = [&](int from, int to, int offset) {
        to = std::min(to, end);
        if (horizontal)
            FillBox<Ink>(rows, from, near + offset, to, near + offset + thickness);
        else
            FillBox<Ink>(rows, near + offset, from, near + offset + thickness, to);
    };
    const auto pattern = [&](int on, int period) {
        for (int at = start; at < end; at += period)
            box(at, at + on, 0);
    };
    switch (rule.Style) {
    case SideLine::Solid:
        box(start, end, 0);
        break;
    case SideLine::Double:
        box(start, end, -thickness);
        box(start, end, thickness);
        break;
    case SideLine::Chain:
        pattern(thickness, 3 * thickness);
        break;
    case SideLine::Dashed:
        pattern(4 * thickness, 6 * thickness);
        break;
    case SideLine::Wavy: {
        const double wavelength = 6.0 * thickness;
        for (int at = start; at < end; ++at)
            box(at, at + 1, static_cast<int>(std::lround(thickness * std::sin((at - start) * 2 * M_PI / wavelength))));
        break;
    }
    }
}

template <class Ink>
void DrawLine(const PixelRows<typename Ink::Pixel>& rows, const ComposedLine& line)
{
    if (line.Line.Picture)
        DrawPicture<Ink>(rows, *line.Line.Picture, line.Box);
    for (const DrawnRule& rule : line.Line.Rules)
        DrawRule<Ink>(rows, line, rule);
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
    DrawLine<Ink>(rows, page.Header);
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
