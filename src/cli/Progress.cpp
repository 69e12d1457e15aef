#include "cli/Progress.h"

namespace tessaro::cli {

namespace {

constexpr int BarWidth = 30;
constexpr auto RedrawInterval = std::chrono::milliseconds(100);

}  // namespace

std::string ProgressLine(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes,
                         double seconds)
{
    // An empty text is used up by its single page.
    const double share = textBytes == 0 ? 1.0 : double(consumedBytes) / double(textBytes);
    const int filled = static_cast<int>(share * BarWidth);
    std::string bar(BarWidth, '-');
    bar.replace(0, filled, filled, '#');
    const double rate = seconds > 0 ? double(pagesWritten) / seconds : 0.0;
    char line[128];
    std::snprintf(line, sizeof line, "[%s] %5.1f%%  %zu pages  %.1f pages/s", bar.c_str(), share * 100.0,
                  pagesWritten, rate);
    return line;
}

Progress::Progress(bool enabled, std::FILE* stream)
    : enabled_(enabled), stream_(stream), start_(Clock::now()), lastDraw_(start_)
{
}

void Progress::Update(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes)
{
    if (!enabled_)
        return;
    const auto now = Clock::now();
    if (drawn_ && now - lastDraw_ < RedrawInterval)
        return;
    lastDraw_ = now;
    Draw(pagesWritten, consumedBytes, textBytes);
}

void Progress::Finish(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes)
{
    if (!enabled_)
        return;
    Draw(pagesWritten, consumedBytes, textBytes);
    Interrupt();
}

void Progress::Interrupt()
{
    if (!drawn_)
        return;
    std::fputc('\n', stream_);
    std::fflush(stream_);
    drawn_ = false;
}

void Progress::Draw(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes)
{
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    // "\033[K" clears what a longer earlier line left behind.
    std::fprintf(stream_, "\r%s\033[K", ProgressLine(pagesWritten, consumedBytes, textBytes, seconds).c_str());
    std::fflush(stream_);
    drawn_ = true;
}

}  // namespace tessaro::cli
