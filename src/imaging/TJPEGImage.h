#pragma once
// The JPEG picture: encoded bytes plus a bitmap. Pages are handed in as a
// raster and saved as JPEG files; backgrounds are loaded from JPEG files and
// decoded once into a bitmap for drawing.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/TBitmap.h"

namespace tessaro {

enum class TJPEGPixelFormat { jf24Bit, jf8Bit };

// Process-wide defaults every new image copies; written once at start-up.
struct TJPEGDefaults {
    int CompressionQuality = 90;
    TJPEGPixelFormat PixelFormat = TJPEGPixelFormat::jf24Bit;
};
const TJPEGDefaults& JPEGDefaults();
// Start-up: 8-bit decoding only where the screen has 8 bits per pixel or fewer.
void InitJPEGDefaults(int screenBitsPerPixel);

// The encoded form of a picture.
struct TJPEGData {
    std::vector<std::uint8_t> Data;
    bool HasData = false;  // false until encoded or loaded (zero bytes still count)
    int Width = 0;
    int Height = 0;
};

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    // Holds a copy of the raster (sharing its pixels); drops any encoded bytes.
    void AssignBitmap(const TBitmap& source);
    int Quality() const { return quality_; }
    void SetQuality(int quality) { quality_ = quality; }
    TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TJPEGPixelFormat format) { pixelFormat_ = format; }

    // Encodes the bitmap if no encoded bytes are held yet, then writes the
    // bytes to a file created (or truncated) only once encoding succeeded.
    void SaveJpeg(const std::string& path);
    // The encoded bytes, encoding first when none are held.
    const std::vector<std::uint8_t>& EncodedBytes();

    // Reads a JPEG file whole and takes its size from the header.
    void LoadJpeg(const std::string& path);
    // The bitmap, decoding the encoded bytes first when there is none.
    const TBitmap& DecodedBitmap();

    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    // A JPEG image cannot be resized: both raise EInvalidGraphicOperation.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;

private:
    void EncodeBitmap();

    std::unique_ptr<TJPEGData> data_;
    std::unique_ptr<TBitmap> bitmap_;
    TJPEGPixelFormat pixelFormat_;
    int quality_;
};

}  // namespace tessaro
