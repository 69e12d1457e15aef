#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <tuple>

#include "imaging/PlatformFont.h"
#include "support/TestSupport.h"
#include "text/Utf8.h"

namespace tessaro::test {
namespace {

auto Fields(const Glyph& glyph)
{
    return std::tie(glyph.Advance, glyph.Left, glyph.Top, glyph.Width, glyph.Rows, glyph.Coverage);
}

bool HasInk(const Glyph& glyph)
{
    return std::any_of(glyph.Coverage.begin(), glyph.Coverage.end(), [](std::uint8_t value) { return value != 0; });
}

// Kanji and kana that DejaVu Sans lacks and IPAGothic, the first Japanese
// font in fontconfig's order, has.
struct FallbackRow {
    const char* Case;
    TFontStyles Style;
    std::uint8_t Charset;
    int CodePage;
    std::string Text;
};

void PrintTo(const FallbackRow& row, std::ostream* out)
{
    *out << row.Case;
}

class FontFallback : public ::testing::TestWithParam<FallbackRow> {
protected:
    void SetUp() override { StartUp("ja_JP.UTF-8"); }
};

TEST_P(FontFallback, MissingCharactersComeFromTheJapaneseFontInTheChosenSizeAndStyle)
{
    const FallbackRow& row = GetParam();
    PlatformFont& chosen = PlatformFont::For({"DejaVu Sans", -16, row.Style, row.Charset, fpDefault}, row.CodePage);
    PlatformFont& japanese = PlatformFont::For({"IPAGothic", -16, row.Style, SHIFTJIS_CHARSET, fpDefault}, row.CodePage);
    for (std::string_view text = row.Text; !text.empty(); text.remove_prefix(chosen.CharacterLength(text))) {
        const std::string_view character = text.substr(0, chosen.CharacterLength(text));
        SCOPED_TRACE(std::string(character));
        EXPECT_TRUE(HasInk(japanese.GlyphOf(character)));
        EXPECT_EQ(Fields(chosen.GlyphOf(character)), Fields(japanese.GlyphOf(character)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    KanjiAndKana, FontFallback,
    ::testing::Values(FallbackRow{"ShiftJis", 0, SHIFTJIS_CHARSET, 932, "\x8a\xbf\x8e\x9a\x82\xa9\x82\xc8\x83\x4a\x83\x69"},
                      FallbackRow{"Utf8", 0, DEFAULT_CHARSET, CodePageUtf8, "漢字かなカナ"},
                      FallbackRow{"Bold", fsBold, SHIFTJIS_CHARSET, 932, "\x8e\x9a\x82\xa9"},
                      FallbackRow{"Italic", fsItalic, DEFAULT_CHARSET, CodePageUtf8, "字か"},
                      FallbackRow{"BoldItalic", fsBold | fsItalic, DEFAULT_CHARSET, CodePageUtf8, "漢ナ"}),
    [](const auto& info) { return std::string(info.param.Case); });

// A byte that is no character of the code page keeps the chosen face's box,
// as does a character no installed font has (U+E000), rather than borrowing
// another font's replacement character.
TEST(FontFallbackBox, UndecodableBytesKeepTheChosenFacesBox)
{
    StartUp("ja_JP.UTF-8");
    PlatformFont& font = PlatformFont::For({"IPAGothic", -16, 0, SHIFTJIS_CHARSET, fpDefault});
    EXPECT_EQ(Fields(font.GlyphOf("\xA0")), Fields(font.GlyphOf("\xF0\x40")));
}

}  // namespace
}  // namespace tessaro::test
