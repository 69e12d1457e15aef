#pragma once
// Colours: 0x00BBGGRR for RGB values, or a system colour with the top bit set.

#include <cstdint>

namespace tessaro {

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);

// A pixel of a display-format raster: memory order blue, green, red, unused
// (0xFFRRGGBB read as a little-endian 32-bit word).
using DevicePixel = std::uint32_t;

// The RGB value (0x00BBGGRR) of a colour, system colours resolved.
std::uint32_t ColorToRGB(TColor color);

// The display pixel of a colour.
DevicePixel ColorToPixel(TColor color);

inline constexpr DevicePixel MakePixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return 0xFF000000u | (std::uint32_t(red) << 16) | (std::uint32_t(green) << 8) | blue;
}
inline constexpr std::uint8_t PixelRed(DevicePixel p) { return std::uint8_t(p >> 16); }
inline constexpr std::uint8_t PixelGreen(DevicePixel p) { return std::uint8_t(p >> 8); }
inline constexpr std::uint8_t PixelBlue(DevicePixel p) { return std::uint8_t(p); }

}  // namespace tessaro
