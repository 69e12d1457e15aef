#pragma once
// JPEG pictures made by the tests themselves, an independent decoder that
// checks what our encoder wrote, and a reader for the marker segments of a file.

#include <cstddef>
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

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kYellow{255, 255, 0};

enum class JpegKind { Color, Gray, Progressive, Arithmetic, Cmyk, Ycck };

// A picture whose pixel (x, y) has the colour given by paint. Gray pictures
// keep the green channel; CMYK and YCCK pictures are stored inverted with an
// Adobe marker, as Photoshop writes them.
std::string MakeJpeg(int width, int height, JpegKind kind, const std::function<Rgb(int, int)>& paint);

// A picture of one colour.
std::string MakeFlatJpeg(int width, int height, Rgb colour, JpegKind kind = JpegKind::Color);

// Decodes with bare library calls into red, green, blue samples.
struct RgbPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Samples;
    Rgb At(int x, int y) const;
};
RgbPicture DecodeWithLibrary(const std::string& jpeg);

// The marker segments of a file up to the first scan: where the marker
// starts, its second byte and its payload (without the length field).
struct JpegSegment {
    std::size_t Offset = 0;
    int Marker = 0;
    std::string Payload;
};
std::vector<JpegSegment> ReadSegments(const std::string& jpeg);

// The file with its frame header rewritten to declare another sample
// precision and size, for pictures the encoder will not make.
std::string WithFrame(std::string jpeg, int precision, int width, int height);

// The colour of a display pixel.
Rgb PixelColour(std::uint32_t pixel);
// True when both colours are within tolerance in every channel.
bool Near(Rgb a, Rgb b, int tolerance = 12);

// A raster of the display form filled with one colour.
TBitmap MakeRaster(int width, int height, Rgb colour);

}  // namespace tessaro::test
