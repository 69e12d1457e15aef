#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "imaging/FontMatch.h"
#include "novel/Characters.h"
#include "novel/LayoutReport.h"
#include "novel/NotationReader.h"
#include "novel/PageComposer.h"
#include "novel/PageRenderer.h"
#include "run/BookRun.h"
#include "support/TestSupport.h"

namespace tessaro::test {
namespace {

using namespace novel;

constexpr int kEm = 20;

// A book composed page by page on a page of cells ems a line and lines lines
// (columns when vertical), in the default type at a 20-pixel em.
struct Composed {
    std::unique_ptr<TypeCache> Type;  // the glyphs of the pages are its faces'
    std::vector<ComposedPage> Pages;
    std::string BlockTexts;  // every block's text, in order
};

Composed Compose(std::string_view lines, int cells, int depth = 20, bool vertical = false,
                 Kinsoku kinsoku = Kinsoku::Strict, PictureSource pictures = {})
{
    const auto family = [](const char* name) { return *MatchFontFile({name, false, false, "ja", false}); };
    Composed composed;
    composed.Type = std::make_unique<TypeCache>(
        BookFamilies{family("IPAMincho"), family("IPAPMincho"), family("IPAGothic")});
    std::string book;
    for (char c : lines)
        book += c == '\n' ? std::string("\r\n") : std::string(1, c);
    book += "\r\n";
    // Sides that give exactly cells ems along a line and depth lines across.
    const int along = (cells + 3) * kEm;
    const int across = depth * kEm * 7 / 4 - kEm / 4 + 3 * kEm;
    const PageGeometry geometry = GeometryFor(vertical ? across : along, vertical ? along : across, kEm, vertical);
    NotationReader reader(book);
    LineSetter setter(kinsoku);
    PageComposer composer(
        [&](Block& block) {
            const bool more = reader.Next(block);
            composed.BlockTexts += more ? block.Text : "";
            return more;
        },
        setter, *composed.Type, geometry, std::move(pictures));
    for (ComposedPage page; composer.Next(page);)
        composed.Pages.push_back(page);
    return composed;
}

// Each line as @indent (in ems, when not 0), its text, and where it ends
// against the measure: '=' exactly at its end, '+' one em past it (hanging
// punctuation), '<' and the line's length in ems when short of it; lines
// joined by '|', pages by " / ".
std::string Describe(const Composed& composed, int cells)
{
    std::string out;
    for (const ComposedPage& page : composed.Pages) {
        out += out.empty() ? "" : " / ";
        for (std::size_t i = 0; i < page.Lines.size(); ++i) {
            const ComposedLine& line = page.Lines[i];
            const int length = page.Vertical ? line.Box.H : line.Box.W;
            const int indent = (page.Vertical ? line.Box.Y - line.OriginY : line.Box.X - line.OriginX) / kEm;
            out += (i == 0 ? "" : "|") + (indent == 0 ? "" : "@" + std::to_string(indent)) + line.Text;
            const int end = indent * kEm + length;
            out += end == cells * kEm       ? "="
                   : end == (cells + 1) * kEm ? "+"
                                              : "<" + std::to_string(length / kEm);
        }
    }
    return out;
}

struct LayoutRow {
    const char* Name;
    const char* Book;
    int Cells;
    std::string Expected;
    Kinsoku Rules = Kinsoku::Strict;
    int Depth = 20;  // lines a page
};

class NovelLayoutTest : public testing::TestWithParam<LayoutRow> {};

TEST_P(NovelLayoutTest, LinesFollowTheJapaneseRules)
{
    const LayoutRow& row = GetParam();
    for (const bool vertical : {false, true}) {
        const Composed composed = Compose(row.Book, row.Cells, row.Depth, vertical, row.Rules);
        EXPECT_EQ(Describe(composed, row.Cells), row.Expected) << (vertical ? "vertical" : "horizontal");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NovelLayoutTest,
    testing::Values(
        LayoutRow{"CommaHangsPastTheMeasure", "あいうえおかきくけこ、さし", 10, "あいうえおかきくけこ、+|さし<2"},
        LayoutRow{"FullStopBeforeABracketCannotHang", "あいうえおかきくけこ。」さ", 10, "あいうえおかきくけ=|こ。」さ<4"},
        LayoutRow{"ClosingBracketNeverStartsALine", "あいうえおかきくけこ」さ", 10, "あいうえおかきくけ=|こ」さ<3"},
        LayoutRow{"SmallKanaStayOffTheStartWhenStrict", "あいうえおかきくけこっさ", 10, "あいうえおかきくけ=|こっさ<3"},
        LayoutRow{"SmallKanaMayStartALineWhenLoose", "あいうえおかきくけこっさ", 10, "あいうえおかきくけこ=|っさ<2",
                  Kinsoku::Loose},
        LayoutRow{"LongVowelMarkStaysOff", "あいうえおかきくけコーさ", 10, "あいうえおかきくけ=|コーさ<3"},
        LayoutRow{"OpeningBracketNeverEndsALine", "あいうえおかきくけ「こ」", 10, "あいうえおかきくけ=|「こ」<3"},
        LayoutRow{"DoubledDashStaysWhole", "あいうえおかきくけ――こ", 10, "あいうえおかきくけ=|――こ<3"},
        LayoutRow{"EllipsisNeverStartsALine", "あいうえおかきくけ……こ", 10, "あいうえおかきく=|け……こ<4"},
        LayoutRow{"RubyGroupIsNeverSplit", "あいうえおかきくけ漢字《かんじ》です", 10, "あいうえおかきくけ=|漢字です<4"},
        LayoutRow{"RubyWiderThanItsBaseWidensIt", "亜《あいうえ》", 4, "亜<2"},
        LayoutRow{"PageBreakStartsANewPage", "あ\n［＃改ページ］\nい", 10, "あ<1 / い<1"},
        LayoutRow{"EmptyLinesStay", "あ\n\nい", 10, "あ<1|<0|い<1"},
        LayoutRow{"IndentOfTheFirstAndWrappedLines",
                  "［＃ここから２字下げ、折り返して３字下げ］\nあいうえおかきくけこ\n［＃ここで字下げ終わり］", 10,
                  "@2あいうえおかきく=|@3けこ<2"},
        LayoutRow{"FlushToTheEnd", "［＃地付き］署名", 10, "@8署名="},
        LayoutRow{"FlushAfterTextOnTheSameLine", "本文［＃地から２字上げ］署名", 10, "本文署名<8"},
        LayoutRow{"FlushPartThatDoesNotFitTakesALine", "あいうえおかきくけ［＃地付き］署名", 10,
                  "あいうえおかきくけ<9|@8署名="},
        LayoutRow{"LinesOfAtMostNCells", "［＃ここから５字詰め］\nあいうえおかき\n［＃ここで字詰め終わり］", 10,
                  "あいうえお<5|かき<2"},
        LayoutRow{"EmphasisMayBreakAcrossLines", "あいうえおかきく［＃傍点］けこさし［＃傍点終わり］", 10,
                  "あいうえおかきくけこ=|さし<2"},
        LayoutRow{"LeftRubyWiderThanItsBaseWidensIt", "亜［＃「亜」の左に「あいうえ」のルビ］", 4, "亜<2"},
        LayoutRow{"WarichuTakesItsLongerRow", "あ［＃割り注］いうえ［＃改行］か［＃割り注終わり］き", 10,
                  "あいうえ\nかき<3"},
        LayoutRow{"WarichuWithoutLineFeedSplitsInTheMiddle", "あ［＃割り注］いうえおか［＃割り注終わり］き", 10,
                  "あいうえおかき<3"},
        LayoutRow{"WarichuBreaksAcrossLinesByTheRules",
                  "あいうえおかきく［＃割り注］さしすせそたちつ。てと［＃割り注終わり］", 10,
                  "あいうえおかきくさしすせそたち=|つ。てと<1"},
        LayoutRow{"KaeritenStaysWithItsCharacter", "あいうえおかきくけ自［＃レ］", 10, "あいうえおかきくけ=|自レ<1"},
        LayoutRow{"OkuriganaAndKaeritenSideBySide", "読［＃（ム）］［＃レ］書", 10, "読ムレ書<2"},
        LayoutRow{"LeftRubyStaysOnThePage", "あ\nい\n吾［＃「吾」の左に「わ」のルビ］", 10, "あ<1|い<1 / 吾<1",
                  Kinsoku::Strict, 3}),
    [](const testing::TestParamInfo<LayoutRow>& info) { return std::string(info.param.Name); });

TEST(NovelLayout, RubySitsOverItsBaseAndASpreadBaseTakesTheRubysLength)
{
    const Composed composed = Compose("亜《あいうえ》い", 10);
    const ComposedLine& line = composed.Pages.at(0).Lines.at(0);
    ASSERT_EQ(line.Line.Rubies.size(), 1u);
    EXPECT_EQ(line.Line.Rubies[0].Base + "=" + line.Line.Rubies[0].Text, "亜=あいうえ");
    // Four half-size kana over one kanji: the group is two ems, then い.
    EXPECT_EQ(line.Box.W, 3 * kEm);
    int rubyGlyphs = 0;
    for (const PlacedGlyph& glyph : line.Line.Glyphs)
        rubyGlyphs += glyph.Face->PixelSize() == kEm / 2 && glyph.Y < -kEm * FixedOne / 2 ? 1 : 0;
    EXPECT_EQ(rubyGlyphs, 4);
}

// How far toward the over side of a line (up, or right of a column) a point
// across it lies from the middle of the line's em box, in ems.
double Outward(const ComposedLine& line, Fixed across)
{
    const double middle = line.Vertical ? 0.0 : line.Line.Em / 2.0 - line.Line.Ascent / 64.0;
    return (line.Vertical ? across / 64.0 : middle - across / 64.0) / line.Line.Em;
}

char SideOf(double outward)
{
    const double away = std::abs(outward);
    const char* const names = outward > 0 ? "hoO" : "luU";
    return names[away > 1.0 ? 2 : away > 0.5 ? 1 : 0];
}

// What each line sets beside or within its type: each glyph smaller than the
// line's type, by where its ink lies across the line (h or l: within the upper
// or lower half of its em box, right or left half of a column; o or u: in the
// half em over or under it; O or U: further out), then '/' and each rule along
// the line likewise, < or > for a rule across it in the first or second half
// of the line. Lines joined by '|'.
std::string DescribeBeside(const Composed& composed)
{
    std::string out;
    for (const ComposedLine& line : composed.Pages.at(0).Lines) {
        out += out.empty() ? "" : "|";
        for (const PlacedGlyph& glyph : line.Line.Glyphs) {
            if (glyph.Face->PixelSize() >= line.Line.Em)
                continue;
            const Glyph& ink = glyph.Face->Render(glyph.Glyph, glyph.Rotated);
            const double inkAcross = line.Vertical ? ink.Left + ink.Width / 2.0 : ink.Rows / 2.0 - ink.Top;
            out += SideOf(Outward(line, glyph.Y + static_cast<Fixed>(inkAcross * 64)));
        }
        out += "/";
        for (const DrawnRule& rule : line.Line.Rules) {
            const bool early = rule.At * 2 < line.Line.Start + line.Line.Extent;
            out += !rule.Across ? SideOf(Outward(line, rule.At)) : early ? '<' : '>';
        }
    }
    return out;
}

struct BesideRow {
    const char* Name;
    const char* Book;
    const char* Expected;
};

class MarksBeside : public testing::TestWithParam<BesideRow> {};

TEST_P(MarksBeside, SitOnTheirSideInBothDirections)
{
    for (const bool vertical : {false, true})
        EXPECT_EQ(DescribeBeside(Compose(GetParam().Book, 10, 20, vertical)), GetParam().Expected)
            << (vertical ? "vertical" : "horizontal");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MarksBeside,
    testing::Values(
        BesideRow{"EmphasisButNotBesidePunctuation", "腹が［＃「腹が」に傍点］、ひも［＃「ひも」の左に丸傍点］", "oouu/"},
        BesideRow{"EmphasisOutsideRuby", "青空《あお》［＃「青空」に傍点］", "OOoo/"},
        BesideRow{"NoEmphasisBesideSmallText", "［＃傍点］読［＃レ］書［＃傍点終わり］", "olo/"},
        BesideRow{"LeftRubyAndNote", "吾輩［＃「吾輩」の左に「わが」のルビ］喋［＃「喋」に「ママ」の注記］", "uuoo/"},
        BesideRow{"SideLines", "責任［＃「責任」に傍線］空［＃「空」の左に二重傍線］", "/ou"},
        BesideRow{"SideLineOutsideRuby", "漢《かん》字［＃「漢字」に波線］", "oo/O"},
        BesideRow{"InlineFrame", "キ劇［＃「キ劇」は罫囲み］", "/ou<>"},
        BesideRow{"WarichuRows",
                  "飛［＃割り注］東は大［＃改行］西［＃割り注終わり］\n飛［＃割り注］東は大［＃割り注終わり］\n"
                  "飛［＃割り注］［＃改行］東西［＃割り注終わり］",
                  "hhhl/|hhl/|hl/"},
        BesideRow{"KuntenAndSmallLetters", "読［＃（ム）］［＃レ］x2［＃「2」は上付き小文字］y2［＃「2」は下付き小文字］", "hlhl/"},
        BesideRow{"FramedBlockClosedOverItsFirstLineAndUnderItsLast",
                  "前\n［＃ここから罫囲み］\nあ\nい\n［＃ここで罫囲み終わり］\nう", "/|/<>O|/<>u|/"}),
    [](const testing::TestParamInfo<BesideRow>& info) { return std::string(info.param.Name); });

// Each mark's ink is centred on its character's cell along the line.
TEST(NovelLayout, EmphasisMarksAreCentredOnTheirCharacters)
{
    for (const bool vertical : {false, true}) {
        const Composed composed = Compose("［＃傍点］あい漢ア［＃傍点終わり］", 10, 20, vertical);
        const ComposedLine& line = composed.Pages.at(0).Lines.at(0);
        int marks = 0;
        for (const PlacedGlyph& glyph : line.Line.Glyphs) {
            if (glyph.Face->PixelSize() >= kEm)
                continue;
            const Glyph& ink = glyph.Face->Render(glyph.Glyph, false);
            const double along = glyph.X / 64.0 + (vertical ? ink.Rows / 2.0 - ink.Top : ink.Left + ink.Width / 2.0);
            EXPECT_NEAR(along, (marks++ + 0.5) * kEm, 1.0) << (vertical ? "vertical" : "horizontal");
        }
        EXPECT_EQ(marks, 4);
    }
}

// Lines stand 1.75 em apart; a line with marks under it keeps them clear of
// the next, and marks past its ruby keep clear of the line before.
TEST(NovelLayout, MarksReachingPastTheirSpacePushLinesApart)
{
    for (const bool vertical : {false, true}) {
        const Composed composed =
            Compose("あ\n吾輩［＃「吾輩」の左に「わが」のルビ］\nい\n青空《あお》［＃「青空」に傍点］", 10, 20, vertical);
        std::vector<int> pitches;
        const std::vector<ComposedLine>& lines = composed.Pages.at(0).Lines;
        for (std::size_t i = 1; i < lines.size(); ++i)
            pitches.push_back(vertical ? lines[i - 1].Box.X - lines[i].Box.X : lines[i].Box.Y - lines[i - 1].Box.Y);
        EXPECT_EQ(pitches, (std::vector<int>{35, 42, 45})) << (vertical ? "vertical" : "horizontal");
    }
}

// The report keeps its fields and adds a left ruby's side, a note, the marks
// of each line and the lines of a framed block.
TEST(NovelLayout, ReportNamesMarksLeftRubyNotesAndFrames)
{
    const Composed composed = Compose(
        "吾輩［＃「吾輩」の左に「わが」のルビ］喋［＃「喋」に「ママ」の注記］［＃傍点］あ、い［＃傍点終わり］ひ［＃「ひ」の左に丸傍点］"
        "責［＃「責」の左に波線］"
        "\n読［＃レ］飛［＃割り注］東［＃改行］西［＃割り注終わり］\n［＃ここから罫囲み］\n囲\n［＃ここで罫囲み終わり］",
        20);
    const std::string report = LayoutReportLine(composed.Pages.at(0), "p", 100, 100);
    for (const char* part :
         {"\"ruby\":[{\"base\":\"吾輩\",\"text\":\"わが\",\"side\":\"under\"},"
          "{\"base\":\"喋\",\"text\":\"ママ\",\"note\":true}],"
          "\"marks\":[{\"kind\":\"sesame\",\"side\":\"over\",\"text\":\"あ、い\",\"count\":2},"
          "{\"kind\":\"dot\",\"side\":\"under\",\"text\":\"ひ\",\"count\":1},"
          "{\"kind\":\"wavy-line\",\"side\":\"under\",\"text\":\"責\"}]}",
          "\"marks\":[{\"kind\":\"kaeriten\",\"text\":\"レ\"},{\"kind\":\"warichu\",\"text\":\"東\\u000a西\"}]}",
          "\"framed\":true,\"text\":\"囲\",\"ruby\":[]}"})
        EXPECT_NE(report.find(part), std::string::npos) << part << " in " << report;
}

struct RuleRow {
    const char* Name;
    SideLine Style;
    bool VerticalLine;
    bool Across;
    const char* Inked;  // the inked pixels of each row (or column) across the rule, from its centre
};

class DrawnRules : public testing::TestWithParam<RuleRow> {};

// A rule 60 pixels long and 2 thick through the middle of a gray page.
TEST_P(DrawnRules, InkTheirPattern)
{
    const RuleRow& row = GetParam();
    ComposedPage page;
    ComposedLine& line = page.Lines.emplace_back();
    line.Vertical = row.VerticalLine;
    line.OriginX = line.OriginY = 50;
    line.Line.Rules.push_back({-30 * FixedOne, 30 * FixedOne, 0, 2 * FixedOne, row.Style, row.Across});
    TBitmap raster = BlankPage(100, 100, true);
    RenderPage(page, raster);
    const bool runsAcrossThePage = row.VerticalLine == row.Across;
    std::string inked;
    for (int across = 0; across < 100; ++across) {
        int count = 0;
        for (int along = 0; along < 100; ++along)
            count += runsAcrossThePage ? raster.ScanLine(across)[along] == 0 : raster.ScanLine(along)[across] == 0;
        inked += count > 0 ? " " + std::to_string(across - 50) + ":" + std::to_string(count) : "";
    }
    EXPECT_EQ(inked, row.Inked);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DrawnRules,
    testing::Values(RuleRow{"Solid", SideLine::Solid, false, false, " -1:60 0:60"},
                    RuleRow{"SolidDownAColumn", SideLine::Solid, true, false, " -1:60 0:60"},
                    RuleRow{"SolidAcrossALine", SideLine::Solid, false, true, " -1:60 0:60"},
                    RuleRow{"Double", SideLine::Double, false, false, " -3:60 -2:60 1:60 2:60"},
                    RuleRow{"ChainOfDots", SideLine::Chain, false, false, " -1:20 0:20"},
                    RuleRow{"Dashed", SideLine::Dashed, true, false, " -1:40 0:40"},
                    RuleRow{"Wavy", SideLine::Wavy, false, false, " -3:15 -2:25 -1:20 0:20 1:25 2:15"}),
    [](const testing::TestParamInfo<RuleRow>& info) { return std::string(info.param.Name); });

// Random paragraphs thick with characters that may not start or end a line,
// inside marks, warichu and small text too: none does, no line runs past the
// measure but hanging punctuation, and every character reaches a line once, in
// order.
TEST(NovelLayout, NoForbiddenLineEdgesAndNothingLostOverRandomParagraphs)
{
    const std::vector<std::string> pieces = {"あ", "漢", "カ", "、", "。", "」", "「", "っ", "ー", "・", "？", "！",
                                             "々", "（", "）", "ab", "12", "――", "……", "字《じ》", "　",
                                             "［＃傍点］け」こ［＃傍点終わり］", "［＃割り注］か、き。く「け［＃割り注終わり］",
                                             "自［＃レ］", "［＃左に傍線］さ、し［＃左に傍線終わり］"};
    const std::string noStart = "、。，．・：；？！ー」』）〕］｝〉》っゃゅょァィゥェォッャュョ々ゝゞ";
    const std::string noEnd = "「『（〔［｛〈《";
    std::mt19937 random(7);
    for (const bool vertical : {false, true}) {
        std::string book;
        for (int paragraph = 0; paragraph < 40; ++paragraph) {
            for (int n = 0; n < 30; ++n)
                book += pieces[random() % pieces.size()];
            book += "\n";
        }
        const Composed composed = Compose(book, 12, 20, vertical);
        std::string shown;
        for (const ComposedPage& page : composed.Pages)
            for (const ComposedLine& line : page.Lines) {
                shown += line.Text;
                if (line.Text.empty())
                    continue;
                const std::string first = line.Text.substr(0, CharacterEnd(line.Text, 0));
                std::uint32_t lastAt = 0;
                for (std::uint32_t at = 0; at < line.Text.size(); at = CharacterEnd(line.Text, at))
                    lastAt = at;
                // A paragraph may open or close with anything; its inner line edges may not.
                EXPECT_TRUE(line.Line.Text.Begin == 0 || noStart.find(first) == std::string::npos) << line.Text;
                EXPECT_TRUE(line.Line.EndsBlock || noEnd.find(line.Text.substr(lastAt)) == std::string::npos)
                    << line.Text;
                EXPECT_LE(vertical ? line.Box.H : line.Box.W, 13 * kEm) << line.Text;
            }
        EXPECT_EQ(shown, composed.BlockTexts);
    }
}

// Lines stand 1.75 em apart, half an em kept for ruby over (or right of)
// each; a large heading is 1.6 times the body.
TEST(NovelLayout, ReportGivesEachLinesBoxTextAndRuby)
{
    const Composed horizontal = Compose("漢《かん》字\n［＃大見出し］章［＃大見出し終わり］", 10);
    EXPECT_EQ(LayoutReportLine(horizontal.Pages.at(0), "p\"1.png", 260, 755),
              "{\"page\":1,\"file\":\"p\\\"1.png\",\"width\":260,\"height\":755,\"vertical\":false,\"lines\":["
              "{\"x\":30,\"y\":40,\"w\":40,\"h\":20,\"text\":\"漢字\",\"ruby\":[{\"base\":\"漢\",\"text\":\"かん\"}]},"
              "{\"x\":30,\"y\":81,\"w\":32,\"h\":32,\"heading\":1,\"text\":\"章\",\"ruby\":[]}]}\n");
    const Composed vertical = Compose("漢字\nあ", 10, 20, true);
    EXPECT_EQ(LayoutReportLine(vertical.Pages.at(0), "v", 755, 260),
              "{\"page\":1,\"file\":\"v\",\"width\":755,\"height\":260,\"vertical\":true,\"lines\":["
              "{\"x\":695,\"y\":30,\"w\":20,\"h\":40,\"text\":\"漢字\",\"ruby\":[]},"
              "{\"x\":660,\"y\":30,\"w\":20,\"h\":20,\"text\":\"あ\",\"ruby\":[]}]}\n");
}

// The title block makes a page of its own, centred across the text block,
// the title a large heading; the body's pages carry the title over them; the
// colophon starts a page, a size smaller.
TEST(NovelLayout, TitlePageRunningHeaderAndColophon)
{
    const Composed composed = Compose("灯台\n浜野\n\n本文\n\n底本：「灯台」架空書房", 10);
    EXPECT_EQ(Describe(composed, 10), "灯台<3|浜野<2 / 本文<2|<0 / 底本：「灯台」架空書房<8");
    ASSERT_EQ(composed.Pages.size(), 3u);
    EXPECT_EQ(composed.Pages[0].Lines[0].Box.Y, 350);
    EXPECT_EQ(composed.Pages[0].Lines[0].Heading, 1);
    EXPECT_EQ(composed.Pages[1].Header.Text + "|" + composed.Pages[0].Header.Text + composed.Pages[2].Header.Text,
              "灯台|");
    EXPECT_EQ(composed.Pages[2].Lines[0].Box.H, 16);
    // Drawn, a body page shows the title over it and its number under it.
    TBitmap drawn = BlankPage(260, 755, true);
    RenderPage(composed.Pages[1], drawn);
    for (const ComposedLine* small : {&composed.Pages[1].Header, &composed.Pages[1].Folio}) {
        const LineBox& box = small->Box;
        int ink = 0;
        for (int y = std::max(0, box.Y); y < std::min(755, box.Y + box.H); ++y)
            for (int x = std::max(0, box.X); x < std::min(260, box.X + box.W); ++x)
                ink += drawn.ScanLine(y)[x] < 128;
        EXPECT_GT(ink, 0) << small->Text;
    }
}

// Headings for a table of contents: a heading block, two inside a line, and
// one in a 横組み block of a vertical book.
TEST(NovelLayout, HeadingsStartingOnAPage)
{
    const struct {
        const char* Book;
        bool Vertical;
        const char* Headings;
    } rows[] = {
        {"章［＃「章」は中見出し］\n本文の節［＃「節」は同行小見出し］と項［＃「項」は同行小見出し］です", false, "2章3節3項"},
        {"［＃ここから横組み］\nPart 1［＃「Part 1」は大見出し］\n［＃ここで横組み終わり］", true, "1Part 1"},
    };
    for (const auto& row : rows) {
        const Composed composed = Compose(row.Book, 10, 20, row.Vertical);
        std::string headings;
        for (const PageHeading& heading : composed.Pages.at(0).Headings)
            headings += std::to_string(heading.Level) + heading.Text;
        EXPECT_EQ(headings, row.Headings);
    }
}

// A picture is scaled to fit, never past twice its size, and centred along
// the line; one that cannot be read is a frame of its notated size, fitted
// likewise, holding its description; a caption follows in small type.
TEST(NovelLayout, PicturesFitTheTextBlockAndAMissingOneIsAFrameOfItsDescription)
{
    const PictureSource pictures = [](const std::string& file, int) -> std::shared_ptr<const TBitmap> {
        if (file != "a.png")
            return nullptr;
        auto raster = std::make_shared<TBitmap>();
        raster->SetWidth(60);
        raster->SetHeight(30);
        return raster;
    };
    for (const bool vertical : {false, true}) {
        const Composed composed = Compose("［＃図（a.png）入る］\n"
                                          "前［＃「絵」のキャプション付きの図（b.png、横100×縦50）入る］",
                                          10, 20, vertical, Kinsoku::Strict, pictures);
        EXPECT_EQ(Describe(composed, 10), vertical ? "@3￼<3|前￼<1|@2<5|@4絵<0" : "@2￼<6|前￼<1|=|@4絵<0");
        const auto& lines = composed.Pages.at(0).Lines;
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_TRUE(lines[0].Line.Picture->Image && !lines[2].Line.Picture->Image);
        EXPECT_EQ(lines[0].Line.Em, vertical ? 120 : 60);
        EXPECT_EQ(lines[2].Line.Em, vertical ? 200 : 100);
        EXPECT_EQ(lines[2].Line.Glyphs.size(), 1u);
    }
}

// In columns: 、。 brackets and ー in their vertical forms, a character the
// font has no vertical form of (：) and Latin words turned, two digits upright
// in one cell, ruby to the right, a horizontal block (横組み) across columns.
TEST(NovelLayout, VerticalFormsTurnsAndUprightCells)
{
    const Composed composed =
        Compose("、\nー\n（\n：\nab\nあ29い\n漢《かん》\n［＃ここから横組み］\nab12\n［＃ここで横組み終わり］", 10, 20, true);
    const auto& lines = composed.Pages.at(0).Lines;
    ASSERT_EQ(lines.size(), 8u);
    Typeface& body = composed.Type->Body(kEm);
    const auto glyphs = [&](int line) { return lines[line].Line.Glyphs; };
    for (int line : {0, 1, 2}) {
        const char32_t c = CharacterAt(lines[line].Text, 0);
        EXPECT_TRUE(glyphs(line).at(0).Glyph != body.NominalGlyph(c) && !glyphs(line)[0].Rotated) << lines[line].Text;
    }
    EXPECT_TRUE(glyphs(3).at(0).Rotated);
    EXPECT_TRUE(glyphs(4).at(0).Rotated && glyphs(4).at(1).Rotated);
    // Turned, a Latin word's baseline lies left of the column's centre by less than half an em.
    EXPECT_TRUE(glyphs(4)[0].Y > -kEm * FixedOne / 2 && glyphs(4)[0].Y < 0);
    const auto digits = glyphs(5);
    ASSERT_EQ(digits.size(), 4u);
    EXPECT_TRUE(!digits[1].Rotated && digits[1].X == digits[2].X && digits[1].Y < digits[2].Y);
    EXPECT_EQ(lines[5].Box.H, 3 * kEm);
    for (const PlacedGlyph& glyph : glyphs(6))
        EXPECT_TRUE(glyph.Face->PixelSize() == kEm || glyph.Y >= kEm * FixedOne / 2);
    EXPECT_EQ(lines[7].Text, "ab12");
    EXPECT_TRUE(!glyphs(7).at(0).Rotated && glyphs(7)[0].X == glyphs(7)[3].X && glyphs(7)[0].Y < glyphs(7)[3].Y);

    // A digit set small is no part of the upright cell of the digit before it.
    // The first digit, alone in its run, turns.
    const Composed small = Compose("一22［＃「2」は上付き小文字］二", 10, 20, true);
    const auto& smallGlyphs = small.Pages.at(0).Lines.at(0).Line.Glyphs;
    EXPECT_TRUE(std::any_of(smallGlyphs.begin(), smallGlyphs.end(), [](const PlacedGlyph& g) { return g.Rotated; }));

    // Drawn, the vertical comma's ink lies in the upper right of its cell.
    TBitmap page = BlankPage(755, 260, true);
    RenderPage(composed.Pages[0], page);
    const LineBox& cell = lines[0].Box;
    long inkX = 0, inkY = 0, ink = 0;
    for (int y = cell.Y; y < cell.Y + kEm; ++y)
        for (int x = cell.X; x < cell.X + kEm; ++x) {
            const int dark = 255 - page.ScanLine(y)[x];
            inkX += dark * (x - cell.X), inkY += dark * (y - cell.Y), ink += dark;
        }
    ASSERT_GT(ink, 0);
    EXPECT_TRUE(inkX / ink > kEm / 2 && inkY / ink < kEm / 2) << inkX / ink << "," << inkY / ink;
}

// A 4-gray device's pages hold only its four levels, edges quantized, never dithered.
TEST(NovelLayout, GrayPagesTakeTheDevicesLevels)
{
    TempDir dir;
    WriteFile(dir.File("book.txt"), "吾輩《わがはい》は猫である。名前はまだ無い。\r\n");
    RunSettings settings;
    settings.Style = PageStyle::Novel;
    settings.TextFile = dir.File("book.txt");
    settings.Novel.Device = novel::ParseDevice("300x200:4");
    const std::unique_ptr<BookRun> run = StartRun(settings);
    TickSettings tick;
    tick.OutputDirectory = dir.Path().string();
    EXPECT_TRUE(run->Tick(tick, SaverFor(*run)));
    const std::string file = ReadFile(dir.File("book000001.png"));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, file.data(), file.size()));
    image.format = PNG_FORMAT_GRAY;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    std::set<int> levels(pixels.begin(), pixels.end());
    EXPECT_EQ(levels, (std::set<int>{0, 85, 170, 255}));
}

}  // namespace
}  // namespace tessaro::test
