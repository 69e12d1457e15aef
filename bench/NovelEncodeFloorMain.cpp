// The floor the novel style is measured against: only encoding the pages a
// run made, with the encoder the run uses. Each PNG page in the input folder
// is read back into an 8-bit gray raster of the run's form (palette index =
// gray, each level at its own gray), then encoded by EncodePng with the same
// number of grays and written into the output folder. Only encoding and
// writing are timed, on one thread. Every page must come out byte for byte as
// the run wrote it, or the floor would be measuring other work.
//
// Usage: NovelEncodeFloor GRAYS INDIR OUTDIR
// Prints the pages, the seconds taken and the processor seconds, which other
// load on the machine changes less.

#include <png.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/PngCodec.h"
#include "imaging/TBitmap.h"
#include "novel/PageRenderer.h"
#include "text/FileIO.h"

namespace {

using namespace tessaro;
using Clock = std::chrono::steady_clock;

double ProcessorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

[[noreturn]] void Die(const std::string& message)
{
    std::fprintf(stderr, "NovelEncodeFloor: %s\n", message.c_str());
    std::exit(1);
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Decodes a gray PNG into raster, made to its size on the first page. The
// reader widens 1, 2 and 4-bit levels to 8 bits by repeating their bits,
// which puts each level at a gray that EncodePng maps back to that level.
void Decode(const std::vector<std::uint8_t>& file, TBitmap& raster)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        Die(std::string("cannot read a page: ") + image.message);
    image.format = PNG_FORMAT_GRAY;
    if (raster.Empty())
        raster = novel::BlankPage(int(image.width), int(image.height), true);
    if (raster.Width() != int(image.width) || raster.Height() != int(image.height))
        Die("the pages differ in size");
    std::vector<std::uint8_t> grays(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, grays.data(), 0, nullptr))
        Die(std::string("cannot read a page: ") + image.message);
    for (int y = 0; y < raster.Height(); ++y)
        std::copy_n(grays.data() + std::size_t(y) * image.width, image.width, raster.MutableScanLine(y));
}

std::vector<std::filesystem::path> PagesIn(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> pages;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".png")
            pages.push_back(entry.path());
    std::sort(pages.begin(), pages.end());
    return pages;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        Die("usage: NovelEncodeFloor GRAYS INDIR OUTDIR");
    const int grays = std::atoi(argv[1]);
    const std::filesystem::path output = argv[3];
    TBitmap raster;
    Clock::duration spent{};
    double processor = 0;
    std::size_t count = 0;
    for (const std::filesystem::path& page : PagesIn(argv[2])) {
        const std::vector<std::uint8_t> original = ReadBytes(page);
        Decode(original, raster);
        const Clock::time_point start = Clock::now();
        const double processorStart = ProcessorSeconds();
        const std::vector<std::uint8_t> encoded = EncodePng(raster, grays);
        WriteWholeFile((output / page.filename()).string(), encoded.data(), encoded.size());
        processor += ProcessorSeconds() - processorStart;
        spent += Clock::now() - start;
        if (encoded != original)
            Die("page " + page.filename().string() + " encodes to other bytes than the run's");
        ++count;
    }
    std::printf("pages %zu seconds %.3f processor %.3f\n", count, std::chrono::duration<double>(spent).count(),
                processor);
    return 0;
}
