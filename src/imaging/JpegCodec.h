#pragma once
// Encoding a raster as JPEG and decoding JPEG bytes into a raster, with the
// library settings the program uses.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/TBitmap.h"

namespace tessaro {

// The largest decoded raster accepted, in bytes.
inline constexpr std::size_t kMaxDecodedBytes = std::size_t(256) << 20;

// Encodes a raster of nonzero size: baseline JFIF, 4:2:0 YCbCr, the library's
// standard tables scaled for quality, floating-point DCT. Raises EJPEG.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap& raster, int quality);

struct JpegSize {
    int Width = 0;
    int Height = 0;
};

// The picture size from the frame header. Raises EJPEG for bytes that are not
// a JPEG picture the library can read.
JpegSize ReadJpegSize(const std::vector<std::uint8_t>& bytes);

// Decodes at full size into a 24-bit raster, or into an 8-bit raster with a
// palette of at most 236 colours when indexed is asked for or the picture is
// grayscale. Four-component (CMYK, YCCK) pictures come out as 24-bit RGB.
// Raises EJPEG, with the library's out-of-memory code for a picture whose
// raster would exceed kMaxDecodedBytes.
std::unique_ptr<TBitmap> DecodeJpeg(const std::vector<std::uint8_t>& bytes, bool indexed);

}  // namespace tessaro
