// Lays a whole generated Shift_JIS text onto 480x272 pages, for a 1 MB and an
// 8 MB text, and prints the ratio of their per-page costs: laying out a page
// must cost the same however much text is still to come.

#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <map>
#include <string>

#include "imaging/TImage.h"
#include "imaging/TFont.h"
#include "pages/TextFlow.h"
#include "text/CodePageInfo.h"

namespace {

using namespace tessaro;

// Shift_JIS text with lines of varying length: kanji, kana, ASCII words.
std::string GenerateText(std::size_t bytes)
{
    static const char* pieces[] = {"\x88\x9f", "\x82\xa0", "\x83\x41", "The ", "quick ", "\x8a\xbf\x8e\x9a", "\x81\x42"};
    std::string text;
    text.reserve(bytes + 256);
    unsigned seed = 12345;
    while (text.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        const int lineLength = 10 + int((seed >> 16) % 90);
        for (int i = 0; i < lineLength; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % 7];
        }
        text += "\r\n";
    }
    return text;
}

std::map<int, double> secondsPerPage;

// CPU time of this thread: steadier than wall time on a shared machine.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

void BM_FlowWholeText(benchmark::State& state)
{
    InitCodePageInfo("ja_JP.UTF-8");
    InitScreenFont(96);
    const int megabytes = static_cast<int>(state.range(0));
    const std::string text = GenerateText(std::size_t(megabytes) << 20);
    TBitmap blank;
    blank.SetWidth(480);
    blank.SetHeight(272);
    TImage mainscreen;
    mainscreen.SetWidth(480);
    mainscreen.SetHeight(272);
    std::int64_t pages = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        std::string_view remaining = text;
        int pageNumber = 1;
        do {
            AssignPicture(mainscreen.Picture(), blank);
            TCanvas& canvas = mainscreen.Canvas();
            canvas.Brush().SetColor(clWhite);
            canvas.FillRectangle({0, 0, 480, 272});
            FlowPageText(mainscreen, remaining, pageNumber++, nullptr);
        } while (!remaining.empty());
        seconds += ThreadSeconds() - start;
        pages += pageNumber - 1;
    }
    state.counters["pages"] = benchmark::Counter(double(pages) / double(state.iterations()));
    state.counters["pages_per_second"] = benchmark::Counter(double(pages), benchmark::Counter::kIsRate);
    state.counters["cpu_us_per_page"] = benchmark::Counter(1e6 * seconds / double(pages));
    // The best of the repetitions: the least disturbed by other work.
    const double perPage = seconds / double(pages);
    auto [entry, inserted] = secondsPerPage.emplace(megabytes, perPage);
    if (!inserted && perPage < entry->second)
        entry->second = perPage;
}

BENCHMARK(BM_FlowWholeText)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)
    ->ReportAggregatesOnly(false);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (secondsPerPage.count(1) && secondsPerPage.count(8)) {
        const double ratio = secondsPerPage[8] / secondsPerPage[1];
        std::printf("per-page cost, 8 MB over 1 MB: %.3f (must stay under 1.2)\n", ratio);
        return ratio < 1.2 ? 0 : 1;
    }
    return 0;
}
