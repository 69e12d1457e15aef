#pragma once
// The preview image "mainscreen": a control size and a picture that owns at
// most one graphic. The page being produced is the raster its picture holds.

#include <memory>

#include "imaging/TBitmap.h"
#include "imaging/TCanvas.h"

namespace tessaro {

class TPicture {
public:
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }

private:
    std::unique_ptr<TGraphic> graphic_;
};

// Puts a new raster that shares the given raster's pixels into the picture,
// destroying the previous graphic with its canvas, font and brush.
void AssignPicture(TPicture& picture, const TBitmap& raster);

class TImage {
public:
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int width) { width_ = width; }
    void SetHeight(int height) { height_ = height; }
    TPicture& Picture() { return picture_; }
    // The raster the picture holds, or null when it holds none.
    const TBitmap* Bitmap() const;
    // The canvas of the picture's raster; a raster of the image's size is made
    // first when the picture holds nothing. Raises EInvalidOperation when the
    // picture holds something that cannot be drawn on.
    TCanvas& Canvas();

private:
    int width_ = 0;
    int height_ = 0;
    TPicture picture_;
};

}  // namespace tessaro
