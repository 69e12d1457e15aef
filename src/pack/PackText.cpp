#include "pack/PackText.h"

#include <cstdio>

#include "novel/Characters.h"
#include "text/Utf8.h"

namespace tessaro::pack {

namespace {

constexpr std::uint64_t FnvPrime = 0x100000001b3ull;

// The characters XML 1.0 allows.
bool IsXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           c >= 0x10000;
}

bool HasKanaOrKanji(std::string_view text)
{
    for (std::uint32_t at = 0; at < text.size(); at = novel::CharacterEnd(text, at))
        if (novel::IsKanaOrKanji(novel::CharacterAt(text, at)))
            return true;
    return false;
}

}  // namespace

std::string XmlText(std::string_view text)
{
    std::string xml;
    xml.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            xml += Utf8ReplacementCharacter;
            text.remove_prefix(1);
            continue;
        }
        const std::string_view character = text.substr(0, length);
        text.remove_prefix(length);
        switch (character.front()) {
        case '&': xml += "&amp;"; break;
        case '<': xml += "&lt;"; break;
        case '>': xml += "&gt;"; break;
        case '"': xml += "&quot;"; break;
        case '\'': xml += "&apos;"; break;
        default:
            if (IsXmlCharacter(DecodeUtf8(character)))
                xml += character;
        }
    }
    return xml;
}

std::string BookLanguage(const BookMetadata& book)
{
    bool japanese = book.RightToLeft || HasKanaOrKanji(book.Title) || HasKanaOrKanji(book.Author);
    for (const BookHeading& heading : book.Headings)
        japanese = japanese || HasKanaOrKanji(heading.Text);
    return japanese ? "ja" : "und";
}

void ContentDigest::Add(std::string_view bytes)
{
    for (const char byte : bytes) {
        low_ = (low_ ^ static_cast<unsigned char>(byte)) * FnvPrime;
        high_ = (high_ ^ static_cast<unsigned char>(byte)) * FnvPrime;
    }
}

std::string ContentDigest::Uuid() const
{
    // The version (8) and variant (10) bits replace digest bits.
    const std::uint64_t high = (high_ & ~0xF000ull) | 0x8000ull;
    const std::uint64_t low = (low_ & ~(0x3ull << 62)) | (0x2ull << 62);
    char text[64];
    std::snprintf(text, sizeof text, "urn:uuid:%08llx-%04llx-%04llx-%04llx-%012llx",
                  static_cast<unsigned long long>(high >> 32), static_cast<unsigned long long>((high >> 16) & 0xFFFF),
                  static_cast<unsigned long long>(high & 0xFFFF), static_cast<unsigned long long>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

std::string UtcDateTime(std::time_t time)
{
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace tessaro::pack
