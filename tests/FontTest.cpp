#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

#include "imaging/PlatformFont.h"
#include "support/TestSupport.h"
#include "text/Utf8.h"

namespace tessaro::test {
namespace {

const auto ByCase = [](const auto& info) { return std::string(info.param.Case); };

// A name keeps at most 31 bytes of its character set's code page, in whole
// characters; a character the code page lacks counts as one byte.
struct NameRow { const char* Case; const char* Locale; std::uint8_t Charset; std::string Name, Kept; };
void PrintTo(const NameRow& row, std::ostream* out) { *out << row.Case; }
class FontName : public ::testing::TestWithParam<NameRow> {};

TEST_P(FontName, IsCutInTheCodePageBetweenCharacters)
{
    StartUp(GetParam().Locale);
    TFont font;
    font.SetCharset(GetParam().Charset);
    font.SetName(GetParam().Name);
    EXPECT_EQ(font.Name(), GetParam().Kept);
}

const std::string a29(29, 'a'), a30(30, 'a');
INSTANTIATE_TEST_SUITE_P(Rows, FontName, ::testing::Values(
    NameRow{"FitsIn932", "ja_JP.UTF-8", SHIFTJIS_CHARSET, "源ノ角ゴシック JP Regular", "源ノ角ゴシック JP Regular"},
    NameRow{"ShiftJisSetOnWesternLocale", "en_US.UTF-8", SHIFTJIS_CHARSET, a30 + "あ", a30},
    NameRow{"DoubleByteEndsAt31", "ja_JP.UTF-8", SHIFTJIS_CHARSET, a29 + "あb", a29 + "あ"},
    NameRow{"HalfWidthKanaAndLacking", "ja_JP.UTF-8", SHIFTJIS_CHARSET, a29 + "ｱéb", a29 + "ｱé"},
    NameRow{"DefaultSetReadsTheLocale", "ja_JP.UTF-8", DEFAULT_CHARSET, a30 + "あ", a30},
    NameRow{"OneByteEachIn1252", "en_US.UTF-8", DEFAULT_CHARSET, a29 + "©漢c", a29 + "©漢"}), ByCase);

auto Fields(const Glyph& g) { return std::tie(g.Advance, g.Left, g.Top, g.Width, g.Rows, g.Coverage); }

// Kanji and kana DejaVu Sans lacks come from IPAGothic, the first Japanese
// font in fontconfig's order, in the chosen size and style.
struct FallbackRow { const char* Case; TFontStyles Style; std::uint8_t Charset; int CodePage; std::string Text; };
void PrintTo(const FallbackRow& row, std::ostream* out) { *out << row.Case; }
class FontFallback : public ::testing::TestWithParam<FallbackRow> {};

TEST_P(FontFallback, DrawsWhatTheChosenFaceLacksFromAJapaneseFont)
{
    const FallbackRow& row = GetParam();
    StartUp("ja_JP.UTF-8");
    PlatformFont& chosen = PlatformFont::For({"DejaVu Sans", -16, row.Style, row.Charset, fpDefault}, row.CodePage);
    PlatformFont& japanese = PlatformFont::For({"IPAGothic", -16, row.Style, SHIFTJIS_CHARSET, fpDefault}, row.CodePage);
    for (std::string_view text = row.Text; !text.empty(); text.remove_prefix(chosen.CharacterLength(text))) {
        const std::string_view character = text.substr(0, chosen.CharacterLength(text));
        EXPECT_EQ(Fields(chosen.GlyphOf(character)), Fields(japanese.GlyphOf(character))) << character;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, FontFallback, ::testing::Values(
    FallbackRow{"ShiftJis", 0, SHIFTJIS_CHARSET, 932, "\x8a\xbf\x8e\x9a\x82\xa9\x82\xc8\x83\x4a\x83\x69"},
    FallbackRow{"Utf8", 0, DEFAULT_CHARSET, CodePageUtf8, "漢字かなカナ"},
    FallbackRow{"Bold", fsBold, SHIFTJIS_CHARSET, 932, "\x8e\x9a\x82\xa9"},
    FallbackRow{"BoldItalic", fsBold | fsItalic, DEFAULT_CHARSET, CodePageUtf8, "漢ナ"}), ByCase);

// A byte that is no character (0xA0) keeps the chosen face's box, like a
// character no font has (U+E000), rather than another font's U+FFFD.
TEST(FontFallbackBox, UndecodableBytesKeepTheChosenFacesBox)
{
    StartUp("ja_JP.UTF-8");
    PlatformFont& font = PlatformFont::For({"IPAGothic", -16, 0, SHIFTJIS_CHARSET, fpDefault});
    EXPECT_EQ(Fields(font.GlyphOf("\xA0")), Fields(font.GlyphOf("\xF0\x40")));
}

}  // namespace
}  // namespace tessaro::test
