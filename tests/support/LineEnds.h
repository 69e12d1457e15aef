#pragma once
// The line-end rules of text loading written out on their own, byte by byte, as
// the reference the loader is checked against: CR, LF and CR LF each end one
// line; the first NUL ends the text; joined, every line is followed by CR LF.

#include <string>
#include <string_view>
#include <vector>

namespace tessaro::test {

inline std::vector<std::string> ReferenceLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    bool lineOpen = false;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        if (!lineOpen)
            lines.emplace_back();
        lineOpen = bytes[i] != '\r' && bytes[i] != '\n';
        if (lineOpen)
            lines.back() += bytes[i];
        else if (bytes.substr(i, 2) == "\r\n")
            ++i;
    }
    return lines;
}

inline std::string ReferenceText(std::string_view bytes)
{
    std::string text;
    for (const std::string& line : ReferenceLines(bytes))
        text += line + "\r\n";
    return text;
}

}  // namespace tessaro::test
