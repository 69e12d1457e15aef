// Encoding one laid-out page through TJPEGImage against bare library calls
// with the same settings. The image adds the 24-bit copy of the page and its
// error bridge; it should stay within 10% of the bare library's page rate.

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include "imaging/Color.h"
#include "imaging/TJPEGImage.h"

namespace {

using tessaro::TBitmap;

constexpr int kWidth = 480;
constexpr int kHeight = 272;
constexpr int kQuality = 80;

// White with rows of black strokes the size of 12-pixel characters.
TBitmap MakeLaidOutPage()
{
    TBitmap page;
    page.SetWidth(kWidth);
    page.SetHeight(kHeight);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<tessaro::DevicePixel*>(page.MutableScanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int line = y % 14, cell = x % 12;
            const bool ink = y >= 14 && line < 12 && cell < 11 && ((x / 12 * 7 + y / 14 * 3) % 11 != 0) &&
                             ((line * 5 + cell * 3 + x / 12) % 7 < 2 || cell == 5 || line == 6);
            row[x] = ink ? tessaro::MakePixel(0, 0, 0) : tessaro::MakePixel(255, 255, 255);
        }
    }
    return page;
}

const TBitmap& Page()
{
    static const TBitmap page = MakeLaidOutPage();
    return page;
}

// The page in the 24-bit form, made once: the bare encoder gets it for free.
const TBitmap& Page24()
{
    static const TBitmap page = [] {
        TBitmap copy(Page());
        copy.SetPixelFormat(tessaro::TPixelFormat::pf24bit);
        return copy;
    }();
    return page;
}

void EncodeWithImage(benchmark::State& state)
{
    for (auto _ : state) {
        tessaro::TJPEGImage image;
        image.AssignBitmap(Page());
        image.SetQuality(kQuality);
        benchmark::DoNotOptimize(image.EncodedBytes().data());
    }
    state.counters["pages/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void EncodeWithBareLibrary(benchmark::State& state)
{
    const TBitmap& page = Page24();
    for (auto _ : state) {
        jpeg_compress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = kWidth;
        info.image_height = kHeight;
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        info.dct_method = JDCT_FLOAT;
        jpeg_set_quality(&info, kQuality, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(page.ScanLine(int(info.next_scanline)));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
    }
    state.counters["pages/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(EncodeWithImage)->MinTime(2.0);
BENCHMARK(EncodeWithBareLibrary)->MinTime(2.0);

// Collects each benchmark's page rate so the ratio can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const double rate = run.counters.at("pages/s");
            if (run.benchmark_name().rfind("EncodeWithImage", 0) == 0)
                ours_ = rate;
            else if (run.benchmark_name().rfind("EncodeWithBareLibrary", 0) == 0)
                bare_ = rate;
        }
    }
    double Ours() const { return ours_; }
    double Bare() const { return bare_; }

private:
    double ours_ = 0;
    double bare_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (reporter.Ours() > 0 && reporter.Bare() > 0)
        std::printf("pages/s ratio (TJPEGImage / bare libjpeg): %.3f\n", reporter.Ours() / reporter.Bare());
    return 0;
}
