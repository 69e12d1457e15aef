// The packs: the text of their documents, the page headers they read, the
// table of contents, ComicInfo.xml, and the zip writer that puts an archive
// in place only once it is whole.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <set>

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
        {{"Alice", "Carroll", false, {}, {}}, "und"},   {{"Alice", "Carroll", true, {}, {}}, "ja"},
        {{"吾輩は猫である", "", false, {}, {}}, "ja"}, {{"Cat", "夏目漱石", false, {}, {}}, "ja"},
        {{"Cat", "", false, {{3, 1, "One"}, {4, 1, "第二章"}}, {}}, "ja"},
        {{"Ｃａｔ", "", false, {{3, 1, "１"}}, {}}, "und"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(BookLanguage(row.Book), row.Language) << row.Book.Title;
}

// Equal content gives an equal identifier, other content another, always a
// well-formed UUID.
TEST(PackTextTest, DigestIsAUuidOfTheContentAlone)
{
    const std::regex uuid("urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-8[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    const std::string contents[] = {"", "a", "b", "ab", "ba", "aa", std::string(1, '\0'), std::string(999, 'x'),
                                    std::string(1000, 'x')};
    for (const std::string& content : contents) {
        ContentDigest digest, again;
        digest.Add(content);
        again.Add(content);
        EXPECT_EQ(digest.Uuid(), again.Uuid());
        EXPECT_TRUE(std::regex_match(digest.Uuid(), uuid)) << digest.Uuid();
        EXPECT_TRUE(seen.insert(digest.Uuid()).second) << "same identifier again for \"" << content << "\"";
    }
    EXPECT_EQ(UtcDateTime(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(UtcDateTime(1700000000), "2023-11-14T22:13:20Z");
}

// Real pages are read in the end-to-end tests; here a table before a
// progressive frame, and what is no page at all.
TEST(ImageHeaderTest, SkipsSegmentsUpToTheFrameAndRefusesOtherData)
{
    const ImageHeader header = ReadImageHeader(
        {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xC2, 0x00, 0x0B, 0x08, 0x00, 0x05, 0x00, 0x07, 0x01});
    EXPECT_EQ(std::to_string(header.Width) + "x" + std::to_string(header.Height) + header.Extension, "7x5.jpg");
    for (const Bytes& refused : {Bytes{}, Bytes{'G', 'I', 'F', '8', '9', 'a'},
                                 Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J'},
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
    EXPECT_TRUE(Compact(TableOfContents({}, 20)).ends_with("<li>19@19</li><li>20@20</li></ol>"));
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
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(entries[0].Name == "mimetype" && entries[1].Name == "book000001.png" &&
                entries[2].Name == "book000002.png");
    EXPECT_TRUE(entries[0].Stored && entries[1].Stored && entries[2].Stored);
    EXPECT_EQ(entries[1].Bytes, std::string(page1.begin(), page1.end()));
    EXPECT_EQ(entries[2].Bytes, "p2");
    // The first entry's name right after its header, with no extra field, and
    // its bytes as they are right after that: what readers of EPUB look for.
    const std::string raw = ReadFile(Archive());
    EXPECT_EQ(raw.substr(26, 4), std::string("\x08\0\0\0", 4));
    EXPECT_EQ(raw.substr(30, 28), "mimetypeapplication/epub+zip");
}

// The date goes into every entry as UTC, clamped to what zip dates hold; the
// same entries and date give the same bytes. A new archive has the mode of
// any new file, one that replaces another keeps that one's.
TEST_F(ZipWriterTest, EntriesCarryTheGivenDateAndEqualInputGivesEqualFiles)
{
    const mode_t umask = ::umask(0);
    ::umask(umask);
    const struct {
        std::time_t Date;
        std::uint16_t DosTime, DosDate;
    } rows[] = {{951969846, (4 << 11) | (4 << 5) | 3, (20 << 9) | (3 << 5) | 2},
                {0, 0, (1 << 5) | 1},
                {4354819198 + 3600, (23 << 11) | (59 << 5) | 29, (127 << 9) | (12 << 5) | 31}};
    for (const auto& row : rows) {
        std::filesystem::remove(Archive());
        std::string written[2];
        for (const mode_t mode : {0666 & ~umask, 0640u}) {
            ZipWriter zip(Archive(), row.Date);
            zip.AddSpooled("a.png", page2);
            zip.AddText("b.xml", "<b/>");
            zip.Commit();
            written[mode == 0640u] = ReadFile(Archive());
            struct stat info {};
            ::stat(Archive().c_str(), &info);
            EXPECT_EQ(info.st_mode & 07777, mode);
            ::chmod(Archive().c_str(), 0640);
        }
        EXPECT_EQ(written[0], written[1]);
        const auto field = [&](int at) {
            return (std::uint8_t(written[0][at + 1]) << 8) | std::uint8_t(written[0][at]);
        };
        EXPECT_EQ(field(10), row.DosTime) << row.Date;
        EXPECT_EQ(field(12), row.DosDate) << row.Date;
    }
}

// An archive that cannot take its name fails at Commit, naming it (a folder
// that takes no file at all fails at once: see the end-to-end tests), and
// leaves nothing behind.
TEST_F(ZipWriterTest, ArchiveThatCannotTakeItsNameLeavesNothingBehind)
{
    std::filesystem::create_directory(Archive());
    ZipWriter zip(Archive(), 0);
    zip.AddSpooled("a.png", page1);
    EXPECT_THROW(zip.Commit(), EFCreateError);
    EXPECT_EQ(Files(), std::set<std::string>{"book.cbz"});
    EXPECT_TRUE(std::filesystem::is_empty(Archive()));
}

}  // namespace
}  // namespace tessaro::test
