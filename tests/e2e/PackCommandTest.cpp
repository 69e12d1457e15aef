// tessaro-batch making packs and several books at once: how it plans the
// books, and the program run the way a user runs it.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>

#include "cli/BatchOptions.h"
#include "support/TestSupport.h"
#include "support/ZipReading.h"

namespace tessaro::cli {
namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream words(line);
    return {std::istream_iterator<std::string>(words), {}};
}

// Each book as "[label] first page" and " in PACK" or " (own folder)".
TEST(BookPlanTest, SeveralBooksAreNamedAfterTheirTextFiles)
{
    const std::pair<const char*, std::string> rows[] = {
        {"--out o x/a.txt", "[] o/book000001.jpg"},
        {"--out o --pack cbz x/a.txt", "[] book000001.jpg in o/book.cbz"},
        {"--pack epub --prefix p x/a.txt", "[] p000001.jpg in p.epub"},
        {"--out o --pack epub x/a.txt y/b.old.txt",
         "[x/a.txt] a000001.jpg in o/a.epub [y/b.old.txt] b.old000001.jpg in o/b.old.epub"},
        {"--prefix p x/a.txt b.txt", "[x/a.txt] a/p000001.jpg (own folder) [b.txt] b/p000001.jpg (own folder)"},
    };
    for (const auto& [line, expected] : rows) {
        std::string plan;
        for (const BookPlan& book : PlanBooks(ParseBatchOptions(Words(line)))) {
            plan += std::string(plan.empty() ? "" : " ") + "[" + book.Label + "] " +
                    OutputPath(book.Settings.OutputDirectory, book.Settings.Prefix, 1);
            plan += book.PackPath.empty() ? "" : " in " + book.PackPath;
            plan += book.OwnFolder ? " (own folder)" : "";
        }
        EXPECT_EQ(plan, expected) << line;
    }
}

// tessaro-batch run in a fresh directory; its output goes to out and err.
class PackProcessTest : public testing::Test {
protected:
    int Run(const std::string& arguments)
    {
        const std::string command = "cd '" + dir.Path().string() + "' && LC_ALL=C " TESSARO_BATCH " -q " + arguments;
        const int status = std::system((command + " >out 2>err").c_str());
        err = test::ReadFile(dir.File("err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string File(const std::string& name) const { return test::ReadFile(dir.File(name)); }

    test::TempDir dir;
    std::string err;
};

// What epubcheck says of an EPUB; nothing when it is not installed. The jar
// is run by java itself: the Debian command is that jar, which runs only
// where the system hands jars to java.
std::optional<std::string> EpubCheck(const std::string& path)
{
    const std::string jar = "/usr/share/java/epubcheck.jar";
    if (access(jar.c_str(), R_OK) != 0 || std::system("command -v java >/dev/null") != 0)
        return std::nullopt;
    std::system(("java -jar " + jar + " '" + path + "' >'" + path + ".report' 2>&1").c_str());
    return test::ReadFile(path + ".report");
}

struct SampleRow {
    const char* Name;
    const char* Arguments;
    bool RightToLeft;
    const char* ComicInfo;  // its elements, without the spaces between them; # the page count
    const char* Viewport;
};

void PrintTo(const SampleRow& row, std::ostream* stream)
{
    *stream << row.Name;
}

class SamplePackTest : public PackProcessTest, public testing::WithParamInterface<SampleRow> {};

// The sample books pack the pages a run without a pack writes, in order:
// the comic archive under their names, with a ComicInfo.xml that says which
// way the pages turn; the EPUB with a spine that turns the same way, the
// first page its cover, each page at its image's size, and as epubcheck
// accepts it without an error or a warning.
TEST_P(SamplePackTest, PacksThePagesOfARunInOrder)
{
    std::filesystem::create_directory(dir.File("pages"));
    for (const char* pack : {"none --out pages", "cbz", "epub"})
        ASSERT_EQ(Run(std::string(GetParam().Arguments) + " --pack " + pack), 0) << err;
    std::vector<std::string> pages;
    for (const auto& page : std::filesystem::directory_iterator(dir.File("pages")))
        pages.push_back(page.path().filename().string());
    std::sort(pages.begin(), pages.end());
    const std::vector<test::ZipEntry> comic = test::ReadZip(dir.File("book.cbz"));
    const std::vector<test::ZipEntry> epub = test::ReadZip(dir.File("book.epub"));
    ASSERT_TRUE(comic.size() == pages.size() + 1 && epub.size() == 2 * pages.size() + 4);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string bytes = File("pages/" + pages[i]);
        EXPECT_TRUE(comic[i].Name == pages[i] && comic[i].Stored && comic[i].Bytes == bytes) << pages[i];
        const std::string image = OutputPath("EPUB/images", "page", int(i + 1), pages[i].substr(pages[i].size() - 4));
        EXPECT_TRUE(epub[i + 2].Name == image && epub[i + 2].Bytes == bytes && epub[i + 2].Stored) << image;
    }
    const std::string comicInfo = comic.back().Name + comic.back().Bytes;
    EXPECT_EQ(std::regex_replace(comicInfo, std::regex("\n *|<\\?xml.*?>|<ComicInfo .*?>"), ""),
              std::regex_replace(GetParam().ComicInfo, std::regex("#"), std::to_string(pages.size())));
    const std::string opf = epub.back().Bytes;
    EXPECT_EQ(opf.find("page-progression-direction=\"rtl\"") != std::string::npos, GetParam().RightToLeft);
    EXPECT_TRUE(std::regex_search(opf, std::regex("id=\"image000001\"[^>]*cover-image")) &&
                opf.find("cover-image") == opf.rfind("cover-image"));
    EXPECT_NE(epub[pages.size() + 2].Bytes.find(GetParam().Viewport), std::string::npos);
    const std::optional<std::string> verdict = EpubCheck(dir.File("book.epub"));
    if (!verdict)
        GTEST_SKIP() << "epubcheck is not installed (Debian package epubcheck): the EPUB was not checked";
    EXPECT_NE(verdict->find("No errors or warnings detected."), std::string::npos) << *verdict;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, SamplePackTest,
    testing::Values(
        SampleRow{"NovelVertical", "--style novel --writing vertical " TESSARO_SAMPLE "/novel.txt", true,
                  "ComicInfo.xml<Title>灯台守の手紙</Title><Writer>浜野潮</Writer><PageCount>#</PageCount>"
                  "<LanguageISO>ja</LanguageISO><Manga>YesAndRightToLeft</Manga></ComicInfo>",
                  "width=1236, height=1648"},
        SampleRow{"NovelHorizontal", "--style novel --writing horizontal " TESSARO_SAMPLE "/novel.txt", false,
                  "ComicInfo.xml<Title>灯台守の手紙</Title><Writer>浜野潮</Writer><PageCount>#</PageCount>"
                  "<LanguageISO>ja</LanguageISO><Manga>No</Manga></ComicInfo>",
                  "width=1236, height=1648"},
        SampleRow{"Classic", "--locale ja_JP.UTF-8 --format qvga " TESSARO_SAMPLE "/book.txt", false,
                  "ComicInfo.xml<Title>book</Title><PageCount>#</PageCount><Manga>No</Manga></ComicInfo>",
                  "width=240, height=320"}),
    [](const auto& info) { return std::string(info.param.Name); });

// Ten books in one run on two threads give the packs of ten runs of one book
// (and three, the pages of three runs).
TEST_F(PackProcessTest, TenBooksInOneRunAreTenRunsOfOneBook)
{
    for (int book = 0; book < 10; ++book)
        test::WriteFile(dir.File("b" + std::to_string(book) + ".txt"),
                        std::to_string(book) + "\n" + test::Repeat("吾輩《わがはい》は猫である。\n", book * 20));
    for (const auto& [pack, books] : {std::pair<std::string, int>{"epub", 10}, {"cbz", 3}, {"none", 3}}) {
        std::string texts;
        for (int book = 0; book < books; ++book)
            texts += " b" + std::to_string(book) + ".txt";
        for (const std::string& folder : {"all-" + pack, "one-" + pack})
            std::filesystem::create_directory(dir.File(folder));
        ASSERT_EQ(Run("--style novel --jobs 2 --out all-" + pack + " --pack " + pack + texts), 0) << err;
        for (int book = 0; book < books; ++book) {
            const std::string name = "b" + std::to_string(book);
            // Pages go to a folder named after the book, a pack takes its name.
            const std::string out = pack == "none" ? "one-none/" + name : "one-" + pack + " --prefix " + name;
            std::filesystem::create_directories(dir.File("one-none/" + name));
            ASSERT_EQ(Run("--style novel --jobs 1 --pack " + pack + " --out " + out + " " + name + ".txt"), 0) << err;
            const std::string file = pack == "none" ? name + "/book000001.png" : name + "." + pack;
            EXPECT_EQ(File("all-" + pack + "/" + file), File("one-" + pack + "/" + file)) << file;
        }
    }
}

// A book that fails is reported under its name, the others are made, and an
// earlier pack of a failed book keeps its bytes; nothing else is left.
TEST_F(PackProcessTest, FailuresAreReportedPerBook)
{
    for (const char* name : {"a.txt", "c.txt", "d.txt", "book.txt", "d"})
        test::WriteFile(dir.File(name), "text\n");
    test::WriteFile(dir.File("book.cbz"), "earlier");
    std::filesystem::create_directory(dir.File("o"));
    const struct {
        std::string Arguments, Err;
        std::vector<std::string> Made;
    } rows[] = {
        {"--pack cbz --out o a.txt missing.txt c.txt",
         "tessaro-batch: missing.txt: ファイル missing.txt は開けません.\n", {"o/a.cbz", "o/c.cbz"}},
        {"a.txt d.txt", "tessaro-batch: d.txt: page 1: ファイル d/book000001.jpg を作成できません.\n",
         {"a/book000001.jpg"}},
        {"--background no.jpg --pack cbz book.txt", "tessaro-batch: page 1: ファイル no.jpg は開けません.\n", {}},
        {"--pack epub --out no book.txt", "tessaro-batch: ファイル no/book.epub を作成できません.\n", {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Run("--locale ja_JP.UTF-8 " + row.Arguments), 1) << row.Arguments;
        EXPECT_EQ(err, row.Err);
        for (const std::string& made : row.Made)
            EXPECT_TRUE(std::filesystem::exists(dir.File(made))) << made;
    }
    EXPECT_EQ(File("book.cbz"), "earlier");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".tessaro-")) << entry.path();
}

}  // namespace
}  // namespace tessaro::cli
