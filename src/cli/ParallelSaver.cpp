#include "cli/ParallelSaver.h"

#include <algorithm>
#include <utility>

namespace tessaro::cli {

ParallelSaver::ParallelSaver(unsigned workers, std::size_t queueCapacity, PageSaver save)
    : save_(std::move(save)), capacity_(std::max<std::size_t>(queueCapacity, 1))
{
    workers_.reserve(workers);
    for (unsigned i = 0; i < workers; ++i)
        workers_.emplace_back([this] { Work(); });
}

ParallelSaver::~ParallelSaver()
{
    {
        // Pages still waiting are dropped: the run is being abandoned.
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    jobReady_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

void ParallelSaver::Submit(int pageNumber, const std::string& path, const TBitmap& page)
{
    if (workers_.empty()) {
        {
            std::lock_guard lock(mutex_);
            ThrowIfFailed();
        }
        const std::size_t sequence = submitted_++;
        try {
            save_(path, page);
        } catch (...) {
            std::lock_guard lock(mutex_);
            Record(sequence, pageNumber, std::current_exception());
            ThrowIfFailed();
        }
        std::lock_guard lock(mutex_);
        ++written_;
        return;
    }
    std::unique_lock lock(mutex_);
    roomOrIdle_.wait(lock, [this] { return failed_ || queue_.size() < capacity_; });
    ThrowIfFailed();
    queue_.push_back(Job{submitted_++, pageNumber, path, page});
    lock.unlock();
    jobReady_.notify_one();
}

void ParallelSaver::Finish()
{
    std::unique_lock lock(mutex_);
    roomOrIdle_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
    ThrowIfFailed();
}

std::size_t ParallelSaver::Written() const
{
    std::lock_guard lock(mutex_);
    return written_;
}

void ParallelSaver::Work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        jobReady_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        std::exception_ptr error;
        bool saved = false;
        const std::size_t sequence = queue_.front().Sequence;
        const int pageNumber = queue_.front().PageNumber;
        {
            Job job = std::move(queue_.front());
            queue_.pop_front();
            ++busy_;
            // A page after a failed one is not written, as a run on one
            // thread would have stopped before it.
            const bool skip = failed_ && sequence > failedSequence_;
            lock.unlock();
            roomOrIdle_.notify_all();
            if (!skip) {
                try {
                    save_(job.Path, job.Page);
                    saved = true;
                } catch (...) {
                    error = std::current_exception();
                }
            }
        }
        lock.lock();
        --busy_;
        if (error)
            Record(sequence, pageNumber, error);
        if (saved)
            ++written_;
        roomOrIdle_.notify_all();
    }
}

void ParallelSaver::Record(std::size_t sequence, int pageNumber, std::exception_ptr error)
{
    // The earliest page wins, whichever thread failed first.
    if (failed_ && sequence > failedSequence_)
        return;
    failed_ = true;
    failedSequence_ = sequence;
    failedPage_ = pageNumber;
    failure_ = std::move(error);
}

void ParallelSaver::ThrowIfFailed() const
{
    if (failed_)
        throw PageSaveError(failedPage_, failure_);
}

}  // namespace tessaro::cli
