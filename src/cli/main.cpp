// tessaro-batch: the run of the window, from the first page to the last,
// without a window. Pages are laid out in order on the main thread and
// encoded on worker threads. Several books are made side by side, each laid
// out on a thread of its own.

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/BatchOptions.h"
#include "cli/ParallelSaver.h"
#include "cli/Progress.h"
#include "imaging/PlatformFont.h"
#include "imaging/TFont.h"
#include "imaging/TJPEGImage.h"
#include "novel/DeviceProfile.h"
#include "pack/BookPack.h"
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

// "tessaro-batch: BOOK: page N: message.", without the book when it is the
// only one and without the page when the failure is not a page's.
std::string FailureLine(const std::string& book, std::optional<int> pageNumber, const std::exception_ptr& error)
{
    std::string line = std::string(ProgramName) + ": ";
    if (!book.empty())
        line += book + ": ";
    if (pageNumber)
        line += "page " + std::to_string(*pageNumber) + ": ";
    return line + MessageOf(error) + "\n";
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

bool ProgressShown(const BatchOptions& options)
{
    return !options.Quiet && isatty(fileno(stderr));
}

// What a book tells while it is made.
class BookReport {
public:
    virtual ~BookReport() = default;
    virtual void Progressed(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes) = 0;
    virtual void Failed(std::optional<int> pageNumber, const std::exception_ptr& error) = 0;
    virtual void Made(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes) = 0;
    virtual void Warned(const std::string& line) = 0;
};

// Tells the warnings of the book the run has met since the last call:
// annotations that are not understood only when verbose.
void TellWarnings(const std::string& textFile, const BookRun& run, std::size_t& told, bool verbose,
                  BookReport& report)
{
    const std::vector<BookWarning>& warnings = run.Metadata().Warnings;
    for (; told < warnings.size(); ++told) {
        const BookWarning& warning = warnings[told];
        if (!warning.Notation || verbose)
            report.Warned(std::string(ProgramName) + ": " + textFile + ":" + std::to_string(warning.Line) + ": " +
                          warning.Text + "\n");
    }
}

// The only book of the run: its own bar, and its failure under the program's name.
class SoleBookReport : public BookReport {
public:
    explicit SoleBookReport(bool shown) : progress_(shown) {}
    void Progressed(std::size_t pages, std::size_t consumed, std::size_t total) override
    {
        progress_.Update(pages, consumed, total);
    }
    void Failed(std::optional<int> pageNumber, const std::exception_ptr& error) override
    {
        progress_.Interrupt();
        std::fputs(FailureLine("", pageNumber, error).c_str(), stderr);
    }
    void Made(std::size_t pages, std::size_t consumed, std::size_t total) override
    {
        progress_.Finish(pages, consumed, total);
    }
    void Warned(const std::string& line) override
    {
        progress_.Interrupt();
        std::fputs(line.c_str(), stderr);
    }

private:
    Progress progress_;
};

// One of several books: its share of the common bar, and its failure named.
class ShelvedBookReport : public BookReport {
public:
    ShelvedBookReport(ShelfProgress& shelf, std::size_t index, const std::string& label)
        : shelf_(shelf), index_(index), label_(label)
    {
    }
    void Progressed(std::size_t pages, std::size_t consumed, std::size_t total) override
    {
        pages_ = pages;
        shelf_.Update(index_, pages, consumed, total);
    }
    void Failed(std::optional<int> pageNumber, const std::exception_ptr& error) override
    {
        shelf_.Print(FailureLine(label_, pageNumber, error));
        shelf_.BookEnded(index_, pages_);
    }
    void Made(std::size_t pages, std::size_t, std::size_t) override { shelf_.BookEnded(index_, pages); }
    void Warned(const std::string& line) override { shelf_.Print(line); }

private:
    ShelfProgress& shelf_;
    std::size_t index_;
    const std::string& label_;
    std::size_t pages_ = 0;
};

// Makes one book: lays its pages out on the calling thread, encodes them on
// `encoders` threads (1: on the calling thread too) and writes them in order,
// into their files or the book's pack. Returns false when the book failed.
bool MakeBook(const BookPlan& book, RunSettings settings, unsigned encoders, bool verbose, BookReport& report)
{
    settings.TextFile = book.TextFile;
    std::unique_ptr<BookRun> started;
    std::unique_ptr<pack::BookPack> pack;
    try {
        started = StartRun(settings);
        if (book.Pack != pack::PackFormat::None)
            pack = pack::OpenPack(book.Pack, book.PackPath, pack::ModificationTime(book.TextFile));
    } catch (...) {
        report.Failed(std::nullopt, std::current_exception());
        return false;
    }
    BookRun& run = *started;
    // A folder that cannot be made fails the first page, which names it.
    if (book.OwnFolder)
        ::mkdir(book.Settings.OutputDirectory.c_str(), 0777);

    ParallelSaver saver(encoders > 1 ? encoders : 0, QueuedPagesPerJob * encoders, run.Encoder(),
                        pack ? pack::WriterInto(*pack) : PageWriter(WritePage));
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
            ended = run.Tick(book.Settings, submit);
            TellWarnings(book.TextFile, run, told, verbose, report);
            report.Progressed(saver.Written(), run.ConsumedBytes(), run.TextBytes());
        }
    } catch (const PageSaveError&) {
        // Finish raises it again, or an earlier page's failure.
    } catch (...) {
        layoutError = std::current_exception();
    }
    try {
        saver.Finish();
    } catch (const PageSaveError& failure) {
        report.Failed(failure.PageNumber(), failure.Error());
        return false;
    }
    if (layoutError) {
        report.Failed(layoutPage, layoutError);
        return false;
    }
    try {
        if (pack)
            pack->Finish(run.Metadata());
    } catch (...) {
        report.Failed(std::nullopt, std::current_exception());
        return false;
    }
    report.Made(saver.Written(), run.ConsumedBytes(), run.TextBytes());
    return true;
}

// Makes several books, as many at a time as there are jobs, up to the number
// of books; the jobs are shared out among the books made at once, as their
// encoding threads. Each thread takes the next book when it ends one.
bool MakeBooks(const std::vector<BookPlan>& books, const RunSettings& settings, const BatchOptions& options)
{
    const auto threads = static_cast<unsigned>(std::min<std::size_t>(options.Jobs, books.size()));
    const unsigned encoders = options.Jobs / threads;
    ShelfProgress shelf(ProgressShown(options), books.size());
    std::atomic<std::size_t> next = 0;
    std::atomic<bool> allMade = true;
    const auto makeEach = [&] {
        for (std::size_t index = next++; index < books.size(); index = next++) {
            ShelvedBookReport report(shelf, index, books[index].Label);
            try {
                if (!MakeBook(books[index], settings, encoders, options.Verbose, report))
                    allMade = false;
            } catch (...) {
                report.Failed(std::nullopt, std::current_exception());
                allMade = false;
            }
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i)
        helpers.emplace_back(makeEach);
    makeEach();
    for (std::thread& helper : helpers)
        helper.join();
    shelf.Finish();
    return allMade;
}

int RunBatch(const BatchOptions& options)
{
    StartUp(options);

    std::optional<TFont> chosenFont;
    if (options.Font.Any())
        chosenFont = BuildChosenFont(options.Font, AnsiCodePage());
    RunSettings settings;
    settings.Style = options.Style;
    settings.Encoding = options.Encoding;
    settings.ChosenFont = chosenFont ? &*chosenFont : nullptr;
    settings.Novel = options.Novel;

    const std::vector<BookPlan> books = PlanBooks(options);
    if (books.size() > 1)
        return MakeBooks(books, settings, options) ? 0 : ExitFailure;
    SoleBookReport report(ProgressShown(options));
    return MakeBook(books.front(), settings, options.Jobs, options.Verbose, report) ? 0 : ExitFailure;
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
        std::fputs(FailureLine("", std::nullopt, std::current_exception()).c_str(), stderr);
        return ExitFailure;
    }
}
