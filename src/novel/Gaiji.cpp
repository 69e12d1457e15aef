#include "novel/Gaiji.h"

#include <iconv.h>

#include <array>
#include <optional>

#include "novel/NotationText.h"

namespace tessaro::novel {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

struct PlaneRowCell {
    int Plane = 0;
    int Row = 0;
    int Cell = 0;
};

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A run of ASCII digits at the start of text, consumed.
std::optional<int> ConsumeAsciiNumber(std::string_view& text)
{
    if (text.empty() || !IsAsciiDigit(text[0]))
        return std::nullopt;
    return ConsumeNumber(text);
}

// The part of a description that can hold a code: after the quoted shape of
// the character (「てへん＋劣」), which may hold anything.
std::string_view CodePart(std::string_view description)
{
    std::string_view rest = description;
    if (ConsumeQuoted(rest))
        return rest;
    return description;
}

// The first plane-row-cell (1-84-77) in text; a page and line (135-7) has two
// numbers and is not one.
std::optional<PlaneRowCell> FindPlaneRowCell(std::string_view text)
{
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!IsAsciiDigit(text[at]) || (at > 0 && IsAsciiDigit(text[at - 1])))
            continue;
        std::string_view rest = text.substr(at);
        PlaneRowCell code;
        const std::optional<int> plane = ConsumeAsciiNumber(rest);
        if (!ConsumePrefix(rest, "-"))
            continue;
        const std::optional<int> row = ConsumeAsciiNumber(rest);
        if (!ConsumePrefix(rest, "-"))
            continue;
        const std::optional<int> cell = ConsumeAsciiNumber(rest);
        if (plane && row && cell && (*plane == 1 || *plane == 2) && *row >= 1 && *row <= 94 && *cell >= 1 &&
            *cell <= 94)
            return PlaneRowCell{*plane, *row, *cell};
    }
    return std::nullopt;
}

std::optional<int> HexDigit(char c)
{
    if (IsAsciiDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return std::nullopt;
}

// A code point written U+546D, one that can stand in a line of text.
std::optional<char32_t> FindCodePoint(std::string_view text)
{
    for (std::size_t at = text.find("U+"); at != std::string_view::npos; at = text.find("U+", at + 1)) {
        char32_t value = 0;
        std::size_t digits = 0;
        for (std::size_t i = at + 2; i < text.size() && digits < 6; ++i, ++digits) {
            const std::optional<int> digit = HexDigit(text[i]);
            if (!digit)
                break;
            value = value * 16 + static_cast<char32_t>(*digit);
        }
        const bool control = value < 0x20 || (value >= 0x7F && value < 0xA0);
        const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
        if (digits >= 4 && !control && !surrogate && value <= 0x10FFFF)
            return value;
    }
    return std::nullopt;
}

}  // namespace

GaijiResolver::GaijiResolver() : converter_(::iconv_open("UTF-8", "EUC-JISX0213")) {}

GaijiResolver::~GaijiResolver()
{
    if (converter_ != kNoConverter)
        ::iconv_close(static_cast<iconv_t>(converter_));
}

std::string GaijiResolver::Resolve(std::string_view description)
{
    const std::string_view codePart = CodePart(description);
    std::string character;
    if (const std::optional<PlaneRowCell> code = FindPlaneRowCell(codePart))
        character = FromJisX0213(code->Plane, code->Row, code->Cell);
    else if (const std::optional<char32_t> codePoint = FindCodePoint(codePart))
        AppendUtf8(*codePoint, character);
    return character.empty() ? std::string(Geta) : character;
}

// EUC-JISX0213 puts plane 1 at two bytes A1..FE and plane 2 behind the 8F
// prefix, so glibc's converter gives the character of any plane-row-cell.
std::string GaijiResolver::FromJisX0213(int plane, int row, int cell)
{
    if (converter_ == kNoConverter)
        return {};
    const iconv_t converter = static_cast<iconv_t>(converter_);
    std::array<char, 3> euc{};
    std::size_t eucLength = 0;
    if (plane == 2)
        euc[eucLength++] = static_cast<char>(0x8F);
    euc[eucLength++] = static_cast<char>(0xA0 + row);
    euc[eucLength++] = static_cast<char>(0xA0 + cell);

    std::array<char, 16> utf8{};
    char* in = euc.data();
    char* out = utf8.data();
    std::size_t inLeft = eucLength;
    std::size_t outLeft = utf8.size();
    ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
        return {};
    // A kana the converter holds back in case a combining mark follows comes out here.
    ::iconv(converter, nullptr, nullptr, &out, &outLeft);
    return std::string(utf8.data(), out);
}

}  // namespace tessaro::novel
