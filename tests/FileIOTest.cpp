#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "support/TestSupport.h"
#include "text/Exception.h"
#include "text/FileIO.h"

namespace tessaro {
namespace {

void Write(const std::string& path, std::string_view bytes)
{
    WriteWholeFile(path, bytes.data(), bytes.size());
}

std::size_t EntriesIn(const std::filesystem::path& dir)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(FileIOTest, NewAndReplacedFilesHoldExactlyTheNewBytes)
{
    test::TempDir dir;
    const std::string page = dir.File("page.jpg");
    Write(page, "a longer first version");
    EXPECT_EQ(test::ReadFile(page), "a longer first version");
    ::chmod(page.c_str(), 0640);
    Write(page, "short");
    EXPECT_EQ(test::ReadFile(page), "short");
    struct stat info {};
    ASSERT_EQ(::stat(page.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left behind";
}

TEST(FileIOTest, FailuresLeaveNothingBehindAndNameTheFile)
{
    test::TempDir dir;
    const std::string missing = dir.File("no/such/dir/page.jpg");
    try {
        Write(missing, "x");
        FAIL() << "a missing directory must fail";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "ファイル " + missing + " を作成できません");
    }
    EXPECT_THROW(Write("/dev/full", "bytes that do not fit"), EWriteError);
    EXPECT_THROW(Write(dir.Path().string(), "x"), EFCreateError) << "a directory is not a page";
    EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(FileIOTest, ReadingRefusesWhatIsNotARegularFile)
{
    test::TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir.Path().string(), dir.File("missing")})
        EXPECT_THROW(OpenRegularFileForReading(path), EFOpenError) << path;

    const std::string file = dir.File("text");
    test::WriteFile(file, "12345");
    const UniqueFd fd = OpenRegularFileForReading(file);
    EXPECT_EQ(FileSize(fd), 5);
    char buffer[8] = {};
    EXPECT_EQ(ReadUpTo(fd, buffer, sizeof buffer), 5u);
}

}  // namespace
}  // namespace tessaro
