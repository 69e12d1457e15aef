#pragma once
// The line-end rules of text loading, on their own as the loader's reference: the first NUL
// ends the text; CR, LF and CR LF each end one line; joined, every line ends in CR LF.

#include <string>

namespace tessaro::test {

inline std::string NormalisedText(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool lineEnd = bytes[i] == '\r' || bytes[i] == '\n';
        text += lineEnd ? std::string("\r\n") : std::string(1, bytes[i]);
        i += bytes.substr(i, 2) == "\r\n";
    }
    return text.empty() || text.ends_with("\r\n") ? text : text + "\r\n";
}

}  // namespace tessaro::test
