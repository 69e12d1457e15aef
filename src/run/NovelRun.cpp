#include "run/NovelRun.h"

#include <filesystem>

#include "imaging/FontMatch.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PngCodec.h"
#include "novel/Characters.h"
#include "novel/LayoutReport.h"
#include "novel/PageRenderer.h"
#include "text/Exception.h"
#include "text/TextLoader.h"

namespace tessaro {

using namespace novel;

namespace {

// The default body type: IPA Mincho, whose kana and kanji sit on a grid of
// full-width cells, with the proportional Latin letters of IPA P Mincho.
constexpr char DefaultFamily[] = "IPAMincho";
constexpr char DefaultLatinFamily[] = "IPAPMincho";
constexpr char DefaultHeadingFamily[] = "IPAGothic";

FontFile FindFont(const std::string& family)
{
    const std::optional<FontFile> file = MatchFontFile({family, false, false, "ja", false});
    if (!file)
        throw EOutOfResources("フォントが見つかりません: " + family);
    return *file;
}

bool PagesInPng(const NovelSettings& settings)
{
    switch (settings.Image) {
    case ImageChoice::Jpeg:
        return false;
    case ImageChoice::Png:
        return true;
    case ImageChoice::Device:
        break;
    }
    return settings.Device.Format == ImageFormat::Png;
}

// A Japanese book, one with kana or kanji, is set vertically unless the
// settings say otherwise.
bool SetsVertically(WritingChoice choice, std::string_view text)
{
    if (choice != WritingChoice::Auto)
        return choice == WritingChoice::Vertical;
    for (std::uint32_t at = 0; at < text.size(); at = CharacterEnd(text, at))
        if (IsKanaOrKanji(CharacterAt(text, at)))
            return true;
    return false;
}

}  // namespace

// The typefaces of the book and where its text goes on the page.
struct NovelRun::Type {
    TypeCache Faces;
    PageGeometry Geometry;

    // A chosen family sets the whole text; the default one leaves Latin
    // letters to its proportional twin and headings to IPA Gothic.
    Type(const NovelSettings& settings, bool vertical)
        : Faces(FamiliesFor(settings.FontFamily)),
          Geometry(GeometryFor(settings.Device.Width, settings.Device.Height,
                               settings.BodyPixels > 0 ? settings.BodyPixels : settings.Device.BodyPixels, vertical))
    {
    }

    static BookFamilies FamiliesFor(const std::string& chosen)
    {
        if (!chosen.empty()) {
            const FontFile body = FindFont(chosen);
            return {body, body, body};
        }
        return {FindFont(DefaultFamily), FindFont(DefaultLatinFamily), FindFont(DefaultHeadingFamily)};
    }
};

NovelRun::NovelRun(const std::string& textFile, TextEncodingChoice encoding, const NovelSettings& settings)
    : text_(LoadUtf8Text(textFile, encoding)),
      settings_(settings),
      vertical_(SetsVertically(settings.Writing, text_)),
      type_(std::make_unique<Type>(settings, vertical_)),
      reader_(text_),
      setter_(settings.LineBreaking),
      composer_([this](Block& block) { return reader_.Next(block); }, setter_, type_->Faces, type_->Geometry,
                [this, folder = std::filesystem::path(textFile).parent_path()](const std::string& file, int line) {
                    return LoadPicture(folder / file, line);
                })
{
    metadata_.Title = reader_.Info().Title.empty() ? std::filesystem::path(textFile).stem().string()
                                                   : reader_.Info().Title;
    metadata_.Author = reader_.Info().Author;
    metadata_.RightToLeft = vertical_;
    if (!settings.LayoutReport.empty()) {
        report_.reset(std::fopen(settings.LayoutReport.c_str(), "wb"));
        if (!report_)
            throw EFCreateError::ForFile(settings.LayoutReport);
    }
}

NovelRun::~NovelRun() = default;

// A picture beside the book; one that cannot be drawn is a warning, and the
// page shows its description in its place.
std::shared_ptr<const TBitmap> NovelRun::LoadPicture(const std::filesystem::path& path, int line)
{
    try {
        return DecodePicture(path.string());
    } catch (const Exception& error) {
        metadata_.Warnings.push_back({line, "picture " + path.filename().string() + ": " + error.Message()});
        return nullptr;
    }
}

std::size_t NovelRun::ConsumedBytes() const
{
    return reader_.ConsumedBytes();
}

PageEncoder NovelRun::Encoder() const
{
    if (PagesInPng(settings_))
        return [grays = settings_.Device.GrayLevels](const TBitmap& page) { return EncodePng(page, grays); };
    return EncodePage;
}

bool NovelRun::Tick(const TickSettings& settings, const PageSaver& save)
{
    composer_.Next(composed_);
    for (const PageHeading& heading : composed_.Headings)
        metadata_.Headings.push_back({pageCounter_, heading.Level, heading.Text});
    const std::vector<NotationWarning>& notation = reader_.Warnings();
    for (; notationWarnings_ < notation.size(); ++notationWarnings_)
        metadata_.Warnings.push_back(
            {notation[notationWarnings_].SourceLine, notation[notationWarnings_].Annotation + " is not understood", true});
    const DeviceProfile& device = settings_.Device;
    WhitenPage(page_, device.Width, device.Height, device.GrayLevels > 0);
    RenderPage(composed_, page_);
    const std::string path =
        OutputPath(settings.OutputDirectory, settings.Prefix, pageCounter_, PagesInPng(settings_) ? ".png" : ".jpg");
    if (report_) {
        const std::string line = LayoutReportLine(composed_, path, device.Width, device.Height);
        if (std::fwrite(line.data(), 1, line.size(), report_.get()) != line.size() || std::fflush(report_.get()) != 0)
            throw EWriteError();
    }
    // As in the classic style, the page's text is used up before it is
    // saved: a failed save loses that page, and the next takes its number.
    save(path, page_);
    ++pageCounter_;
    return composer_.Done();
}

}  // namespace tessaro
