#include "novel/NotationReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "text/Utf8.h"

namespace tessaro::test {
namespace {

using novel::Block;
using novel::NotationReader;

// Input lines are written with \n; the book has CR LF, as the loader gives it.
std::string Book(std::string_view lines)
{
    std::string book;
    for (char c : lines)
        book += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return book + "\r\n";
}

// A span as {kind[<][#variant][@value[/value2]]:covered[=text]}; < is the Under side.
std::string DescribeSpan(const Block& block, const novel::Span& span)
{
    static const char* const kKinds[] = {"ruby",  "note",    "emphasis", "line",    "bold",  "italic", "size",
                                         "heading", "upright", "warichu",  "small", "frame", "picture"};
    std::string out = std::string("{") + kKinds[static_cast<int>(span.Kind)];
    if (span.Placement == novel::Side::Under)
        out += "<";
    if (span.Variant != 0)
        out += "#" + std::to_string(span.Variant);
    if (span.Value != 0 || span.Value2 != 0)
        out += "@" + std::to_string(span.Value) + (span.Value2 != 0 ? "/" + std::to_string(span.Value2) : "");
    out += ":" + block.Text.substr(span.Range.Begin, span.Range.End - span.Range.Begin);
    return out + (span.Text.empty() ? "" : "=" + span.Text) + "}";
}

// A block as its text, its spans, and what its style, break and role say
// beyond a plain body paragraph, each after a space.
std::string Describe(const Block& block)
{
    std::string out = block.Text;
    for (const novel::Span& span : block.Spans)
        out += " " + DescribeSpan(block, span);
    const novel::BlockStyle& style = block.Style;
    if (style.FirstIndent != 0 || style.RestIndent != 0)
        out += " [indent " + std::to_string(style.FirstIndent) + "/" + std::to_string(style.RestIndent) + "]";
    if (style.FlushEndFrom != novel::BlockStyle::NoFlushEnd)
        out += " [flush " + block.Text.substr(style.FlushEndFrom) + "+" + std::to_string(style.EndGap) + "]";
    if (style.MaxCells != 0)
        out += " [cells " + std::to_string(style.MaxCells) + "]";
    if (style.HeadingLevel != 0)
        out += " [heading " + std::to_string(style.HeadingLevel) + "]";
    for (const auto& [on, name] : {std::pair{style.CentredPage, "centred"}, std::pair{style.Horizontal, "horizontal"},
                                   std::pair{style.Framed, "framed"}})
        if (on)
            out += std::string(" [") + name + "]";
    static const char* const kBreaks[] = {"", " [page]", " [sheet]", " [spread]", " [column]"};
    static const char* const kRoles[] = {"", " [title]", " [colophon]"};
    return out + kBreaks[static_cast<int>(block.Break)] + kRoles[static_cast<int>(block.Role)];
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t length = 0; !text.empty(); text.remove_prefix(length))
        if ((length = Utf8SequenceLength(text)) == 0)
            return false;
    return true;
}

bool OnBoundary(const std::string& text, std::uint32_t offset)
{
    return offset == text.size() || (static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80;
}

// Reads the whole book, checking what every block must satisfy on the way.
std::vector<std::string> ReadAll(NotationReader& reader)
{
    std::vector<std::string> blocks;
    Block block;
    while (reader.Next(block)) {
        EXPECT_TRUE(IsUtf8(block.Text)) << block.Text;
        for (const novel::Span& span : block.Spans)
            EXPECT_TRUE(span.Range.Begin < span.Range.End && span.Range.End <= block.Text.size() &&
                        OnBoundary(block.Text, span.Range.Begin) && OnBoundary(block.Text, span.Range.End))
                << DescribeSpan(block, span);
        blocks.push_back(Describe(block));
    }
    return blocks;
}

struct NotationRow {
    const char* name;
    const char* lines;
    std::vector<std::string> blocks;
};

void PrintTo(const NotationRow& row, std::ostream* out)
{
    *out << row.name;
}

class Notation : public testing::TestWithParam<NotationRow> {};

TEST_P(Notation, ReadsIntoBlocksWithoutWarnings)
{
    const std::string book = Book(GetParam().lines);
    NotationReader reader(book);
    EXPECT_EQ(ReadAll(reader), GetParam().blocks);
    EXPECT_TRUE(reader.Warnings().empty()) << reader.Warnings().front().Annotation;
    EXPECT_EQ(reader.ConsumedBytes(), book.size());
}

INSTANTIATE_TEST_SUITE_P(
    Ruby, Notation,
    testing::Values(
        NotationRow{"Paragraphs", "吾輩は猫である。\n\nまだ名前はない。", {"吾輩は猫である。", "", "まだ名前はない。"}},
        NotationRow{"KanjiRun", "一人の下人《げにん》が", {"一人の下人が {ruby:下人=げにん}"}},
        NotationRow{"KanjiLikeMarks", "〆切《しめきり》を市ヶ谷《いちがや》で", {"〆切を市ヶ谷で {ruby:〆切=しめきり} {ruby:市ヶ谷=いちがや}"}},
        NotationRow{"ClassRuns",
                    "ひらがな《ヒラガナ》カタカナー《かたかな》ＡＢＣ《えー》abc1《いち》",
                    {"ひらがなカタカナーＡＢＣabc1 {ruby:ひらがな=ヒラガナ} {ruby:カタカナー=かたかな} {ruby:ＡＢＣ=えー} "
                     "{ruby:abc1=いち}"}},
        NotationRow{"NoRubyReachesIntoTheLastOne", "漢字《かんじ》字《じ》", {"漢字字 {ruby:漢字=かんじ} {ruby:字=じ}"}},
        NotationRow{"Bar", "霧の｜ロンドン警視庁《スコットランドヤード》", {"霧のロンドン警視庁 {ruby:ロンドン警視庁=スコットランドヤード}"}},
        NotationRow{"LaterBarWins", "｜漢｜字《じ》", {"｜漢字 {ruby:字=じ}"}},
        NotationRow{"BarBeforeNothingStays", "｜［＃傍点］《x》", {"｜《x》 {emphasis:｜《x》}"}},
        NotationRow{"BarOverAnnotation", "｜［＃傍点］青空《あお》［＃傍点終わり］", {"青空 {ruby:青空=あお} {emphasis:青空}"}},
        NotationRow{"MalformedStays",
                    "a｜b\n漢《かん\n漢《》\n。《ルビ》\n｜《x》\n［＃改ページ",
                    {"a｜b", "漢《かん", "漢《》", "。《ルビ》", "｜《x》", "［＃改ページ"}},
        NotationRow{"GaijiByPlaneRowCell",
                    "※［＃「てへん＋劣」、第3水準1-84-77］子窓《れんじまど》と※［＃「髟＋兵」、第4水準2-93-21］",
                    {"挘子窓と髩 {ruby:挘子窓=れんじまど}"}},
        NotationRow{"GaijiOtherForms",
                    "あ※［＃二の字点、1-2-22］《x》※［＃「口＋世」、U+546D、135-7］※［＃「口＋世」、135-7］※［＃「か」に半濁点、1-4-87］",
                    {"あ〻呭〓か゚ {ruby:〻=x}"}},
        NotationRow{"GaijiInTarget", "※［＃「口＋世」、135-7］の［＃「※［＃「口＋世」、135-7］の」に傍点］", {"〓の {emphasis:〓の}"}},
        NotationRow{"Accents",
                    "〔e'tiquette〕と〔E'tude〕《エチュード》\n〔l'existence et l'e'te'〕 〔ae& OE&uvre s& Franc,ais u:ber〕",
                    {"étiquetteとÉtude {ruby:Étude=エチュード}", "l'existence et l'été æ Œuvre ß Français über"}},
        NotationRow{"OrdinaryBrackets", "〔本全集第一巻所収〕〔sic〕〔a'", {"〔本全集第一巻所収〕〔sic〕〔a'"}}));

INSTANTIATE_TEST_SUITE_P(
    Layout, Notation,
    testing::Values(
        NotationRow{"EditorialNotes",
                    "紋附［＃「紋附」は底本では「絞附」］、広場へに［＃「広場へに」はママ］籠《ざる》［＃ルビの「ざる」は底本では「さる」］",
                    {"紋附、広場へに籠 {ruby:籠=ざる}"}},
        NotationRow{"PageBreaks",
                    "前\n［＃改ページ］\n後［＃改丁］\n［＃改見開き］\nX\n［＃改段］\nY",
                    {"前", "後 [page]", "X [spread]", "Y [column]"}},
        NotationRow{"LineIndent", "［＃３字下げ］灰いろ［＃「灰いろ」は中見出し］", {"灰いろ [indent 3/3] [heading 2]"}},
        NotationRow{"BlockIndents",
                    "［＃ここから２字下げ、折り返して３字下げ］\n一、托児所\n［＃ここから改行天付き、折り返して１字下げ］\n一　余\n"
                    "［＃ここから10字下げ］\nx［＃５字下げ］\ny\n［＃ここで字下げ終わり］\n後",
                    {"一、托児所 [indent 2/3]", "一　余 [indent 0/1]", "x [indent 5/5]", "y [indent 10/10]", "後"}},
        NotationRow{"ChangeAfterTextWaitsForTheNextLine",
                    "前［＃ここから２字下げ］\n［＃ここで字下げ終わり］後\n先［＃地から２字上げ］末",
                    {"前", "後", "先末 [flush 末+2]"}},
        NotationRow{"FlushEnd",
                    "［＃地付き］（終り）\n［＃ここから地から１字上げ］\n――付\n［＃ここで字上げ終わり］\n［＃ここから地付き］\n署名\n"
                    "［＃ここで地付き終わり］\n後",
                    {"（終り） [flush （終り）+0]", "――付 [flush ――付+1]", "署名 [flush 署名+0]", "後"}},
        NotationRow{"BlocksNest",
                    "［＃ここから４字下げ］\n［＃ここから２８字詰め］\n［＃ここから罫囲み］\n令\n［＃ここで罫囲み終わり］\n"
                    "［＃ここで字詰め終わり］\n［＃ここで字下げ終わり］\n後",
                    {"令 [indent 4/4] [cells 28] [framed]", "後"}},
        NotationRow{"CentredPage",
                    "［＃ページの左右中央］\n\n短章\n［＃改ページ］\n本文",
                    {" [centred]", "短章 [centred]", "本文 [page]"}},
        NotationRow{"Headings",
                    "独《ひと》り寝《ね》［＃「独り寝」は大見出し］\n［＃小見出し］章［＃小見出し終わり］\n［＃ここから中見出し］\n第一\n"
                    "［＃ここで中見出し終わり］\n本文",
                    {"独り寝 {ruby:独=ひと} {ruby:寝=ね} [heading 1]", "章 [heading 3]", "第一 [heading 2]", "本文"}},
        NotationRow{"HeadingsInLine",
                    "入藏《にゆうぞう》の原因［＃「入藏の原因」は同行中見出し］　で\n［＃窓小見出し］龍王岬［＃窓小見出し終わり］　峨々",
                    {"入藏の原因　で {ruby:入藏=にゆうぞう} {heading@2:入藏の原因}", "龍王岬　峨々 {heading@3:龍王岬}"}},
        NotationRow{"Horizontal",
                    "スハフ［＃「スハフ」は横組み］\n［＃ここから横組み］\n100円\n［＃ここで横組み終わり］",
                    {"スハフ", "100円 [horizontal]"}}));

INSTANTIATE_TEST_SUITE_P(
    Marks, Notation,
    testing::Values(
        NotationRow{"Emphasis",
                    "腹が［＃「腹が」に傍点］、ひもじ［＃「ひもじ」の左に丸傍点］［＃ばつ傍点］禁［＃ばつ傍点終わり］"
                    "［＃左に白ゴマ傍点］x［＃左に白ゴマ傍点終わり］",
                    {"腹が、ひもじ禁x {emphasis:腹が} {emphasis<#2:ひもじ} {emphasis#8:禁} {emphasis<#1:x}"}},
        NotationRow{"SideLinesOverlap",
                    "責［＃「責」に波線］［＃左に二重傍線］空［＃左に二重傍線終わり］青空［＃「青空」に傍点］文庫［＃「青空文庫」に鎖線］",
                    {"責空青空文庫 {line#4:責} {line<#1:空} {emphasis:青空} {line#2:青空文庫}"}},
        NotationRow{"BoldItalicSize",
                    "選考［＃「選考」は太字］［＃斜体］No［＃斜体終わり］県立［＃「県立」は２段階大きな文字］"
                    "［＃１段階小さな文字］小［＃小さな文字終わり］",
                    {"選考No県立小 {bold:選考} {italic:No} {size@2:県立} {size@-1:小}"}},
        NotationRow{"BlockMarks",
                    "［＃ここから太字］\n［＃ここから２段階大きな文字］\n注\n［＃ここで大きな文字終わり］\n強\n［＃ここで太字終わり］\n後",
                    {"注 {bold:注} {size@2:注}", "強 {bold:強}", "後"}},
        NotationRow{"RangeEndsWithTheLine", "［＃傍点］始まり\n続き", {"始まり {emphasis:始まり}", "続き"}},
        NotationRow{"RubyAndNotes",
                    "青空［＃「青空」の左に「あおぞら」のルビ］吹喋［＃「喋」に「ママ」の注記］"
                    "大空［＃「大空」の左に「ママ」の注記］［＃注記付き］名々［＃「（銘々）」の注記付き終わり］"
                    "［＃左にルビ付き］子窓［＃左に「れんじ」のルビ付き終わり］",
                    {"青空吹喋大空名々子窓 {ruby<:青空=あおぞら} {note:喋=ママ} {note<:大空=ママ} {note:名々=（銘々）} "
                     "{ruby<:子窓=れんじ}"}},
        NotationRow{"Kunten",
                    "自［＃二］女王國［＃一］所［＃一レ］敬。山城［＃（ノ）］國",
                    {"自二女王國一所一レ敬。山城ノ國 {small:二} {small:一} {small:一レ} {small#1:ノ}"}},
        NotationRow{"Warichu",
                    "飛鳥［＃割り注］東は大林［＃改行］西は神内［＃割り注終わり］［＃改行］",
                    {"飛鳥東は大林\n西は神内 {warichu:東は大林\n西は神内}"}},
        NotationRow{"SmallText",
                    "上。（５）［＃「（５）」は行右小書き］（６）［＃「（６）」は行左小書き］22［＃「2」は上付き小文字］"
                    "H2［＃「2」は下付き小文字］O",
                    {"上。（５）（６）22H2O {small#2:（５）} {small#3:（６）} {small#4:2} {small#5:2}"}},
        NotationRow{"FrameAndUpright",
                    "キ劇の［＃「キ劇の」は罫囲み］［＃罫囲み］探偵［＃罫囲み終わり］Ｂ29［＃「29」は縦中横］",
                    {"キ劇の探偵Ｂ29 {frame:キ劇の} {frame:探偵} {upright:29}"}},
        NotationRow{"Pictures",
                    "［＃石鏃の図（fig42154_01.png、横321×縦123）入る］\n"
                    "［＃「第一七圖」のキャプション付きの図（fig4990_07.png、横３２１×縦１２３）入る］\n図［＃挿絵（fig1.png）入る］",
                    {"￼ {picture@321/123:￼=fig42154_01.png} {note:￼=石鏃の図}",
                     "￼ {picture@321/123:￼=fig4990_07.png} {note:￼=第一七圖} {note<:￼=第一七圖}",
                     "図￼ {picture:￼=fig1.png} {note:￼=挿絵}"}}));

struct StructureRow {
    const char* name;
    const char* lines;
    std::vector<std::string> blocks;
    const char* title;
    const char* author;
};

void PrintTo(const StructureRow& row, std::ostream* out)
{
    *out << row.name;
}

class FileStructure : public testing::TestWithParam<StructureRow> {};

TEST_P(FileStructure, FindsTitleExplanationAndColophon)
{
    const std::string book = Book(GetParam().lines);
    NotationReader reader(book);
    EXPECT_EQ(reader.Info().Title, GetParam().title);
    EXPECT_EQ(reader.Info().Author, GetParam().author);
    EXPECT_EQ(ReadAll(reader), GetParam().blocks);
}

constexpr const char* kExplanation =
    "-------------------------------------------------------\n【テキスト中に現れる記号について】\n\n《》：ルビ\n"
    "（例）下人《げにん》\n-------------------------------------------------------\n";

INSTANTIATE_TEST_SUITE_P(
    Books, FileStructure,
    testing::Values(
        StructureRow{"AozoraBunko",
                     "羅生門《らしょうもん》\n芥川龍之介\n\n-------------------------------------------------------\n"
                     "【テキスト中に現れる記号について】\n\n《》：ルビ\n-------------------------------------------------------\n\n"
                     "　ある日\n\n底本：「架空」\n入力：某",
                     {"羅生門 {ruby:羅生門=らしょうもん} [title]", "芥川龍之介 [title]", "　ある日", "", "底本：「架空」 [colophon]",
                      "入力：某 [colophon]"},
                     "羅生門", "芥川龍之介"},
        StructureRow{"ColophonWithoutExplanation", "題\n\n本文\n底本：「架空」", {"題 [title]", "本文", "底本：「架空」 [colophon]"}, "題", ""},
        StructureRow{"NeitherExplanationNorColophon", "短い\n行\n\n本文", {"短い", "行", "", "本文"}, "", ""},
        StructureRow{"FiveLinesAreNoTitle", "一\n二\n三\n四\n五\n\n底本：x", {"一", "二", "三", "四", "五", "", "底本：x [colophon]"}, "", ""},
        StructureRow{"IndentedLineIsNoTitle", "　始まり\n\n底本：x", {"　始まり", "", "底本：x [colophon]"}, "", ""},
        StructureRow{"LongLineIsNoTitle",
                     "これは四十一文字ある長い行で、題名の行としては長すぎるので本文の最初の段落として読むべきもの。\n\n底本：x",
                     {"これは四十一文字ある長い行で、題名の行としては長すぎるので本文の最初の段落として読むべきもの。", "", "底本：x [colophon]"},
                     "", ""},
        StructureRow{"UnclosedExplanationStays",
                     "------------\n【テキスト中に現れる記号について】\n（例）下人《げにん》",
                     {"------------", "【テキスト中に現れる記号について】", "（例）下人 {ruby:下人=げにん}"}, "", ""},
        StructureRow{"BodyEnd", "本文\n［＃本文終わり］\n入力：某", {"本文", "入力：某 [colophon]"}, "", ""}));

TEST(FileStructure, DropsTheExplanationAndTheBlankLinesAroundIt)
{
    const std::string book = Book(std::string("\n") + kExplanation + "\n\n本文");
    NotationReader reader(book);
    EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{"", "本文"}));
}

struct WarningRow {
    const char* lines;
    std::vector<std::string> blocks;
    std::vector<std::string> warnings;  // line:annotation
};

class Warnings : public testing::TestWithParam<WarningRow> {};

TEST_P(Warnings, RecordAnnotationsNotUnderstood)
{
    const std::string book = Book(GetParam().lines);
    NotationReader reader(book);
    EXPECT_EQ(ReadAll(reader), GetParam().blocks);
    std::vector<std::string> warnings;
    for (const novel::NotationWarning& warning : reader.Warnings())
        warnings.push_back(std::to_string(warning.SourceLine) + ":" + warning.Annotation);
    EXPECT_EQ(warnings, GetParam().warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Annotations, Warnings,
    testing::Values(WarningRow{"前\n［＃ほげほげ］\n後［＃ここから謎］", {"前", "後"}, {"2:［＃ほげほげ］", "3:［＃ここから謎］"}},
                    WarningRow{"青空［＃「文庫」に傍点］", {"青空"}, {"1:［＃「文庫」に傍点］"}},
                    WarningRow{"続き［＃傍点終わり］", {"続き"}, {"1:［＃傍点終わり］"}}));

TEST(SampleBook, ReadsWithoutWarningsInLineOrder)
{
    const std::string book = ReadFile(TESSARO_SOURCE_DIR "/data/sample/novel.txt");
    NotationReader reader(book);
    EXPECT_FALSE(reader.Info().Title.empty());
    Block block;
    int lastLine = 0;
    int roles[3] = {};
    while (reader.Next(block)) {
        EXPECT_GT(block.SourceLine, lastLine);
        lastLine = block.SourceLine;
        ++roles[static_cast<int>(block.Role)];
    }
    EXPECT_TRUE(reader.Warnings().empty()) << reader.Warnings().front().Annotation;
    EXPECT_EQ(reader.ConsumedBytes(), book.size());
    EXPECT_GT(roles[0] * roles[1] * roles[2], 0) << "body, title and colophon blocks";
}

struct LinearRow {
    const char* name;
    const char* piece;
    const char* tail;
};

void PrintTo(const LinearRow& row, std::ostream* out)
{
    *out << row.name;
}

class LinearTime : public testing::TestWithParam<LinearRow> {};

// 50 000 pieces of notation are read in a moment, not in minutes (work
// that grows with the square of them would take hours).
TEST_P(LinearTime, OnALongRunOfOnePiece)
{
    const std::string book = Repeat(GetParam().piece, 50000) + GetParam().tail;
    const auto start = std::chrono::steady_clock::now();
    NotationReader reader(book);
    Block block;
    while (reader.Next(block)) {
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

INSTANTIATE_TEST_SUITE_P(Pieces, LinearTime,
                         testing::Values(LinearRow{"UnclosedRuby", "漢《", ""}, LinearRow{"NestedRuby", "漢《", "》"},
                                         LinearRow{"UnclosedAnnotation", "［＃", ""},
                                         LinearRow{"Bars", "｜［＃x］", "《a》"}, LinearRow{"Accents", "〔a", "〕"},
                                         LinearRow{"Ranges", "［＃傍点］［＃太字終わり］", ""},
                                         LinearRow{"Targets", "漢［＃「漢」に傍点］", ""},
                                         LinearRow{"NestedBlocks", "［＃ここから太字］\r\nx\r\n", ""}));

}  // namespace
}  // namespace tessaro::test
