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
// !! ?!, with a full-width character (or nothing) on each side. A change of
// style (at an offset of breaks) ends a run: a digit set small beside another
// is no part of its cell.
void FindCombinedRuns(std::string_view text, const std::vector<std::uint32_t>& breaks,
                      std::vector<TextRange>& combined)
{
    auto nextBreak = breaks.begin();
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
            while (nextBreak != breaks.end() && *nextBreak < at)
                ++nextBreak;
            const bool styleChanges = at > start && nextBreak != breaks.end() && *nextBreak == at;
            if (styleChanges || (digits ? !IsDigit(after) : !IsBang(after)))
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

Orientation VerticalOrientationOf(char32_t c, const std::function<bool(char32_t)>& hasVerticalForm)
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

void ItemizeRuns(std::string_view text, const std::vector<Span>& spans, const std::vector<std::uint32_t>& breaks,
                 bool vertical, const FaceQuestions& face, std::vector<TextRun>& runs)
{
    std::vector<TextRange> combined;
    if (vertical) {
        for (const Span& span : spans)
            if (span.Kind == SpanKind::Upright && span.Range.Begin < span.Range.End)
                combined.push_back(span.Range);
        FindCombinedRuns(text, breaks, combined);
        std::sort(combined.begin(), combined.end(),
                  [](const TextRange& a, const TextRange& b) { return a.Begin < b.Begin; });
    }
    const auto kindOf = [&](char32_t c, FaceKind current) {
        if (!face.HasGlyph(c))
            return FaceKind::Missing;
        if (IsNeutral(c))
            return current == FaceKind::Missing ? FaceKind::Body : current;
        return IsLatinLetter(c) ? FaceKind::Latin : FaceKind::Body;
    };

    // Neutral characters that open the text go with the run after them.
    FaceKind kind = FaceKind::Body;
    for (std::uint32_t at = 0; at < text.size(); at = CharacterEnd(text, at)) {
        const char32_t c = CharacterAt(text, at);
        if (!IsNeutral(c)) {
            kind = kindOf(c, kind);
            break;
        }
    }

    TextRun run{{0, 0}, kind, Orientation::Upright};
    const auto startRun = [&](std::uint32_t at, FaceKind face, Orientation orient) {
        if (at > run.Range.Begin) {
            run.Range.End = at;
            runs.push_back(run);
        }
        run = {{at, at}, face, orient};
    };
    auto nextCombined = combined.begin();
    auto nextBreak = breaks.begin();
    for (std::uint32_t at = 0; at < text.size();) {
        while (nextCombined != combined.end() && nextCombined->End <= at)
            ++nextCombined;
        while (nextBreak != breaks.end() && *nextBreak < at)
            ++nextBreak;
        const bool cut = nextBreak != breaks.end() && *nextBreak == at;
        if (nextCombined != combined.end() && nextCombined->Begin <= at) {
            startRun(at, run.Face, Orientation::Combined);
            at = nextCombined->End;
            startRun(at, run.Face, Orientation::Upright);
            continue;
        }
        const char32_t c = CharacterAt(text, at);
        const FaceKind faceKind = kindOf(c, run.Face);
        const Orientation orient = vertical ? VerticalOrientationOf(c, face.HasVerticalForm) : Orientation::Upright;
        if (cut || faceKind != run.Face || orient != run.Orient)
            startRun(at, faceKind, orient);
        at = CharacterEnd(text, at);
    }
    startRun(static_cast<std::uint32_t>(text.size()), run.Face, run.Orient);
}

}  // namespace tessaro::novel
