#include "pack/FixedLayoutEpub.h"

#include <cstdio>

#include "pack/PackText.h"
#include "pack/ZipWriter.h"

namespace tessaro::pack {

namespace {

constexpr char ContainerXml[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
    "  <rootfiles>\n"
    "    <rootfile full-path=\"EPUB/package.opf\" media-type=\"application/oebps-package+xml\"/>\n"
    "  </rootfiles>\n"
    "</container>\n";
constexpr char Folder[] = "EPUB/";
// A book of up to this many pages without headings lists every page in its
// table of contents; a longer one the first page and every tenth.
constexpr int PagesListedWhole = 20;
constexpr int PageListStep = 10;

// "page000001": the stem of a page's image and document, numbered from 1.
std::string PageStem(std::size_t index)
{
    char stem[32];
    std::snprintf(stem, sizeof stem, "page%06zu", index + 1);
    return stem;
}

std::string ImageName(const EpubBook& book, std::size_t index)
{
    return "images/" + PageStem(index) + book.Pages[index].Extension;
}

std::string DocumentName(std::size_t index)
{
    return "pages/" + PageStem(index) + ".xhtml";
}

// The start of an XHTML document up to its title.
std::string XhtmlHead(const EpubBook& book)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"" +
           book.Language + "\" lang=\"" + book.Language + "\">\n<head>\n<meta charset=\"UTF-8\"/>\n<title>" +
           XmlText(book.Title) + "</title>\n";
}

std::string Link(int page, const std::string& text)
{
    const std::string label = XmlText(text);
    return "<a href=\"" + DocumentName(std::size_t(page - 1)) + "\">" + (label.empty() ? std::to_string(page) : label) +
           "</a>";
}

std::vector<BookHeading> PageNumbers(int pageCount)
{
    std::vector<BookHeading> numbers;
    const int step = pageCount <= PagesListedWhole ? 1 : PageListStep;
    for (int page = 1; page <= pageCount; page = page == 1 && step > 1 ? step : page + step)
        numbers.push_back({page, 1, std::to_string(page)});
    return numbers;
}

std::string ManifestItems(const EpubBook& book)
{
    std::string items = "    <item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
                        "properties=\"nav\"/>\n";
    for (std::size_t index = 0; index < book.Pages.size(); ++index) {
        const std::string stem = PageStem(index);
        items += "    <item id=\"image" + stem.substr(4) + "\" href=\"" + ImageName(book, index) + "\" media-type=\"" +
                 book.Pages[index].MediaType + (index == 0 ? "\" properties=\"cover-image\"/>\n" : "\"/>\n");
        items += "    <item id=\"" + stem + "\" href=\"" + DocumentName(index) +
                 "\" media-type=\"application/xhtml+xml\"/>\n";
    }
    return items;
}

class FixedLayoutEpub : public BookPack {
public:
    FixedLayoutEpub(const std::string& path, std::time_t date) : zip_(path, date)
    {
        book_.Modified = UtcDateTime(date);
        // The media type comes first and as it is, so that readers know the
        // file by its first bytes.
        zip_.AddText("mimetype", "application/epub+zip");
        zip_.AddText("META-INF/container.xml", ContainerXml);
    }

    void AddPage(const std::string&, const std::vector<std::uint8_t>& bytes) override
    {
        book_.Pages.push_back(ReadImageHeader(bytes));
        zip_.AddSpooled(Folder + ImageName(book_, book_.Pages.size() - 1), bytes);
        digest_.Add({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    }

    void Finish(const BookMetadata& metadata) override
    {
        digest_.Add(metadata.Title + '\0' + metadata.Author);
        book_.Identifier = digest_.Uuid();
        book_.Title = metadata.Title;
        book_.Author = metadata.Author;
        book_.Language = BookLanguage(metadata);
        book_.RightToLeft = metadata.RightToLeft;
        book_.Headings = metadata.Headings;
        for (std::size_t index = 0; index < book_.Pages.size(); ++index)
            zip_.AddText(Folder + DocumentName(index), PageDocument(book_, index));
        zip_.AddText(std::string(Folder) + "nav.xhtml", NavigationDocument(book_));
        zip_.AddText(std::string(Folder) + "package.opf", PackageDocument(book_));
        zip_.Commit();
    }

private:
    ZipWriter zip_;
    EpubBook book_;
    ContentDigest digest_;
};

}  // namespace

std::string PackageDocument(const EpubBook& book)
{
    std::string opf = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"book-id\" "
                      "xml:lang=\"" + book.Language + "\">\n"
                      "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                      "    <dc:identifier id=\"book-id\">" + book.Identifier + "</dc:identifier>\n"
                      "    <dc:title>" + XmlText(book.Title) + "</dc:title>\n";
    if (!book.Author.empty())
        opf += "    <dc:creator>" + XmlText(book.Author) + "</dc:creator>\n";
    opf += "    <dc:language>" + book.Language + "</dc:language>\n"
           "    <meta property=\"dcterms:modified\">" + book.Modified + "</meta>\n"
           "    <meta property=\"rendition:layout\">pre-paginated</meta>\n"
           "    <meta property=\"rendition:spread\">none</meta>\n"
           "    <meta name=\"cover\" content=\"image000001\"/>\n"
           "  </metadata>\n  <manifest>\n" + ManifestItems(book) + "  </manifest>\n";
    opf += book.RightToLeft ? "  <spine page-progression-direction=\"rtl\">\n" : "  <spine>\n";
    for (std::size_t index = 0; index < book.Pages.size(); ++index)
        opf += "    <itemref idref=\"" + PageStem(index) + "\"/>\n";
    return opf + "  </spine>\n</package>\n";
}

std::string NavigationDocument(const EpubBook& book)
{
    return XhtmlHead(book) + "</head>\n<body>\n<nav epub:type=\"toc\" id=\"toc\">\n<h1>" + XmlText(book.Title) +
           "</h1>\n" + TableOfContents(book.Headings, int(book.Pages.size())) + "\n</nav>\n</body>\n</html>\n";
}

std::string PageDocument(const EpubBook& book, std::size_t index)
{
    const ImageHeader& image = book.Pages[index];
    const std::string width = std::to_string(image.Width);
    const std::string height = std::to_string(image.Height);
    return XhtmlHead(book) + "<meta name=\"viewport\" content=\"width=" + width + ", height=" + height +
           "\"/>\n<style>html, body { margin: 0; padding: 0; } img { display: block; }</style>\n</head>\n"
           "<body>\n<img src=\"../" + ImageName(book, index) + "\" width=\"" + width + "\" height=\"" + height +
           "\" alt=\"\"/>\n</body>\n</html>\n";
}

// Each heading is an item; a heading of a deeper level than the one before
// opens a list inside that one's item, and a heading closes the items of its
// own level or deeper before it. Level 0 closes them all.
std::string TableOfContents(const std::vector<BookHeading>& headings, int pageCount)
{
    const std::vector<BookHeading>& entries = headings.empty() ? PageNumbers(pageCount) : headings;
    std::vector<int> openLevels;
    std::string list = "<ol>";
    const auto closeTo = [&](int level) {
        for (int closed = 0; !openLevels.empty() && openLevels.back() >= level; ++closed) {
            list += closed > 0 ? "</ol></li>" : "</li>";
            openLevels.pop_back();
        }
    };
    for (const BookHeading& heading : entries) {
        const std::size_t openBefore = openLevels.size();
        closeTo(heading.Level);
        if (openLevels.size() == openBefore && openBefore > 0)
            list += "<ol>";
        list += "<li>" + Link(heading.Page, heading.Text);
        openLevels.push_back(heading.Level);
    }
    closeTo(0);
    return list + "</ol>";
}

std::unique_ptr<BookPack> OpenFixedLayoutEpub(const std::string& path, std::time_t date)
{
    return std::make_unique<FixedLayoutEpub>(path, date);
}

}  // namespace tessaro::pack
