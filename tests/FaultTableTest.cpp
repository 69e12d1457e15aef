// Hostile files and failing devices met by a real run: each row arranges one
// fault, drives the run (or SavePage) into it and checks the error's kind and
// exact message, where the run stands afterwards, and that no file on disk
// was changed, left behind or lost.

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <sys/fsuid.h>
#include <sys/mount.h>
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

// Permission bits bind root too while its file-system user is nobody; that
// user belongs to the calling thread only, the one that makes the page.
class AsNobody {
public:
    explicit AsNobody(bool wanted) : active_(wanted && ::geteuid() == 0)
    {
        if (active_)
            ::setfsuid(65534);
    }
    ~AsNobody()
    {
        if (active_)
            ::setfsuid(0);
    }

private:
    bool active_;
};

TickSettings OutputInto(const std::string& directory)
{
    TickSettings settings;
    settings.OutputDirectory = directory;
    return settings;
}

// The place of one run; "@" in a row's messages stands for its root.
struct Scene {
    ~Scene()
    {
        if (!Mounted.empty())
            ::umount2(Mounted.c_str(), MNT_DETACH);
    }
    std::string At(std::string_view path) const { return Dir.Path().string() + std::string(path); }

    TempDir Dir;
    std::string TextFile = At("/book.txt");
    TickSettings Settings = OutputInto(At("/out"));
    std::string SavePath, Mounted;
    std::string Skip;  // why the row cannot run here
};

// Start reads the text file; the tick for page 2 reads the background, then
// writes its file; SavePage writes straight onto a device.
enum class Road { Text, Background, Output, Device };

// Where each road leaves the run: a failed start empties it, a page never
// drawn keeps its text and its number, a page not written uses up its text
// but not its number.
const char* const kRunAfter[] = {" | page 1 | no text", " | page 2 | text kept", " | page 2 | text taken",
                                 " | page 2 | text kept"};

struct FaultRow {
    const char* Name;
    Road Where;
    std::function<void(Scene&)> Arrange;
    const std::type_info& Kind;
    std::string Message;
    bool AsUser = false;  // permission bits must apply, to root as well
};

void PrintTo(const FaultRow& row, std::ostream* out)
{
    *out << row.Name;
}

class FaultTable : public testing::TestWithParam<FaultRow> {
protected:
    void SetUp() override { StartUp("ja_JP.UTF-8"); }
};

TEST_P(FaultTable, FailsWithItsMessageAndHarmsNoFile)
{
    const FaultRow& row = GetParam();
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
    if (!scene.Skip.empty())
        GTEST_SKIP() << scene.Skip;
    fs::permissions(scene.Dir.Path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(scene.At("/out"), fs::perms::all, fs::perm_options::add);
    const auto before = Snapshot(scene.Dir.Path());

    std::string got = "no error";
    try {
        const AsNobody user(row.AsUser);
        TBitmap page;
        page.SetWidth(8);
        page.SetHeight(8);
        if (row.Where == Road::Text)
            run.Start(scene.TextFile);
        else if (row.Where == Road::Device)
            SavePage(scene.SavePath, page);
        else
            run.Tick(scene.Settings);
    } catch (const Exception& e) {
        got = std::string(typeid(e).name()) + " " + e.Message();
    }
    const std::size_t left = run.RemainingText().size();
    got += " | page " + std::to_string(run.PageCounter()) +
           (left == textBefore ? " | text kept" : left == 0 ? " | no text" : " | text taken");

    std::string message = row.Kind.name() + (" " + row.Message) + kRunAfter[int(row.Where)];
    for (std::size_t at; (at = message.find('@')) != std::string::npos;)
        message.replace(at, 1, scene.Dir.Path().string());
    EXPECT_EQ(got, message);
    EXPECT_TRUE(Snapshot(scene.Dir.Path()) == before) << "a file was changed, left behind or lost";
}

// A small file system of its own as the output directory, holding an earlier
// run's page 2 and full to the last byte.
void FullDisk(Scene& s, const std::string& prefix)
{
    const std::string disk = s.At("/disk");
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
        s.Skip = "no permission to mount a small file system";
        return;
    }
    s.Mounted = s.Settings.OutputDirectory = disk;
    s.Settings.Prefix = prefix;
    WriteFile(OutputPath(disk, prefix, 2), kEarlierPage);
    const UniqueFd filler(::open((disk + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    const std::string block(4096, 'f');
    while (::write(filler.Get(), block.data(), block.size()) > 0) {
    }
}

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
constexpr fs::perms kSearchable = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
const std::string kCannotCreate = " を作成できません";

const FaultRow kFaultRows[] = {
    {"TextFileIsADirectory", Road::Text, [](Scene& s) { fs::create_directory(s.TextFile = s.At("/folder")); },
     typeid(EFOpenError), "ファイル @/folder は開けません"},
    {"TextFileIsAFifo", Road::Text, [](Scene& s) { ::mkfifo((s.TextFile = s.At("/pipe")).c_str(), 0644); },
     typeid(EFOpenError), "ファイル @/pipe は開けません"},
    {"TextFileIsADevice", Road::Text, [](Scene& s) { s.TextFile = "/dev/zero"; }, typeid(EFOpenError),
     "ファイル /dev/zero は開けません"},
    {"TextFileIsUnreadable", Road::Text, [](Scene& s) { fs::permissions(s.TextFile, fs::perms::none); },
     typeid(EFOpenError), "ファイル @/book.txt は開けません", true},
    {"TextFileRemovedAfterChoosing", Road::Text, [](Scene& s) { fs::remove(s.TextFile); }, typeid(EFOpenError),
     "ファイル @/book.txt は開けません"},
    {"BackgroundIsMissing", Road::Background, [](Scene& s) { s.Settings.BackgroundPath = s.At("/none.jpg"); },
     typeid(EFOpenError), "ファイル @/none.jpg は開けません"},
    {"OutputDirectoryMissing", Road::Output, [](Scene& s) { s.Settings.OutputDirectory = s.At("/nowhere"); },
     typeid(EFCreateError), "ファイル @/nowhere/book000002.jpg" + kCannotCreate},
    {"OutputDirectoryReadOnly", Road::Output,
     [](Scene& s) {
         fs::create_directory(s.Settings.OutputDirectory = s.At("/locked"));
         fs::permissions(s.Settings.OutputDirectory, kReadOnly | kSearchable);
     },
     typeid(EFCreateError), "ファイル @/locked/book000002.jpg" + kCannotCreate, true},
    {"PageFileReadOnly", Road::Output, [](Scene& s) { fs::permissions(s.At("/out/book000002.jpg"), kReadOnly); },
     typeid(EFCreateError), "ファイル @/out/book000002.jpg" + kCannotCreate, true},
    {"PageFileIsADirectory", Road::Output,
     [](Scene& s) { fs::remove(s.At("/out/book000002.jpg")), fs::create_directory(s.At("/out/book000002.jpg")); },
     typeid(EFCreateError), "ファイル @/out/book000002.jpg" + kCannotCreate},
    {"PageFileIsAFifoWithoutReader", Road::Output,
     [](Scene& s) { fs::remove(s.At("/out/book000002.jpg")), ::mkfifo(s.At("/out/book000002.jpg").c_str(), 0644); },
     typeid(EFCreateError), "ファイル @/out/book000002.jpg" + kCannotCreate},
    {"OutputNameTooLong", Road::Output, [](Scene& s) { s.Settings.Prefix = std::string(300, 'x'); },
     typeid(EFCreateError), "ファイル @/out/" + std::string(300, 'x') + "000002.jpg" + kCannotCreate},
    // 255 bytes are the most a file name may have: no room for a longer
    // temporary name beside it.
    {"PageOnAFullDisk", Road::Output, [](Scene& s) { FullDisk(s, "book"); }, typeid(EWriteError),
     "ストリームへの書き込みエラー"},
    {"PageOf255BytesOnAFullDisk", Road::Output, [](Scene& s) { FullDisk(s, std::string(245, 'x')); },
     typeid(EWriteError), "ストリームへの書き込みエラー"},
    {"PageOnAFullDevice", Road::Device, [](Scene& s) { s.SavePath = "/dev/full"; }, typeid(EWriteError),
     "ストリームへの書き込みエラー"},
};

INSTANTIATE_TEST_SUITE_P(Faults, FaultTable, testing::ValuesIn(kFaultRows),
                         [](const auto& info) { return std::string(info.param.Name); });

// A page saved over an existing file replaces it whole and keeps its
// permissions: the old file is never truncated and rewritten in place, where
// a failure would leave it damaged. So too under a name of 255 bytes.
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
        EXPECT_TRUE(ReadFile(path).starts_with("\xFF\xD8"));
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
    std::atomic<bool> reading = false, done = false;
    // Joined on every way out of the test, a failed assertion included.
    const std::jthread appender([&] {
        const UniqueFd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        while (!reading)
            std::this_thread::yield();
        for (std::size_t at = 12; at < whole.size(); at += 20)
            if (::write(file.Get(), whole.data() + at, std::min<std::size_t>(20, whole.size() - at)) <= 0)
                break;
        done = true;
    });
    for (bool last = false; !last;) {
        last = done;
        reading = true;
        TStringList lines;
        LoadLines(lines, path);
        const std::string text = JoinLines(lines);
        ASSERT_TRUE(text.ends_with("\r\n"));
        ASSERT_TRUE(whole.starts_with(std::string_view(text).substr(0, text.size() - 2)))
            << "a load is not a prefix of the file's text";
        EXPECT_TRUE(!last || text == whole) << "the load after the last append missed some of it";
    }
}

}  // namespace
}  // namespace tessaro::test
