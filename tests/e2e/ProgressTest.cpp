#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "cli/Progress.h"

namespace tessaro::cli {
namespace {

struct LineRow {
    std::size_t Pages, Consumed, Total;
    double Seconds;
    const char* Line;
};

class ProgressLineTest : public testing::TestWithParam<LineRow> {};

TEST_P(ProgressLineTest, ShowsShareBarPagesAndRate)
{
    const LineRow& row = GetParam();
    EXPECT_EQ(ProgressLine(row.Pages, row.Consumed, row.Total, row.Seconds), row.Line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProgressLineTest,
    testing::Values(LineRow{0, 0, 100, 0.0, "[------------------------------]   0.0%  0 pages  0.0 pages/s"},
                    LineRow{3, 50, 100, 2.0, "[###############---------------]  50.0%  3 pages  1.5 pages/s"},
                    LineRow{12, 999, 1000, 4.0, "[#############################-]  99.9%  12 pages  3.0 pages/s"},
                    LineRow{1, 0, 0, 0.5, "[##############################] 100.0%  1 pages  2.0 pages/s"}));

// What a bar drew on its stream, with every rate shown as "R".
template <typename Steps>
std::string Drawn(bool enabled, Steps steps)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&buffer, &size);
    {
        Progress progress(enabled, stream);
        steps(progress);
    }
    std::fclose(stream);
    const std::string drawn(buffer, size);
    std::free(buffer);
    return std::regex_replace(drawn, std::regex("[0-9.]+ pages/s"), "R pages/s");
}

const std::string kHalf = "\r[###############---------------]  50.0%  1 pages  R pages/s\033[K";
const std::string kFull = "\r[##############################] 100.0%  2 pages  R pages/s\033[K";

TEST(ProgressTest, DrawsOnTheStreamOnlyWhenEnabled)
{
    const auto run = [](Progress& bar) {
        bar.Interrupt();
        bar.Update(1, 5, 10);
        bar.Update(2, 6, 10);
        bar.Interrupt();
        bar.Interrupt();
        bar.Finish(2, 10, 10);
        bar.Interrupt();
    };
    EXPECT_EQ(Drawn(false, run), "");
    EXPECT_EQ(Drawn(true, run), kHalf + "\n" + kFull + "\n") << "redrawn too soon, or a line ended twice";
}

}  // namespace
}  // namespace tessaro::cli
