#include "text/TextFile.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "text/Exception.h"
#include "text/FileIO.h"

namespace tessaro {

namespace {

// The read count is a signed 32-bit number, so a file must stay below 2 GiB.
constexpr std::int64_t kLargestReadableFile = 0x7FFFFFFF;

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// CR, LF and CR LF each end one line; a line end at the very end adds no empty
// line after it. The text holds no NUL: the caller cut it at the first one.
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
    const UniqueFd file = OpenRegularFileForReading(fileName);
    const std::int64_t size = FileSize(file);
    if (size > kLargestReadableFile)
        throw EReadError(FormatMessage("ファイル %s は大きすぎます", fileName));

    // One buffer of the file's size, filled by one read; only the bytes really
    // delivered count, so a file that shrank meanwhile gives what it still has.
    const auto count = static_cast<std::size_t>(std::max<std::int64_t>(size, 0));
    const auto buffer = std::make_unique_for_overwrite<char[]>(count);
    const std::size_t delivered = ReadUpTo(file, buffer.get(), count);

    // The first NUL ends the text, as does the end of what was read.
    std::string_view text(buffer.get(), delivered);
    text = text.substr(0, text.find('\0'));
    list = SplitLines(text);
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
