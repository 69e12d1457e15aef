#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "imaging/TFont.h"
#include "support/TestSupport.h"

namespace tessaro::test {
namespace {

const std::string a29(29, 'a'), a30(30, 'a'), a31(31, 'a');

// Names keep at most 31 bytes of the character set's code page, in whole
// characters; one the code page lacks counts as one byte.
struct NameRow {
    const char* Case;
    const char* Locale;
    std::uint8_t Charset;
    std::string Name;
    std::string Kept;
};

void PrintTo(const NameRow& row, std::ostream* out)
{
    *out << row.Case;
}

class FontName : public ::testing::TestWithParam<NameRow> {};

TEST_P(FontName, IsCutInTheCodePageAtACharacterBoundary)
{
    const NameRow& row = GetParam();
    StartUp(row.Locale);
    TFont font;
    font.SetCharset(row.Charset);
    font.SetName(row.Name);
    EXPECT_EQ(font.Name(), row.Kept);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FontName,
    ::testing::Values(
        // 32 bytes of UTF-8, 25 of code page 932.
        NameRow{"JapaneseFitsIn932", "ja_JP.UTF-8", SHIFTJIS_CHARSET, "源ノ角ゴシック JP Regular", "源ノ角ゴシック JP Regular"},
        NameRow{"DoubleByteAfter30", "ja_JP.UTF-8", SHIFTJIS_CHARSET, a30 + "あ", a30},
        NameRow{"DoubleByteEndsAt31", "ja_JP.UTF-8", SHIFTJIS_CHARSET, a29 + "あb", a29 + "あ"},
        NameRow{"HalfWidthKanaIsOneByte", "ja_JP.UTF-8", SHIFTJIS_CHARSET, a30 + "ｱb", a30 + "ｱ"},
        NameRow{"LackingIn932IsOneByte", "ja_JP.UTF-8", SHIFTJIS_CHARSET, a30 + "éb", a30 + "é"},
        NameRow{"DefaultSetReadsTheLocale", "ja_JP.UTF-8", DEFAULT_CHARSET, a30 + "あ", a30},
        NameRow{"LatinIsOneByteIn1252", "en_US.UTF-8", DEFAULT_CHARSET, a30 + "©b", a30 + "©"},
        NameRow{"LackingIn1252IsOneByte", "en_US.UTF-8", DEFAULT_CHARSET, a29 + "漢字c", a29 + "漢字"},
        NameRow{"Ascii", "en_US.UTF-8", DEFAULT_CHARSET, a31 + "bc", a31},
        NameRow{"Short", "en_US.UTF-8", DEFAULT_CHARSET, "IPAGothic", "IPAGothic"}),
    [](const auto& info) { return std::string(info.param.Case); });

}  // namespace
}  // namespace tessaro::test
