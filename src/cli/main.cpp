// tessaro-batch: the run of the window, from the first page to the last,
// without a window. Pages are laid out in order on the main thread and
// encoded on worker threads.

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "cli/BatchOptions.h"
#include "cli/ParallelSaver.h"
#include "cli/Progress.h"
#include "imaging/PlatformFont.h"
#include "imaging/TFont.h"
#include "imaging/TJPEGImage.h"
#include "novel/DeviceProfile.h"
#include "run/BookRun.h"
#include "text/CodePageInfo.h"
#include "text/Exception.h"

namespace tessaro::cli {

namespace {

constexpr const char* ProgramName = "tessaro-batch";
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
// Pages waiting per encoding thread: enough to keep the threads busy while
// the memory held stays flat.
constexpr std::size_t QueuedPagesPerJob = 2;
// Decoded backgrounds keep their full colour, as on a true-colour screen.
constexpr int ScreenBitsPerPixel = 24;

std::string MessageOf(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return WithPeriod(e.Message());
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

void Report(std::optional<int> pageNumber, const std::exception_ptr& error)
{
    if (pageNumber)
        std::fprintf(stderr, "%s: page %d: %s\n", ProgramName, *pageNumber, MessageOf(error).c_str());
    else
        std::fprintf(stderr, "%s: %s\n", ProgramName, MessageOf(error).c_str());
}

// Tells the warnings of the book the run has met since the last call.
void TellWarnings(const BatchOptions& options, const BookRun& run, std::size_t& told, Progress& progress)
{
    const std::vector<BookWarning>& warnings = run.Metadata().Warnings;
    for (; told < warnings.size(); ++told) {
        const BookWarning& warning = warnings[told];
        if (warning.Notation && !options.Verbose)
            continue;
        progress.Interrupt();
        std::fprintf(stderr, "%s: %s:%d: %s\n", ProgramName, options.TextFile.c_str(), warning.Line,
                     warning.Text.c_str());
    }
}

void StartUp(const BatchOptions& options)
{
    if (options.Locale)
        InitCodePageInfo(*options.Locale);
    else
        InitCodePageInfo();
    InitScreenFont(options.PixelsPerInch);
    InitJPEGDefaults(ScreenBitsPerPixel);
    // Without the page fonts every page would come out in some other font.
    RequirePageFonts();
}

int RunBatch(const BatchOptions& options)
{
    StartUp(options);

    std::optional<TFont> chosenFont;
    if (options.Font.Any())
        chosenFont = BuildChosenFont(options.Font, AnsiCodePage());
    RunSettings settings;
    settings.Style = options.Style;
    settings.TextFile = options.TextFile;
    settings.Encoding = options.Encoding;
    settings.ChosenFont = chosenFont ? &*chosenFont : nullptr;
    settings.Novel = options.Novel;

    std::unique_ptr<BookRun> started;
    try {
        started = StartRun(settings);
    } catch (...) {
        Report(std::nullopt, std::current_exception());
        return ExitFailure;
    }
    BookRun& run = *started;

    Progress progress(!options.Quiet && isatty(fileno(stderr)));
    ParallelSaver saver(options.Jobs > 1 ? options.Jobs : 0, QueuedPagesPerJob * options.Jobs, run.Encoder());
    const PageSaver submit = [&](const std::string& path, const TBitmap& page) {
        saver.Submit(run.PageCounter(), path, page);
    };

    // A page that fails to lay out comes after every page already queued, so
    // a failed save among those is reported first, as one thread would have.
    std::exception_ptr layoutError;
    int layoutPage = 0;
    std::size_t told = 0;
    try {
        for (bool ended = false; !ended;) {
            layoutPage = run.PageCounter();
            ended = run.Tick(options.Settings, submit);
            TellWarnings(options, run, told, progress);
            progress.Update(saver.Written(), run.ConsumedBytes(), run.TextBytes());
        }
    } catch (const PageSaveError&) {
        // Finish raises it again, or an earlier page's failure.
    } catch (...) {
        layoutError = std::current_exception();
    }
    try {
        saver.Finish();
    } catch (const PageSaveError& failure) {
        progress.Interrupt();
        Report(failure.PageNumber(), failure.Error());
        return ExitFailure;
    }
    if (layoutError) {
        progress.Interrupt();
        Report(layoutPage, layoutError);
        return ExitFailure;
    }
    progress.Finish(saver.Written(), run.ConsumedBytes(), run.TextBytes());
    return 0;
}

}  // namespace

}  // namespace tessaro::cli

int main(int argc, char** argv)
{
    using namespace tessaro::cli;
    // Every page allocates and frees buffers of about half a megabyte (the
    // page raster, the decoded background, the encoded file). By default
    // glibc hands such blocks back to the system at once and faults them in
    // again for the next page; keeping them in the heap makes a page with a
    // background about a third cheaper.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    BatchOptions options;
    try {
        options = ParseBatchOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "%s: %s\n\n%s", ProgramName, e.what(), UsageText().c_str());
        return ExitUsage;
    }
    if (options.Help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.ListDevices) {
        std::fputs(tessaro::novel::DeviceTable().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("%s %s\n", ProgramName, TESSARO_VERSION);
        return 0;
    }
    try {
        return RunBatch(options);
    } catch (...) {
        Report(std::nullopt, std::current_exception());
        return ExitFailure;
    }
}
