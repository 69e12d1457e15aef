#include "novel/Itemizer.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <algorithm>

#include "novel/Characters.h"

namespace tessaro::novel {

namespace {

// Letters of the alphabets that are set in proportional Latin type.
bool IsLatinLetter(char32_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
    return script == USCRIPT_LATIN || script == USCRIPT_GREEK || script == USCRIPT_CYRILLIC;
}

// Narrow characters of no script of their own (spaces, digits, punctuation):
// they go with the run they stand in.
bool IsNeutral(char32_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
    return (script == USCRIPT_COMMON || script == USCRIPT_INHERITED) && !IsWide(c);
}

bool IsDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool IsBang(char32_t c)
{
    return c == U'!' || c == U'?';
}

// The short runs that stand upright in one cell: one or two digits, or !?
// !! ?!, with a full-width character (or nothing) on each side.
void FindCombinedRuns(std::string_view text, std::vector<TextRange>& combined)
{
    char32_t before = 0;
    for (std::uint32_t at = 0; at < text.size();) {
        const char32_t first = CharacterAt(text, at);
        const bool digits = IsDigit(first);
        if (!digits && !IsBang(first)) {
            before = first;
            at = CharacterEnd(text, at);
            continue;
        }
        const std::uint32_t start = at;
        const char32_t previous = before;
        std::uint32_t count = 0;
        char32_t after = 0;
        for (; at < text.size(); ++count, at = CharacterEnd(text, at)) {
            after = CharacterAt(text, at);
            if (digits ? !IsDigit(after) : !IsBang(after))
                break;
            before = after;
        }
        if (at == text.size())
            after = 0;
        const bool bounded = (start == 0 || IsWide(previous)) && (after == 0 || IsWide(after));
        if (bounded && (digits ? count <= 2 : count == 2))
            combined.push_back({start, at});
    }
}

Orientation VerticalOrientationOf(char32_t c, const VerticalFormTest& hasVerticalForm)
{
    switch (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_VERTICAL_ORIENTATION)) {
    case U_VO_ROTATED:
        return Orientation::Sideways;
    case U_VO_TRANSFORMED_ROTATED:
        return hasVerticalForm(c) ? Orientation::Upright : Orientation::Sideways;
    default:
        return Orientation::Upright;
    }
}

}  // namespace

void ItemizeRuns(std::string_view text, const std::vector<Span>& spans, bool vertical,
                 const VerticalFormTest& hasVerticalForm, std::vector<TextRun>& runs)
{
    std::vector<TextRange> combined;
    if (vertical) {
        for (const Span& span : spans)
            if (span.Kind == SpanKind::Upright && span.Range.Begin < span.Range.End)
                combined.push_back(span.Range);
        FindCombinedRuns(text, combined);
        std::sort(combined.begin(), combined.end(),
                  [](const TextRange& a, const TextRange& b) { return a.Begin < b.Begin; });
    }

    // Neutral characters that open the text go with the run after them.
    bool latin = false;
    for (std::uint32_t at = 0; at < text.size(); at = CharacterEnd(text, at)) {
        const char32_t c = CharacterAt(text, at);
        if (!IsNeutral(c)) {
            latin = IsLatinLetter(c);
            break;
        }
    }

    TextRun run{{0, 0}, latin, Orientation::Upright};
    const auto startRun = [&](std::uint32_t at, bool isLatin, Orientation orient) {
        if (at > run.Range.Begin) {
            run.Range.End = at;
            runs.push_back(run);
        }
        run = {{at, at}, isLatin, orient};
    };
    auto nextCombined = combined.begin();
    for (std::uint32_t at = 0; at < text.size();) {
        while (nextCombined != combined.end() && nextCombined->End <= at)
            ++nextCombined;
        if (nextCombined != combined.end() && nextCombined->Begin <= at) {
            startRun(at, run.Latin, Orientation::Combined);
            at = nextCombined->End;
            startRun(at, run.Latin, Orientation::Upright);
            continue;
        }
        const char32_t c = CharacterAt(text, at);
        const bool isLatin = IsNeutral(c) ? run.Latin : IsLatinLetter(c);
        const Orientation orient = vertical ? VerticalOrientationOf(c, hasVerticalForm) : Orientation::Upright;
        if (isLatin != run.Latin || orient != run.Orient)
            startRun(at, isLatin, orient);
        at = CharacterEnd(text, at);
    }
    startRun(static_cast<std::uint32_t>(text.size()), run.Latin, run.Orient);
}

}  // namespace tessaro::novel
