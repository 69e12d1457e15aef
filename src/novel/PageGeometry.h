#pragma once
// Where the text goes on a page: the measure, the margins and the line pitch,
// from the page size, the body type's em and the writing direction.

#include "novel/Typeface.h"

namespace tessaro::novel {

// Body lines stand 1.75 em apart: half an em beside each line for its ruby
// (over it, or right of a column), the line's em, and a quarter em of air.
inline constexpr int RubySpaceQuarters = 2;
inline constexpr int LineGapQuarters = 1;

struct PageGeometry {
    int Width = 0;
    int Height = 0;
    int Em = 0;  // the body type's em in pixels
    bool Vertical = false;
    Fixed Measure = 0;  // the length of a full line: a whole number of ems
    // The text block. Horizontal lines start at Left and stack down from
    // Top; vertical columns start at Top and stack leftwards from Right.
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int FolioBaseline = 0;   // the page number, centred at the foot
    int HeaderBaseline = 0;  // the running header, over the text block
    int FolioEm = 0;

    // How far lines may stack: the height of the block, or its width.
    int Depth() const { return Vertical ? Right - Left : Bottom - Top; }
};

// The text block is a whole number of ems long and of lines deep, centred in
// what the margins leave.
PageGeometry GeometryFor(int width, int height, int em, bool vertical);

}  // namespace tessaro::novel
