#include "novel/PageGeometry.h"

#include <algorithm>

namespace tessaro::novel {

namespace {

// The least margin on each side, in quarter ems: room for the running header
// and the page number.
constexpr int MarginQuarters = 6;
constexpr int FolioPercentOfEm = 60;

struct Stretch {
    int Start = 0;
    int Length = 0;
};

// Whole ems along a line, centred in the side's length less its margins.
Stretch LineSpan(int side, int em, int margin, Fixed& measure)
{
    const int cells = std::max(1, (side - 2 * margin) / em);
    measure = cells * em * FixedOne;
    return {std::max(0, (side - cells * em) / 2), cells * em};
}

// Whole lines across, centred likewise; the last line needs no air after it.
Stretch StackSpan(int side, int em, int margin)
{
    const int pitch = em * (RubySpaceQuarters + 4 + LineGapQuarters) / 4;
    const int lastGap = em * LineGapQuarters / 4;
    const int lines = std::max(1, (side - 2 * margin + lastGap) / pitch);
    const int depth = std::min(side, lines * pitch - lastGap);
    return {std::max(0, (side - depth) / 2), depth};
}

}  // namespace

PageGeometry GeometryFor(int width, int height, int em, bool vertical)
{
    PageGeometry g;
    g.Width = width;
    g.Height = height;
    g.Em = std::max(1, em);
    g.Vertical = vertical;
    const int margin = g.Em * MarginQuarters / 4;
    const Stretch along = LineSpan(vertical ? height : width, g.Em, margin, g.Measure);
    const Stretch across = StackSpan(vertical ? width : height, g.Em, margin);
    const Stretch& horizontal = vertical ? across : along;
    const Stretch& verticalSpan = vertical ? along : across;
    g.Left = horizontal.Start;
    g.Right = horizontal.Start + horizontal.Length;
    g.Top = verticalSpan.Start;
    g.Bottom = verticalSpan.Start + verticalSpan.Length;
    g.FolioEm = std::max(1, g.Em * FolioPercentOfEm / 100);
    g.FolioBaseline = std::min(height - 1, g.Bottom + (height - g.Bottom + g.FolioEm) / 2);
    g.HeaderBaseline = std::max(g.FolioEm, (g.Top + g.FolioEm) / 2);
    return g;
}

}  // namespace tessaro::novel
