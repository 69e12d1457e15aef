// The batch command: its options, its progress bar, the saver that writes
// pages on worker threads, and the program run the way a user runs it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <mutex>
#include <numeric>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "cli/BatchOptions.h"
#include "cli/ParallelSaver.h"
#include "cli/Progress.h"
#include "support/TestSupport.h"
#include "text/Exception.h"

namespace tessaro::cli {
namespace {

// The words of a command line.
std::vector<std::string> Arguments(const std::string& line)
{
    std::istringstream words(line);
    return {std::istream_iterator<std::string>(words), {}};
}

// Every parsed option on one line; an option left unset shows as "-".
std::string Describe(const BatchOptions& o)
{
    static const char* const encodings[] = {"auto", "locale", "utf-8", "shift_jis"};
    const auto shown = [](const auto& value) { return value ? std::to_string(*value) : std::string("-"); };
    std::ostringstream line;
    std::string files;
    for (const std::string& file : o.TextFiles)
        files += (files.empty() ? "" : " ") + file;
    line << "[" << files << "] " << (o.Settings.Format == PageFormat::QVGA ? "qvga" : "psp") << " bg="
         << o.Settings.BackgroundPath << " prefix=" << o.Settings.Prefix << " out=" << o.Settings.OutputDirectory
         << " font=" << o.Font.Family.value_or("-") << "/" << shown(o.Font.Size) << "/" << shown(o.Font.Color) << "/"
         << shown(o.Font.Style) << " dpi=" << o.PixelsPerInch << " locale=" << o.Locale.value_or("-") << " "
         << encodings[int(o.Encoding)] << " jobs=" << o.Jobs << (o.Quiet ? " quiet" : "") << (o.Help ? " help" : "")
         << (o.Version ? " version" : "");
    return line.str();
}

// Command lines and the options they give; "J" is the default number of jobs.
TEST(BatchOptionsTest, CommandLinesGiveTheirOptions)
{
    const std::pair<const char*, std::string> rows[] = {
        {"book.txt", "[book.txt] psp bg= prefix=book out= font=-/-/-/- dpi=96 locale=- auto jobs=J"},
        {"- --quiet", "[-] psp bg= prefix=book out= font=-/-/-/- dpi=96 locale=- auto jobs=J quiet"},
        {"--font-style= -- --odd.txt", "[--odd.txt] psp bg= prefix=book out= font=-/-/-/0 dpi=96 locale=- auto jobs=J"},
        {"--format QVGA --background=bg.jpg --prefix= --out dir/ --dpi=120 --locale ja_JP.UTF-8 --jobs 3 -q --font "
         "IPAMincho --font-size=12 --font-color #FF8000 --font-style bold,Italic --encoding=shift_jis b.txt",
         "[b.txt] qvga bg=bg.jpg prefix= out=dir/ font=IPAMincho/12/33023/3 dpi=120 locale=ja_JP.UTF-8 shift_jis "
         "jobs=3 quiet"},
        {"--font-color=123456 --font-style strikeout,underline,italic --encoding utf-8 t",
         "[t] psp bg= prefix=book out= font=-/-/5649426/14 dpi=96 locale=- utf-8 jobs=J"},
        {"--font-size 1 --dpi 24 --jobs 1 --encoding=locale t",
         "[t] psp bg= prefix=book out= font=-/1/-/- dpi=24 locale=- locale jobs=1"},
        {"--font-size=144 --dpi=480 --jobs=64 t",
         "[t] psp bg= prefix=book out= font=-/144/-/- dpi=480 locale=- auto jobs=64"},
        {"--jobs 2 -h --bogus", "[] psp bg= prefix=book out= font=-/-/-/- dpi=96 locale=- auto jobs=2 help"},
        {"--version", "[] psp bg= prefix=book out= font=-/-/-/- dpi=96 locale=- auto jobs=J version"},
    };
    for (auto [line, expected] : rows) {
        if (const auto at = expected.find("jobs=J"); at != std::string::npos)
            expected.replace(at + 5, 1, std::to_string(DefaultJobs()));
        EXPECT_EQ(Describe(ParseBatchOptions(Arguments(line))), expected);
    }
}

class UsageErrorTest : public testing::TestWithParam<const char*> {};

TEST_P(UsageErrorTest, IsRefused)
{
    EXPECT_THROW(ParseBatchOptions(Arguments(GetParam())), UsageError);
}

INSTANTIATE_TEST_SUITE_P(Refused, UsageErrorTest,
                         testing::Values("", "--bogus a", "--quiet=1 a", "a --out", "--format a4 a",
                                         "--jobs 0 a", "--jobs 65 a", "--jobs 2x a", "--dpi 23 a", "--dpi 481 a",
                                         "--dpi= a", "--font-size 0 a", "--font-size 145 a",
                                         "--font-size 99999999999 a", "--font= a", "--font-color 12345 a",
                                         "--font-color GG0000 a", "--font-color -12345 a", "--font-color 1234567 a",
                                         "--font-style heavy a", "--font-style bold, a", "--font-style ,bold a",
                                         "--encoding latin1 a", "--pack zip a", "--pack cbz --prefix p a b",
                                         "--style novel --layout-report r a b", "x/a.txt y/a.md"));

TEST(BatchOptionsTest, ChosenFontStartsFromTheBodyDefaults)
{
    test::StartUp("ja_JP.UTF-8");
    const auto describe = [](const TFont& font) {
        return font.Name() + "/" + std::to_string(font.Size()) + "/" + std::to_string(font.Color()) + "/" +
               std::to_string(font.Style()) + "/" + std::to_string(font.Charset());
    };
    EXPECT_EQ(describe(BuildChosenFont({{}, 12, {}, {}}, 932)), "ＭＳ ゴシック/12/0/0/128");
    EXPECT_EQ(describe(BuildChosenFont({"DejaVu Sans", {}, 0x123456, fsUnderline}, 1252)), "DejaVu Sans/9/1193046/4/1");
}

TEST(ProgressTest, LineShowsShareBarPagesAndRate)
{
    const struct {
        std::size_t Pages, Consumed, Total;
        double Seconds;
        const char* Line;
    } rows[] = {{0, 0, 100, 0.0, "[------------------------------]   0.0%  0 pages  0.0 pages/s"},
                {3, 50, 100, 2.0, "[###############---------------]  50.0%  3 pages  1.5 pages/s"},
                {12, 999, 1000, 4.0, "[#############################-]  99.9%  12 pages  3.0 pages/s"},
                {1, 0, 0, 0.5, "[##############################] 100.0%  1 pages  2.0 pages/s"}};
    for (const auto& row : rows)
        EXPECT_EQ(ProgressLine(row.Pages, row.Consumed, row.Total, row.Seconds), row.Line);
}

// A bar draws only when enabled, redraws at most ten times a second, and ends
// its line once when finished or interrupted.
TEST(ProgressTest, DrawsOnItsStreamOnlyWhenEnabled)
{
    for (const bool enabled : {false, true}) {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* stream = open_memstream(&buffer, &size);
        {
            Progress bar(enabled, stream);
            bar.Interrupt();
            bar.Update(1, 5, 10);
            bar.Update(2, 6, 10);
            bar.Interrupt();
            bar.Interrupt();
            bar.Finish(2, 10, 10);
            bar.Interrupt();
        }
        std::fclose(stream);
        const std::string drawn(buffer, size);
        std::free(buffer);
        EXPECT_EQ(std::regex_replace(drawn, std::regex("[0-9.]+ pages/s"), "R pages/s"),
                  enabled ? "\r[###############---------------]  50.0%  1 pages  R pages/s\033[K\n"
                            "\r[##############################] 100.0%  2 pages  R pages/s\033[K\n"
                          : "");
    }
}

// The page number a PageSaveError reports from the action, or 0.
int FailedPage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const PageSaveError& failure) {
        return failure.PageNumber();
    }
    return 0;
}

// Whatever pages fail, at encoding or at writing, and however the workers
// overtake each other, the files written and the error reported are those of
// one thread: the pages before the lowest failing page, in order, and that
// page's error. Submit holds no more pages than the queue and the workers.
TEST(ParallelSaverTest, WritesWhatOneThreadWritesAndReportsTheFirstFailure)
{
    constexpr int kPages = 12;
    constexpr std::size_t kCapacity = 2;
    std::mt19937 random(2024);
    for (const unsigned workers : {0u, 1u, 3u}) {
        for (int trial = 0; trial < 300; ++trial) {
            // A page's raster is as wide as its number; 'e' or 'w' marks where it fails.
            std::string fails(kPages + 1, ' ');
            for (char& fail : fails)
                fail = random() % 8 == 0 ? "ew"[random() % 2] : ' ';
            fails[0] = ' ';
            const std::size_t failing = fails.find_first_not_of(' ');
            const int firstFailure = failing == std::string::npos ? 0 : int(failing);
            std::mutex mutex;
            std::vector<int> written;
            std::atomic<bool> failed = false;
            const auto encode = [&](const TBitmap& page) {
                std::this_thread::sleep_for(std::chrono::microseconds((trial * 37 + page.Width() * 53) % 200));
                if (fails[page.Width()] == 'e') {
                    failed = true;
                    throw EOutOfResources();
                }
                return std::vector<std::uint8_t>{std::uint8_t(page.Width())};
            };
            const auto write = [&](const std::string& path, const std::vector<std::uint8_t>& bytes) {
                if (fails[bytes[0]] == 'w') {
                    failed = true;
                    throw EFCreateError::ForFile(path);
                }
                std::lock_guard lock(mutex);
                written.push_back(bytes[0]);
            };
            ParallelSaver saver(workers, kCapacity, encode, write);
            FailedPage([&] {
                for (int n = 1; n <= kPages; ++n) {
                    TBitmap page;
                    page.SetWidth(n);
                    page.SetHeight(1);
                    saver.Submit(n, "page", page);
                    std::lock_guard lock(mutex);
                    ASSERT_TRUE(failed || n - written.size() <= kCapacity + workers) << "Submit did not wait";
                }
            });
            std::vector<int> expected(firstFailure ? firstFailure - 1 : kPages);
            std::iota(expected.begin(), expected.end(), 1);
            ASSERT_EQ(FailedPage([&] { saver.Finish(); }), firstFailure) << workers << " workers, trial " << trial;
            ASSERT_EQ(written, expected) << workers << " workers, trial " << trial << ": " << fails;
            ASSERT_EQ(saver.Written(), expected.size());
        }
    }
}

// tessaro-batch run as a process in a fresh directory holding a book.
class BatchProcessTest : public testing::Test {
protected:
    void SetUp() override { test::WriteFile(dir.File("book.txt"), test::Repeat("\x93\xfa\x96\x7b and more\r\n", 150)); }
    // Runs the program with the arguments and returns its exit status; its
    // output goes to out and err.
    int Run(const std::string& arguments)
    {
        const std::string command = "cd '" + dir.Path().string() + "' && LC_ALL=C " TESSARO_BATCH " " + arguments;
        const int status = std::system((command + " >out 2>err").c_str());
        out = test::ReadFile(dir.File("out"));
        err = test::ReadFile(dir.File("err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::TempDir dir;
    std::string out, err;
};

TEST_F(BatchProcessTest, ExitStatusAndMessages)
{
    const std::string cannotCreate = "tessaro-batch: page 1: ファイル no/book000001.jpg を作成できません.\n";
    const struct {
        std::string Arguments;
        int Status;
        std::string Err, Out = "";
    } rows[] = {
        {"nosuch.txt", 1, "tessaro-batch: ファイル nosuch.txt は開けません.\n"},
        {"--jobs 1 --out no book.txt", 1, cannotCreate},
        {"--jobs 2 --out no book.txt", 1, cannotCreate},
        {"--background no.jpg book.txt", 1, "tessaro-batch: page 1: ファイル no.jpg は開けません.\n"},
        {"--jobs 0 book.txt", 2,
         "tessaro-batch: --jobs wants a whole number from 1 to 64, not \"0\"\n\n" + UsageText()},
        {"--font-size 144 --dpi 480 --jobs 64 --prefix big book.txt", 0, ""},
        {"--help --bogus", 0, "", UsageText()},
        {"--version", 0, "", "tessaro-batch " TESSARO_VERSION "\n"},
    };
    for (const auto& row : rows) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Run("--locale ja_JP.UTF-8 " + row.Arguments), row.Status) << row.Arguments;
        EXPECT_EQ(err + "|" + out, row.Err + "|" + row.Out) << row.Arguments;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << row.Arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("book000001.jpg"))) << "a page written after a failure";
}

// The pages of the chosen format and names; the same files for any number of
// jobs, and no progress bar where stderr is not a terminal.
TEST_F(BatchProcessTest, WritesTheSamePagesForAnyNumberOfJobs)
{
    ASSERT_EQ(std::system((TESSARO_SAMPLE_BACKGROUND " " + dir.File("bg.jpg")).c_str()), 0);
    for (const std::string jobs : {"1", "2"}) {
        std::filesystem::create_directory(dir.File(jobs));
        EXPECT_EQ(Run("--locale ja_JP.UTF-8 --format qvga --prefix q_ --background bg.jpg --font-style bold --jobs " +
                      jobs + " --out " + jobs + "/ book.txt"),
                  0);
        EXPECT_EQ(err, "");
    }
    for (int page = 1; page <= 9; ++page) {
        const std::string name = OutputPath("", "q_", page);
        ASSERT_EQ(std::filesystem::exists(dir.File("1/" + name)), page <= 8) << name;
        EXPECT_TRUE(page > 8 || test::ReadFile(dir.File("1/" + name)) == test::ReadFile(dir.File("2/" + name))) << name;
    }
}

}  // namespace
}  // namespace tessaro::cli
