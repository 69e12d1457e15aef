#pragma once
// A one-line progress bar on standard error: pages written, share of the text
// laid out and pages per second. Redrawn at most ten times a second.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

namespace tessaro::cli {

// The bar's text, without the leading carriage return.
std::string ProgressLine(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes,
                         double seconds);

class Progress {
public:
    // A disabled bar draws nothing.
    Progress(bool enabled, std::FILE* stream = stderr);

    void Update(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes);
    // Draws the final state and ends the line.
    void Finish(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes);
    // Ends the line so that a message can follow; nothing when none was drawn.
    void Interrupt();

private:
    using Clock = std::chrono::steady_clock;
    void Draw(std::size_t pagesWritten, std::size_t consumedBytes, std::size_t textBytes);

    bool enabled_;
    std::FILE* stream_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    bool drawn_ = false;
};

}  // namespace tessaro::cli
