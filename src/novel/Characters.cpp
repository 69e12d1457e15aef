#include "novel/Characters.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include "text/TextEncoding.h"
#include "text/Utf8.h"

namespace tessaro::novel {

std::uint32_t CharacterEnd(std::string_view text, std::uint32_t at)
{
    return at + static_cast<std::uint32_t>(CharacterLengthAt(text.substr(at), TextEncoding::Utf8));
}

char32_t CharacterAt(std::string_view text, std::uint32_t at)
{
    return DecodeUtf8(text.substr(at, CharacterEnd(text, at) - at));
}

bool IsWide(char32_t c)
{
    const auto width = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_EAST_ASIAN_WIDTH);
    return width == U_EA_WIDE || width == U_EA_FULLWIDTH;
}

bool IsKanaOrKanji(char32_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
    return script == USCRIPT_HIRAGANA || script == USCRIPT_KATAKANA || script == USCRIPT_HAN;
}

}  // namespace tessaro::novel
