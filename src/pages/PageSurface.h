#pragma once
// A clean surface for each page: a fresh white raster with the background drawn
// over it.

#include <string>

#include "imaging/TBitmap.h"
#include "imaging/TImage.h"

namespace tessaro {

// Puts a copy of the template into mainscreen, fills it white and draws the
// background JPEG (if a path is given) at its natural size from (0, 0).
void PreparePage(TImage& mainscreen, const TBitmap& templateBitmap, const std::string& backgroundPath, int width,
                 int height);

}  // namespace tessaro
