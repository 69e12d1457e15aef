#pragma once
// Pictures a book places on its pages: PNG or JPEG files decoded into a
// display raster, and rasters scaled to the size they are shown at.

#include <memory>
#include <string>

#include "imaging/TBitmap.h"

namespace tessaro {

// Decodes a PNG or JPEG file (told apart by their first bytes) into a display
// raster. Raises EFOpenError when the file cannot be read, EJPEG or EPNG when
// it is not a picture the decoders accept, or is larger than they allow.
std::unique_ptr<TBitmap> DecodePicture(const std::string& path);

// A display raster of the given size showing source scaled: each pixel the
// average of the source pixels under it.
TBitmap ScaledRaster(const TBitmap& source, int width, int height);

}  // namespace tessaro
