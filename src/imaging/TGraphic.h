#pragma once
// A picture that a canvas can draw: a raster (TBitmap) or a JPEG image.

namespace tessaro {

class TCanvas;

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    // Draws the picture into a rectangle of the canvas.
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;

protected:
    TGraphic() = default;
    TGraphic(const TGraphic&) = default;
    TGraphic& operator=(const TGraphic&) = default;
};

}  // namespace tessaro
