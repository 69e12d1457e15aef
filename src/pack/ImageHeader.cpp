#include "pack/ImageHeader.h"

#include <cstring>

#include "text/Exception.h"

namespace tessaro::pack {

namespace {

constexpr unsigned char PngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// The signature, the IHDR chunk's length and type, then its width and height.
constexpr std::size_t PngSizeAt = 16;
constexpr unsigned char JpegMarker = 0xFF;
constexpr unsigned char JpegStart = 0xD8;

std::uint32_t BigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[at + i];
    return value;
}

// Start-of-frame markers carry the picture's size: C0 to CF but for DHT (C4),
// JPG (C8) and DAC (CC).
bool IsStartOfFrame(unsigned char marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers without a length: TEM and the restart markers.
bool StandsAlone(unsigned char marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

ImageHeader JpegHeader(const std::vector<std::uint8_t>& bytes)
{
    std::size_t at = 2;
    while (at + 1 < bytes.size() && bytes[at] == JpegMarker) {
        const unsigned char marker = bytes[at + 1];
        at += 2;
        if (marker == JpegMarker) {
            --at;  // a fill byte before the marker
            continue;
        }
        if (StandsAlone(marker))
            continue;
        if (at + 2 > bytes.size())
            break;
        if (IsStartOfFrame(marker) && at + 7 <= bytes.size())
            return {int(BigEndian(bytes, at + 5, 2)), int(BigEndian(bytes, at + 3, 2)), "image/jpeg", ".jpg"};
        at += BigEndian(bytes, at, 2);
    }
    throw EInvalidGraphic("JPEG の大きさが読めません");
}

}  // namespace

ImageHeader ReadImageHeader(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() >= PngSizeAt + 8 && std::memcmp(bytes.data(), PngSignature, sizeof PngSignature) == 0)
        return {int(BigEndian(bytes, PngSizeAt, 4)), int(BigEndian(bytes, PngSizeAt + 4, 4)), "image/png", ".png"};
    if (bytes.size() >= 2 && bytes[0] == JpegMarker && bytes[1] == JpegStart)
        return JpegHeader(bytes);
    throw EInvalidGraphic("ページの画像の形式が分かりません");
}

}  // namespace tessaro::pack
