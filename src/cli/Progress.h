#pragma once
// A one-line progress bar on standard error: pages written, share of the text
// laid out and pages per second. Redrawn at most ten times a second.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tessaro::cli {

// The bar's text, without the leading carriage return.
std::string ProgressLine(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes,
                         double seconds);

// The line of several books: the share of all of them done, the books
// ended, the pages written and pages per second.
std::string ShelfLine(std::size_t booksEnded, std::size_t books, double share, std::size_t pagesWritten,
                      double seconds);

class Progress {
public:
    // The bar's text for the seconds since the start.
    using LineMaker = std::function<std::string(double seconds)>;

    // A disabled bar draws nothing.
    Progress(bool enabled, std::FILE* stream = stderr);

    void Update(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes);
    // Draws the final state and ends the line.
    void Finish(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes);
    // The same for a line of the caller's making.
    void Update(const LineMaker& line);
    void Finish(const LineMaker& line);
    // Ends the line so that a message can follow; nothing when none was drawn.
    void Interrupt();

private:
    using Clock = std::chrono::steady_clock;
    void Draw(const LineMaker& line);

    bool enabled_;
    std::FILE* stream_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    bool drawn_ = false;
};

// The bar of several books made at once, which report from their own threads.
class ShelfProgress {
public:
    ShelfProgress(bool enabled, std::size_t books, std::FILE* stream = stderr);

    void Update(std::size_t book, std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes);
    // A book made or failed: it counts as done.
    void BookEnded(std::size_t book, std::size_t pagesWritten);
    // Writes a message on a line of its own; the bar follows it.
    void Print(const std::string& message);
    void Finish();

private:
    std::string Line(double seconds) const;

    std::FILE* stream_;
    std::mutex mutex_;
    Progress bar_;
    std::vector<double> shares_;
    std::vector<std::size_t> pages_;
    std::size_t ended_ = 0;
};

}  // namespace tessaro::cli
