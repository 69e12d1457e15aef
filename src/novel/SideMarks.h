#pragma once
// The measures of what is set beside a line's characters: where a band of
// small type or marks lies across the line, which characters emphasis marks
// are drawn with, and how thick and how far out side lines and frames go.

#include "novel/Document.h"
#include "novel/Typeface.h"

namespace tessaro::novel {

inline Fixed EmOf(const Typeface& face)
{
    return face.PixelSize() * FixedOne;
}

// The place across a line (a PlacedGlyph's Y) that lies distance outward
// from the edge of an em box on a side: the em box of type of em and ascent.
Fixed Beside(Fixed em, Fixed ascent, bool vertical, Side side, Fixed distance);
Fixed Beside(const Typeface& face, bool vertical, Side side, Fixed distance);

// Where a glyph of small type goes across the line to sit in a band beside
// base type, inner away from its em box: the small type's baseline in
// horizontal writing, its centre line in vertical writing.
Fixed BandOrigin(const Typeface& base, const Typeface& small, bool vertical, Side side, Fixed inner);

// The character an emphasis mark is drawn with, and its size in per cent of
// the type it marks.
char32_t EmphasisCharacter(EmphasisMark mark);
int EmphasisPercent(EmphasisMark mark);

// Spaces, punctuation and control characters take no emphasis mark.
bool TakesEmphasis(char32_t c);

// Rules beside type of an em of em pixels: their thickness, the air between
// them and the em box, and the room a side line takes across the line (room
// for a double or wavy line and air on both sides).
Fixed RuleThickness(int em);
Fixed RuleGap(int em);
Fixed SideLineBand(int em);

}  // namespace tessaro::novel
