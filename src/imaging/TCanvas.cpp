#include "imaging/TCanvas.h"

#include <algorithm>

#include "imaging/PlatformFont.h"
#include "imaging/TBitmap.h"

namespace tessaro {

TCanvas::TCanvas(TBitmap& raster) : raster_(raster) {}

TCanvas::~TCanvas() = default;

PlatformFont& TCanvas::RealisedFont()
{
    if (realised_ == nullptr || realisedGeneration_ != font_.Generation()) {
        realised_ = &PlatformFont::For(font_.Description(), codePage_);
        realisedGeneration_ = font_.Generation();
    }
    return *realised_;
}

void TCanvas::FillRectangle(const TRect& rect)
{
    if (brush_.Style() == bsClear)
        return;
    raster_.SetPixelFormat(TPixelFormat::pfDevice);
    const DevicePixel color = ColorToPixel(brush_.Color());
    const int left = std::max(rect.Left, 0);
    const int right = std::min(rect.Right, raster_.Width());
    const int top = std::max(rect.Top, 0);
    const int bottom = std::min(rect.Bottom, raster_.Height());
    if (left >= right || top >= bottom || raster_.Empty())
        return;
    // A page's first fill covers it whole: its shared pixels need no copying.
    if (left == 0 && top == 0 && right == raster_.Width() && bottom == raster_.Height())
        raster_.MakeOwnPixelsForOverwrite();
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<DevicePixel*>(raster_.MutableScanLine(y));
        std::fill(row + left, row + right, color);
    }
}

void TCanvas::PutText(int x, int y, std::string_view text)
{
    PlatformFont& font = RealisedFont();
    int width = 0;
    if (raster_.Empty()) {
        width = font.TextWidth(text);
    } else {
        raster_.SetPixelFormat(TPixelFormat::pfDevice);
        const DevicePixel background = ColorToPixel(brush_.Color());
        width = font.DrawText(raster_, x, y, text, ColorToPixel(font_.Color()),
                              brush_.Style() == bsSolid ? &background : nullptr);
    }
    penPos_ = {x + width, y};
}

int TCanvas::TextCellWidth(std::string_view text)
{
    return RealisedFont().TextWidth(text);
}

int TCanvas::TextCellHeight(std::string_view)
{
    return RealisedFont().CellHeight();
}

void TCanvas::DrawImage(int x, int y, TGraphic* picture)
{
    if (picture == nullptr || picture->Empty())
        return;
    picture->Draw(*this, {x, y, x + picture->Width(), y + picture->Height()});
}

void TCanvas::DrawRaster(const TRect& rect, const TBitmap& raster)
{
    if (raster.Empty() || rect.Width() <= 0 || rect.Height() <= 0 || raster_.Empty())
        return;
    raster_.SetPixelFormat(TPixelFormat::pfDevice);
    const int left = std::max(rect.Left, 0);
    const int right = std::min(rect.Right, raster_.Width());
    const int top = std::max(rect.Top, 0);
    const int bottom = std::min(rect.Bottom, raster_.Height());
    if (left >= right)
        return;
    if (rect.Width() == raster.Width() && rect.Height() == raster.Height()) {
        // Natural size: whole runs of each row, pixel for pixel.
        for (int y = top; y < bottom; ++y) {
            auto* row = reinterpret_cast<DevicePixel*>(raster_.MutableScanLine(y));
            raster.ReadPixels(left - rect.Left, y - rect.Top, right - left, row + left);
        }
        return;
    }
    // Another size: nearest-neighbour mapping.
    for (int y = top; y < bottom; ++y) {
        const int sourceY = int(std::int64_t(y - rect.Top) * raster.Height() / rect.Height());
        auto* row = reinterpret_cast<DevicePixel*>(raster_.MutableScanLine(y));
        for (int x = left; x < right; ++x) {
            const int sourceX = int(std::int64_t(x - rect.Left) * raster.Width() / rect.Width());
            row[x] = raster.PixelAt(sourceX, sourceY);
        }
    }
}

}  // namespace tessaro
