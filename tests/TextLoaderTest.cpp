#include "text/TextLoader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>

#include "pages/PageRun.h"
#include "support/TestSupport.h"
#include "text/IconvHandle.h"
#include "text/TextFile.h"

namespace tessaro::test {
namespace {

using enum TextEncodingChoice;

const std::string Fffd = "\xEF\xBF\xBD";
const std::string Utf8Book = Repeat("吾輩は猫である。名前はまだ無い。\r\nどこで生れたかとんと見当がつかぬ。\r\n"
                                    "I am a cat. As yet I have no name.\r\n",
                                    12);

LoadedText Load(std::string_view bytes, TextEncodingChoice choice, std::size_t chunkSize = DefaultChunkSize)
{
    const TempDir dir;
    WriteFile(dir.File("book.txt"), bytes);
    return LoadText(dir.File("book.txt"), choice, chunkSize);
}

std::string Encode(std::string utf8, const char* encoding)
{
    const IconvHandle converter(encoding, "UTF-8");
    std::string out(4 * utf8.size(), '\0');
    char *in = utf8.data(), *put = out.data();
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    EXPECT_NE(iconv(converter.Get(), &in, &inLeft, &put, &outLeft), static_cast<std::size_t>(-1)) << encoding;
    iconv(converter.Get(), nullptr, nullptr, &put, &outLeft);
    out.resize(out.size() - outLeft);
    return out;
}

// The one rule of a text kept in its own encoding: cut at the first NUL, every
// CR LF, lone CR and lone LF made CR LF, and a last line end added.
std::string Normalised(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool lineEnd = bytes[i] == '\r' || bytes[i] == '\n';
        text += lineEnd ? std::string_view("\r\n") : bytes.substr(i, 1);
        i += bytes.substr(i, 2) == "\r\n";
    }
    return text.empty() || text.ends_with("\r\n") ? text : text + "\r\n";
}

TEST(TextLoader, KeptTextsFollowTheOneRuleWhateverTheChunks)
{
    StartUp("en_US.UTF-8");
    static constexpr std::string_view pieces[] = {"a", "\r", "\n", {"\0", 1}, "\x82", "\xA0", "あ"};
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        for (int n = random() % 12; n > 0; --n)
            bytes += pieces[random() % std::size(pieces)];
        const std::size_t chunkSize = 1 + random() % 5;
        const std::string expected = Normalised(bytes);
        SCOPED_TRACE(testing::PrintToString(bytes) + " in chunks of " + std::to_string(chunkSize));
        const TempDir dir;
        WriteFile(dir.File("t"), bytes);
        EXPECT_EQ(LoadText(dir.File("t"), Locale, chunkSize).Bytes, expected);
        TStringList lines;
        LoadLines(lines, dir.File("t"));
        EXPECT_EQ(JoinLines(lines), expected);
        // Auto keeps the bytes of a UTF-8 text, and of any text it does not convert, with today's encoding.
        const LoadedText automatic = LoadText(dir.File("t"), Auto, chunkSize);
        if (DecideTextEncoding(expected, Auto) == TextEncoding::Utf8 || automatic.Bytes == expected) {
            EXPECT_EQ(automatic.Bytes, expected);
            EXPECT_EQ(automatic.Encoding, DecideTextEncoding(expected, Auto));
        }
    }
}

struct ConversionRow {
    const char* label;
    TextEncodingChoice choice;
    std::string bytes;
    std::string text;
    TextEncoding encoding = TextEncoding::Utf8;
};

void PrintTo(const ConversionRow& row, std::ostream* out)
{
    *out << row.label;
}

class Conversion : public testing::TestWithParam<std::tuple<ConversionRow, std::size_t>> {};

TEST_P(Conversion, GivesUtf8WithOneReplacementPerInvalidUnit)
{
    const auto& [row, chunkSize] = GetParam();
    StartUp("en_US.UTF-8");
    const LoadedText loaded = Load(row.bytes, row.choice, chunkSize);
    EXPECT_EQ(loaded.Bytes, row.text);
    EXPECT_EQ(loaded.Encoding, row.encoding);
    // Measured before it is read, the text takes a block of its own size (beyond the short-string buffer).
    if (loaded.Bytes.size() > 2 * std::string().capacity()) {
        EXPECT_EQ(loaded.Bytes.capacity(), loaded.Bytes.size());
    }
}

const std::string Utf16Le = "\xFF\xFE";
const std::string Utf16Be = "\xFE\xFF";
using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Rows, Conversion,
    testing::Combine(
        testing::Values(
            ConversionRow{"EucJpBadByte", EucJp, "\xA4\xA2\xFFz", "あ" + Fffd + "z\r\n"},
            ConversionRow{"EucJpCutAtEnd", EucJp, "a\n\xA4", "a\r\n" + Fffd + "\r\n"},
            ConversionRow{"Iso2022JpHighByte", Iso2022Jp, "\x1B$B$\"\x1B(Ba\x80\r", "あa" + Fffd + "\r\n"},
            ConversionRow{"Utf16LoneSurrogate", Utf16, Utf16Le + "a\0\x00\xD8" "b\0"s, "a" + Fffd + "b\r\n"},
            ConversionRow{"Utf16OddByte", Utf16, "a\0b"s, "a" + Fffd + "\r\n"},
            ConversionRow{"Utf16BigEndianNul", Auto, Utf16Be + "\0h\0\n\0i\0\0\0j"s, "h\r\ni\r\n"},
            ConversionRow{"Utf16Pair", Auto, Utf16Le + "=\xD8\0\xDE\r\0\n\0"s, "\xF0\x9F\x98\x80\r\n"},
            ConversionRow{"EucJpGuessNotBorneOut", Auto, Encode(Utf8Book, "EUC-JP") + "\xA9\xA1",
                          Encode(Utf8Book, "EUC-JP") + "\xA9\xA1\r\n", TextEncoding::Locale},
            ConversionRow{"Utf8MarkKept", Auto, "\xEF\xBB\xBF\xFFx", "\xEF\xBB\xBF\xFFx\r\n"}),
        testing::Values(1, 2, 3, DefaultChunkSize)));

// A text without a clear other encoding loads as --encoding locale loads it.
TEST(TextLoader, KeepsTheLocaleCodePageWithoutAClearOtherEncoding)
{
    const std::string french = Repeat("Caf\xE9 na\xEFve, r\xE9sum\xE9 \xE0 la fa\xE7on \x93" "de\x94 Voil\xE0 \x80.\r\n", 20);
    const std::string shiftJis = Encode(Utf8Book, "CP932");
    for (const auto& [locale, bytes] : {std::pair{"en_US.UTF-8", french}, std::pair{"C", french},
                                        std::pair{"ja_JP.UTF-8", shiftJis}, std::pair{"en_US", Repeat("ascii\n", 9)}}) {
        StartUp(locale);
        const LoadedText loaded = Load(bytes, Auto);
        EXPECT_EQ(loaded.Bytes, Load(bytes, Locale).Bytes) << locale;
        EXPECT_EQ(loaded.Encoding, TextEncoding::Locale) << locale;
    }
}

struct EncodedBook {
    const char* label;
    const char* encoding;
    std::string mark;
    TextEncodingChoice choice;
};

void PrintTo(const EncodedBook& book, std::ostream* out)
{
    *out << book.label;
}

class SameBook : public testing::TestWithParam<std::tuple<EncodedBook, std::string>> {};

// The rasters of every page of a run over the book.
std::string Pages(const std::string& bytes, TextEncodingChoice choice)
{
    const TempDir dir;
    WriteFile(dir.File("book.txt"), bytes);
    PageRun run;
    run.Start(dir.File("book.txt"), choice);
    std::string pages;
    const PageSaver keep = [&](const std::string&, const TBitmap& page) {
        for (int row = 0; row < page.Height(); ++row)
            pages.append(reinterpret_cast<const char*>(page.ScanLine(row)), page.RowBytes());
    };
    while (!run.Tick(TickSettings{PageFormat::QVGA, "", "", ""}, keep)) {
    }
    return pages;
}

TEST_P(SameBook, GivesTheSamePagesInEveryEncodingOnEveryLocale)
{
    const auto& [book, locale] = GetParam();
    StartUp("ja_JP.UTF-8");
    const std::string expected = Pages(Encode(Utf8Book, "CP932"), Locale);
    StartUp(locale);
    const std::string bytes = book.mark + Encode(Utf8Book, book.encoding);
    EXPECT_TRUE(Pages(bytes, Auto) == expected);
    EXPECT_TRUE(Pages(bytes, book.choice) == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, SameBook,
    testing::Combine(testing::Values(EncodedBook{"ShiftJis", "CP932", "", ShiftJis},
                                     EncodedBook{"EucJp", "EUC-JP", "", EucJp},
                                     EncodedBook{"Iso2022Jp", "ISO-2022-JP", "", Iso2022Jp},
                                     EncodedBook{"Utf16Le", "UTF-16LE", Utf16Le, Utf16},
                                     EncodedBook{"Utf16Be", "UTF-16BE", Utf16Be, Utf16},
                                     EncodedBook{"Utf8", "UTF-8", "", Utf8}),
                     testing::Values("ja_JP.UTF-8"s, "en_US.UTF-8"s)));

}  // namespace
}  // namespace tessaro::test
