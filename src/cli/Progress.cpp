#include "cli/Progress.h"

#include <numeric>

namespace tessaro::cli {

namespace {

constexpr int BarWidth = 30;
constexpr auto RedrawInterval = std::chrono::milliseconds(100);

// An empty text is used up by its single page.
double ShareOf(std::size_t consumedBytes, std::size_t textBytes)
{
    return textBytes == 0 ? 1.0 : double(consumedBytes) / double(textBytes);
}

std::string Bar(double share)
{
    const int filled = static_cast<int>(share * BarWidth);
    std::string bar(BarWidth, '-');
    bar.replace(0, filled, filled, '#');
    return bar;
}

double Rate(std::size_t pagesWritten, double seconds)
{
    return seconds > 0 ? double(pagesWritten) / seconds : 0.0;
}

}  // namespace

std::string ProgressLine(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes,
                         double seconds)
{
    const double share = ShareOf(consumedBytes, textBytes);
    char line[128];
    std::snprintf(line, sizeof line, "[%s] %5.1f%%  %zu pages  %.1f pages/s", Bar(share).c_str(), share * 100.0,
                  pagesWritten, Rate(pagesWritten, seconds));
    return line;
}

std::string ShelfLine(std::size_t booksEnded, std::size_t books, double share, std::size_t pagesWritten,
                      double seconds)
{
    char line[160];
    std::snprintf(line, sizeof line, "[%s] %5.1f%%  %zu/%zu books  %zu pages  %.1f pages/s", Bar(share).c_str(),
                  share * 100.0, booksEnded, books, pagesWritten, Rate(pagesWritten, seconds));
    return line;
}

Progress::Progress(bool enabled, std::FILE* stream)
    : enabled_(enabled), stream_(stream), start_(Clock::now()), lastDraw_(start_)
{
}

void Progress::Update(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes)
{
    Update([=](double seconds) { return ProgressLine(pagesWritten, consumedBytes, textBytes, seconds); });
}

void Progress::Finish(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes)
{
    Finish([=](double seconds) { return ProgressLine(pagesWritten, consumedBytes, textBytes, seconds); });
}

void Progress::Update(const LineMaker& line)
{
    if (!enabled_)
        return;
    const auto now = Clock::now();
    if (drawn_ && now - lastDraw_ < RedrawInterval)
        return;
    lastDraw_ = now;
    Draw(line);
}

void Progress::Finish(const LineMaker& line)
{
    if (!enabled_)
        return;
    Draw(line);
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

void Progress::Draw(const LineMaker& line)
{
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    // "\033[K" clears what a longer earlier line left behind.
    std::fprintf(stream_, "\r%s\033[K", line(seconds).c_str());
    std::fflush(stream_);
    drawn_ = true;
}

ShelfProgress::ShelfProgress(bool enabled, std::size_t books, std::FILE* stream)
    : stream_(stream), bar_(enabled, stream), shares_(books, 0.0), pages_(books, 0)
{
}

void ShelfProgress::Update(std::size_t book, std::size_t pagesWritten, std::size_t consumedBytes,
                           std::size_t textBytes)
{
    std::lock_guard lock(mutex_);
    shares_[book] = ShareOf(consumedBytes, textBytes);
    pages_[book] = pagesWritten;
    bar_.Update([this](double seconds) { return Line(seconds); });
}

void ShelfProgress::BookEnded(std::size_t book, std::size_t pagesWritten)
{
    std::lock_guard lock(mutex_);
    shares_[book] = 1.0;
    pages_[book] = pagesWritten;
    ++ended_;
    bar_.Update([this](double seconds) { return Line(seconds); });
}

void ShelfProgress::Print(const std::string& message)
{
    std::lock_guard lock(mutex_);
    bar_.Interrupt();
    std::fputs(message.c_str(), stream_);
    std::fflush(stream_);
}

void ShelfProgress::Finish()
{
    std::lock_guard lock(mutex_);
    bar_.Finish([this](double seconds) { return Line(seconds); });
}

std::string ShelfProgress::Line(double seconds) const
{
    const double share = std::accumulate(shares_.begin(), shares_.end(), 0.0) / double(shares_.size());
    return ShelfLine(ended_, shares_.size(), share, std::accumulate(pages_.begin(), pages_.end(), std::size_t(0)),
                     seconds);
}

}  // namespace tessaro::cli
