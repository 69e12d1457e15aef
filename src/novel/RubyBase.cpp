#include "novel/RubyBase.h"

#include "novel/NotationText.h"

namespace tessaro::novel {

namespace {

bool Within(char32_t c, char32_t first, char32_t last)
{
    return c >= first && c <= last;
}

bool IsKanji(char32_t c)
{
    return Within(c, 0x4E00, 0x9FFF) || Within(c, 0x3400, 0x4DBF) || Within(c, 0xF900, 0xFAFF) ||
           Within(c, 0x20000, 0x3FFFF) || c == U'々' || c == U'〆' || c == U'〇' || c == U'ヶ';
}

bool IsLatin(char32_t c)
{
    const bool asciiAlphanumeric = Within(c, '0', '9') || Within(c, 'A', 'Z') || Within(c, 'a', 'z');
    const bool accentedLetter = (Within(c, 0xC0, 0x24F) && c != U'×' && c != U'÷') || Within(c, 0x1E00, 0x1EFF);
    return asciiAlphanumeric || accentedLetter;
}

}  // namespace

ScriptClass ClassOf(char32_t c)
{
    if (IsKanji(c))
        return ScriptClass::Kanji;
    if (Within(c, 0x3041, 0x309F))
        return ScriptClass::Hiragana;
    if (Within(c, 0x30A1, 0x30FF) || Within(c, 0x31F0, 0x31FF))
        return ScriptClass::Katakana;
    if (Within(c, 0xFF10, 0xFF19) || Within(c, 0xFF21, 0xFF3A) || Within(c, 0xFF41, 0xFF5A))
        return ScriptClass::FullWidthLatin;
    if (IsLatin(c))
        return ScriptClass::Latin;
    return ScriptClass::None;
}

std::size_t RubyBaseStart(std::string_view text, std::size_t floor, const std::vector<TextRange>& gaiji)
{
    auto nextGaiji = gaiji.rbegin();
    ScriptClass runClass = ScriptClass::None;
    std::size_t start = text.size();
    while (start > floor) {
        std::size_t previous = start;
        ScriptClass previousClass = ScriptClass::Kanji;
        if (nextGaiji != gaiji.rend() && nextGaiji->End == start) {
            previous = nextGaiji->Begin;
            ++nextGaiji;
        } else {
            previousClass = ClassOf(CharacterBefore(text, start, previous));
        }
        if (runClass == ScriptClass::None)
            runClass = previousClass;
        if (previousClass == ScriptClass::None || previousClass != runClass)
            break;
        start = previous;
    }
    return start;
}

}  // namespace tessaro::novel
