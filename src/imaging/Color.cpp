#include "imaging/Color.h"

namespace tessaro {

namespace {

// The fixed values of the system colours this program uses; every other
// system colour resolves as the window background (white).
std::uint32_t SystemColorRGB(int index)
{
    switch (index) {
    case 8:  // window text
        return 0x000000;
    case 15:  // button face
        return 0xF0F0F0;
    default:
        return 0xFFFFFF;
    }
}

}  // namespace

std::uint32_t ColorToRGB(TColor color)
{
    if (color < 0)
        return SystemColorRGB(color & 0xFF);
    return static_cast<std::uint32_t>(color) & 0xFFFFFF;
}

DevicePixel ColorToPixel(TColor color)
{
    const std::uint32_t rgb = ColorToRGB(color);
    return MakePixel(std::uint8_t(rgb), std::uint8_t(rgb >> 8), std::uint8_t(rgb >> 16));
}

}  // namespace tessaro
