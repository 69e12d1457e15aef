#include <gtest/gtest.h>

#include <string>

#include "imaging/TImage.h"
#include "pages/TextFlow.h"
#include "support/TestSupport.h"
#include "text/CodePageDecoder.h"
#include "text/TextEncoding.h"
#include "text/Utf8.h"

namespace tessaro {
namespace {

struct SequenceCase {
    const char* Name;
    std::string Bytes;
    std::size_t Length;
    char32_t CodePoint;
};

class Utf8SequenceTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(Utf8SequenceTest, LengthAndCodePoint)
{
    const SequenceCase& c = GetParam();
    EXPECT_EQ(Utf8SequenceLength(c.Bytes), c.Length);
    EXPECT_EQ(DecodeUtf8(c.Bytes), c.CodePoint);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8SequenceTest,
    ::testing::Values(SequenceCase{"Ascii", "a", 1, U'a'}, SequenceCase{"EAcute", "\xC3\xA9", 2, U'\u00E9'},
                      SequenceCase{"Kanji", "\xE4\xBA\x9C", 3, U'\u4E9C'},
                      SequenceCase{"Emoji", "\xF0\x9F\x98\x80", 4, U'\U0001F600'},
                      SequenceCase{"Empty", "", 0, ReplacementCharacter},
                      SequenceCase{"StrayContinuation", "\x80", 0, ReplacementCharacter},
                      SequenceCase{"OverlongSlash", "\xC0\xAF", 0, ReplacementCharacter},
                      SequenceCase{"OverlongThreeBytes", "\xE0\x80\xAF", 0, ReplacementCharacter},
                      SequenceCase{"Surrogate", "\xED\xA0\x80", 0, ReplacementCharacter},
                      SequenceCase{"BeyondUnicode", "\xF4\x90\x80\x80", 0, ReplacementCharacter},
                      SequenceCase{"Truncated", "\xE4\xBA", 0, ReplacementCharacter},
                      SequenceCase{"InvalidFirstByte", "\xFF", 0, ReplacementCharacter}),
    [](const auto& info) { return info.param.Name; });

TEST(TextEncodingTest, AutoDecidesFromTheText)
{
    using enum TextEncodingChoice;
    EXPECT_EQ(DecideTextEncoding("\xEF\xBB\xBFplain", Auto), TextEncoding::Utf8);
    EXPECT_EQ(DecideTextEncoding("caf\xC3\xA9\r\n", Auto), TextEncoding::Utf8);
    EXPECT_EQ(DecideTextEncoding("plain ascii\r\n", Auto), TextEncoding::Locale);
    EXPECT_EQ(DecideTextEncoding("\x88\x9f\x82\xa0\r\n", Auto), TextEncoding::Locale);  // Shift_JIS
    EXPECT_EQ(DecideTextEncoding("caf\xC3\xA9\xC3", Auto), TextEncoding::Locale);       // cut short
    EXPECT_EQ(DecideTextEncoding("plain", Utf8), TextEncoding::Utf8);
    EXPECT_EQ(DecideTextEncoding("caf\xC3\xA9", Locale), TextEncoding::Locale);
    EXPECT_EQ(DecideTextEncoding("caf\xC3\xA9", ShiftJis), TextEncoding::ShiftJis);
    EXPECT_EQ(ByteOrderMarkLength("\xEF\xBB\xBFx", TextEncoding::Utf8), 3u);
    EXPECT_EQ(ByteOrderMarkLength("\xEF\xBB\xBFx", TextEncoding::Locale), 0u);
}

TEST(TextEncodingTest, MalformedUtf8IsTakenOneByteAtATime)
{
    const std::string text = "a\x80\xC0\xAF\xE4\xBA\x9C\xE4\xBA";
    std::vector<std::size_t> lengths;
    for (std::string_view s = text; !s.empty();) {
        lengths.push_back(CharacterLengthAt(s, TextEncoding::Utf8));
        s.remove_prefix(lengths.back());
    }
    EXPECT_EQ(lengths, (std::vector<std::size_t>{1, 1, 1, 1, 3, 1, 1}));
}

// Flows a whole text into pages and returns their pixels, page by page.
std::vector<std::vector<DevicePixel>> FlowAll(const std::string& text, TextEncoding encoding)
{
    std::vector<std::vector<DevicePixel>> pages;
    std::string_view remaining = text;
    int pageNumber = 1;
    do {
        TBitmap blank;
        blank.SetWidth(240);
        blank.SetHeight(320);
        TImage mainscreen;
        mainscreen.SetWidth(240);
        mainscreen.SetHeight(320);
        AssignPicture(mainscreen.Picture(), blank);
        FlowPageText(mainscreen, remaining, pageNumber++, nullptr, encoding);
        std::vector<DevicePixel> pixels;
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 240; ++x)
                pixels.push_back(mainscreen.Bitmap()->PixelAt(x, y));
        pages.push_back(std::move(pixels));
    } while (!remaining.empty() && pageNumber < 1000);
    return pages;
}

TEST(TextEncodingTest, UnicodeAndShiftJisBooksGiveTheSamePages)
{
    // 日本語のテキスト。 and some English, in both encodings.
    const std::string shiftJis = test::Repeat("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x65\x83\x4c\x83\x58\x83\x67\x81\x42 Text\r\n", 40);
    const std::string utf8 = test::Repeat(
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88\xE3\x80\x82 Text\r\n",
        40);
    test::StartUp("ja_JP.UTF-8");
    const auto fromShiftJis = FlowAll(shiftJis, TextEncoding::Locale);
    const auto fromUtf8 = FlowAll(utf8, DecideTextEncoding(utf8, TextEncodingChoice::Auto));
    ASSERT_GT(fromShiftJis.size(), 1u);
    EXPECT_TRUE(fromShiftJis == fromUtf8);

    test::StartUp("en_US.UTF-8");
    EXPECT_TRUE(FlowAll(utf8, TextEncoding::Utf8) == fromShiftJis);
    EXPECT_TRUE(FlowAll(shiftJis, TextEncoding::ShiftJis) == fromShiftJis);
    EXPECT_FALSE(FlowAll(shiftJis, TextEncoding::Locale) == fromShiftJis);
}

TEST(TextEncodingTest, AccentedLettersAreOneGlyphOfOneAdvance)
{
    test::StartUp("en_US.UTF-8");
    TBitmap raster;
    raster.SetWidth(40);
    raster.SetHeight(20);
    TCanvas& canvas = raster.Canvas();
    canvas.Font().SetName("ＭＳ ゴシック");
    canvas.Font().SetSize(9);
    canvas.SetCodePage(CodePageUtf8);
    EXPECT_EQ(canvas.TextCellWidth("\xC3\xA9"), canvas.TextCellWidth("e"));
    EXPECT_EQ(canvas.TextCellWidth("\xC3\xA9\xC3\xBC"), 2 * canvas.TextCellWidth("e"));
}

TEST(TextEncodingTest, MalformedUtf8NeverLosesTheBytesAfterIt)
{
    test::StartUp("en_US.UTF-8");
    for (const std::string& tail : {std::string("\xE4\xBA"), std::string("\xC0\xAF"), std::string("\x80")}) {
        const std::string text = "ok " + tail + "after\r\n";
        std::string_view remaining = text;
        TImage mainscreen;
        mainscreen.SetWidth(480);
        mainscreen.SetHeight(272);
        FlowPageText(mainscreen, remaining, 1, nullptr, TextEncoding::Utf8);
        EXPECT_TRUE(remaining.empty());
        std::string_view truncated = std::string_view(text).substr(0, 3 + tail.size());
        FlowPageText(mainscreen, truncated, 1, nullptr, TextEncoding::Utf8);
        EXPECT_TRUE(truncated.empty());
    }
}

}  // namespace
}  // namespace tessaro
