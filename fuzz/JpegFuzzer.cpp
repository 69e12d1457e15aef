// Loads arbitrary bytes as a background JPEG, decodes them and draws the
// picture on a page, the road a background takes every page, at both pixel
// depths. Refusals are the program's exceptions; anything else (a crash, a
// sanitizer report, another exception, a picture of the wrong size) stops the run.

#include "fuzz/FuzzSupport.h"
#include "imaging/JpegCodec.h"
#include "imaging/TCanvas.h"
#include "imaging/TJPEGImage.h"
#include "text/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tessaro;
    using fuzz::Require;
    const std::string path = test::MemoryFile({reinterpret_cast<const char*>(data), size});
    for (const auto depth : {TJPEGPixelFormat::jf24Bit, TJPEGPixelFormat::jf8Bit}) {
        try {
            TJPEGImage picture;
            picture.SetPixelFormat(depth);
            picture.LoadJpeg(path);
            Require(!picture.Empty() && picture.Width() >= 0 && picture.Height() >= 0, "an empty or negative picture");
            // Pictures of more than 2^18 pixels that would be accepted are only loaded: decoding them is right
            // but slow and would starve the search. Larger ones must be refused before anything big is made.
            const std::uint64_t pixels = std::uint64_t(picture.Width()) * std::uint64_t(picture.Height());
            if (pixels > (1u << 18) && pixels * 3 <= kMaxDecodedBytes)
                continue;
            const TBitmap& bitmap = picture.DecodedBitmap();
            Require(bitmap.Width() == picture.Width() && bitmap.Height() == picture.Height(), "not the header's size");
            Require(&picture.DecodedBitmap() == &bitmap, "a second request decoded again");
            if (bitmap.PixelFormat() == TPixelFormat::pf8bit)
                Require(!bitmap.Palette().empty() && bitmap.Palette().size() <= 236, "an 8-bit picture without a palette");
            else
                Require(bitmap.PixelFormat() == TPixelFormat::pf24bit, "a decoded picture in an unexpected form");
            TBitmap page;
            page.SetWidth(240);
            page.SetHeight(320);
            page.Canvas().DrawImage(0, 0, &picture);
        } catch (const Exception&) {
            // A refusal with the program's message is the right answer to bad bytes.
        }
    }
    return 0;
}
