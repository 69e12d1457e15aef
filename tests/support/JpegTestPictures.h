#pragma once
// JPEG pictures made straight through the library from known samples (so they
// do not depend on our encoder), ways of damaging them, and a reader for the
// marker segments of a file.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "imaging/TBitmap.h"

namespace tessaro::test {

struct Rgb {
    int Red = 0, Green = 0, Blue = 0;
};
std::ostream& operator<<(std::ostream& out, Rgb colour);
inline constexpr Rgb kWhite{255, 255, 255}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};

// Gray pictures keep the green channel; CMYK and YCCK are stored inverted
// with an Adobe marker, as Photoshop writes them.
enum class JpegKind { Color, Gray, Progressive, Arithmetic, Cmyk, Ycck };
std::string MakeJpeg(int width, int height, JpegKind kind, const std::function<Rgb(int, int)>& paint);
std::string MakeFlatJpeg(int width, int height, Rgb colour, JpegKind kind = JpegKind::Color);

// The segments up to the first scan: where each starts, its marker's second
// byte, its payload without the length field.
struct JpegSegment {
    std::size_t Offset = 0;
    int Marker = 0;
    std::string Payload;
};
std::vector<JpegSegment> ReadSegments(const std::string& jpeg);
// The file with a frame header declaring another precision and size.
std::string WithFrame(std::string jpeg, int precision, int width, int height);
// The file cut two thirds of the way into the coded data of its first scan.
std::string CutInTheFirstScan(const std::string& jpeg);
// A progressive file with its first scan alone, repeated count times.
std::string RepeatFirstScan(const std::string& jpeg, int count);

Rgb PixelColour(std::uint32_t pixel);
bool Near(Rgb a, Rgb b, int tolerance = 12);
// A display-form raster of one colour.
TBitmap MakeRaster(int width, int height, Rgb colour);

}  // namespace tessaro::test
