#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <filesystem>
#include <tuple>

#include "pages/PageRun.h"
#include "support/LineEnds.h"
#include "support/MemoryFile.h"
#include "support/TestSupport.h"
#include "text/CodePageDecoder.h"
#include "text/CodePageInfo.h"
#include "text/Exception.h"
#include "text/TextFile.h"
#include "text/Utf8.h"

namespace tessaro::test {
namespace {

// Puts the program's start-up state (English) back after each test.
class CodePageTest : public testing::Test {
protected:
    void TearDown() override { InitCodePageInfo("C"); }
};

TEST_F(CodePageTest, LocaleNamesGiveLocaleIdCodePageAndDoubleByteFlag)
{
    const std::tuple<const char*, int, int, bool> rows[] = {
        {"ja_JP.UTF-8", 0x0411, 932, true}, {"JA_jp", 0x0411, 932, true},         {"zh_CN", 0x0804, 936, true},
        {"zh_TW", 0x0404, 950, true},       {"ko_KR.UTF-8", 0x0412, 949, true},   {"th_TH", 0x041E, 874, false},
        {"en_GB", 0x0809, 1252, false},     {"de_AT@euro", 0x0C07, 1252, false},  {"es", 0x0C0A, 1252, false},
        {"sr_RS", 0x281A, 1251, false},     {"sr_RS@latin", 0x241A, 1250, false}, {"hi_IN", 0x0439, 1252, false},
        {"vi_VN", 0x042A, 1258, false},     {"C", 0x0409, 1252, false},           {"xx_YY", 0x0409, 1252, false}};
    for (const auto& [name, id, codePage, doubleByte] : rows) {
        InitCodePageInfo(name);
        EXPECT_EQ(std::tuple(LocaleId(), PrimaryLanguage(), SubLanguage(), AnsiCodePage(), DoubleByteSystem()),
                  std::tuple(std::uint32_t(id), id & 0x3FF, id >> 10, codePage, doubleByte))
            << name;
    }
}

// The last row empties all three again.
TEST_F(CodePageTest, LocaleIsTheFirstNonEmptyOfLcAllLcCtypeAndLang)
{
    const std::pair<std::array<const char*, 3>, std::uint32_t> rows[] = {
        {{"", "", "ja_JP.UTF-8"}, 0x0411}, {{"", "ko_KR.UTF-8", "ja_JP.UTF-8"}, 0x0412},
        {{"en_US.UTF-8", "ko_KR.UTF-8", "ja_JP.UTF-8"}, 0x0409}, {{"", "", ""}, 0x0409}};
    for (const auto& [values, id] : rows) {
        for (int i = 0; i < 3; ++i)
            setenv(std::array{"LC_ALL", "LC_CTYPE", "LANG"}[i], values[i], 1);
        InitCodePageInfo();
        EXPECT_EQ(LocaleId(), id) << values[0] << "/" << values[1] << "/" << values[2];
    }
}

TEST_F(CodePageTest, LeadBytesAreThePublishedRangesOfTheDoubleByteCodePages)
{
    const std::tuple<int, std::string, std::string> rows[] = {
        {932, "\x81\x9F\xE0\xFC", {"\0\x80\xA0\xDF\xFD", 5}}, {936, "\x81\xFE", "\x80\xFF"}, {949, "\x81\xFE", "\x80\xFF"},
        {950, "\x81\xFE", "\x41\x80\xFF"},                   {1252, "", "\x81"}};
    for (const auto& [codePage, leads, others] : rows)
        for (const auto& [bytes, lead] : {std::pair{leads, true}, std::pair{others, false}})
            for (const char byte : bytes)
                EXPECT_EQ(IsLeadByteOf(codePage, byte), lead) << codePage << " " << +byte;
}

TEST_F(CodePageTest, ByteTypeAtPairsLeadBytesFromTheLeftAndTakeBytesClamps)
{
    InitCodePageInfo("ja_JP.UTF-8");
    const std::tuple<std::string, int, TMbcsByteType> rows[] = {
        {"\x82\xA0", 1, mbLeadByte},      {"\x82\xA0", 2, mbTrailByte},     {"\x82\x82\x82", 3, mbLeadByte},
        {"\xA0\x82\x82", 3, mbTrailByte}, {"\x82\x82\xA0", 3, mbSingleByte}, {{"\x82\0", 2}, 2, mbSingleByte},
        {"\x82\x82", 0, mbSingleByte},    {"\x82\x82", 3, mbSingleByte},    {"a\x82", 1, mbSingleByte}};
    for (const auto& [text, index, type] : rows) {
        EXPECT_EQ(ByteTypeAt(text, index), type) << testing::PrintToString(text) << " at " << index;
        EXPECT_EQ(StartsWithLeadByte(text), ByteTypeAt(text, 1) == mbLeadByte);
    }
    const std::tuple<int, int, const char*> copies[] = {{0, 2, "ab"},  {3, 1, "c"},  {4, 1, ""},
                                                        {2, 10, "bc"}, {1, 0, ""},   {INT_MIN, INT_MAX, "abc"}};
    for (const auto& [start, count, result] : copies)
        EXPECT_EQ(TakeBytes("abc", start, count), result) << start << ", " << count;
}

TEST(CodePageDecoder, DecodesOneCharacterOfEachCodePage)
{
    const std::tuple<std::string, int, char32_t> rows[] = {
        {"A", 932, U'A'},             {"\x82\xA0", 932, U'\u3042'}, {"\x81\x5F", 932, U'\uFF3C'}, {{"\0", 1}, 932, 0},
        {"\x82", 932, U'\uFFFD'},     {"", 932, U'\uFFFD'},         {"\xB0\xA1", 936, U'\u554A'}, {"\xB0\xA1", 949, U'\uAC00'},
        {"\xA4\x40", 950, U'\u4E00'}, {"\xA1", 874, U'\u0E01'},     {"\x80", 1252, U'\u20AC'},    {"\xC0", 1251, U'\u0410'},
        {"a", 1258, U'a'},            {"AB", 1252, U'\uFFFD'},      {"A", 99999, U'A'},           {"\x80", 99999, U'\uFFFD'}};
    for (const auto& [bytes, codePage, expected] : rows)
        EXPECT_EQ(std::uint32_t(DecodeCharacter(bytes, codePage)), std::uint32_t(expected))
            << testing::PrintToString(bytes) << " in " << codePage;
}

TEST(TextEncoding, Utf8SequencesAndTheChoiceOfEncoding)
{
    const std::tuple<std::string, std::size_t, char32_t> rows[] = {
        {"a", 1, U'a'},           {"\xC3\xA9", 2, U'\u00E9'},       {"\xE4\xBA\x9C", 3, U'\u4E9C'},
        {"\xF0\x9F\x98\x80", 4, U'\U0001F600'},                     {"\xF4\x8F\xBF\xBF", 4, U'\U0010FFFF'},
        {"", 0, U'\uFFFD'},       {"\x80", 0, U'\uFFFD'},           {"\xC1\xBF", 0, U'\uFFFD'},
        {"\xE0\x9F\xBF", 0, U'\uFFFD'}, {"\xED\xA0\x80", 0, U'\uFFFD'}, {"\xF4\x90\x80\x80", 0, U'\uFFFD'},
        {"\xE4\xBA\x41", 0, U'\uFFFD'}, {"\xE4\xBA", 0, U'\uFFFD'},     {"\xC3\xA9x", 2, U'\uFFFD'}};
    for (const auto& [bytes, length, codePoint] : rows)
        EXPECT_EQ(std::pair(Utf8SequenceLength(bytes), std::uint32_t(DecodeUtf8(bytes))),
                  std::pair(length, std::uint32_t(codePoint)))
            << testing::PrintToString(bytes);
    using enum TextEncodingChoice;
    EXPECT_EQ(DecideTextEncoding("\xEF\xBB\xBFplain", Auto), TextEncoding::Utf8);
    EXPECT_EQ(DecideTextEncoding("caf\xC3\xA9\r\n", Auto), TextEncoding::Utf8);
    EXPECT_EQ(DecideTextEncoding("plain ascii\r\n", Auto), TextEncoding::Locale);
    EXPECT_EQ(DecideTextEncoding("caf\xC3\xA9\xC3", Auto), TextEncoding::Locale);  // cut short
    EXPECT_EQ(DecideTextEncoding("caf\xC3\xA9", Locale), TextEncoding::Locale);
    EXPECT_EQ(DecideTextEncoding("caf\xC3\xA9", ShiftJis), TextEncoding::ShiftJis);
    std::vector<std::size_t> lengths;  // a malformed sequence goes one byte at a time
    for (std::string_view s = "a\x80\xC0\xAF\xE4\xBA\x9C\xE4\xBA"; !s.empty(); s.remove_prefix(lengths.back()))
        lengths.push_back(CharacterLengthAt(s, TextEncoding::Utf8));
    EXPECT_EQ(lengths, (std::vector<std::size_t>{1, 1, 1, 1, 3, 1, 1}));
}

// The pixels of every page of a book, run page by page as the program runs it.
std::string RunBook(const std::string& text, std::string_view locale, TextEncodingChoice choice)
{
    StartUp(locale);
    PageRun run;
    run.Start(MemoryFile(text), choice);
    std::string pixels;
    const auto keep = [&](const std::string&, const TBitmap& page) {
        pixels.append(reinterpret_cast<const char*>(page.ScanLine(0)), std::size_t(page.RowBytes()) * page.Height());
    };
    for (int tick = 0; tick < 100 && !run.Tick(TickSettings(), keep); ++tick) {
    }
    return pixels;
}

// 吾輩は猫である。 and an English line, in Shift_JIS and in UTF-8.
TEST(TextEncoding, AUtf8BookGivesTheSamePagesAsItsShiftJisTwin)
{
    const std::string shiftJis = Repeat("\x8c\xe1\x94\x79\x82\xcd\x94\x4c\x82\xc5\x82\xa0\x82\xe9\x81\x42\r\nA cat.\r\n", 30);
    const std::string utf8 = Repeat(
        "\xE5\x90\xBE\xE8\xBC\xA9\xE3\x81\xAF\xE7\x8C\xAB\xE3\x81\xA7\xE3\x81\x82\xE3\x82\x8B\xE3\x80\x82\r\nA cat.\r\n", 30);
    using enum TextEncodingChoice;
    const std::string pages = RunBook(shiftJis, "ja_JP.UTF-8", Auto);
    ASSERT_GT(pages.size(), 3u * 480 * 272 * 4);
    EXPECT_TRUE(RunBook(utf8, "ja_JP.UTF-8", Auto) == pages);
    EXPECT_TRUE(RunBook("\xEF\xBB\xBF" + utf8, "en_US.UTF-8", Auto) == pages) << "a leading byte-order mark is dropped";
    EXPECT_TRUE(RunBook(shiftJis, "en_US.UTF-8", ShiftJis) == pages);
}

// Every file of up to five bytes over {a, CR, LF, NUL, 0x82}: 3906 files.
TEST(TextFile, EveryShortFileLoadsAsTheLineEndRulesSayAndAHugeOneIsRefused)
{
    const std::string alphabet("a\r\n\0\x82", 5);
    std::vector<std::string> files{""};
    for (std::size_t i = 0; i < files.size(); ++i)
        if (files[i].size() < 5)
            for (const char byte : alphabet)
                files.push_back(files[i] + byte);
    for (const std::string& bytes : files) {
        TStringList lines{"left over"};
        LoadLines(lines, MemoryFile(bytes));
        // Joined as the rules say, and as many lines as line ends: no line holds a line end.
        ASSERT_EQ(JoinLines(lines), NormalisedText(bytes)) << testing::PrintToString(bytes);
        ASSERT_EQ(lines.size(), std::ranges::count(NormalisedText(bytes), '\n')) << testing::PrintToString(bytes);
    }
    // A file of 2 GiB is refused unread, and the list kept.
    const std::string huge = MemoryFile("");
    std::filesystem::resize_file(huge, 0x80000000LL);
    TStringList list{"kept"};
    EXPECT_THROW(LoadLines(list, huge), EReadError);
    EXPECT_EQ(list, TStringList{"kept"});
}

// A period after a last byte above '.', taken unsigned: after Japanese, not after ".", "-" or " ".
TEST(Messages, PeriodFollowsALastByteAboveTheFullStop)
{
    const std::pair<const char*, const char*> rows[] = {{"", ""},     {"done", "done."}, {"done.", "done."},
                                                        {"a/", "a/."}, {"a-", "a-"},       {"a ", "a "},
                                                        {"x!", "x!"},  {"開けません", "開けません."}};
    for (const auto& [message, shown] : rows)
        EXPECT_EQ(WithPeriod(message), shown) << '"' << message << '"';
    EXPECT_EQ(EJPEG(-12).Message(), "JPEG エラー #-12");
}

}  // namespace
}  // namespace tessaro::test
