#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/BatchOptions.h"
#include "support/TestSupport.h"

namespace tessaro::cli {
namespace {

using Arguments = std::vector<std::string>;

TEST(BatchOptionsTest, DefaultsNeedOnlyTheTextFile)
{
    const BatchOptions options = ParseBatchOptions({"book.txt"});
    EXPECT_EQ(options.TextFile, "book.txt");
    EXPECT_EQ(options.Settings.Format, PageFormat::PSP);
    EXPECT_EQ(options.Settings.BackgroundPath, "");
    EXPECT_EQ(options.Settings.Prefix, "book");
    EXPECT_EQ(options.Settings.OutputDirectory, "");
    EXPECT_FALSE(options.Font.Any());
    EXPECT_EQ(options.PixelsPerInch, 96);
    EXPECT_FALSE(options.Locale);
    EXPECT_EQ(options.Encoding, TextEncodingChoice::Auto);
    EXPECT_EQ(options.Jobs, DefaultJobs());
    EXPECT_GE(options.Jobs, 1u);
    EXPECT_FALSE(options.Quiet || options.Help || options.Version);
}

TEST(BatchOptionsTest, EveryOptionInBothSpellings)
{
    const BatchOptions options =
        ParseBatchOptions({"--format", "QVGA", "--background=bg.jpg", "--prefix", "", "--out", "dir/", "--dpi=120",
                           "--locale", "ja_JP.UTF-8", "--jobs", "3", "-q", "--font", "IPAMincho", "--font-size=12",
                           "--font-color", "#FF8000", "--font-style", "bold,Italic", "--encoding=shift_jis",
                           " a b.txt "});
    EXPECT_EQ(options.Encoding, TextEncodingChoice::ShiftJis);
    EXPECT_EQ(options.Settings.Format, PageFormat::QVGA);
    EXPECT_EQ(options.Settings.BackgroundPath, "bg.jpg");
    EXPECT_EQ(options.Settings.Prefix, "");
    EXPECT_EQ(options.Settings.OutputDirectory, "dir/");
    EXPECT_EQ(options.PixelsPerInch, 120);
    EXPECT_EQ(options.Locale, "ja_JP.UTF-8");
    EXPECT_EQ(options.Jobs, 3u);
    EXPECT_TRUE(options.Quiet);
    EXPECT_EQ(options.Font.Family, "IPAMincho");
    EXPECT_EQ(options.Font.Size, 12);
    EXPECT_EQ(options.Font.Color, 0x0080FF);
    EXPECT_EQ(options.Font.Style, fsBold | fsItalic);
    EXPECT_EQ(options.TextFile, " a b.txt ");
}

struct FileCase {
    Arguments Args;
    std::string TextFile;
};

class TextFileArgumentTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(TextFileArgumentTest, IsTakenAsGiven)
{
    EXPECT_EQ(ParseBatchOptions(GetParam().Args).TextFile, GetParam().TextFile);
}

INSTANTIATE_TEST_SUITE_P(Names, TextFileArgumentTest,
                         ::testing::Values(FileCase{{"-"}, "-"}, FileCase{{"--", "--odd.txt"}, "--odd.txt"},
                                           FileCase{{"book.txt", "--quiet"}, "book.txt"},
                                           FileCase{{"\x96\x7b.txt"}, "\x96\x7b.txt"}));

struct FontCase {
    Arguments Args;
    TColor Color;
    TFontStyles Style;
};

class FontArgumentTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(FontArgumentTest, ColourAndStyle)
{
    const FontOptions font = ParseBatchOptions(GetParam().Args).Font;
    EXPECT_TRUE(font.Any());
    EXPECT_EQ(font.Color.value_or(clBlack), GetParam().Color);
    EXPECT_EQ(font.Style.value_or(0), GetParam().Style);
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, FontArgumentTest,
    ::testing::Values(FontCase{{"--font-color", "ff0000", "t"}, 0x0000FF, 0},
                      FontCase{{"--font-color", "00ff00", "t"}, 0x00FF00, 0},
                      FontCase{{"--font-color=#123456", "t"}, 0x563412, 0},
                      FontCase{{"--font-style", "", "t"}, clBlack, 0},
                      FontCase{{"--font-style", "strikeout,underline,bold,italic", "t"}, clBlack,
                               fsBold | fsItalic | fsUnderline | fsStrikeOut},
                      FontCase{{"--font-style=BOLD,bold", "t"}, clBlack, fsBold}));

TEST(BatchOptionsTest, HelpAndVersionNeedNoTextFile)
{
    EXPECT_TRUE(ParseBatchOptions({"--help"}).Help);
    EXPECT_TRUE(ParseBatchOptions({"--jobs", "2", "-h", "--bogus"}).Help);
    EXPECT_TRUE(ParseBatchOptions({"--version"}).Version);
}

class UsageErrorTest : public ::testing::TestWithParam<Arguments> {};

TEST_P(UsageErrorTest, IsRefused)
{
    EXPECT_THROW(ParseBatchOptions(GetParam()), UsageError);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, UsageErrorTest,
    ::testing::Values(Arguments{}, Arguments{"a", "b"}, Arguments{"--bogus", "a"}, Arguments{"--quiet=1", "a"},
                      Arguments{"a", "--out"}, Arguments{"--format", "a4", "a"}, Arguments{"--jobs", "0", "a"},
                      Arguments{"--jobs", "257", "a"}, Arguments{"--jobs", "2x", "a"}, Arguments{"--dpi", "0", "a"},
                      Arguments{"--dpi", "", "a"}, Arguments{"--font-size", "-3", "a"},
                      Arguments{"--font-size", "99999999999", "a"}, Arguments{"--font", "", "a"},
                      Arguments{"--font-color", "12345", "a"}, Arguments{"--font-color", "GG0000", "a"},
                      Arguments{"--font-color", "-12345", "a"}, Arguments{"--font-color", "1234567", "a"},
                      Arguments{"--font-style", "heavy", "a"}, Arguments{"--font-style", "bold,", "a"},
                      Arguments{"--font-style", ",bold", "a"}, Arguments{"--encoding", "latin1", "a"}));

TEST(BatchOptionsTest, ChosenFontStartsFromTheBodyDefaults)
{
    test::StartUp("ja_JP.UTF-8");
    FontOptions sizeOnly;
    sizeOnly.Size = 12;
    const TFont japanese = BuildChosenFont(sizeOnly, 932);
    EXPECT_EQ(japanese.Name(), DefaultBodyFamily);
    EXPECT_EQ(japanese.Size(), 12);
    EXPECT_EQ(japanese.Color(), clBlack);
    EXPECT_EQ(japanese.Style(), 0u);
    EXPECT_EQ(japanese.Charset(), SHIFTJIS_CHARSET);

    FontOptions family;
    family.Family = "DejaVu Sans";
    family.Color = 0x123456;
    family.Style = fsUnderline;
    const TFont western = BuildChosenFont(family, 1252);
    EXPECT_EQ(western.Name(), "DejaVu Sans");
    EXPECT_EQ(western.Size(), DefaultBodySize);
    EXPECT_EQ(western.Color(), 0x123456);
    EXPECT_EQ(western.Style(), fsUnderline);
    EXPECT_EQ(western.Charset(), DEFAULT_CHARSET);
}

}  // namespace
}  // namespace tessaro::cli
