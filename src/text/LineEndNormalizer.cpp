#include "text/LineEndNormalizer.h"

#include <algorithm>
#include <utility>

namespace tessaro {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr std::string_view kCrLf = "\r\n";

}  // namespace

void LineEndNormalizer::Add(std::string_view bytes)
{
    if (ended_)
        return;
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) {
        bytes = bytes.substr(0, nul);
        ended_ = true;
    }
    while (!bytes.empty()) {
        if (std::exchange(afterCr_, false) && bytes.front() == kLf) {
            bytes.remove_prefix(1);
            continue;
        }
        const auto lineEnd = std::find_if(bytes.begin(), bytes.end(), [](char c) { return c == kCr || c == kLf; });
        const auto lineLength = static_cast<std::size_t>(lineEnd - bytes.begin());
        Emit(bytes.substr(0, lineLength));
        if (lineEnd == bytes.end())
            return;
        EmitLineEnd();
        afterCr_ = *lineEnd == kCr;
        bytes.remove_prefix(lineLength + 1);
    }
}

std::size_t LineEndNormalizer::Finish()
{
    if (length_ != 0 && !endsWithLineEnd_)
        EmitLineEnd();
    return length_;
}

void LineEndNormalizer::Emit(std::string_view bytes)
{
    if (bytes.empty())
        return;
    if (output_)
        output_->append(bytes);
    length_ += bytes.size();
    endsWithLineEnd_ = false;
}

void LineEndNormalizer::EmitLineEnd()
{
    Emit(kCrLf);
    endsWithLineEnd_ = true;
}

}  // namespace tessaro
