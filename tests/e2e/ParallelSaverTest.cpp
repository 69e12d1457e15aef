#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "cli/ParallelSaver.h"
#include "text/Exception.h"

namespace tessaro::cli {
namespace {

constexpr int kPages = 12;
constexpr std::size_t kCapacity = 2;

// How page n of one trial behaves: how long its encoding takes and where it fails.
struct PagePlan {
    std::chrono::microseconds EncodeTime{0};
    bool FailsToEncode = false;
    bool FailsToWrite = false;
};

// A page raster that tells its number by its width.
TBitmap PageNumbered(int number)
{
    TBitmap page;
    page.SetWidth(number);
    page.SetHeight(1);
    return page;
}

class ParallelSaverTest : public testing::TestWithParam<unsigned> {};

// Whatever pages fail, and however the workers overtake each other, the files
// written and the error reported are those of one thread: the pages before the
// lowest failing page, in order, and that page's error.
TEST_P(ParallelSaverTest, WritesWhatOneThreadWritesAndReportsTheFirstFailure)
{
    const unsigned workers = GetParam();
    std::mt19937 random(20240 + workers);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<PagePlan> plan(kPages + 1);
        int firstFailure = 0;
        for (int n = kPages; n >= 1; --n) {
            plan[n].EncodeTime = std::chrono::microseconds(random() % 200);
            plan[n].FailsToEncode = random() % 16 == 0;
            plan[n].FailsToWrite = random() % 16 == 0;
            if (plan[n].FailsToEncode || plan[n].FailsToWrite)
                firstFailure = n;
        }
        std::mutex mutex;
        std::vector<int> written;
        std::atomic<bool> failed = false;
        const auto encode = [&](const TBitmap& page) {
            const PagePlan& p = plan[page.Width()];
            std::this_thread::sleep_for(p.EncodeTime);
            if (p.FailsToEncode) {
                failed = true;
                throw EOutOfResources();
            }
            return std::vector<std::uint8_t>{std::uint8_t(page.Width())};
        };
        const auto write = [&](const std::string& path, const std::vector<std::uint8_t>& bytes) {
            if (plan[bytes[0]].FailsToWrite) {
                failed = true;
                throw EFCreateError::ForFile(path);
            }
            std::lock_guard lock(mutex);
            written.push_back(bytes[0]);
        };
        ParallelSaver saver(workers, kCapacity, encode, write);
        int reported = 0;
        try {
            try {
                for (int n = 1; n <= kPages; ++n) {
                    saver.Submit(n, "page", PageNumbered(n));
                    std::lock_guard lock(mutex);
                    if (!failed) {
                        ASSERT_LE(std::size_t(n) - written.size(), kCapacity + workers) << "Submit did not wait for room";
                    }
                }
            } catch (const PageSaveError&) {
            }
            saver.Finish();
        } catch (const PageSaveError& failure) {
            reported = failure.PageNumber();
        }
        std::vector<int> expected;
        for (int n = 1; n <= (firstFailure ? firstFailure - 1 : kPages); ++n)
            expected.push_back(n);
        ASSERT_EQ(reported, firstFailure) << "trial " << trial;
        ASSERT_EQ(written, expected) << "trial " << trial << ", first failure at page " << firstFailure;
        ASSERT_EQ(saver.Written(), expected.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Workers, ParallelSaverTest, testing::Values(0u, 1u, 3u));

}  // namespace
}  // namespace tessaro::cli
