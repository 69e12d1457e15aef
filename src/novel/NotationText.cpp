#include "novel/NotationText.h"

#include <algorithm>

#include "text/Utf8.h"

namespace tessaro::novel {

bool ConsumePrefix(std::string_view& text, std::string_view prefix)
{
    if (!text.starts_with(prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

bool ConsumeSuffix(std::string_view& text, std::string_view suffix)
{
    if (!text.ends_with(suffix))
        return false;
    text.remove_suffix(suffix.size());
    return true;
}

namespace {

// The value of an ASCII or full-width digit at the start of text, and its length.
std::optional<int> DigitAt(std::string_view text, std::size_t& length)
{
    if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
        length = 1;
        return text[0] - '0';
    }
    // Full-width digits are U+FF10..U+FF19: EF BC 90..99.
    if (text.size() >= 3 && text.substr(0, 2) == "\xEF\xBC" && static_cast<unsigned char>(text[2]) >= 0x90 &&
        static_cast<unsigned char>(text[2]) <= 0x99) {
        length = 3;
        return static_cast<unsigned char>(text[2]) - 0x90;
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> ConsumeNumber(std::string_view& text)
{
    // Cells and steps are small: a longer number is not one of ours.
    constexpr int kLargest = 9999;
    std::optional<int> number;
    std::size_t length = 0;
    while (const std::optional<int> digit = DigitAt(text, length)) {
        const int value = number.value_or(0) * 10 + *digit;
        if (value > kLargest)
            return std::nullopt;
        number = value;
        text.remove_prefix(length);
    }
    return number;
}

std::optional<std::string_view> ConsumeQuoted(std::string_view& text)
{
    if (!text.starts_with(QuoteOpen))
        return std::nullopt;
    int depth = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::string_view rest = text.substr(at);
        if (rest.starts_with(QuoteOpen)) {
            ++depth;
        } else if (rest.starts_with(QuoteClose) && --depth == 0) {
            const std::string_view quoted = text.substr(QuoteOpen.size(), at - QuoteOpen.size());
            text.remove_prefix(at + QuoteClose.size());
            return quoted;
        }
        at += rest.starts_with(QuoteOpen) || rest.starts_with(QuoteClose) ? NotationCharLength : 1;
    }
    return std::nullopt;
}

std::size_t CopyCharacter(std::string_view text, std::string& out)
{
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) {
        out += Replacement;
        return 1;
    }
    out.append(text.substr(0, length));
    return length;
}

void AppendUtf8(char32_t codePoint, std::string& out)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

char32_t CharacterBefore(std::string_view text, std::size_t end, std::size_t& start)
{
    start = end - 1;
    while (start > 0 && end - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    return DecodeUtf8(text.substr(start, end - start));
}

std::size_t ForwardFinder::From(std::size_t position)
{
    if (!searched_ || (found_ != std::string_view::npos && found_ < position)) {
        found_ = text_.find(pattern_, position);
        searched_ = true;
    }
    return found_;
}

void BracketPairs::Build(std::string_view line, std::string_view open, std::string_view close)
{
    pairs_.clear();
    unclosed_.clear();
    for (std::size_t at = line.find(open.front()); at != std::string_view::npos;
         at = line.find(open.front(), at + 1)) {
        const std::string_view rest = line.substr(at);
        if (rest.starts_with(open)) {
            unclosed_.push_back(pairs_.size());
            pairs_.push_back({at, std::string_view::npos});
        } else if (rest.starts_with(close) && !unclosed_.empty()) {
            pairs_[unclosed_.back()].Close = at;
            unclosed_.pop_back();
        }
    }
}

std::size_t BracketPairs::CloseOf(std::size_t open, std::size_t& cursor) const
{
    if (cursor > pairs_.size() || (cursor > 0 && pairs_[cursor - 1].Open >= open))
        cursor = static_cast<std::size_t>(
            std::lower_bound(pairs_.begin(), pairs_.end(), open,
                             [](const Pair& pair, std::size_t position) { return pair.Open < position; }) -
            pairs_.begin());
    while (cursor < pairs_.size() && pairs_[cursor].Open < open)
        ++cursor;
    return cursor < pairs_.size() && pairs_[cursor].Open == open ? pairs_[cursor].Close : std::string_view::npos;
}

}  // namespace tessaro::novel
