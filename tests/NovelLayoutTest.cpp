#include <gtest/gtest.h>
#include <png.h>

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
};

class NovelLayoutTest : public testing::TestWithParam<LayoutRow> {};

TEST_P(NovelLayoutTest, LinesFollowTheJapaneseRules)
{
    const LayoutRow& row = GetParam();
    for (const bool vertical : {false, true}) {
        const Composed composed = Compose(row.Book, row.Cells, 20, vertical, row.Rules);
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
                  "あいうえお<5|かき<2"}),
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

// Random paragraphs thick with characters that may not start or end a line:
// none does, no line runs past the measure but hanging punctuation, and every
// character reaches a line once, in order.
TEST(NovelLayout, NoForbiddenLineEdgesAndNothingLostOverRandomParagraphs)
{
    const std::vector<std::string> pieces = {"あ", "漢", "カ", "、", "。", "」", "「", "っ", "ー", "・", "？", "！",
                                             "々", "（", "）", "ab", "12", "――", "……", "字《じ》", "　"};
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
}

// Headings for a table of contents: a heading block, and one inside a line.
TEST(NovelLayout, HeadingsStartingOnAPage)
{
    const Composed composed = Compose("章［＃「章」は中見出し］\n本文の節［＃「節」は同行小見出し］です", 10);
    const auto& headings = composed.Pages.at(0).Headings;
    ASSERT_EQ(headings.size(), 2u);
    EXPECT_EQ(std::to_string(headings[0].Level) + headings[0].Text + std::to_string(headings[1].Level) + headings[1].Text,
              "2章3節");
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
