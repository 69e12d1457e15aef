#include "imaging/TImage.h"

#include "text/Exception.h"

namespace tessaro {

void AssignPicture(TPicture& picture, const TBitmap& raster)
{
    picture.SetGraphic(std::make_unique<TBitmap>(raster));
}

const TBitmap* TImage::Bitmap() const
{
    return dynamic_cast<const TBitmap*>(picture_.Graphic());
}

TCanvas& TImage::Canvas()
{
    if (picture_.Graphic() == nullptr) {
        TBitmap raster;
        raster.SetWidth(width_);
        raster.SetHeight(height_);
        AssignPicture(picture_, raster);
    }
    auto* bitmap = dynamic_cast<TBitmap*>(picture_.Graphic());
    if (bitmap == nullptr)
        throw EInvalidOperation("Canvas に対する描画ができません");
    return bitmap->Canvas();
}

}  // namespace tessaro
