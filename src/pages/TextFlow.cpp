#include "pages/TextFlow.h"

#include <algorithm>
#include <cstdio>


namespace tessaro {

namespace {

constexpr int HeaderX = 2;
constexpr int HeaderY = 2;
constexpr int HeaderPoints = 8;
constexpr int BodyPoints = 9;
constexpr int LeftMargin = 4;
constexpr int FirstLineY = 16;
constexpr char HeaderFontName[] = "ＭＳ ゴシック";

// A pitch of 125 % of the character height, rounded down.
int LineAdvance(int h)
{
    return h + h / 4;
}

void DrawHeader(TCanvas& canvas, int pageNumber)
{
    char header[32];
    std::snprintf(header, sizeof header, "Page %5d", pageNumber);
    canvas.Font().SetName(HeaderFontName);
    canvas.Font().SetSize(HeaderPoints);
    canvas.Font().SetColor(clBlack);
    canvas.PutText(HeaderX, HeaderY, header);
}

// Takes the next whole character off the front of s; sets done when it was
// the last one.
std::string_view TakeCharacter(std::string_view& s, TextEncoding encoding, bool& done)
{
    const std::size_t length = CharacterLengthAt(s, encoding);
    const std::string_view c = s.substr(0, length);
    if (s.size() <= std::max<std::size_t>(length, 1)) {
        s = {};
        done = true;
    } else {
        s.remove_prefix(length);
    }
    return c;
}

}  // namespace

void FlowPageText(TImage& mainscreen, std::string_view& remaining, int pageNumber, const TFont* chosenFont,
                  TextEncoding encoding)
{
    const int pageWidth = mainscreen.Width();
    const int pageHeight = mainscreen.Height();
    TCanvas& canvas = mainscreen.Canvas();
    std::string_view s = remaining;

    canvas.SetCodePage(CodePageOf(encoding));
    canvas.Brush().SetStyle(bsClear);
    DrawHeader(canvas, pageNumber);
    canvas.Font().SetSize(BodyPoints);
    if (chosenFont)
        canvas.Font().CopyFont(*chosenFont);

    int x = LeftMargin;
    int y = FirstLineY;
    // A page that opens with a line feed advances by the body font's cell.
    int h = canvas.TextCellHeight({});
    bool done = false;
    auto advanceLine = [&] {
        x = LeftMargin;
        y += LineAdvance(h);
        if (y + h >= pageHeight)
            done = true;
    };
    while (!done) {
        const std::string_view c = TakeCharacter(s, encoding, done);
        if (c == "\n") {
            advanceLine();
            continue;
        }
        const int w = canvas.TextCellWidth(c);
        h = canvas.TextCellHeight(c);
        canvas.PutText(x, y, c);
        x += w;
        if (x + w >= pageWidth)
            advanceLine();
    }
    remaining = s;
}

}  // namespace tessaro
