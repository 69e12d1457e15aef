#include "novel/SideMarks.h"

#include <unicode/uchar.h>

#include <algorithm>

namespace tessaro::novel {

Fixed Beside(Fixed em, Fixed ascent, bool vertical, Side side, Fixed distance)
{
    // Y runs down in horizontal writing, so the over side is the negative
    // one; in vertical writing it runs right, to the over side.
    if (vertical)
        return side == Side::Over ? em / 2 + distance : -em / 2 - distance;
    return side == Side::Over ? -ascent - distance : em - ascent + distance;
}

Fixed Beside(const Typeface& face, bool vertical, Side side, Fixed distance)
{
    return Beside(EmOf(face), face.Ascent(), vertical, side, distance);
}

Fixed BandOrigin(const Typeface& base, const Typeface& small, bool vertical, Side side, Fixed inner)
{
    const Fixed em = EmOf(small);
    if (vertical)
        return Beside(base, vertical, side, inner + em / 2);
    // The top of the band's em box, then down to its baseline.
    const Fixed top = Beside(base, vertical, side, side == Side::Over ? inner + em : inner);
    return top + small.Ascent();
}

char32_t EmphasisCharacter(EmphasisMark mark)
{
    static constexpr char32_t Characters[] = {U'﹅', U'﹆', U'●', U'○', U'▲', U'△', U'◎', U'◉', U'×'};
    return Characters[std::min<std::size_t>(static_cast<std::size_t>(mark), std::size(Characters) - 1)];
}

int EmphasisPercent(EmphasisMark mark)
{
    // The sesame dots are drawn small within their em; the geometric shapes
    // fill most of theirs, so they are set smaller to look as heavy.
    return mark == EmphasisMark::Sesame || mark == EmphasisMark::WhiteSesame ? 50 : 30;
}

bool TakesEmphasis(char32_t c)
{
    const auto category = U_GET_GC_MASK(static_cast<UChar32>(c));
    return (category & (U_GC_P_MASK | U_GC_Z_MASK | U_GC_C_MASK)) == 0;
}

Fixed RuleThickness(int em)
{
    return std::max(FixedOne, em * FixedOne / 20);
}

Fixed RuleGap(int em)
{
    return em * FixedOne / 16;
}

Fixed SideLineBand(int em)
{
    return 2 * RuleGap(em) + 3 * RuleThickness(em);
}

}  // namespace tessaro::novel
