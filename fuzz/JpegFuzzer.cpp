// Loads arbitrary bytes as a background JPEG, decodes them and draws the
// picture on a page, the road a background takes every page. Refusals are
// the program's exceptions; anything else (a crash, a sanitizer report, an
// exception of another kind, a picture of the wrong size) stops the run.

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "imaging/JpegCodec.h"
#include "imaging/TCanvas.h"
#include "imaging/TImage.h"
#include "imaging/TJPEGImage.h"
#include "text/Exception.h"

namespace {

using tessaro::fuzz::Require;

// Pictures above this many pixels whose raster would still be accepted are
// only loaded: decoding them is correct but slow, and would starve the search.
// Pictures too large to be accepted are decoded, to check they are refused
// before anything big is made.
constexpr std::uint64_t kLargestDecodedPixels = std::uint64_t(1) << 18;

bool WorthDecoding(int width, int height)
{
    const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
    return pixels <= kLargestDecodedPixels || pixels * 3 > tessaro::kMaxDecodedBytes;
}

void DrawOnAPage(tessaro::TJPEGImage& picture)
{
    // Made white once; each page shares it until the picture is drawn.
    static const tessaro::TBitmap blank = [] {
        tessaro::TBitmap page;
        page.SetWidth(240);
        page.SetHeight(320);
        return page;
    }();
    tessaro::TImage mainscreen;
    tessaro::AssignPicture(mainscreen.Picture(), blank);
    mainscreen.Canvas().DrawImage(0, 0, &picture);
}

void LoadDecodeAndDraw(const std::string& path, bool indexed)
{
    tessaro::TJPEGImage picture;
    picture.SetPixelFormat(indexed ? tessaro::TJPEGPixelFormat::jf8Bit : tessaro::TJPEGPixelFormat::jf24Bit);
    picture.LoadJpeg(path);
    Require(!picture.Empty(), "a loaded picture counts as empty");
    const int width = picture.Width();
    const int height = picture.Height();
    Require(width >= 0 && height >= 0, "a negative size from the header");
    if (!WorthDecoding(width, height))
        return;

    const tessaro::TBitmap& bitmap = picture.DecodedBitmap();
    Require(bitmap.Width() == width && bitmap.Height() == height, "the decoded picture is not the header's size");
    Require(&picture.DecodedBitmap() == &bitmap, "a second request decoded again");
    if (bitmap.PixelFormat() == tessaro::TPixelFormat::pf8bit)
        Require(!bitmap.Palette().empty() && bitmap.Palette().size() <= 236, "an 8-bit picture without a fitting palette");
    else
        Require(bitmap.PixelFormat() == tessaro::TPixelFormat::pf24bit, "a decoded picture in an unexpected form");
    DrawOnAPage(picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tessaro::fuzz::ScratchFile file("jpeg");
    file.Write(data, size);
    // Both pixel depths: the 24-bit road and the quantizing one with a palette.
    for (const bool indexed : {false, true}) {
        try {
            LoadDecodeAndDraw(file.Path(), indexed);
        } catch (const tessaro::Exception&) {
            // A refusal with the program's message is the right answer to bad bytes.
        }
    }
    return 0;
}
