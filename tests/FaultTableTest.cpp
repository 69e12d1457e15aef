// Hostile files and failing devices met by a real run: each row arranges one
// fault, drives the run into it and checks the error's kind and
// exact message, where the run stands afterwards, and that no file on disk
// was changed, left behind or lost.

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <typeinfo>
#include <unistd.h>

#include "pages/PageRun.h"
#include "support/TestSupport.h"
#include "text/Exception.h"
#include "text/FileIO.h"
#include "text/TextFile.h"

namespace tessaro::test {
namespace {

namespace fs = std::filesystem;

const std::string kEarlierPage = "page 2 of an earlier run, not a JPEG at all";

// Every entry under the directory, with the bytes of those that are files. A
// FIFO is never opened: that would wait for a writer.
std::map<std::string, std::string> Snapshot(const fs::path& root)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::ifstream in;
        if (entry.is_regular_file())
            in.open(entry.path(), std::ios::binary);
        entries[entry.path().string()].assign(std::istreambuf_iterator<char>(in), {});
    }
    return entries;
}

// What a row's action runs as: root, a user whose permission bits apply, or
// a process whose files cannot grow past a few bytes, as on a full disk.
enum class As { Root, User, FullDisk };

// The error the action raises, run as asked. The user is root's file-system
// user, which belongs to the calling thread only: the one that makes the page.
std::string ErrorOf(As as, const std::function<void()>& action)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{16, limit.rlim_max};
    ::signal(SIGXFSZ, SIG_IGN);
    ::setfsuid(as == As::User && ::geteuid() == 0 ? 65534 : ::geteuid());
    ::setrlimit(RLIMIT_FSIZE, as == As::FullDisk ? &full : &limit);
    std::string error = "no error";
    try {
        action();
    } catch (const Exception& e) {
        error = std::string(typeid(e).name()) + " " + e.Message();
    }
    ::setfsuid(::geteuid());
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return error;
}

// The place of one run; "@" in a row's messages stands for its root.
struct Scene {
    Scene() { Settings.OutputDirectory = At("/out"); }
    std::string At(std::string_view path) const { return Dir.Path().string() + std::string(path); }

    TempDir Dir;
    std::string TextFile = At("/book.txt");
    TickSettings Settings;
};

// Start reads the text file; the tick for page 2 reads the background, then
// writes its file.
enum class Road { Text, Background, Output };

// Where each road leaves the run: a failed start empties it, a page never
// drawn keeps its text and its number, a page not written uses up its text
// but not its number.
const char* const kRunAfter[] = {" | page 1 | no text", " | page 2 | text kept", " | page 2 | text taken"};

struct FaultRow {
    const char* Name;
    Road Where;
    std::function<void(Scene&)> Arrange;
    const std::type_info& Kind;
    std::string Message;
    As Runner = As::Root;
};

// Rows print as their names, so that the test names stay the same.
void PrintTo(const FaultRow& row, std::ostream* out)
{
    *out << row.Name;
}

class FaultTable : public testing::TestWithParam<FaultRow> {};

TEST_P(FaultTable, FailsWithItsMessageAndHarmsNoFile)
{
    const FaultRow& row = GetParam();
    StartUp("ja_JP.UTF-8");
    Scene scene;
    fs::create_directory(scene.Settings.OutputDirectory);
    WriteFile(scene.TextFile, Repeat("a line\r\n", 60));
    WriteFile(scene.At("/out/book000002.jpg"), kEarlierPage);
    // Page 1 goes out normally; the fault then meets the run at page 2.
    PageRun run;
    run.Start(scene.TextFile);
    ASSERT_FALSE(run.Tick(scene.Settings));
    const std::size_t textBefore = run.RemainingText().size();
    row.Arrange(scene);
    fs::permissions(scene.Dir.Path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(scene.At("/out"), fs::perms::all, fs::perm_options::add);
    const auto before = Snapshot(scene.Dir.Path());

    std::string got = ErrorOf(row.Runner, [&] {
        if (row.Where == Road::Text)
            run.Start(scene.TextFile);
        else
            run.Tick(scene.Settings);
    });
    const std::size_t left = run.RemainingText().size();
    got += " | page " + std::to_string(run.PageCounter()) +
           (left == textBefore ? " | text kept" : left == 0 ? " | no text" : " | text taken");

    std::string message = row.Kind.name() + (" " + row.Message) + kRunAfter[int(row.Where)];
    for (std::size_t at; (at = message.find('@')) != std::string::npos;)
        message.replace(at, 1, scene.Dir.Path().string());
    EXPECT_EQ(got, message);
    EXPECT_TRUE(Snapshot(scene.Dir.Path()) == before) << "a file was changed, left behind or lost";
}

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
const std::string kCannotCreate = " を作成できません";

const FaultRow kFaultRows[] = {
    {"TextFileIsADirectory", Road::Text, [](Scene& s) { fs::create_directory(s.TextFile = s.At("/folder")); },
     typeid(EFOpenError), "ファイル @/folder は開けません"},
    {"TextFileIsAFifo", Road::Text, [](Scene& s) { ::mkfifo((s.TextFile = s.At("/pipe")).c_str(), 0644); },
     typeid(EFOpenError), "ファイル @/pipe は開けません"},
    {"TextFileIsUnreadable", Road::Text, [](Scene& s) { fs::permissions(s.TextFile, fs::perms::none); },
     typeid(EFOpenError), "ファイル @/book.txt は開けません", As::User},
    {"BackgroundIsMissing", Road::Background, [](Scene& s) { s.Settings.BackgroundPath = s.At("/none.jpg"); },
     typeid(EFOpenError), "ファイル @/none.jpg は開けません"},
    {"OutputDirectoryMissing", Road::Output, [](Scene& s) { s.Settings.OutputDirectory = s.At("/nowhere"); },
     typeid(EFCreateError), "ファイル @/nowhere/book000002.jpg" + kCannotCreate},
    {"PageFileReadOnly", Road::Output, [](Scene& s) { fs::permissions(s.At("/out/book000002.jpg"), kReadOnly); },
     typeid(EFCreateError), "ファイル @/out/book000002.jpg" + kCannotCreate, As::User},
    {"PageFileIsAFifoWithoutReader", Road::Output,
     [](Scene& s) {
         fs::remove(s.At("/out/book000002.jpg"));
         ::mkfifo(s.At("/out/book000002.jpg").c_str(), 0644);
     },
     typeid(EFCreateError), "ファイル @/out/book000002.jpg" + kCannotCreate},
    {"PageOnAFullDisk", Road::Output, [](Scene&) {}, typeid(EWriteError), "ストリームへの書き込みエラー",
     As::FullDisk},
    {"NewPageOnAFullDisk", Road::Output, [](Scene& s) { fs::remove(s.At("/out/book000002.jpg")); },
     typeid(EWriteError), "ストリームへの書き込みエラー", As::FullDisk},
    {"PageFileLinksToAFullDevice", Road::Output,
     [](Scene& s) {
         fs::remove(s.At("/out/book000002.jpg"));
         fs::create_symlink("/dev/full", s.At("/out/book000002.jpg"));
     },
     typeid(EWriteError), "ストリームへの書き込みエラー"},
};

INSTANTIATE_TEST_SUITE_P(Faults, FaultTable, testing::ValuesIn(kFaultRows),
                         [](const auto& info) { return std::string(info.param.Name); });

// A page saved over an existing file replaces it whole and keeps its
// permissions: the old file is never truncated and rewritten in place, where
// a failure would leave it damaged. So too under a name of 255 bytes, the most
// a file name may have, which leaves no room for a longer temporary name.
TEST(FaultReplacePage, NeverRewritesTheOldFileInPlace)
{
    for (const std::string& prefix : {std::string("book"), std::string(245, 'x')}) {
        TempDir dir;
        const std::string path = OutputPath(dir.Path().string(), prefix, 1);
        WriteFile(path, kEarlierPage);
        ::chmod(path.c_str(), 0640);
        const UniqueFd old(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        TBitmap page;
        page.SetWidth(8);
        page.SetHeight(8);
        SavePage(path, page);
        std::string stillThere(kEarlierPage.size() + 1, '\0');
        stillThere.resize(std::size_t(::pread(old.Get(), stillThere.data(), stillThere.size(), 0)));
        EXPECT_EQ(stillThere, kEarlierPage) << "the old file was rewritten in place";
        // A JPEG of quality 80: its luminance table starts with 16 scaled by 40 %.
        const std::string bytes = ReadFile(path);
        EXPECT_TRUE(bytes.starts_with("\xFF\xD8"));
        EXPECT_EQ(bytes.at(bytes.find("\xFF\xDB") + 5), 6);
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0, 0640u);
        EXPECT_EQ(Snapshot(dir.Path()).size(), 1u) << "a temporary file was left behind";
    }
}

// A file that grows while it is read gives the text of some prefix of what
// it finally holds, whole lines or a cut line the loader ends, and nothing
// invented.
TEST(FaultGrowingFile, LoadsAPrefixOfTheFinalContent)
{
    std::string whole = "first line\r\n";
    for (int i = 0; i < 3000; ++i)
        whole += "appended line " + std::to_string(i) + "\r\n";
    TempDir dir;
    const std::string path = dir.File("growing.txt");
    WriteFile(path, whole.substr(0, 12));
    std::atomic<bool> done = false;
    // Joined on every way out of the test, a failed assertion included.
    const std::jthread appender([&] {
        const UniqueFd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        for (std::size_t at = 12; at < whole.size(); at += 20)
            if (::write(file.Get(), whole.data() + at, std::min<std::size_t>(20, whole.size() - at)) <= 0)
                break;
        done = true;
    });
    for (bool last = false; !last;) {
        last = done;
        TStringList lines;
        LoadLines(lines, path);
        const std::string text = JoinLines(lines);
        ASSERT_TRUE(text.ends_with("\r\n") && whole.starts_with(std::string_view(text).substr(0, text.size() - 2)))
            << "a load is not a prefix of the file's text";
        EXPECT_TRUE(!last || text == whole) << "the load after the last append missed some of it";
    }
}

}  // namespace
}  // namespace tessaro::test
