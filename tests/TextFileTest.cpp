#include "text/TextFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TestSupport.h"
#include "text/Exception.h"
#include "text/FileIO.h"

namespace tessaro {
namespace {

using test::TempDir;
using test::WriteFile;

struct LoadRow {
    const char* label;
    std::string file;
    TStringList lines;
    std::string text;
};

void PrintTo(const LoadRow& row, std::ostream* out)
{
    *out << row.label;
}

class LoadAndJoin : public testing::TestWithParam<LoadRow> {};

TEST_P(LoadAndJoin, NormalisesLineEndsAndStopsAtTheFirstNul)
{
    const LoadRow& row = GetParam();
    const TempDir directory;
    const std::string path = directory.File("text.txt");
    WriteFile(path, row.file);

    TStringList list{"left over"};
    LoadLines(list, path);
    EXPECT_EQ(list, row.lines);
    EXPECT_EQ(JoinLines(list), row.text);
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

std::string HighBytes()
{
    std::string bytes;
    for (int value = 0x80; value < 0x100; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadAndJoin,
    testing::Values(LoadRow{"CrLf", "a\r\nb", {"a", "b"}, "a\r\nb\r\n"},
                    LoadRow{"LfLfAndTrailingCr", "a\n\nb\r", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
                    LoadRow{"Empty", "", {}, ""}, LoadRow{"NoLineEnd", "a", {"a"}, "a\r\n"},
                    LoadRow{"OnlyCrLf", "\r\n", {""}, "\r\n"},
                    LoadRow{"CrCrLf", "\r\r\n", {"", ""}, "\r\n\r\n"},
                    LoadRow{"LfCr", "\n\r", {"", ""}, "\r\n\r\n"},
                    LoadRow{"NulInside", Bytes({'a', 'b', 0, 'c', 'd', '\r', '\n', 'e'}), {"ab"}, "ab\r\n"},
                    LoadRow{"CrNulLf", Bytes({'\r', 0, '\n', 'a'}), {""}, "\r\n"},
                    LoadRow{"LeadingNul", Bytes({0, 'a', '\r', '\n'}), {}, ""},
                    LoadRow{"ControlBytesKept", "\t\f\x1A" "x\x1A", {"\t\f\x1A" "x\x1A"}, "\t\f\x1A" "x\x1A\r\n"},
                    LoadRow{"HighBytesKept", HighBytes(), {HighBytes()}, HighBytes() + "\r\n"},
                    LoadRow{"ShiftJis", "\x82\xA0\r\n\x82\r", {"\x82\xA0", "\x82"}, "\x82\xA0\r\n\x82\r\n"},
                    LoadRow{"Utf16", Bytes({0xFF, 0xFE, 'a', 0, 'b', 0}), {"\xFF\xFE" "a"}, "\xFF\xFE" "a\r\n"}),
    [](const testing::TestParamInfo<LoadRow>& info) { return std::string(info.param.label); });

TEST(TextFile, JoinLinesOfAnEmptyListIsEmpty)
{
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(JoinLines({"", "x", ""}), "\r\nx\r\n\r\n");
}

TEST(TextFile, FileNameIsHandedOverUnchanged)
{
    const TempDir directory;
    WriteFile(directory.File(" spaced name "), "inner");
    WriteFile(directory.File("spaced name"), "trimmed");
    const test::CurrentDirectory inside(directory.Path());

    TStringList list;
    LoadLines(list, " spaced name ");
    EXPECT_EQ(list, TStringList{"inner"});
}

// An empty name leaves two spaces side by side in the message.
TEST(TextFile, RefusesWhatCannotBeOpenedAndKeepsTheList)
{
    const TempDir directory;
    const std::string fifo = directory.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    for (const std::string& name : {directory.File("missing.txt"), std::string(), directory.Path().string(), fifo,
                                     std::string("/dev/null"), std::string("/dev/zero")}) {
        SCOPED_TRACE(name);
        TStringList list{"kept"};
        try {
            LoadLines(list, name);
            ADD_FAILURE() << "no error";
        } catch (const EFOpenError& error) {
            EXPECT_EQ(error.Message(), "ファイル " + name + " は開けません");
        }
        EXPECT_EQ(list, TStringList{"kept"});
    }
}

TEST(TextFile, RefusesAFileOfTwoGibibytesBeforeReadingIt)
{
    const TempDir directory;
    const std::string path = directory.File("huge.txt");
    {
        const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        ASSERT_TRUE(file);
        ASSERT_EQ(::ftruncate(file.Get(), 0x80000000LL), 0);
    }
    TStringList list{"kept"};
    const auto before = std::chrono::steady_clock::now();
    try {
        LoadLines(list, path);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), "ファイル " + path + " は大きすぎます");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(list, TStringList{"kept"});
}

}  // namespace
}  // namespace tessaro
