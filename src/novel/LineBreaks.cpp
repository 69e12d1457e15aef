#include "novel/LineBreaks.h"

#include "novel/Characters.h"
#include "text/Exception.h"

namespace tessaro::novel {

namespace {

const char* LocaleFor(Kinsoku kinsoku)
{
    switch (kinsoku) {
    case Kinsoku::Normal:
        return "ja@lb=normal";
    case Kinsoku::Loose:
        return "ja@lb=loose";
    case Kinsoku::Strict:
        break;
    }
    return "ja@lb=strict";
}

// Characters that are used doubled as one mark and must stay together on a
// line: the horizontal bar and dashes, and the ellipses.
bool IsDoubledMark(char32_t c)
{
    return c == U'\u2015' || c == U'\u2014' || c == U'\u2500' || c == U'\u2026' || c == U'\u2025';
}

void KeepDoubledMarksTogether(std::string_view text, std::vector<std::uint8_t>& allowed)
{
    char32_t previous = 0;
    for (std::uint32_t at = 0; at < text.size(); at = CharacterEnd(text, at)) {
        const char32_t c = CharacterAt(text, at);
        if (IsDoubledMark(c) && c == previous)
            allowed[at] = 0;
        previous = c;
    }
}

}  // namespace

LineBreaks::LineBreaks(Kinsoku kinsoku)
{
    UErrorCode status = U_ZERO_ERROR;
    iterator_.reset(ubrk_open(UBRK_LINE, LocaleFor(kinsoku), nullptr, 0, &status));
    if (U_FAILURE(status))
        throw EOutOfResources("改行位置の規則を読み込めません (ICU)");
}

void LineBreaks::Find(std::string_view text, std::vector<std::uint8_t>& allowed)
{
    allowed.assign(text.size() + 1, 0);
    UErrorCode status = U_ZERO_ERROR;
    TextAccess access(utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status));
    ubrk_setUText(iterator_.get(), access.get(), &status);
    if (U_FAILURE(status))
        throw EOutOfResources("改行位置を求められません (ICU)");
    for (std::int32_t at = ubrk_first(iterator_.get()); at != UBRK_DONE; at = ubrk_next(iterator_.get()))
        if (at > 0)
            allowed[static_cast<std::size_t>(at)] = 1;
    KeepDoubledMarksTogether(text, allowed);
    allowed[text.size()] = 1;
}

}  // namespace tessaro::novel
