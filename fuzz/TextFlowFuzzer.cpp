// Flows arbitrary bytes onto pages and checks that each page hands back a tail
// of the text it was given, shorter by whole characters: no byte is lost or
// repeated. The first byte picks the set-up: bit 0 the page (PSP or QVGA), bit 1
// the locale (Japanese, 932, or English, 1252), bit 2 the encoding (UTF-8).

#include <algorithm>

#include "fuzz/FuzzSupport.h"
#include "pages/TextFlow.h"
#include "text/CodePageInfo.h"

namespace {

bool OnCharacterBoundary(std::string_view text, std::size_t cut, tessaro::TextEncoding encoding)
{
    std::size_t at = 0;
    while (at < cut)
        at += tessaro::CharacterLengthAt(text.substr(at), encoding);
    return at == cut;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using tessaro::fuzz::Require;
    if (size == 0)
        return 0;
    const int width = (data[0] & 1) != 0 ? 240 : 480, height = (data[0] & 1) != 0 ? 320 : 272;
    tessaro::InitCodePageInfo((data[0] & 2) != 0 ? "en_US.UTF-8" : "ja_JP.UTF-8");  // as at start-up
    tessaro::InitScreenFont(96);
    const auto encoding = (data[0] & 4) != 0 ? tessaro::TextEncoding::Utf8 : tessaro::TextEncoding::Locale;
    // Inputs stay cheap: a few kilobytes of text and at most a dozen pages.
    const std::string text(reinterpret_cast<const char*>(data) + 1, std::min<std::size_t>(size - 1, 4096));
    std::string laidOut;
    std::string_view remaining = text;
    for (int page = 1; page <= 12 && (page == 1 || !remaining.empty()); ++page) {
        const std::string_view given = remaining;
        tessaro::TImage mainscreen;
        mainscreen.SetWidth(width);
        mainscreen.SetHeight(height);
        tessaro::FlowPageText(mainscreen, remaining, page, nullptr, encoding);
        Require(mainscreen.Bitmap()->Width() == width && mainscreen.Bitmap()->Height() == height, "a page of another size");
        const std::size_t taken = given.size() - remaining.size();
        // A tail of the same bytes (an empty tail may point anywhere), shorter unless empty.
        Require(remaining.size() <= given.size() && (remaining.empty() || remaining.data() == given.data() + taken),
                "the text handed back is not a tail of the text given");
        Require(given.empty() || taken > 0, "a page took nothing from a text that was not empty");
        Require(OnCharacterBoundary(given, taken, encoding), "a page ended inside a character");
        laidOut += given.substr(0, taken);
    }
    Require(laidOut + std::string(remaining) == text, "bytes were lost or repeated across the pages");
    return 0;
}
