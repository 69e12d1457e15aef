// Hostile files and failing devices met by a real run: each row arranges one
// fault, drives PageRun (or SavePage) into it and checks the exception kind
// and its exact message, that the run is left where the failure puts it, and
// that no page file already on disk was emptied, damaged or lost.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <ostream>
#include <set>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/JpegCodec.h"
#include "imaging/TJPEGImage.h"
#include "pages/PageRun.h"
#include "support/JpegTestPictures.h"
#include "support/TestSupport.h"
#include "text/Exception.h"
#include "text/FileIO.h"
#include "text/TextFile.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using test::JpegKind;

constexpr uid_t kNobody = 65534;
const std::string kEarlierPage2 = "page 2 of an earlier run, not a JPEG at all";

enum class Kind { None, EFOpenError, EFCreateError, EWriteError, EStreamError, EJPEG, OtherException };

const char* KindName(Kind kind)
{
    static const char* const names[] = {"none",         "EFOpenError", "EFCreateError", "EWriteError",
                                        "EStreamError", "EJPEG",       "another"};
    return names[static_cast<int>(kind)];
}

// What an action left behind: the error it raised and the run's state after it.
struct Outcome {
    Kind Raised = Kind::None;
    std::string Message;
    int PageCounter = 0;
    std::size_t RemainingBytes = 0;
};

Outcome Capture(PageRun& run, const std::function<void()>& action)
{
    Outcome outcome;
    try {
        action();
    } catch (const EFOpenError& e) {
        outcome = {Kind::EFOpenError, e.Message()};
    } catch (const EFCreateError& e) {
        outcome = {Kind::EFCreateError, e.Message()};
    } catch (const EWriteError& e) {
        outcome = {Kind::EWriteError, e.Message()};
    } catch (const EStreamError& e) {
        outcome = {Kind::EStreamError, e.Message()};
    } catch (const EJPEG& e) {
        outcome = {Kind::EJPEG, e.Message()};
    } catch (const Exception& e) {
        outcome = {Kind::OtherException, e.Message()};
    }
    outcome.PageCounter = run.PageCounter();
    outcome.RemainingBytes = run.RemainingText().size();
    return outcome;
}

void WriteAllOrDie(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put <= 0)
            ::_exit(4);
        done += static_cast<std::size_t>(put);
    }
}

// Runs the action in a child process that has given up root, so that file
// permissions apply as they do for a user, and returns what it reported.
Outcome CaptureUnprivileged(const std::function<Outcome()>& action)
{
    int ends[2];
    if (::pipe(ends) != 0)
        throw std::runtime_error("no pipe");
    UniqueFd reader(ends[0]);
    UniqueFd writer(ends[1]);
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("no fork");
    if (child == 0) {
        reader = UniqueFd();
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(3);
        const Outcome outcome = action();
        WriteAllOrDie(writer.Get(), std::to_string(static_cast<int>(outcome.Raised)) + " " +
                                        std::to_string(outcome.PageCounter) + " " +
                                        std::to_string(outcome.RemainingBytes) + "\n" + outcome.Message);
        ::_exit(0);
    }
    writer = UniqueFd();
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(reader.Get(), buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(got));
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the unprivileged child failed");
    Outcome outcome;
    int raised = 0;
    int consumed = 0;
    std::sscanf(report.c_str(), "%d %d %zu\n%n", &raised, &outcome.PageCounter, &outcome.RemainingBytes, &consumed);
    outcome.Raised = static_cast<Kind>(raised);
    outcome.Message = report.substr(static_cast<std::size_t>(consumed));
    return outcome;
}

// Sixty short lines: four PSP pages.
std::string ManyLines()
{
    std::string text;
    for (int i = 1; i <= 60; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text;
}

// A colour picture with detail everywhere, so its coded data is long.
std::string DetailedJpeg(JpegKind kind)
{
    return test::MakeJpeg(200, 120, kind, [](int x, int y) { return test::Rgb{x % 256, (y * 2) % 256, (x ^ y) % 256}; });
}

std::string CutInTheData(const std::string& jpeg)
{
    return test::CutInTheFirstScan(jpeg);
}

std::string WithFirstScanRepeated(const std::string& jpeg, int count)
{
    return test::RepeatFirstScan(jpeg, count);
}

std::string JpegError(int code)
{
    return "JPEG エラー #" + std::to_string(code);
}

// The place of one run: "@" in a row's paths and messages stands for its root.
struct Scene {
    test::TempDir Dir;
    std::string TextFile;
    TickSettings Settings;
    std::string SavePath;

    std::string At(std::string_view path) const { return Dir.Path().string() + std::string(path); }
};

enum class Road {
    Text,        // Start reads a bad text file
    Background,  // the tick for page 2 reads a bad background
    Output,      // the tick for page 2 cannot write its file
    Device,      // SavePage straight onto a device
};

struct FaultRow {
    const char* Name;
    Road Where;
    std::function<void(Scene&)> Arrange;
    Kind Expected;
    std::string Message;  // exact; "@" is the scene's root
    bool AsUser = false;  // permission bits must apply: run without root
};

void PrintTo(const FaultRow& row, std::ostream* out)
{
    *out << row.Name;
}

// Compares file contents without printing them: pages are binary.
testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << actual.size() << " bytes that differ from the " << expected.size()
                                       << " expected";
}

std::string Expand(std::string text, const Scene& scene)
{
    for (std::size_t at; (at = text.find('@')) != std::string::npos;)
        text.replace(at, 1, scene.Dir.Path().string());
    return text;
}

void WriteBackground(Scene& scene, const std::string& bytes)
{
    scene.Settings.BackgroundPath = scene.At("/background.jpg");
    test::WriteFile(scene.Settings.BackgroundPath, bytes);
}

std::set<std::string> Entries(const fs::path& directory)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

class FaultTable : public testing::TestWithParam<FaultRow> {
protected:
    void SetUp() override { test::StartUp("ja_JP.UTF-8"); }
};

TEST_P(FaultTable, FailsWithItsMessageAndHarmsNoFile)
{
    const FaultRow& row = GetParam();
    const bool dropRoot = row.AsUser && ::geteuid() == 0;
    Scene scene;
    const std::string out = scene.At("/out");
    fs::create_directory(out);
    scene.TextFile = scene.At("/book.txt");
    test::WriteFile(scene.TextFile, ManyLines());
    scene.Settings.OutputDirectory = out;
    test::WriteFile(out + "/book000002.jpg", kEarlierPage2);

    // Page 1 goes out normally; the fault then meets the run at page 2.
    PageRun run;
    run.Start(scene.TextFile);
    ASSERT_FALSE(run.Tick(scene.Settings));
    const std::string page1 = test::ReadFile(out + "/book000001.jpg");
    const std::size_t remainingBefore = run.RemainingText().size();

    row.Arrange(scene);
    if (dropRoot) {
        fs::permissions(scene.Dir.Path(), fs::perms::all, fs::perm_options::add);
        fs::permissions(out, fs::perms::all, fs::perm_options::add);
    }
    TBitmap page;
    page.SetWidth(480);
    page.SetHeight(272);
    const std::function<void()> actions[] = {
        [&] { run.Start(scene.TextFile); },
        [&] { run.Tick(scene.Settings); },
        [&] { run.Tick(scene.Settings); },
        [&] { SavePage(scene.SavePath, page); },
    };
    const std::function<void()>& action = actions[static_cast<int>(row.Where)];
    const Outcome outcome =
        dropRoot ? CaptureUnprivileged([&] { return Capture(run, action); }) : Capture(run, action);

    EXPECT_STREQ(KindName(outcome.Raised), KindName(row.Expected)) << outcome.Message;
    EXPECT_EQ(outcome.Message, Expand(row.Message, scene));
    EXPECT_TRUE(SameBytes(test::ReadFile(out + "/book000001.jpg"), page1)) << "the earlier page was changed";
    EXPECT_EQ(Entries(out), (std::set<std::string>{"book000001.jpg", "book000002.jpg"}))
        << "a file was left behind or lost";

    if (row.Expected == Kind::None) {
        // The page was made after all, over the earlier run's file.
        EXPECT_EQ(outcome.PageCounter, 3);
        TJPEGImage written;
        written.LoadJpeg(out + "/book000002.jpg");
        EXPECT_EQ(written.Width(), 480);
        EXPECT_EQ(written.Height(), 272);
        return;
    }
    if (fs::is_regular_file(out + "/book000002.jpg")) {
        EXPECT_TRUE(SameBytes(test::ReadFile(out + "/book000002.jpg"), kEarlierPage2))
            << "an existing page was damaged";
    }
    switch (row.Where) {
    case Road::Text:
        EXPECT_EQ(outcome.PageCounter, 1);
        EXPECT_EQ(outcome.RemainingBytes, 0u);
        break;
    case Road::Background:
        EXPECT_EQ(outcome.PageCounter, 2);
        EXPECT_EQ(outcome.RemainingBytes, remainingBefore) << "a page that was never drawn took text";
        break;
    case Road::Output:
        EXPECT_EQ(outcome.PageCounter, 2) << "a page that was not written took a number";
        break;
    case Road::Device:
        break;
    }
}

constexpr fs::perms ReadOnlyFile = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms ReadOnlyDirectory =
    ReadOnlyFile | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;

const FaultRow kFaultRows[] = {
    // The text file.
    {"TextFileIsADirectory", Road::Text,
     [](Scene& s) {
         s.TextFile = s.At("/folder");
         fs::create_directory(s.TextFile);
     },
     Kind::EFOpenError, "ファイル @/folder は開けません"},
    {"TextFileIsAFifo", Road::Text,
     [](Scene& s) {
         s.TextFile = s.At("/pipe");
         ::mkfifo(s.TextFile.c_str(), 0644);
     },
     Kind::EFOpenError, "ファイル @/pipe は開けません"},
    {"TextFileIsADevice", Road::Text, [](Scene& s) { s.TextFile = "/dev/zero"; }, Kind::EFOpenError,
     "ファイル /dev/zero は開けません"},
    {"TextFileIsUnreadable", Road::Text, [](Scene& s) { fs::permissions(s.TextFile, fs::perms::none); },
     Kind::EFOpenError, "ファイル @/book.txt は開けません", true},
    {"TextFileRemovedAfterChoosing", Road::Text, [](Scene& s) { fs::remove(s.TextFile); }, Kind::EFOpenError,
     "ファイル @/book.txt は開けません"},
    // The background.
    {"BackgroundIsMissing", Road::Background, [](Scene& s) { s.Settings.BackgroundPath = s.At("/none.jpg"); },
     Kind::EFOpenError, "ファイル @/none.jpg は開けません"},
    {"BackgroundIsADevice", Road::Background, [](Scene& s) { s.Settings.BackgroundPath = "/dev/zero"; },
     Kind::EFOpenError, "ファイル /dev/zero は開けません"},
    {"BackgroundOfZeroBytes", Road::Background, [](Scene& s) { WriteBackground(s, ""); }, Kind::EJPEG,
     JpegError(JERR_INPUT_EMPTY)},
    {"BackgroundIsText", Road::Background, [](Scene& s) { WriteBackground(s, ManyLines()); }, Kind::EJPEG,
     JpegError(JERR_NO_SOI)},
    {"BackgroundTruncated", Road::Background,
     [](Scene& s) { WriteBackground(s, CutInTheData(DetailedJpeg(JpegKind::Color))); }, Kind::None, ""},
    {"BackgroundProgressive", Road::Background,
     [](Scene& s) { WriteBackground(s, DetailedJpeg(JpegKind::Progressive)); }, Kind::None, ""},
    {"BackgroundProgressiveTruncated", Road::Background,
     [](Scene& s) { WriteBackground(s, CutInTheData(DetailedJpeg(JpegKind::Progressive))); }, Kind::None, ""},
    {"BackgroundCmyk", Road::Background, [](Scene& s) { WriteBackground(s, DetailedJpeg(JpegKind::Cmyk)); },
     Kind::None, ""},
    {"BackgroundGrayscale", Road::Background, [](Scene& s) { WriteBackground(s, DetailedJpeg(JpegKind::Gray)); },
     Kind::None, ""},
    {"BackgroundArithmetic", Road::Background,
     [](Scene& s) { WriteBackground(s, DetailedJpeg(JpegKind::Arithmetic)); }, Kind::None, ""},
    {"BackgroundLargerThanAnyPicture", Road::Background,
     [](Scene& s) {
         WriteBackground(s, DetailedJpeg(JpegKind::Color));
         fs::resize_file(s.Settings.BackgroundPath, kMaxDecodedBytes + 1);
     },
     Kind::EStreamError, "メモリストリームの拡大中にメモリが足りなくなりました"},
    {"BackgroundRepeatsAScan600Times", Road::Background,
     [](Scene& s) { WriteBackground(s, WithFirstScanRepeated(DetailedJpeg(JpegKind::Progressive), 600)); },
     Kind::EJPEG, JpegError(JERR_BAD_PROGRESSION)},
    {"BackgroundTwelveBit", Road::Background,
     [](Scene& s) { WriteBackground(s, test::WithFrame(DetailedJpeg(JpegKind::Color), 12, 200, 120)); }, Kind::EJPEG,
     JpegError(JERR_BAD_PRECISION)},
    {"BackgroundDeclares65500x65500", Road::Background,
     [](Scene& s) { WriteBackground(s, test::WithFrame(DetailedJpeg(JpegKind::Color), 8, 65500, 65500)); }, Kind::EJPEG,
     JpegError(JERR_OUT_OF_MEMORY)},
    {"ProgressiveBackgroundDeclares65500x65500", Road::Background,
     [](Scene& s) { WriteBackground(s, test::WithFrame(DetailedJpeg(JpegKind::Progressive), 8, 65500, 65500)); },
     Kind::EJPEG, JpegError(JERR_OUT_OF_MEMORY)},
    // The page file.
    {"OutputDirectoryMissing", Road::Output, [](Scene& s) { s.Settings.OutputDirectory = s.At("/nowhere"); },
     Kind::EFCreateError, "ファイル @/nowhere/book000002.jpg を作成できません"},
    {"OutputDirectoryCannotExist", Road::Output, [](Scene& s) { s.Settings.OutputDirectory = "/proc/tessaro-nope"; },
     Kind::EFCreateError, "ファイル /proc/tessaro-nope/book000002.jpg を作成できません"},
    {"OutputDirectoryReadOnly", Road::Output,
     [](Scene& s) {
         s.Settings.OutputDirectory = s.At("/locked");
         fs::create_directory(s.Settings.OutputDirectory);
         fs::permissions(s.Settings.OutputDirectory, ReadOnlyDirectory);
     },
     Kind::EFCreateError, "ファイル @/locked/book000002.jpg を作成できません", true},
    {"PageFileReadOnly", Road::Output,
     [](Scene& s) { fs::permissions(s.At("/out/book000002.jpg"), ReadOnlyFile); },
     Kind::EFCreateError, "ファイル @/out/book000002.jpg を作成できません", true},
    {"PageFileIsADirectory", Road::Output,
     [](Scene& s) {
         fs::remove(s.At("/out/book000002.jpg"));
         fs::create_directory(s.At("/out/book000002.jpg"));
     },
     Kind::EFCreateError, "ファイル @/out/book000002.jpg を作成できません"},
    {"PageFileIsAFifoWithoutReader", Road::Output,
     [](Scene& s) {
         fs::remove(s.At("/out/book000002.jpg"));
         ::mkfifo(s.At("/out/book000002.jpg").c_str(), 0644);
     },
     Kind::EFCreateError, "ファイル @/out/book000002.jpg を作成できません"},
    {"OutputNameTooLong", Road::Output, [](Scene& s) { s.Settings.Prefix = std::string(300, 'x'); },
     Kind::EFCreateError, "ファイル @/out/" + std::string(300, 'x') + "000002.jpg を作成できません"},
    {"PageOnAFullDevice", Road::Device, [](Scene& s) { s.SavePath = "/dev/full"; }, Kind::EWriteError,
     "ストリームへの書き込みエラー"},
};

INSTANTIATE_TEST_SUITE_P(Faults, FaultTable, testing::ValuesIn(kFaultRows),
                         [](const auto& info) { return std::string(info.param.Name); });

// Prefixes that give an ordinary page name and one of 255 bytes, the most a
// file name may have: no room is left beside it for a longer sibling's name.
const std::string kPrefixes[] = {"book", std::string(245, 'x')};

class FaultReplacePage : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override { test::StartUp("ja_JP.UTF-8"); }
};

// A page saved over an existing file replaces it whole: the old file is never
// truncated and rewritten in place, where a failure would leave it damaged.
TEST_P(FaultReplacePage, NeverRewritesTheOldFileInPlace)
{
    test::TempDir dir;
    const std::string path = OutputPath(dir.Path().string(), GetParam(), 1);
    test::WriteFile(path, kEarlierPage2);
    const UniqueFd old(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(old);

    TBitmap page;
    page.SetWidth(240);
    page.SetHeight(320);
    SavePage(path, page);

    std::string stillThere(kEarlierPage2.size() + 1, '\0');
    stillThere.resize(static_cast<std::size_t>(::pread(old.Get(), stillThere.data(), stillThere.size(), 0)));
    EXPECT_TRUE(SameBytes(stillThere, kEarlierPage2)) << "the old file was rewritten in place";
    EXPECT_TRUE(test::ReadFile(path).starts_with("\xFF\xD8"));
    EXPECT_EQ(Entries(dir.Path()).size(), 1u) << "a temporary file was left behind";
}

// A small file system of its own, mounted where the test says; Mounted() is
// false where mounting is not allowed.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::string& at) : at_(at)
    {
        fs::create_directory(at);
        mounted_ = ::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(at_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }

    // Takes every free byte.
    void Fill() const
    {
        const UniqueFd filler(::open((at_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        const std::string block(4096, 'f');
        while (::write(filler.Get(), block.data(), block.size()) > 0) {
        }
    }

private:
    std::string at_;
    bool mounted_ = false;
};

// On a full disk the page cannot be written: the error says so, and the
// earlier run's page of that name keeps all of its bytes.
TEST_P(FaultReplacePage, OnAFullDiskKeepsTheEarlierPage)
{
    test::TempDir dir;
    SmallFileSystem disk(dir.File("disk"));
    if (!disk.Mounted())
        GTEST_SKIP() << "no permission to mount a small file system";
    TickSettings settings;
    settings.OutputDirectory = dir.File("disk");
    settings.Prefix = GetParam();
    const std::string path = OutputPath(settings.OutputDirectory, settings.Prefix, 1);
    test::WriteFile(path, kEarlierPage2);
    disk.Fill();

    test::WriteFile(dir.File("book.txt"), ManyLines());
    PageRun run;
    run.Start(dir.File("book.txt"));
    const Outcome outcome = Capture(run, [&] { run.Tick(settings); });
    EXPECT_STREQ(KindName(outcome.Raised), KindName(Kind::EWriteError));
    EXPECT_EQ(outcome.Message, "ストリームへの書き込みエラー");
    EXPECT_TRUE(SameBytes(test::ReadFile(path), kEarlierPage2)) << "the earlier page was damaged";
    EXPECT_EQ(Entries(settings.OutputDirectory), (std::set<std::string>{fs::path(path).filename().string(), "filler"}));
}

INSTANTIATE_TEST_SUITE_P(Names, FaultReplacePage, testing::ValuesIn(kPrefixes),
                         [](const auto& info) { return info.param.size() > 4 ? "NameOf255Bytes" : "OrdinaryName"; });

// Normalises line ends the way the loaded text does, without the final CR LF
// that a text ending mid-line gets.
std::string NormalisedLineEnds(std::string_view bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            text += bytes[i];
            continue;
        }
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        text += "\r\n";
    }
    return text;
}

// A file that grows while it is read gives the text of some prefix of what
// it finally holds: whole, with normalised line ends, and nothing invented.
TEST(FaultGrowingFile, LoadsAPrefixOfTheFinalContent)
{
    static const char* const ends[] = {"\r\n", "\n", "\r", "\n\r"};
    std::vector<std::string> appended;
    for (int i = 0; i < 3000; ++i)
        appended.push_back("appended line " + std::to_string(i) + ends[i % 4]);
    std::string whole = "first line\r\n";
    for (const std::string& line : appended)
        whole += line;
    const std::string wholeText = NormalisedLineEnds(whole);

    test::TempDir dir;
    const std::string path = dir.File("growing.txt");
    test::WriteFile(path, "first line\r\n");
    std::atomic<bool> reading = false;
    std::atomic<bool> done = false;
    std::thread appender([&] {
        UniqueFd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        while (!reading)
            std::this_thread::yield();
        for (const std::string& line : appended) {
            if (::write(file.Get(), line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                break;
        }
        done = true;
    });
    int loads = 0;
    for (bool last = false; !last; ++loads) {
        last = done;
        reading = true;
        TStringList lines;
        LoadLines(lines, path);
        const std::string text = JoinLines(lines);
        ASSERT_TRUE(text.ends_with("\r\n"));
        ASSERT_EQ(text.find('\0'), std::string::npos);
        // Either the read stopped at a line end, or inside a line that the
        // join then ended.
        const bool atLineEnd = wholeText.compare(0, text.size(), text) == 0;
        const bool inLine = wholeText.compare(0, text.size() - 2, text, 0, text.size() - 2) == 0;
        ASSERT_TRUE(atLineEnd || inLine) << "load " << loads << " is not a prefix of the file's text";
        if (last) {
            EXPECT_EQ(text, wholeText) << "the load after the last append missed some of it";
        }
    }
    appender.join();
    EXPECT_EQ(test::ReadFile(path), whole);
}

}  // namespace
}  // namespace tessaro
