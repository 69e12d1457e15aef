#pragma once
// Encoding a raster as PNG: gray with few levels for e-ink screens, or RGB.

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Color.h"
#include "imaging/TBitmap.h"

namespace tessaro {

// The gray of a colour: its Rec. 601 luma (0.299 red, 0.587 green, 0.114
// blue), the weighting JPEG uses too. A gray colour keeps its value.
std::uint8_t GrayOf(DevicePixel pixel);

// The level of a gray value on a screen of the given number of grays:
// round(gray * (grayLevels - 1) / 255), the nearest level, never dithered.
std::uint8_t GrayLevel(std::uint8_t gray, int grayLevels);

// Encodes a raster of nonzero size in any pixel form. grayLevels 2, 4, 16 or
// 256 gives a gray PNG of bit depth 1, 2, 4 or 8 holding each pixel's
// GrayLevel(GrayOf(pixel)); 0 gives an 8-bit RGB PNG of the raster's colours.
// Raises EPNG for an empty raster, another number of levels, or a failure of
// the library.
std::vector<std::uint8_t> EncodePng(const TBitmap& raster, int grayLevels);

// Encodes the raster and replaces the file at path by it (see WriteWholeFile):
// a failure to encode leaves the file as it was.
void SavePng(const std::string& path, const TBitmap& raster, int grayLevels);

}  // namespace tessaro
