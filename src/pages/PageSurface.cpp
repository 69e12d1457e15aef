#include "pages/PageSurface.h"

#include "imaging/TJPEGImage.h"

namespace tessaro {

void PreparePage(TImage& mainscreen, const TBitmap& templateBitmap, const std::string& backgroundPath, int width,
                 int height)
{
    AssignPicture(mainscreen.Picture(), templateBitmap);
    TCanvas& canvas = mainscreen.Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRectangle(TRect{0, 0, width, height});
    if (backgroundPath.empty())
        return;
    // Read and decoded anew for every page: the file may change between pages.
    TJPEGImage background;
    background.LoadJpeg(backgroundPath);
    canvas.DrawImage(0, 0, &background);
}

}  // namespace tessaro
