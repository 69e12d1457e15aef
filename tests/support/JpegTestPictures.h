#pragma once
// JPEG pictures made straight through the library from known samples, so that
// they do not depend on our encoder, and ways of damaging them.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "imaging/TBitmap.h"

namespace tessaro::test {

struct Rgb {
    int Red = 0, Green = 0, Blue = 0;
};
inline std::ostream& operator<<(std::ostream& out, Rgb c)
{
    return out << "rgb(" << c.Red << ", " << c.Green << ", " << c.Blue << ")";
}
inline constexpr Rgb kWhite{255, 255, 255}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};
Rgb PixelColour(std::uint32_t pixel);
bool Near(Rgb a, Rgb b, int tolerance);
// A display-form raster of one colour.
TBitmap MakeRaster(int width, int height, Rgb colour);

// Gray pictures keep the green channel; CMYK and YCCK are stored inverted
// with an Adobe marker, as Photoshop writes them.
enum class JpegKind { Color, Gray, Progressive, Arithmetic, Cmyk, Ycck };
std::string MakeJpeg(int width, int height, JpegKind kind, const std::function<Rgb(int, int)>& paint);
std::string MakeFlatJpeg(int width, int height, Rgb colour);

// The file with a frame header declaring another precision and size.
std::string WithFrame(std::string jpeg, int precision, int width, int height);
// The file cut two thirds of the way into the coded data of its first scan.
std::string CutInTheFirstScan(const std::string& jpeg);
// A progressive file with its first scan alone, repeated count times.
std::string RepeatFirstScan(const std::string& jpeg, int count);

}  // namespace tessaro::test
