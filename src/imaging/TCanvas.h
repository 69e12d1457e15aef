#pragma once
// Drawing on a raster with a font and a brush.

#include <memory>
#include <string_view>

#include "imaging/TBrush.h"
#include "imaging/TFont.h"
#include "imaging/TGraphic.h"

namespace tessaro {

class TBitmap;
class PlatformFont;

struct TPoint {
    int X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};

class TCanvas {
public:
    explicit TCanvas(TBitmap& raster);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    ~TCanvas();

    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }
    TPoint PenPos() const { return penPos_; }
    // Reads text in this code page (65001 for UTF-8) instead of the one of the
    // font's character set; 0 goes back to the character set's.
    void SetCodePage(int codePage) { codePage_ = codePage; realised_ = nullptr; }

    // Fills left/top inclusive, right/bottom exclusive; a clear brush paints nothing.
    void FillRectangle(const TRect& rect);
    // Draws text with the top-left corner of its cell at (x, y), then moves the
    // pen to (x + TextCellWidth(text), y).
    void PutText(int x, int y, std::string_view text);
    // Sum of the characters' whole-pixel advances.
    int TextCellWidth(std::string_view text);
    // Ascent plus descent of the current font, the same for every text.
    int TextCellHeight(std::string_view text);
    // Draws a picture at its natural size; nothing for an absent or empty one.
    void DrawImage(int x, int y, TGraphic* picture);
    // Copies a whole raster into a rectangle, cut at the canvas's edges.
    void DrawRaster(const TRect& rect, const TBitmap& raster);

private:
    PlatformFont& RealisedFont();

    TBitmap& raster_;
    TFont font_;
    TBrush brush_;
    TPoint penPos_;
    int codePage_ = 0;
    PlatformFont* realised_ = nullptr;
    unsigned realisedGeneration_ = 0;
};

}  // namespace tessaro
