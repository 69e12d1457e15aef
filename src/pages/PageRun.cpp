#include "pages/PageRun.h"

#include <cstdio>
#include <utility>

#include "imaging/TCanvas.h"
#include "imaging/TJPEGImage.h"
#include "pages/PageSurface.h"
#include "pages/TextFlow.h"
#include "text/FileIO.h"
#include "text/TextLoader.h"

namespace tessaro {

namespace {

constexpr PageSize PspSize{480, 272};
constexpr PageSize QvgaSize{240, 320};
constexpr int PageQuality = 80;

}  // namespace

PageSize SizeOf(PageFormat format)
{
    return format == PageFormat::QVGA ? QvgaSize : PspSize;
}

std::string OutputPath(const std::string& outputDirectory, const std::string& prefix, int pageNumber,
                       std::string_view extension)
{
    // At least six digits; a wider number keeps all of its digits.
    char number[16];
    std::snprintf(number, sizeof number, "%06d", pageNumber);
    std::string path;
    if (!outputDirectory.empty()) {
        // The separator is always added, even after a trailing "/".
        path = outputDirectory;
        path += '/';
    }
    path += prefix;
    path += number;
    path += extension;
    return path;
}

void SavePage(const std::string& path, const TBitmap& page)
{
    // Encoding comes first, so a failure leaves any existing file untouched.
    WritePage(path, EncodePage(page));
}

std::vector<std::uint8_t> EncodePage(const TBitmap& page)
{
    TJPEGImage jpeg;
    jpeg.AssignBitmap(page);
    jpeg.SetQuality(PageQuality);
    return jpeg.EncodedBytes();
}

void WritePage(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    WriteWholeFile(path, bytes.data(), bytes.size());
}

PageRun::PageRun()
{
    template_.SetWidth(PspSize.Width);
    template_.SetHeight(PspSize.Height);
    mainscreen_.SetWidth(PspSize.Width);
    mainscreen_.SetHeight(PspSize.Height);
    AssignPicture(mainscreen_.Picture(), template_);
    TCanvas& canvas = mainscreen_.Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRectangle(TRect{0, 0, PspSize.Width, PspSize.Height});
}

std::string_view PageRun::RemainingText() const
{
    return std::string_view(text_).substr(offset_);
}

void PageRun::Start(const std::string& textFileName, TextEncodingChoice encoding)
{
    // Release the previous text before loading the next one, so that two
    // large texts are never held at once.
    std::string().swap(text_);
    offset_ = 0;
    pageCounter_ = 1;
    LoadedText loaded = LoadText(textFileName, encoding);
    text_ = std::move(loaded.Bytes);
    encoding_ = loaded.Encoding;
    offset_ = ByteOrderMarkLength(text_, encoding_);
}

bool PageRun::Tick(const TickSettings& settings, const PageSaver& save)
{
    const PageSize size = SizeOf(settings.Format);
    template_.SetWidth(size.Width);
    template_.SetHeight(size.Height);
    mainscreen_.SetWidth(size.Width);
    mainscreen_.SetHeight(size.Height);
    PreparePage(mainscreen_, template_, settings.BackgroundPath, size.Width, size.Height);

    // The flow moves a view over the text; only the offset is kept, so the
    // text is never copied per page. A failed flow leaves the offset alone.
    std::string_view remaining = RemainingText();
    FlowPageText(mainscreen_, remaining, pageCounter_, chosenFont_, encoding_);
    offset_ = text_.size() - remaining.size();

    // The page's text is taken before saving: a failed save loses that page
    // and the next tick reuses its number.
    save(OutputPath(settings.OutputDirectory, settings.Prefix, pageCounter_), *mainscreen_.Bitmap());
    ++pageCounter_;
    return offset_ == text_.size();
}

}  // namespace tessaro
