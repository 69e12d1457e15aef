#include "text/CodePageInfo.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessaro {
namespace {

struct LocaleRow {
    const char* name;
    std::uint32_t localeId;
    int codePage;
    bool doubleByte;
};

void PrintTo(const LocaleRow& row, std::ostream* out)
{
    *out << '"' << row.name << '"';
}

// Puts the program's start-up state (English) back after each test.
class CodePageInfoTest : public testing::Test {
protected:
    void TearDown() override { InitCodePageInfo("C"); }
};

class LocaleMapping : public testing::TestWithParam<LocaleRow> {
protected:
    void TearDown() override { InitCodePageInfo("C"); }
};

TEST_P(LocaleMapping, GivesLocaleIdCodePageAndDoubleByteFlag)
{
    const LocaleRow& row = GetParam();
    InitCodePageInfo(row.name);
    EXPECT_EQ(LocaleId(), row.localeId);
    EXPECT_EQ(PrimaryLanguage(), static_cast<int>(row.localeId & 0x3FF));
    EXPECT_EQ(SubLanguage(), static_cast<int>((row.localeId & 0xFFFF) >> 10));
    EXPECT_EQ(AnsiCodePage(), row.codePage);
    EXPECT_EQ(DoubleByteSystem(), row.doubleByte);
}

INSTANTIATE_TEST_SUITE_P(
    Names, LocaleMapping,
    testing::Values(LocaleRow{"ja_JP.UTF-8", 0x0411, 932, true}, LocaleRow{"ja_JP.SJIS", 0x0411, 932, true},
                    LocaleRow{"ja", 0x0411, 932, true}, LocaleRow{"en_US.UTF-8", 0x0409, 1252, false},
                    LocaleRow{"en_GB.UTF-8", 0x0809, 1252, false}, LocaleRow{"C", 0x0409, 1252, false},
                    LocaleRow{"POSIX", 0x0409, 1252, false}, LocaleRow{"C.UTF-8", 0x0409, 1252, false},
                    LocaleRow{"", 0x0409, 1252, false}, LocaleRow{"xx_YY.UTF-8", 0x0409, 1252, false},
                    LocaleRow{"zh_CN.UTF-8", 0x0804, 936, true}, LocaleRow{"zh_SG", 0x1004, 936, true},
                    LocaleRow{"zh_TW.UTF-8", 0x0404, 950, true}, LocaleRow{"zh_HK.UTF-8", 0x0C04, 950, true},
                    LocaleRow{"zh_MO", 0x1404, 950, true}, LocaleRow{"ko_KR.UTF-8", 0x0412, 949, true},
                    LocaleRow{"th_TH.UTF-8", 0x041E, 874, false}, LocaleRow{"de_DE.UTF-8", 0x0407, 1252, false},
                    LocaleRow{"de_AT@euro", 0x0C07, 1252, false}, LocaleRow{"fr_FR", 0x040C, 1252, false},
                    LocaleRow{"es_ES.UTF-8", 0x0C0A, 1252, false}, LocaleRow{"es_MX", 0x080A, 1252, false},
                    LocaleRow{"ru_RU.UTF-8", 0x0419, 1251, false}, LocaleRow{"uk_UA", 0x0422, 1251, false},
                    LocaleRow{"pl_PL", 0x0415, 1250, false}, LocaleRow{"el_GR", 0x0408, 1253, false},
                    LocaleRow{"tr_TR", 0x041F, 1254, false}, LocaleRow{"he_IL", 0x040D, 1255, false},
                    LocaleRow{"ar_EG", 0x0C01, 1256, false}, LocaleRow{"lt_LT", 0x0427, 1257, false},
                    LocaleRow{"vi_VN", 0x042A, 1258, false}, LocaleRow{"sr_RS", 0x281A, 1251, false},
                    LocaleRow{"sr_RS@latin", 0x241A, 1250, false}, LocaleRow{"hi_IN", 0x0439, 1252, false}));

// Sets or removes the locale variables for the life of the object.
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* all, const char* ctype, const char* lang)
    {
        Set("LC_ALL", all);
        Set("LC_CTYPE", ctype);
        Set("LANG", lang);
    }
    ~LocaleEnvironment()
    {
        for (const auto& [name, value] : saved_)
            Set(name, value ? value->c_str() : nullptr, false);
    }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

private:
    void Set(const char* name, const char* value, bool remember = true)
    {
        if (remember) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        }
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(CodePageInfoTest, ReadsTheFirstNonEmptyOfLcAllLcCtypeAndLang)
{
    struct Row {
        const char* all;
        const char* ctype;
        const char* lang;
        std::uint32_t localeId;
    };
    const Row rows[] = {
        {nullptr, nullptr, nullptr, 0x0409},
        {"", "", "", 0x0409},
        {nullptr, nullptr, "ja_JP.UTF-8", 0x0411},
        {"", "", "ja_JP.UTF-8", 0x0411},
        {"ja_JP.UTF-8", nullptr, "en_US.UTF-8", 0x0411},
        {"en_US.UTF-8", "ko_KR.UTF-8", "ja_JP.UTF-8", 0x0409},
        {nullptr, "ko_KR.UTF-8", "ja_JP.UTF-8", 0x0412},
        {"", "zh_TW.UTF-8", "", 0x0404},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.all ? row.all : "(unset)") << " / "
                                        << (row.ctype ? row.ctype : "(unset)") << " / "
                                        << (row.lang ? row.lang : "(unset)"));
        const LocaleEnvironment environment(row.all, row.ctype, row.lang);
        InitCodePageInfo();
        EXPECT_EQ(LocaleId(), row.localeId);
    }
}

TEST_F(CodePageInfoTest, PublishedLeadByteRangesOfTheDoubleByteCodePages)
{
    struct Row {
        int codePage;
        unsigned char byte;
        bool lead;
    };
    const Row rows[] = {
        {932, 0x80, false}, {932, 0x81, true},  {932, 0x9F, true},  {932, 0xA0, false}, {932, 0xDF, false},
        {932, 0xE0, true},  {932, 0xFC, true},  {932, 0xFD, false}, {936, 0x80, false}, {936, 0x81, true},
        {936, 0xFE, true},  {936, 0xFF, false}, {949, 0x81, true},  {949, 0xA0, true},  {949, 0xFF, false},
        {950, 0x80, false}, {950, 0xC8, true},  {950, 0xFE, true},  {1252, 0x81, false}, {874, 0xA1, false},
        {932, 0x00, false}, {950, 0x41, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.codePage << " byte " << int(row.byte));
        EXPECT_EQ(IsLeadByteOf(row.codePage, row.byte), row.lead);
    }
}

TEST_F(CodePageInfoTest, StartsWithLeadByteFollowsTheJapaneseSet)
{
    InitCodePageInfo("ja_JP.UTF-8");
    const struct {
        const char* text;
        bool lead;
    } rows[] = {
        {"", false},          {"\x81", true},       {"\x9F" "a", true}, {"\xE0\x40", true}, {"\xFC\xFC", true},
        {"\x82", true},       {"\x80\x81", false},  {"\xA0", false},    {"\xDF", false},    {"\xFD", false},
        {"a\x82", false},     {"\r\n", false},      {"\n", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.text)));
        EXPECT_EQ(StartsWithLeadByte(row.text), row.lead);
    }
}

TEST_F(CodePageInfoTest, WesternLocaleClassifiesEveryByteAsSingle)
{
    for (const char* name : {"en_US.UTF-8", "de_DE", "fr_FR", "C"}) {
        SCOPED_TRACE(name);
        InitCodePageInfo(name);
        EXPECT_FALSE(DoubleByteSystem());
        for (int byte = 0; byte < 256; ++byte) {
            const std::string text{static_cast<char>(byte), '\x40'};
            ASSERT_FALSE(StartsWithLeadByte(text)) << byte;
            ASSERT_FALSE(IsLeadByte(static_cast<unsigned char>(byte))) << byte;
            ASSERT_EQ(ByteTypeAt(text, 2), mbSingleByte) << byte;
        }
        EXPECT_TRUE(IsLeadByteOf(932, 0x82));
    }
}

TEST_F(CodePageInfoTest, ByteTypeAtCountsLeadBytesBackwards)
{
    InitCodePageInfo("ja_JP.UTF-8");
    const struct {
        const char* text;
        int index;
        TMbcsByteType type;
    } rows[] = {
        {"\x82\xA0", 2, mbTrailByte},         {"\x82\x82\x82", 3, mbLeadByte},
        {"\x82\x82\x82\x82", 4, mbTrailByte}, {"\x41\x82", 2, mbLeadByte},
        {"\x41\x82", 3, mbSingleByte},        {"\x82", 1, mbLeadByte},
        {"\x82", 2, mbSingleByte},            {"\x82\r\n", 2, mbTrailByte},
        {"\x82\r\n", 3, mbSingleByte},        {"\x82\xA0\x41", 3, mbSingleByte},
        {"a", 1, mbSingleByte},               {"", 1, mbSingleByte},
        {"\xA0\x82\x82", 3, mbTrailByte},     {"\x82\x82\xA0", 3, mbSingleByte},
        {"\x82\x82", 0, mbSingleByte},        {"\x82\x82", 4, mbSingleByte},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::string(row.text)) << " at " << row.index);
        EXPECT_EQ(ByteTypeAt(row.text, row.index), row.type);
    }
    const std::string withNul("\x82\0\x82", 3);
    EXPECT_EQ(ByteTypeAt(withNul, 2), mbSingleByte);
}

TEST_F(CodePageInfoTest, TakeBytesClampsLikeAOneBasedCopy)
{
    InitCodePageInfo("ja_JP.UTF-8");
    const struct {
        const char* text;
        int start;
        int count;
        const char* result;
    } rows[] = {
        {"abc", 0, 2, "ab"},          {"abc", -5, 1, "a"},         {"abc", 3, 1, "c"},
        {"abc", 4, 1, ""},            {"abc", 2, 10, "bc"},        {"abc", 1, 0, ""},
        {"abc", 1, -1, ""},           {"abc", 1, 3, "abc"},        {"abc", -5, INT_MAX, "abc"},
        {"abc", INT_MIN, INT_MAX, "abc"}, {"abc", 3, INT_MAX, "c"}, {"abc", INT_MAX, INT_MAX, ""},
        {"abc", INT_MIN, INT_MIN, ""}, {"ab", 3, 0, ""},           {"", 1, 1, ""},
        {"", 0, 5, ""},               {"", -1, INT_MAX, ""},       {"\x82", 1, 2, "\x82"},
        {"\x82", 3, -1, ""},          {"\x82\r\n", 1, 2, "\x82\r"}, {"\x82\r\n", 3, 1, "\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << '"' << row.text << "\" " << row.start << ", " << row.count);
        EXPECT_EQ(TakeBytes(row.text, row.start, row.count), row.result);
    }
}

}  // namespace
}  // namespace tessaro
