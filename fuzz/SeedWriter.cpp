// Writes the seed corpus of each fuzz target, made by the program's own code:
// line ends for text loading; Japanese, English, UTF-8 and malformed text for
// the flow, once for each set-up its first byte picks; JPEG files from our
// encoder and the library's other coding processes, some patched to declare
// what the decoder must refuse; Aozora Bunko notation of every kind, well and
// badly formed, for the notation reader; short books of prose, rubies,
// annotations, a title and colophon, pictures, marks, warichu and kunten for
// the novel layout, once for each of a few set-ups.
//
// Usage: tessaro-fuzz-seeds DIRECTORY
//        (writes DIRECTORY/{textfile,textflow,jpeg,notation,novellayout}/)

#include <cstdio>
#include <filesystem>
#include <iterator>

#include "imaging/TJPEGImage.h"
#include "support/JpegTestPictures.h"
#include "support/TestSupport.h"

using namespace tessaro::test;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    // A failure ends the program with the exception's message.
    const std::filesystem::path root = argv[1];
    const auto write = [&](const char* target, const std::string& name, const std::string& bytes) {
        std::filesystem::create_directories(root / target);
        WriteFile((root / target / name).string(), bytes);
    };
    write("textfile", "line-ends", std::string("a\r\nb\n\nc\rd\r\r\n\n\re\x82\xA0\0f", 19));
    const std::pair<const char*, std::string> texts[] = {
        {"shift-jis", Repeat("\x88\x9F\x88\xA0\x82\xA0 kana \x83\x41\r\n", 30)},
        {"utf8", Repeat("\xE4\xBA\x9C\xE3\x81\x82 text \xF0\x9F\x98\x80\r\n", 30)},
        {"long-line", Repeat("word ", 120) + "\r\n" + Repeat("The quick brown fox.\r\n", 10)},
        {"line-feeds", Repeat("\r\n", 60)},
        {"malformed", "\r\nabc\x88\r\nok \xC0\xAF \x80 cut \xE4\xBA\r\n\xE4\xBA"}};
    for (char setUp = 0; setUp < 8; ++setUp)
        for (const auto& [name, text] : texts)
            write("textflow", name + std::string("-") + char('0' + setUp), setUp + text);
    tessaro::TJPEGImage page;
    page.AssignBitmap(MakeRaster(40, 24, kBlue));
    const std::string ours(page.EncodedBytes().begin(), page.EncodedBytes().end());
    write("jpeg", "our-encoder", ours);
    write("jpeg", "huge-frame", WithFrame(ours, 8, 65500, 65500));
    write("jpeg", "twelve-bit", WithFrame(ours, 12, 40, 24));
    write("jpeg", "cut-in-the-data", CutInTheFirstScan(ours));
    const auto paint = [](int x, int y) { return Rgb{x * 6, y * 9, (x + y) * 3}; };
    for (JpegKind kind : {JpegKind::Gray, JpegKind::Progressive, JpegKind::Arithmetic, JpegKind::Cmyk, JpegKind::Ycck})
        write("jpeg", "kind-" + std::to_string(int(kind)), MakeJpeg(24, 16, kind, paint));
    write("jpeg", "many-scans", RepeatFirstScan(MakeJpeg(24, 16, JpegKind::Progressive, paint), 501));
    const std::pair<const char*, std::string> books[] = {
        {"title-and-colophon", "題\r\n著者\r\n\r\n本文。\r\n\r\n底本：「題」社\r\n"},
        {"ruby", "漢字《かんじ》と｜別の語《べつのご》、々《のま》ヶ《が》。\r\n｜《》 《 ｜\r\n"},
        {"annotations", "［＃３字下げ］見出し［＃「見出し」は大見出し］\r\n［＃改ページ］\r\n語［＃「語」に傍点］\r\n"
                        "［＃ここから２字下げ、折り返して３字下げ］\r\n段落\r\n［＃ここで字下げ終わり］\r\n［＃閉じない\r\n"},
        {"characters", "※［＃「てへん＋劣」、第3水準1-84-77］※［＃「口＋世」、U+546D］〔e'tiquette〕\r\n"},
    };
    for (const auto& [name, book] : books)
        write("notation", name, book);
    // Set-ups (see NovelLayoutFuzzer.cpp): PSP across; QVGA down, drawn; a
    // tiny screen across at 19 pixels; a strip down at 26 pixels, drawn; the
    // tiny one down at 8 pixels, loose rules, drawn; PSP down.
    const char novelSetUps[] = {'\x00', '\x85', '\x2A', '\xDF', '\xF6', '\x04'};
    const std::pair<const char*, std::string> novels[] = {
        {"empty", ""},
        {"prose", "The quick brown fox, jumps over the lazy dog.  Two spaces.\r\n\r\nEnd.\r\n"},
        {"marks", "一〮〯〮〯〮 cafe\xCC\x81 \xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD\r\n"},
        {"spaces-past-the-end", "Spaces at the end                                     \r\nword          。\r\n"},
        {"ruby", "吾輩《わがはい》は猫である。名前はまだ無い。どこで生れたかとんと見当《けんとう》がつかぬ。\r\n"
                 "｜長い語《ながいながいながいながいよみ》、「そう」。\r\n"},
        {"ruby-ranges", "［＃ルビ付き］語《ご》と字［＃「ごとじ」のルビ付き終わり］\r\n"
                        "語［＃ルビ付き］と字《じ》［＃「とじ」のルビ付き終わり］\r\nか｜゙《ず》見当《けんとう》｜゙《ず》\r\n"},
        {"annotations", "［＃３字下げ］第一章［＃「第一章」は大見出し］\r\n［＃改ページ］\r\n"
                        "［＃ここから２字下げ］\r\n昭和12年、!?と言った――……。\r\n［＃ここで字下げ終わり］\r\n"},
        {"title-and-colophon", "題名\r\n著者名\r\n\r\n本文の一行目。\r\n［＃ページの左右中央］\r\n中央の章\r\n［＃改ページ］\r\n"
                               "後の文。\r\n底本：「題名」架空書房\r\n入力：誰か\r\n"},
        {"pictures", "絵の前［＃挿絵（a.png）入る］後\r\n［＃「猫の図」のキャプション付きの図（b.png、横40×縦30）入る］\r\n"
                     "［＃石の図（a.png）入る］\r\n［＃図（c.png）入る］\r\n文［＃「説明」のキャプション付きの図（a.png）入る］文\r\n"},
        {"side-marks", "語［＃「語」に傍点］と線［＃「線」に傍線］左［＃「左」の左に傍線］、［＃罫囲み］枠［＃罫囲み終わり］"
                  "帳面［＃「帳面」の左に「ノート」のルビ］海図［＃「海図」に「注」の注記］漢字《かんじ》［＃「漢字」の左に「かな」のルビ］\r\n"
                  "［＃ここから罫囲み］\r\n囲みの中の長い文章がここに続いています。\r\n［＃ここで罫囲み終わり］\r\n"},
        {"warichu-kunten", "記録［＃割り注］昭和の初め［＃改行］から続くもの［＃割り注終わり］H2［＃「2」は下付き小文字］O"
                           "m2［＃「2」は上付き小文字］学［＃レ］而時習［＃レ］之［＃（ヲ）］12［＃「12」は縦中横］\r\n"},
        {"warichu-ruby", "前［＃割り注］注の漢字《かんじ》［＃改行］二行目［＃割り注終わり］後\r\n"},
        {"warichu-spaces", "［＃割り注］" + Repeat("ab        ", 30) + "［＃割り注終わり］\r\n"},
        {"horizontal", "縦の行\r\n［＃ここから横組み］\r\nCafe' du Port No. 7 漢字《かんじ》\r\n［＃ここで横組み終わり］\r\n"},
        {"horizontal-blank", "［＃ここから横組み］\r\n一\r\n［＃改ページ］\r\n\r\n二\r\n［＃ここで横組み終わり］\r\n"},
        {"horizontal-pictures", "［＃ここから横組み］\r\n［＃挿絵（a.png）入る］\r\n横［＃「猫」のキャプション付きの図（b.png）入る］\r\n"
                                "［＃ここで横組み終わり］\r\n"},
        {"object-replacement", "前\r\n\xEF\xBF\xBC\r\n［＃改ページ］\r\n\xEF\xBF\xBC\r\n後\r\n"},
        {"upright-heading", "12［＃大見出し］\r\n"},
        {"caption-hanging", "［＃「g、」のキャプション付きの図（p）入る］\r\n"},
        {"horizontal-title", "［＃ここから横組み］\xFF\n底本：\n\n"},
        {"small-text-ruby", "［＃下付き小文字］m字《\xE3》\r\n"},
        {"upright-ruby", "［＃縦中横］f《\xE3》\xEF\r\n一｜1《x》2二!｜?《y》\r\n"},
        {"flush-end-half-pixel", "［＃地付き］\xE6\x8B\xEF\xBC\xE7\xEF\xBB\xEF\r\n"},
        {"horizontal-long", "［＃ここから横組み］\r\n" + Repeat("横組みの長い段落", 60) + "\r\n［＃ここで横組み終わり］\r\n"},
    };
    for (std::size_t setUp = 0; setUp < std::size(novelSetUps); ++setUp)
        for (const auto& [name, book] : novels)
            write("novellayout", name + std::string("-") + char('0' + setUp), novelSetUps[setUp] + book);
    return 0;
}
