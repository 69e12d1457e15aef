#include "text/TextFile.h"

#include <algorithm>

#include "text/TextLoader.h"

namespace tessaro {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// CR, LF and CR LF each end one line; a line end at the very end adds no empty
// line after it.
TStringList SplitLines(std::string_view text)
{
    TStringList lines;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end) {
        const char* const lineStart = p;
        p = std::find_if(p, end, [](char c) { return c == kCr || c == kLf; });
        lines.emplace_back(lineStart, p);
        if (p != end && *p == kCr)
            ++p;
        if (p != end && *p == kLf)
            ++p;
    }
    return lines;
}

}  // namespace

void LoadLines(TStringList& list, const std::string& fileName)
{
    // The loaded text is cut at the first NUL and ends every line with CR LF.
    list = SplitLines(LoadText(fileName, TextEncodingChoice::Locale).Bytes);
}

std::string JoinLines(const TStringList& list)
{
    std::size_t total = 0;
    for (const std::string& line : list)
        total += line.size() + 2;

    std::string text;
    text.reserve(total);
    for (const std::string& line : list) {
        text += line;
        text += kCr;
        text += kLf;
    }
    return text;
}

}  // namespace tessaro
