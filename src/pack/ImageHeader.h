#pragma once
// The size and type of an encoded page, read from its header, so that an
// archive describes each page as it is whatever made it.

#include <cstdint>
#include <string>
#include <vector>

namespace tessaro::pack {

struct ImageHeader {
    int Width = 0;
    int Height = 0;
    std::string MediaType;  // image/png or image/jpeg
    std::string Extension;  // .png or .jpg
};

// Reads a PNG's or a JPEG's header. Raises EInvalidGraphic for anything else.
ImageHeader ReadImageHeader(const std::vector<std::uint8_t>& bytes);

}  // namespace tessaro::pack
