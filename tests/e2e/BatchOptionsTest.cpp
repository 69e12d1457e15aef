#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/BatchOptions.h"
#include "support/TestSupport.h"

namespace tessaro::cli {
namespace {

using Arguments = std::vector<std::string>;

// Every parsed option on one line; an option left unset shows as "-".
std::string Describe(const BatchOptions& o)
{
    static const char* const encodings[] = {"auto", "locale", "utf-8", "shift_jis"};
    std::ostringstream line;
    const FontOptions& font = o.Font;
    line << "[" << o.TextFile << "] " << (o.Settings.Format == PageFormat::QVGA ? "qvga" : "psp") << " bg="
         << o.Settings.BackgroundPath << " prefix=" << o.Settings.Prefix << " out=" << o.Settings.OutputDirectory
         << " font=" << font.Family.value_or("-") << "/" << (font.Size ? std::to_string(*font.Size) : "-") << "/"
         << (font.Color ? std::to_string(*font.Color) : "-") << "/" << (font.Style ? std::to_string(*font.Style) : "-")
         << " dpi=" << o.PixelsPerInch << " locale=" << o.Locale.value_or("-") << " "
         << encodings[int(o.Encoding)] << " jobs=" << o.Jobs << (o.Quiet ? " quiet" : "") << (o.Help ? " help" : "")
         << (o.Version ? " version" : "");
    return line.str();
}

struct AcceptedRow {
    Arguments Args;
    std::string Options;  // "jobs=J" stands for the default number of jobs
};

class AcceptedTest : public testing::TestWithParam<AcceptedRow> {};

TEST_P(AcceptedTest, GivesItsOptions)
{
    std::string expected = GetParam().Options;
    if (const auto at = expected.find("jobs=J"); at != std::string::npos)
        expected.replace(at, 6, "jobs=" + std::to_string(DefaultJobs()));
    EXPECT_EQ(Describe(ParseBatchOptions(GetParam().Args)), expected);
}

const std::string kDefaults = " psp bg= prefix=book out= font=-/-/-/- dpi=96 locale=- auto jobs=J";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, AcceptedTest,
    testing::Values(
        AcceptedRow{{"book.txt"}, "[book.txt]" + kDefaults}, AcceptedRow{{"-"}, "[-]" + kDefaults},
        AcceptedRow{{"--", "--odd.txt"}, "[--odd.txt]" + kDefaults},
        AcceptedRow{{"book.txt", "--quiet"}, "[book.txt]" + kDefaults + " quiet"},
        AcceptedRow{{"\x96\x7b.txt"}, "[\x96\x7b.txt]" + kDefaults},
        AcceptedRow{{"--format", "QVGA", "--background=bg.jpg", "--prefix", "", "--out", "dir/", "--dpi=120", "--locale",
                     "ja_JP.UTF-8", "--jobs", "3", "-q", "--font", "IPAMincho", "--font-size=12", "--font-color",
                     "#FF8000", "--font-style", "bold,Italic", "--encoding=shift_jis", " a b.txt "},
                    "[ a b.txt ] qvga bg=bg.jpg prefix= out=dir/ font=IPAMincho/12/33023/3 dpi=120 locale=ja_JP.UTF-8 "
                    "shift_jis jobs=3 quiet"},
        AcceptedRow{{"--font-color", "ff0000", "--font-style=", "t"},
                    "[t] psp bg= prefix=book out= font=-/-/255/0 dpi=96 locale=- auto jobs=J"},
        AcceptedRow{{"--font-color=00ff00", "--font-style", "strikeout,underline,bold,italic", "t"},
                    "[t] psp bg= prefix=book out= font=-/-/65280/15 dpi=96 locale=- auto jobs=J"},
        AcceptedRow{{"--font-color=#123456", "--font-style=BOLD,bold", "--encoding", "utf-8", "t"},
                    "[t] psp bg= prefix=book out= font=-/-/5649426/1 dpi=96 locale=- utf-8 jobs=J"},
        AcceptedRow{{"--font-size", "1", "--dpi", "1", "--jobs", "1", "--encoding=locale", "t"},
                    "[t] psp bg= prefix=book out= font=-/1/-/- dpi=1 locale=- locale jobs=1"},
        AcceptedRow{{"--font-size=1000", "--dpi=10000", "--jobs=256", "t"},
                    "[t] psp bg= prefix=book out= font=-/1000/-/- dpi=10000 locale=- auto jobs=256"},
        AcceptedRow{{"--help"}, "[]" + kDefaults + " help"},
        AcceptedRow{{"--jobs", "2", "-h", "--bogus"}, "[] psp bg= prefix=book out= font=-/-/-/- dpi=96 locale=- auto jobs=2 help"},
        AcceptedRow{{"--version"}, "[]" + kDefaults + " version"}));

class UsageErrorTest : public testing::TestWithParam<Arguments> {};

TEST_P(UsageErrorTest, IsRefused)
{
    EXPECT_THROW(ParseBatchOptions(GetParam()), UsageError);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, UsageErrorTest,
    testing::Values(Arguments{}, Arguments{"a", "b"}, Arguments{"--bogus", "a"}, Arguments{"--quiet=1", "a"},
                    Arguments{"a", "--out"}, Arguments{"--format", "a4", "a"}, Arguments{"--jobs", "0", "a"},
                    Arguments{"--jobs", "257", "a"}, Arguments{"--jobs", "2x", "a"}, Arguments{"--dpi", "0", "a"},
                    Arguments{"--dpi", "10001", "a"}, Arguments{"--dpi", "", "a"},
                    Arguments{"--font-size", "0", "a"}, Arguments{"--font-size", "1001", "a"},
                    Arguments{"--font-size", "99999999999", "a"}, Arguments{"--font", "", "a"},
                    Arguments{"--font-color", "12345", "a"}, Arguments{"--font-color", "GG0000", "a"},
                    Arguments{"--font-color", "-12345", "a"}, Arguments{"--font-color", "1234567", "a"},
                    Arguments{"--font-style", "heavy", "a"}, Arguments{"--font-style", "bold,", "a"},
                    Arguments{"--font-style", ",bold", "a"}, Arguments{"--encoding", "latin1", "a"}));

TEST(BatchOptionsTest, ChosenFontStartsFromTheBodyDefaults)
{
    test::StartUp("ja_JP.UTF-8");
    const TFont japanese = BuildChosenFont({{}, 12, {}, {}}, 932);
    EXPECT_EQ(japanese.Name(), DefaultBodyFamily);
    EXPECT_EQ(japanese.Size(), 12);
    EXPECT_EQ(japanese.Color(), clBlack);
    EXPECT_EQ(japanese.Style(), 0u);
    EXPECT_EQ(japanese.Charset(), SHIFTJIS_CHARSET);

    const TFont western = BuildChosenFont({"DejaVu Sans", {}, 0x123456, fsUnderline}, 1252);
    EXPECT_EQ(western.Name(), "DejaVu Sans");
    EXPECT_EQ(western.Size(), DefaultBodySize);
    EXPECT_EQ(western.Color(), 0x123456);
    EXPECT_EQ(western.Style(), fsUnderline);
    EXPECT_EQ(western.Charset(), DEFAULT_CHARSET);
}

}  // namespace
}  // namespace tessaro::cli
