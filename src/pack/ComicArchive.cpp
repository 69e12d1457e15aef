#include "pack/ComicArchive.h"

#include "pack/PackText.h"
#include "pack/ZipWriter.h"

namespace tessaro::pack {

namespace {

class ComicArchive : public BookPack {
public:
    ComicArchive(const std::string& path, std::time_t date) : zip_(path, date) {}

    void AddPage(const std::string& fileName, const std::vector<std::uint8_t>& bytes) override
    {
        zip_.AddSpooled(fileName, bytes);
        ++pages_;
    }

    void Finish(const BookMetadata& book) override
    {
        zip_.AddText("ComicInfo.xml", ComicInfoXml(book, pages_));
        zip_.Commit();
    }

private:
    ZipWriter zip_;
    int pages_ = 0;
};

// An element on a line of its own; none for an empty value.
std::string Element(const char* name, const std::string& value)
{
    if (value.empty())
        return {};
    return std::string("  <") + name + ">" + XmlText(value) + "</" + name + ">\n";
}

}  // namespace

std::string ComicInfoXml(const BookMetadata& book, int pageCount)
{
    const std::string language = BookLanguage(book);
    // The elements in the order of the ComicInfo schema.
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<ComicInfo xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n" +
           Element("Title", book.Title) + Element("Writer", book.Author) +
           Element("PageCount", std::to_string(pageCount)) +
           Element("LanguageISO", language == "und" ? std::string() : language) +
           Element("Manga", book.RightToLeft ? "YesAndRightToLeft" : "No") + "</ComicInfo>\n";
}

std::unique_ptr<BookPack> OpenComicArchive(const std::string& path, std::time_t date)
{
    return std::make_unique<ComicArchive>(path, date);
}

}  // namespace tessaro::pack
