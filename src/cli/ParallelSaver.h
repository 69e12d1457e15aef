#pragma once
// Writes finished pages on worker threads while the next pages are laid out.
// Each queued page is a copy of the page raster: copies share pixels until one
// of them changes, and the layout thread's next page gets fresh pixels from
// the template, so a queued page is never touched again by the layout thread.
// Only rasters cross threads; canvases and fonts stay with the layout thread.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "imaging/TBitmap.h"
#include "pages/PageRun.h"

namespace tessaro::cli {

// The failure of one page: its number and the error it raised.
class PageSaveError : public std::runtime_error {
public:
    PageSaveError(int pageNumber, std::exception_ptr error)
        : std::runtime_error("page could not be saved"), pageNumber_(pageNumber), error_(std::move(error))
    {
    }
    int PageNumber() const { return pageNumber_; }
    const std::exception_ptr& Error() const { return error_; }

private:
    int pageNumber_;
    std::exception_ptr error_;
};

class ParallelSaver {
public:
    // With no workers every page is saved at once on the calling thread. With
    // workers, at most queueCapacity pages wait; Submit blocks beyond that.
    ParallelSaver(unsigned workers, std::size_t queueCapacity, PageSaver save = SavePage);
    ~ParallelSaver();
    ParallelSaver(const ParallelSaver&) = delete;
    ParallelSaver& operator=(const ParallelSaver&) = delete;

    // Saves or queues a page. Raises PageSaveError for the earliest failed
    // page once any page has failed; pages queued after a failure are dropped.
    void Submit(int pageNumber, const std::string& path, const TBitmap& page);
    // Waits until every queued page is written; raises PageSaveError as Submit.
    void Finish();

    // Pages written so far.
    std::size_t Written() const;

private:
    struct Job {
        std::size_t Sequence;
        int PageNumber;
        std::string Path;
        TBitmap Page;
    };

    void Work();
    void Record(std::size_t sequence, int pageNumber, std::exception_ptr error);
    void ThrowIfFailed() const;

    PageSaver save_;
    std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable roomOrIdle_;
    std::deque<Job> queue_;
    std::size_t busy_ = 0;
    std::size_t submitted_ = 0;
    std::size_t written_ = 0;
    bool stopping_ = false;
    bool failed_ = false;
    std::size_t failedSequence_ = 0;
    int failedPage_ = 0;
    std::exception_ptr failure_;
    std::vector<std::thread> workers_;
};

}  // namespace tessaro::cli
