#include "cli/ParallelSaver.h"

#include <algorithm>
#include <utility>

namespace tessaro::cli {

ParallelSaver::ParallelSaver(unsigned workers, std::size_t queueCapacity, PageEncoder encode, PageWriter write)
    : encode_(std::move(encode)), write_(std::move(write)), capacity_(std::max<std::size_t>(queueCapacity, 1))
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
        encoded_.clear();
    }
    jobReady_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

void ParallelSaver::Submit(int pageNumber, const std::string& path, const TBitmap& page)
{
    Lock lock(mutex_);
    roomOrIdle_.wait(lock, [this] { return failed_ || queue_.size() + encoded_.size() < capacity_; });
    ThrowIfFailed();
    Job job{submitted_++, pageNumber, path, page};
    if (workers_.empty()) {
        Process(std::move(job), lock);
        ThrowIfFailed();
        return;
    }
    queue_.push_back(std::move(job));
    lock.unlock();
    jobReady_.notify_one();
}

void ParallelSaver::Finish()
{
    Lock lock(mutex_);
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
    Lock lock(mutex_);
    for (;;) {
        jobReady_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        Job job = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
        roomOrIdle_.notify_all();
        Process(std::move(job), lock);
        --busy_;
        roomOrIdle_.notify_all();
    }
}

// Encodes the page without the lock, then writes it and any pages after it
// that are ready, if their turn has come. Called and returns with the lock held.
void ParallelSaver::Process(Job job, Lock& lock)
{
    // A run on one thread would have stopped before a page after a failed one.
    if (AfterFailure(job.Sequence))
        return;
    const std::size_t sequence = job.Sequence;
    std::vector<std::uint8_t> bytes;
    std::exception_ptr error;
    lock.unlock();
    try {
        bytes = encode_(job.Page);
    } catch (...) {
        error = std::current_exception();
    }
    job.Page = TBitmap();
    lock.lock();
    if (error) {
        Record(sequence, job.PageNumber, error);
        return;
    }
    if (AfterFailure(sequence))
        return;
    encoded_.emplace(sequence, EncodedPage{job.PageNumber, std::move(job.Path), std::move(bytes)});
    WriteInOrder(lock);
}

// Writes the encoded pages whose turn has come, one after another. Only the
// page numbered nextToWrite_ may be taken, and the count moves on only once
// it is written, so one page is written at a time: a page that becomes ready
// meanwhile is taken by the thread writing when it gets there.
void ParallelSaver::WriteInOrder(Lock& lock)
{
    for (auto next = encoded_.find(nextToWrite_); next != encoded_.end() && !stopping_;
         next = encoded_.find(nextToWrite_)) {
        const EncodedPage page = std::move(next->second);
        encoded_.erase(next);
        roomOrIdle_.notify_all();
        std::exception_ptr error;
        lock.unlock();
        try {
            write_(page.Path, page.Bytes);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error) {
            Record(nextToWrite_, page.PageNumber, error);
            break;
        }
        ++written_;
        ++nextToWrite_;
    }
}

void ParallelSaver::Record(std::size_t sequence, int pageNumber, std::exception_ptr error)
{
    // The earliest page wins, whichever thread failed first.
    if (AfterFailure(sequence))
        return;
    failed_ = true;
    failedSequence_ = sequence;
    failedPage_ = pageNumber;
    failure_ = std::move(error);
    encoded_.erase(encoded_.upper_bound(sequence), encoded_.end());
    roomOrIdle_.notify_all();
}

bool ParallelSaver::AfterFailure(std::size_t sequence) const
{
    return failed_ && sequence > failedSequence_;
}

void ParallelSaver::ThrowIfFailed() const
{
    if (failed_)
        throw PageSaveError(failedPage_, failure_);
}

}  // namespace tessaro::cli
