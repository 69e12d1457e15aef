// How the line setter sets small text and warichu: in two rows of half-size
// type side by side within the line, small text after the character it
// belongs to, a warichu split anew on every line it reaches.

#include "novel/LineUnits.h"
#include "novel/SideMarks.h"

namespace tessaro::novel {

namespace {

// The side of the line's middle small text goes to: okurigana, text at the
// line's right and superscripts over it (or right of it); kaeriten, text at
// the line's left and subscripts under it (or left of it).
bool SetLow(const Span& small)
{
    const auto placement = static_cast<SmallPlacement>(small.Variant);
    return placement == SmallPlacement::Kaeriten || placement == SmallPlacement::LineLeft ||
           placement == SmallPlacement::Subscript;
}

// How far a glyph of half-size type moves across a line of type of face line
// to stand in a row of its own: the first row in the upper (or right) half of
// the line's em box, the second in the lower (or left) half.
Fixed RowShift(const Typeface& line, const Typeface& small, bool vertical, int row)
{
    const Fixed quarter = EmOf(line) / 4;
    if (vertical)
        return row == 0 ? quarter : -quarter;
    return -line.Ascent() + small.Ascent() + row * 2 * quarter;
}

}  // namespace

// Small text of one span, or of spans that follow each other (okurigana and a
// kaeriten after the same character), becomes one unit: its two rows side by
// side from the unit's start, as long as the longer.
void LineSetter::GroupSmallText(const Block& block, bool vertical)
{
    std::vector<const Span*> spans;
    for (const Span& span : block.Spans)
        if (span.Kind == SpanKind::Small)
            spans.push_back(&span);
    std::stable_sort(spans.begin(), spans.end(), ByBegin);
    groups_.clear();
    for (std::size_t s = 0; s < spans.size();) {
        std::uint32_t end = spans[s]->Range.End;
        std::size_t next = s + 1;
        for (; next < spans.size() && spans[next]->Range.Begin <= end; ++next)
            end = std::max(end, spans[next]->Range.End);
        const auto [first, last] = UnitsOver({spans[s]->Range.Begin, end});
        rows_.assign(last - first, 0);
        for (std::size_t u = first, k = s; u < last; ++u) {
            while (k + 1 < next && spans[k]->Range.End <= units_[u].Begin)
                ++k;
            rows_[u - first] = SetLow(*spans[k]) ? 1 : 0;
        }
        if (first < last)
            groups_.push_back({first, last, MergeRows(first, last, vertical)});
        s = next;
    }
    ReplaceGroups();
}

LineSetter::Unit LineSetter::MergeRows(std::size_t first, std::size_t last, bool vertical)
{
    Unit merged = units_[first];
    merged.End = units_[last - 1].End;
    merged.FirstGlyph = static_cast<std::uint32_t>(glyphs_.size());
    merged.MarkCount[0] = merged.MarkCount[1] = 0;
    merged.RubyCount = 0;
    merged.Hangs = merged.Space = false;
    const Typeface& line = *merged.Face;
    Fixed pen[2] = {0, 0};
    for (std::size_t u = first; u < last; ++u) {
        const Unit& unit = units_[u];
        const int row = rows_[u - first];
        for (std::uint32_t g = 0; g < unit.GlyphCount; ++g) {
            PlacedGlyph glyph = glyphs_[unit.FirstGlyph + g];
            glyph.X += pen[row];
            glyph.Y += RowShift(line, *glyph.Face, vertical, row);
            glyphs_.push_back(glyph);
        }
        pen[row] += unit.Advance;
        // The units' rubies follow each other in rubies_, as the units do.
        if (merged.RubyCount == 0)
            merged.FirstRuby = unit.FirstRuby;
        merged.RubyCount += unit.RubyCount;
        merged.Wide = merged.Wide || unit.Wide;
        merged.Sides |= unit.Sides;
        for (std::size_t side = 0; side < 2; ++side) {
            merged.Reach[side] = std::max(merged.Reach[side], unit.Reach[side]);
            merged.MarkCount[side] = static_cast<std::uint16_t>(merged.MarkCount[side] + unit.MarkCount[side]);
        }
    }
    merged.GlyphCount = static_cast<std::uint32_t>(glyphs_.size()) - merged.FirstGlyph;
    merged.Advance = std::max(pen[0], pen[1]);
    return merged;
}

// Small text belongs to the character before it, and a warichu's first row
// ends at its line feed: no line ends before the one or after the other.
void LineSetter::KeepFormsTogether(const Block& block)
{
    for (const Span& span : block.Spans)
        if (span.Kind == SpanKind::Small)
            allowed_[span.Range.Begin] = 0;
    for (const Unit& unit : units_)
        if (unit.LineFeed)
            allowed_[unit.End] = 0;
}

void LineSetter::Extend(WarichuRows& rows) const
{
    const Unit& unit = units_[rows.End++];
    rows.Total += unit.Advance;
    if (rows.SplitAtLineFeed)
        return;
    if (unit.LineFeed && rows.End - 1 > rows.First) {
        rows.Split = rows.End;
        rows.FirstRow = rows.Total;
        rows.SplitAtLineFeed = true;
        return;
    }
    // The split moves on while the longer row gets no longer, so the first
    // row takes an odd character.
    while (rows.Split < rows.End) {
        const Fixed firstRow = rows.FirstRow + units_[rows.Split].Advance;
        if (std::max(firstRow, rows.Total - firstRow) > rows.Length())
            break;
        rows.FirstRow = firstRow;
        ++rows.Split;
    }
}

void LineSetter::BuildSlots(const Fit& fit, bool vertical)
{
    slots_.clear();
    for (std::size_t u = fit.First; u < fit.Last;) {
        const std::int32_t warichu = units_[u].Warichu;
        if (warichu == NoWarichu) {
            slots_.push_back(units_[u++]);
            continue;
        }
        WarichuRows rows{u, u, u};
        while (rows.End < fit.Last && units_[rows.End].Warichu == warichu)
            Extend(rows);
        rows_.assign(rows.End - u, 1);
        std::fill_n(rows_.begin(), rows.Split - u, 0);
        slots_.push_back(MergeRows(u, rows.End, vertical));
        u = rows.End;
    }
}

std::pair<std::size_t, std::size_t> LineSetter::SlotsOver(TextRange range) const
{
    const auto first = std::partition_point(slots_.begin(), slots_.end(),
                                            [&](const Unit& slot) { return slot.End <= range.Begin; });
    const auto last =
        std::partition_point(first, slots_.end(), [&](const Unit& slot) { return slot.Begin < range.End; });
    return {static_cast<std::size_t>(first - slots_.begin()), static_cast<std::size_t>(last - slots_.begin())};
}

}  // namespace tessaro::novel
