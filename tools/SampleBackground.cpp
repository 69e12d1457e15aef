// Writes the sample background: a pale paper tone with soft diagonal waves and
// a faint darkening towards the edges, light enough for black text on top.
// 480x320, so that it covers a PSP page (480x272) and a QVGA page (240x320).
//
// Usage: tessaro-sample-background OUTPUT.jpg

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "imaging/Color.h"
#include "imaging/TBitmap.h"
#include "imaging/TJPEGImage.h"
#include "text/Exception.h"

namespace {

constexpr int Width = 480;
constexpr int Height = 320;
constexpr int Quality = 90;

std::uint8_t Channel(double value)
{
    return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, value))));
}

tessaro::DevicePixel PaperAt(int x, int y)
{
    const double pi = 3.14159265358979323846;
    // Waves running across the page diagonally, a few pixels of tone deep.
    const double wave = std::sin((x + 0.6 * y) * 2 * pi / 96.0) * std::sin((x - 0.4 * y) * 2 * pi / 160.0);
    // Distance from the centre, 0 in the middle and about 1 in the corners.
    const double dx = (x - Width / 2.0) / (Width / 2.0);
    const double dy = (y - Height / 2.0) / (Height / 2.0);
    const double edge = (dx * dx + dy * dy) / 2.0;
    const double tone = 6.0 * wave - 14.0 * edge;
    return tessaro::MakePixel(Channel(250 + tone), Channel(244 + tone), Channel(228 + 1.4 * tone));
}

tessaro::TBitmap Paper()
{
    tessaro::TBitmap paper;
    paper.SetWidth(Width);
    paper.SetHeight(Height);
    for (int y = 0; y < Height; ++y) {
        std::uint8_t* row = paper.MutableScanLine(y);
        for (int x = 0; x < Width; ++x) {
            const tessaro::DevicePixel pixel = PaperAt(x, y);
            row[4 * x] = tessaro::PixelBlue(pixel);
            row[4 * x + 1] = tessaro::PixelGreen(pixel);
            row[4 * x + 2] = tessaro::PixelRed(pixel);
            row[4 * x + 3] = 0xFF;
        }
    }
    return paper;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
        return 2;
    }
    try {
        tessaro::InitJPEGDefaults(24);
        tessaro::TJPEGImage jpeg;
        jpeg.AssignBitmap(Paper());
        jpeg.SetQuality(Quality);
        jpeg.SaveJpeg(argv[1]);
    } catch (const tessaro::Exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.Message().c_str());
        return 1;
    }
    return 0;
}
