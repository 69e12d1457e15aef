#pragma once
// The run: page counter, remaining text, template bitmap and chosen font, the
// start of a run and one page per tick. The window and the batch command drive
// the same code; the settings a tick reads are passed in at each tick.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/TBitmap.h"
#include "imaging/TFont.h"
#include "imaging/TImage.h"
#include "text/TextEncoding.h"

namespace tessaro {

enum class PageFormat { PSP, QVGA };

struct PageSize {
    int Width;
    int Height;
    bool operator==(const PageSize&) const = default;
};
PageSize SizeOf(PageFormat format);

// What one tick reads from the window's controls (or the batch options).
struct TickSettings {
    PageFormat Format = PageFormat::PSP;
    std::string BackgroundPath;
    std::string Prefix = "book";
    std::string OutputDirectory;
};

// "%s%06d.jpg" without an output directory, else "%s/%s%06d.jpg"; another
// extension in place of ".jpg" when given.
std::string OutputPath(const std::string& outputDirectory, const std::string& prefix, int pageNumber,
                       std::string_view extension = ".jpg");

// Writes a finished page: by default as a JPEG of quality 80, at once.
using PageSaver = std::function<void(const std::string& path, const TBitmap& page)>;
void SavePage(const std::string& path, const TBitmap& page);
// The two halves of saving a page, for savers that encode pages on other
// threads: the bytes of a page's file, and those bytes put under its name.
using PageEncoder = std::function<std::vector<std::uint8_t>(const TBitmap& page)>;
using PageWriter = std::function<void(const std::string& path, const std::vector<std::uint8_t>& bytes)>;
// The JPEG of quality 80 that pages are written as.
std::vector<std::uint8_t> EncodePage(const TBitmap& page);
void WritePage(const std::string& path, const std::vector<std::uint8_t>& bytes);

class PageRun {
public:
    // Counter 1, no text, a 480x272 template and a white preview of its size.
    PageRun();

    // Starts a run: empties the text, resets the counter, loads the text file,
    // deciding once how its bytes form characters and converting a text in
    // another encoding than UTF-8 and the locale's code page to UTF-8 (a
    // leading byte-order mark is dropped).
    void Start(const std::string& textFileName, TextEncodingChoice encoding = TextEncodingChoice::Auto);
    // Produces one page. Returns true when the text is used up (the run ended).
    bool Tick(const TickSettings& settings, const PageSaver& save = SavePage);

    int PageCounter() const { return pageCounter_; }
    std::string_view RemainingText() const;
    // Bytes of the loaded text laid out so far, for progress reports.
    std::size_t ConsumedBytes() const { return offset_; }
    std::size_t TextBytes() const { return text_.size(); }
    TextEncoding Encoding() const { return encoding_; }

    // The chosen font is a reference owned by the caller (the font chooser).
    void SetChosenFont(const TFont* font) { chosenFont_ = font; }
    const TFont* ChosenFont() const { return chosenFont_; }

    TImage& Mainscreen() { return mainscreen_; }
    const TImage& Mainscreen() const { return mainscreen_; }
    const TBitmap& TemplateBitmap() const { return template_; }

private:
    int pageCounter_ = 1;
    std::string text_;
    std::size_t offset_ = 0;
    TextEncoding encoding_ = TextEncoding::Locale;
    TBitmap template_;
    const TFont* chosenFont_ = nullptr;
    TImage mainscreen_;
};

}  // namespace tessaro
