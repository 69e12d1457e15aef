// Loads arbitrary bytes as a text file and joins the lines, checking the
// promises the text flow relies on: no NUL, every CR directly followed by LF
// and every LF directly after a CR, empty or ending in CR LF. The result is
// also compared with the one-rule description of the joined text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "text/TextFile.h"

namespace {

using tessaro::fuzz::Require;

// Cut at the first NUL; CR LF, a lone CR and a lone LF each become CR LF; a
// text that does not end with a line end gets one.
std::string Normalised(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            text += "\r\n";
        } else {
            text += bytes[i];
        }
    }
    if (!text.empty() && !text.ends_with("\r\n"))
        text += "\r\n";
    return text;
}

void CheckLineEnds(std::string_view text)
{
    Require(text.find('\0') == std::string_view::npos, "the joined text holds a NUL");
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            Require(i + 1 < text.size() && text[i + 1] == '\n', "a CR is not followed by LF");
        if (text[i] == '\n')
            Require(i > 0 && text[i - 1] == '\r', "an LF does not follow a CR");
    }
    Require(text.empty() || text.ends_with("\r\n"), "the joined text does not end with CR LF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tessaro::fuzz::ScratchFile file("text");
    file.Write(data, size);

    tessaro::TStringList lines{"left over from before"};
    tessaro::LoadLines(lines, file.Path());
    for (const std::string& line : lines)
        Require(line.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos,
                "a line holds a NUL, CR or LF");

    const std::string text = tessaro::JoinLines(lines);
    CheckLineEnds(text);
    Require(text == Normalised(std::string_view(reinterpret_cast<const char*>(data), size)),
            "the joined text is not the file's text with normalised line ends");
    return 0;
}
