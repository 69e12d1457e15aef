#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "cli/ParallelSaver.h"
#include "pages/PageRun.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace tessaro::cli {
namespace {

using namespace std::chrono_literals;

TBitmap SmallPage()
{
    TBitmap page;
    page.SetWidth(8);
    page.SetHeight(8);
    return page;
}

std::string PathOf(int page)
{
    return OutputPath("", "p", page);
}

// FNV-1a over the pixels.
std::uint64_t PixelHash(const TBitmap& page)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (int y = 0; y < page.Height(); ++y) {
        const std::uint8_t* row = page.ScanLine(y);
        for (int i = 0; i < page.RowBytes(); ++i)
            hash = (hash ^ row[i]) * 1099511628211ull;
    }
    return hash;
}

class WorkerCountTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(WorkerCountTest, WritesEveryPageOnce)
{
    std::mutex mutex;
    std::multiset<std::string> written;
    ParallelSaver saver(GetParam(), 2, [&](const std::string& path, const TBitmap&) {
        std::lock_guard lock(mutex);
        written.insert(path);
    });
    const TBitmap page = SmallPage();
    for (int i = 1; i <= 20; ++i)
        saver.Submit(i, PathOf(i), page);
    saver.Finish();
    EXPECT_EQ(saver.Written(), 20u);
    ASSERT_EQ(written.size(), 20u);
    for (int i = 1; i <= 20; ++i)
        EXPECT_EQ(written.count(PathOf(i)), 1u);
}

INSTANTIATE_TEST_SUITE_P(Workers, WorkerCountTest, ::testing::Values(0u, 1u, 3u));

TEST(ParallelSaverTest, TheEarliestFailedPageIsReportedWhicheverFailsFirst)
{
    std::atomic<bool> laterFailed = false;
    ParallelSaver saver(3, 6, [&](const std::string& path, const TBitmap&) {
        if (path == PathOf(3)) {
            // Fails only after page 6 has failed.
            while (!laterFailed)
                std::this_thread::sleep_for(1ms);
            throw EFCreateError::ForFile(path);
        }
        if (path == PathOf(6)) {
            laterFailed = true;
            throw EWriteError();
        }
    });
    const TBitmap page = SmallPage();
    try {
        for (int i = 1; i <= 8; ++i)
            saver.Submit(i, PathOf(i), page);
    } catch (const PageSaveError&) {
    }
    try {
        saver.Finish();
        FAIL() << "no error";
    } catch (const PageSaveError& failure) {
        EXPECT_EQ(failure.PageNumber(), 3);
        EXPECT_THROW(std::rethrow_exception(failure.Error()), EFCreateError);
    }
    EXPECT_THROW(saver.Submit(9, PathOf(9), page), PageSaveError);
}

TEST(ParallelSaverTest, OnOneThreadAFailureStopsAtOnce)
{
    std::vector<std::string> attempted;
    ParallelSaver saver(0, 1, [&](const std::string& path, const TBitmap&) {
        attempted.push_back(path);
        if (path == PathOf(2))
            throw EFCreateError::ForFile(path);
    });
    const TBitmap page = SmallPage();
    saver.Submit(1, PathOf(1), page);
    try {
        saver.Submit(2, PathOf(2), page);
        FAIL() << "no error";
    } catch (const PageSaveError& failure) {
        EXPECT_EQ(failure.PageNumber(), 2);
    }
    EXPECT_THROW(saver.Submit(3, PathOf(3), page), PageSaveError);
    EXPECT_THROW(saver.Finish(), PageSaveError);
    EXPECT_EQ(attempted, (std::vector<std::string>{PathOf(1), PathOf(2)}));
    EXPECT_EQ(saver.Written(), 1u);
}

TEST(ParallelSaverTest, SubmitWaitsWhileTheQueueIsFull)
{
    std::atomic<bool> open = false;
    ParallelSaver saver(1, 2, [&](const std::string&, const TBitmap&) {
        while (!open)
            std::this_thread::sleep_for(1ms);
    });
    std::atomic<int> submitted = 0;
    std::thread producer([&] {
        const TBitmap page = SmallPage();
        for (int i = 1; i <= 6; ++i) {
            saver.Submit(i, PathOf(i), page);
            ++submitted;
        }
    });
    // One page with the worker and two waiting; the fourth has to wait.
    for (int i = 0; i < 5000 && submitted < 3; ++i)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(submitted, 3);
    open = true;
    producer.join();
    saver.Finish();
    EXPECT_EQ(saver.Written(), 6u);
}

TEST(ParallelSaverTest, QueuedPagesKeepTheirPixelsWhileLaterPagesAreDrawn)
{
    test::StartUp("ja_JP.UTF-8");
    test::TempDir dir;
    std::string text;
    for (int i = 0; i < 120; ++i)
        text += "line " + std::to_string(i) + " of a text long enough for several pages\r\n";
    test::WriteFile(dir.File("book.txt"), text);

    std::mutex mutex;
    std::map<std::string, std::uint64_t> expected;
    std::atomic<int> mismatches = 0;
    ParallelSaver saver(2, 4, [&](const std::string& path, const TBitmap& page) {
        std::this_thread::sleep_for(5ms);
        std::lock_guard lock(mutex);
        mismatches += PixelHash(page) != expected.at(path);
    });
    PageRun run;
    run.Start(dir.File("book.txt"));
    const PageSaver submit = [&](const std::string& path, const TBitmap& page) {
        {
            std::lock_guard lock(mutex);
            expected[path] = PixelHash(page);
        }
        saver.Submit(run.PageCounter(), path, page);
    };
    int pages = 0;
    while (!run.Tick(TickSettings{}, submit))
        ASSERT_LT(++pages, 50);
    saver.Finish();
    EXPECT_GE(saver.Written(), 5u);
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace tessaro::cli
