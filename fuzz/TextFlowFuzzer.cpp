// Flows arbitrary bytes onto pages, page after page, and checks that each page
// hands back a tail of the text it was given, shorter by at least one whole
// character, so that across the pages no byte is lost or repeated.
//
// The first byte picks the set-up: bit 0 the page (PSP 480x272 or QVGA
// 240x320), bit 1 the locale (ja_JP.UTF-8, code page 932, or en_US.UTF-8,
// code page 1252), bit 2 the encoding (the locale's code page or UTF-8).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "imaging/TFont.h"
#include "imaging/TImage.h"
#include "pages/TextFlow.h"
#include "text/CodePageInfo.h"
#include "text/TextEncoding.h"

namespace {

using tessaro::fuzz::Require;

// Pages stay cheap: a few kilobytes of text and a bounded number of pages.
constexpr std::size_t kLargestText = 4096;
constexpr int kMostPages = 12;

struct SetUp {
    int Width;
    int Height;
    const char* Locale;
    tessaro::TextEncoding Encoding;
};

SetUp SetUpOf(std::uint8_t choice)
{
    const bool qvga = (choice & 1) != 0;
    return {qvga ? 240 : 480, qvga ? 320 : 272, (choice & 2) != 0 ? "en_US.UTF-8" : "ja_JP.UTF-8",
            (choice & 4) != 0 ? tessaro::TextEncoding::Utf8 : tessaro::TextEncoding::Locale};
}

// The code page and the screen font follow the locale, as at start-up; they
// are rebuilt only when the locale changes from one input to the next.
void UseLocale(const char* locale)
{
    static std::string current;
    if (current == locale)
        return;
    tessaro::InitCodePageInfo(locale);
    tessaro::InitScreenFont(96);
    current = locale;
}

// True when cut falls on a character boundary of text, counting from its start.
bool WholeCharacters(std::string_view text, std::size_t cut, tessaro::TextEncoding encoding)
{
    std::size_t at = 0;
    while (at < cut)
        at += tessaro::CharacterLengthAt(text.substr(at), encoding);
    return at == cut;
}

// A white raster of the page's size, made once: each page shares it and gets
// pixels of its own on its first drawing, the way the run's template works.
const tessaro::TBitmap& BlankPage(const SetUp& setUp)
{
    static tessaro::TBitmap psp, qvga;
    tessaro::TBitmap& blank = setUp.Width == 480 ? psp : qvga;
    if (blank.Empty()) {
        blank.SetWidth(setUp.Width);
        blank.SetHeight(setUp.Height);
    }
    return blank;
}

// Flows one page of text onto a fresh white page and returns what is left.
std::string_view FlowOnePage(const SetUp& setUp, std::string_view text, int pageNumber)
{
    tessaro::TImage mainscreen;
    mainscreen.SetWidth(setUp.Width);
    mainscreen.SetHeight(setUp.Height);
    tessaro::AssignPicture(mainscreen.Picture(), BlankPage(setUp));
    std::string_view remaining = text;
    tessaro::FlowPageText(mainscreen, remaining, pageNumber, nullptr, setUp.Encoding);
    return remaining;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const SetUp setUp = SetUpOf(data[0]);
    UseLocale(setUp.Locale);
    const std::string text(reinterpret_cast<const char*>(data) + 1, std::min(size - 1, kLargestText));

    std::string laidOut;
    std::string_view remaining = text;
    for (int page = 1; page <= kMostPages && (page == 1 || !remaining.empty()); ++page) {
        const std::string_view given = remaining;
        remaining = FlowOnePage(setUp, given, page);
        // A tail of the same bytes: an empty tail may point anywhere.
        Require(remaining.size() <= given.size() &&
                    (remaining.empty() || remaining.data() == given.data() + (given.size() - remaining.size())),
                "the text handed back is not a tail of the text given");
        Require(given.empty() || remaining.size() < given.size(), "a page took nothing from a text that was not empty");
        const std::size_t taken = given.size() - remaining.size();
        Require(WholeCharacters(given, taken, setUp.Encoding), "a page ended inside a character");
        laidOut += given.substr(0, taken);
    }
    laidOut += remaining;
    Require(laidOut == text, "bytes were lost or repeated across the pages");
    return 0;
}
