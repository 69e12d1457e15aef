// The packs: the text of their documents, the page headers they read, the
// table of contents, ComicInfo.xml, and the zip writer that puts an archive
// in place only once it is whole.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <set>

#include "imaging/PngCodec.h"
#include "pack/ComicArchive.h"
#include "pack/FixedLayoutEpub.h"
#include "pack/PackText.h"
#include "pack/ZipWriter.h"
#include "support/TestSupport.h"
#include "support/ZipReading.h"
#include "text/Exception.h"

namespace tessaro::test {
namespace {

using namespace pack;
using Bytes = std::vector<std::uint8_t>;

TEST(PackTextTest, XmlTextEscapesMarkupAndKeepsOnlyXmlCharacters)
{
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"a&b<c>\"d'", "a&amp;b&lt;c&gt;&quot;d&apos;"},
        {"灯台守《とうだいもり》", "灯台守《とうだいもり》"},
        {"\x01tab\tline\nend\x1f", "tab\tline\nend"},
        {"\x93\xfa\x96{", "\uFFFD\uFFFD\uFFFD{"},
        {"\xEF\xBF\xBE\xED\xA0\x80!", "\uFFFD\uFFFD\uFFFD!"},
    };
    for (const auto& [text, xml] : rows)
        EXPECT_EQ(XmlText(text), xml) << text;
}

TEST(PackTextTest, LanguageIsJapaneseForVerticalBooksAndKanaOrKanji)
{
    const struct {
        BookMetadata Book;
        const char* Language;
    } rows[] = {
        {{"Alice", "Carroll", false, {}}, "und"},   {{"Alice", "Carroll", true, {}}, "ja"},
        {{"吾輩は猫である", "", false, {}}, "ja"}, {{"Cat", "夏目漱石", false, {}}, "ja"},
        {{"Cat", "", false, {{3, 1, "One"}, {4, 1, "第二章"}}}, "ja"},
        {{"Ｃａｔ", "", false, {{3, 1, "１"}}}, "und"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(BookLanguage(row.Book), row.Language) << row.Book.Title;
}

// Equal content gives an equal identifier however it is added; any other
// content another, always a well-formed UUID.
TEST(PackTextTest, DigestIsAUuidOfTheContentAlone)
{
    const std::regex uuid("urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-8[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    const std::string contents[] = {"", "a", "b", "ab", "ba", "aa", std::string(1, '\0'), std::string(999, 'x'),
                                    std::string(1000, 'x')};
    for (const std::string& content : contents) {
        ContentDigest whole, parts;
        whole.Add(content);
        for (const char c : content)
            parts.Add(std::string_view(&c, 1));
        EXPECT_EQ(whole.Uuid(), parts.Uuid());
        EXPECT_TRUE(std::regex_match(whole.Uuid(), uuid)) << whole.Uuid();
        EXPECT_TRUE(seen.insert(whole.Uuid()).second) << "same identifier again for \"" << content << "\"";
    }
    EXPECT_EQ(UtcDateTime(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(UtcDateTime(1700000000), "2023-11-14T22:13:20Z");
}

TBitmap Blank(int width, int height)
{
    TBitmap page;
    page.SetWidth(width);
    page.SetHeight(height);
    return page;
}

TEST(ImageHeaderTest, ReadsTheSizeAndTypeOfPngAndJpegPages)
{
    const Bytes jpeg = EncodePage(Blank(37, 21));
    Bytes filled = jpeg;
    filled.insert(filled.begin() + 2, {0xFF, 0xFF});
    // A table (C4, not a frame) before a progressive frame (C2) of 7x5.
    const Bytes progressive = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x04, 0x00, 0x00, 0xFF,
                               0xC2, 0x00, 0x0B, 0x08, 0x00, 0x05, 0x00, 0x07, 0x01};
    const struct {
        Bytes Image;
        std::string Header;
    } rows[] = {{EncodePng(Blank(33, 17), 16), "33x17 image/png .png"},
                {jpeg, "37x21 image/jpeg .jpg"},
                {filled, "37x21 image/jpeg .jpg"},
                {progressive, "7x5 image/jpeg .jpg"}};
    for (const auto& row : rows) {
        const ImageHeader header = ReadImageHeader(row.Image);
        EXPECT_EQ(std::to_string(header.Width) + "x" + std::to_string(header.Height) + " " + header.MediaType + " " +
                      header.Extension,
                  row.Header);
    }
    for (const Bytes& refused : {Bytes{}, Bytes{'G', 'I', 'F', '8', '9', 'a'}, Bytes(jpeg.begin(), jpeg.begin() + 20),
                                 Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08}})
        EXPECT_THROW(ReadImageHeader(refused), EInvalidGraphic);
}

// The list with each link as "text@page".
std::string Compact(const std::string& list)
{
    return std::regex_replace(list, std::regex("<a href=\"pages/page0*([0-9]+)\\.xhtml\">([^<]*)</a>"), "$2@$1");
}

TEST(TableOfContentsTest, HeadingsNestByLevelAndPagesStandInForNone)
{
    const struct {
        std::vector<BookHeading> Headings;
        int Pages;
        const char* List;
    } rows[] = {
        {{}, 2, "<ol><li>1@1</li><li>2@2</li></ol>"},
        {{}, 21, "<ol><li>1@1</li><li>10@10</li><li>20@20</li></ol>"},
        {{{2, 1, "一"}, {5, 2, "A"}, {7, 2, "B"}, {9, 1, "二"}}, 9,
         "<ol><li>一@2<ol><li>A@5</li><li>B@7</li></ol></li><li>二@9</li></ol>"},
        {{{2, 2, "a"}, {3, 1, "b"}}, 3, "<ol><li>a@2</li><li>b@3</li></ol>"},
        {{{1, 1, "a"}, {2, 3, "b"}, {3, 2, "c"}, {4, 3, "d"}}, 4,
         "<ol><li>a@1<ol><li>b@2</li><li>c@3<ol><li>d@4</li></ol></li></ol></li></ol>"},
        {{{4, 1, ""}, {5, 1, "<&>"}}, 5, "<ol><li>4@4</li><li>&lt;&amp;&gt;@5</li></ol>"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Compact(TableOfContents(row.Headings, row.Pages)), row.List);
    // Up to twenty pages, every one.
    const std::string twenty = TableOfContents({}, 20);
    EXPECT_TRUE(Compact(twenty).ends_with("<li>19@19</li><li>20@20</li></ol>")) << twenty;
}

TEST(EpubDocumentTest, EachPageShowsItsImageAtItsSizeAndTheSpineTurnsAsTheBook)
{
    EpubBook book{"urn:uuid:x", "T", "", "und", "2000-01-01T00:00:00Z", false,
                  {{10, 20, "image/png", ".png"}, {30, 40, "image/jpeg", ".jpg"}}, {}};
    const std::string second = PageDocument(book, 1);
    EXPECT_NE(second.find("content=\"width=30, height=40\""), std::string::npos) << second;
    EXPECT_NE(second.find("src=\"../images/page000002.jpg\" width=\"30\" height=\"40\""), std::string::npos);
    for (const bool rightToLeft : {false, true}) {
        book.RightToLeft = rightToLeft;
        const std::string opf = PackageDocument(book);
        EXPECT_EQ(opf.find("<spine page-progression-direction=\"rtl\">") != std::string::npos, rightToLeft);
        EXPECT_NE(opf.find("<item id=\"image000001\" href=\"images/page000001.png\" media-type=\"image/png\" "
                           "properties=\"cover-image\"/>"),
                  std::string::npos);
        EXPECT_EQ(opf.find("cover-image"), opf.rfind("cover-image")) << opf;
    }
}

TEST(ComicInfoTest, SaysTitleAuthorPagesAndReadingDirection)
{
    const struct {
        BookMetadata Book;
        int Pages;
        const char* Elements;
    } rows[] = {
        {{"灯台守の手紙", "浜野潮", true, {}}, 3,
         "<Title>灯台守の手紙</Title><Writer>浜野潮</Writer><PageCount>3</PageCount><LanguageISO>ja</LanguageISO>"
         "<Manga>YesAndRightToLeft</Manga>"},
        {{"Tom & Jerry", "", false, {}}, 12, "<Title>Tom &amp; Jerry</Title><PageCount>12</PageCount><Manga>No</Manga>"},
    };
    for (const auto& row : rows) {
        const std::string xml = ComicInfoXml(row.Book, row.Pages);
        EXPECT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ComicInfo ")) << xml;
        const std::size_t body = xml.find(">\n", xml.find("<ComicInfo")) + 2;
        EXPECT_EQ(std::regex_replace(xml.substr(body), std::regex("(^|\n) *|</ComicInfo>"), ""), row.Elements);
    }
}

class ZipWriterTest : public testing::Test {
protected:
    std::string Archive() const { return dir.File("book.cbz"); }
    std::set<std::string> Files() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    TempDir dir;
    const Bytes page1 = Bytes(70000, 0xA5);
    const Bytes page2 = {'p', '2'};
};

// Until Commit nothing is written under the archive's name, nor left in its
// folder; an archive dropped before it leaves an earlier file as it was.
TEST_F(ZipWriterTest, ArchiveTakesItsNameWholeOnlyAtCommit)
{
    WriteFile(Archive(), "earlier");
    for (const bool commit : {false, true}) {
        {
            ZipWriter zip(Archive(), 0);
            zip.AddText("mimetype", "application/epub+zip");
            zip.AddSpooled("book000001.png", page1);
            zip.AddSpooled("book000002.png", page2);
            EXPECT_EQ(Files(), std::set<std::string>{"book.cbz"});
            EXPECT_EQ(ReadFile(Archive()), "earlier");
            if (commit)
                zip.Commit();
        }
        EXPECT_EQ(Files(), std::set<std::string>{"book.cbz"});
    }
    const std::vector<ZipEntry> entries = ReadZip(Archive());
    ASSERT_EQ(ZipNames(entries), "mimetype\nbook000001.png\nbook000002.png\n");
    EXPECT_EQ(entries[1].Bytes, std::string(page1.begin(), page1.end()));
    EXPECT_EQ(entries[2].Bytes, "p2");
    // The first entry's name right after its header, with no extra field, and
    // its bytes as they are right after that: what readers of EPUB look for.
    const std::string raw = ReadFile(Archive());
    EXPECT_EQ(raw.substr(26, 4), std::string("\x08\0\0\0", 4));
    EXPECT_EQ(raw.substr(30, 28), "mimetypeapplication/epub+zip");
}

// The date goes into every entry as UTC, clamped to what zip dates hold; the
// same entries and date give the same bytes.
TEST_F(ZipWriterTest, EntriesCarryTheGivenDateAndEqualInputGivesEqualBytes)
{
    const struct {
        std::time_t Date;
        std::uint16_t DosTime, DosDate;
    } rows[] = {{951969846, (4 << 11) | (4 << 5) | 3, (20 << 9) | (3 << 5) | 2},
                {0, 0, (1 << 5) | 1},
                {4354819198 + 3600, (23 << 11) | (59 << 5) | 29, (127 << 9) | (12 << 5) | 31}};
    for (const auto& row : rows) {
        std::string written[2];
        for (std::string& bytes : written) {
            ZipWriter zip(Archive(), row.Date);
            zip.AddSpooled("a.png", page2);
            zip.AddText("b.xml", "<b/>");
            zip.Commit();
            bytes = ReadFile(Archive());
        }
        EXPECT_EQ(written[0], written[1]);
        const auto field = [&](std::size_t at) { return std::uint16_t(std::uint8_t(written[0][at]) | std::uint8_t(written[0][at + 1]) << 8); };
        EXPECT_EQ(field(10), row.DosTime) << row.Date;
        EXPECT_EQ(field(12), row.DosDate) << row.Date;
    }
}

TEST_F(ZipWriterTest, NewArchiveTakesTheUmaskAndAReplacedOneKeepsItsPermissions)
{
    const mode_t umaskNow = ::umask(0);
    ::umask(umaskNow);
    for (const mode_t existing : {mode_t(0), mode_t(0640)}) {
        std::filesystem::remove(Archive());
        if (existing != 0) {
            WriteFile(Archive(), "earlier");
            ::chmod(Archive().c_str(), existing);
        }
        ZipWriter zip(Archive(), 0);
        zip.AddText("a", "a");
        zip.Commit();
        struct stat info {};
        ::stat(Archive().c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, existing != 0 ? existing : 0666 & ~umaskNow);
    }
}

// A folder that takes no file fails at once; an archive that cannot take
// its name fails at Commit, and neither leaves a file behind.
TEST_F(ZipWriterTest, FailuresNameTheArchiveAndLeaveNothingBehind)
{
    const auto failure = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const EFCreateError& e) {
            return e.Message();
        }
        return std::string("no EFCreateError");
    };
    EXPECT_EQ(failure([&] { ZipWriter zip(dir.File("no/book.cbz"), 0); }), "ファイル " + dir.File("no/book.cbz") + " を作成できません");
    std::filesystem::create_directory(Archive());
    EXPECT_EQ(failure([&] {
                  ZipWriter zip(Archive(), 0);
                  zip.AddSpooled("a.png", page1);
                  zip.Commit();
              }),
              "ファイル " + Archive() + " を作成できません");
    EXPECT_EQ(Files(), std::set<std::string>{"book.cbz"});
    EXPECT_TRUE(std::filesystem::is_empty(Archive()));
}

}  // namespace
}  // namespace tessaro::test
