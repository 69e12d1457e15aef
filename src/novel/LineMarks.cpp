// What the line setter sets beside characters: emphasis marks, side lines
// and frames, and the report of the marks on each line.

#include <numeric>

#include "novel/Characters.h"
#include "novel/LineUnits.h"
#include "novel/PageGeometry.h"
#include "novel/SideMarks.h"

namespace tessaro::novel {

namespace {

// Visits the units of many ranges, each unit once: later ranges skip the
// units visited, so ranges heaped over each other cost no more than the units.
class UnitCover {
public:
    explicit UnitCover(std::size_t count) : next_(count + 1) { std::iota(next_.begin(), next_.end(), std::size_t{0}); }

    template <class Visit>
    void Cover(std::size_t first, std::size_t last, Visit visit)
    {
        for (std::size_t u = Find(first); u < last; u = Find(u + 1)) {
            visit(u);
            next_[u] = u + 1;
        }
    }

private:
    std::size_t Find(std::size_t u)
    {
        while (next_[u] != u) {
            next_[u] = next_[next_[u]];
            u = next_[u];
        }
        return u;
    }

    std::vector<std::size_t> next_;
};

}  // namespace

Fixed FrameDistance(int em, Side side)
{
    // Halfway through the air between two lines, which is the ruby space
    // and the line gap over a line and the line gap under it.
    const int eighths = side == Side::Over ? 2 * RubySpaceQuarters + LineGapQuarters : LineGapQuarters;
    return em * FixedOne * eighths / 8;
}

void CloseFrame(LaidLine& line, Side side, bool vertical)
{
    const Fixed thickness = RuleThickness(line.Em);
    const Fixed at = Beside(line.Em * FixedOne, line.Ascent, vertical, side, FrameDistance(line.Em, side));
    line.Rules.push_back(
        {line.FrameFrom - Half(thickness), line.FrameTo + Half(thickness), at, thickness, SideLine::Solid, false});
}

void LineSetter::NoteSpans(const Block& block)
{
    if (block.Spans.empty())
        return;
    // Ruby over, under; side lines over, under; warichu.
    std::vector<UnitCover> covers(5, UnitCover(units_.size()));
    for (std::size_t s = 0; s < block.Spans.size(); ++s) {
        const Span& span = block.Spans[s];
        const std::size_t side = SideIndex(span.Placement);
        const auto [first, last] = UnitsOver(span.Range);
        if (SetBesideItsBase(block, span)) {
            covers[side].Cover(first, last, [&](std::size_t u) { units_[u].Sides |= RubyBeside[side]; });
        } else if (span.Kind == SpanKind::Line) {
            covers[2 + side].Cover(first, last, [&](std::size_t u) { units_[u].Sides |= LineBeside[side]; });
        } else if (span.Kind == SpanKind::Warichu) {
            covers[4].Cover(first, last, [&](std::size_t u) {
                // Its rows are made again on every line, so nothing in it
                // hangs, and a space in it takes room in its row.
                units_[u].Warichu = static_cast<std::int32_t>(s);
                units_[u].Hangs = units_[u].Space = false;
            });
        }
    }
}

// A mark beside every unit of an emphasised range but spaces and punctuation,
// and not beside small text; where ranges overlap on one side the first wins.
void LineSetter::AddEmphasisMarks(const Block& block, TypeCache& type, bool vertical)
{
    if (block.Spans.empty())
        return;
    std::vector<UnitCover> covers(2, UnitCover(units_.size()));
    for (const Span& span : block.Spans) {
        if (span.Kind != SpanKind::Emphasis)
            continue;
        const auto [first, last] = UnitsOver(span.Range);
        covers[SideIndex(span.Placement)].Cover(first, last, [&](std::size_t u) {
            if (!units_[u].HalfSize && TakesEmphasis(CharacterAt(block.Text, units_[u].Begin)))
                MarkUnit(units_[u], static_cast<EmphasisMark>(span.Variant), span.Placement, type, vertical);
        });
    }
}

// The mark's ink is centred on the unit along the line and in the mark's band
// across it: the band lies outside the unit's ruby and side line on that side.
void LineSetter::MarkUnit(Unit& unit, EmphasisMark mark, Side side, TypeCache& type, bool vertical)
{
    const Typeface& base = *unit.Face;
    const char32_t character = EmphasisCharacter(mark);
    const int size = std::max(1, base.PixelSize() * EmphasisPercent(mark) / 100);
    Typeface* face = &type.Body(size);
    if (face->NominalGlyph(character) == 0)
        face = type.Fallback(character, size);
    if (face == nullptr)
        return;
    const std::uint32_t glyph = face->NominalGlyph(character);
    const Glyph& ink = face->Render(glyph, false);
    const Fixed inkRight = ink.Left * FixedOne + ink.Width * FixedOne / 2;
    const Fixed inkDown = -ink.Top * FixedOne + ink.Rows * FixedOne / 2;

    const std::size_t s = SideIndex(side);
    const Fixed inner = ((unit.Sides & RubyBeside[s]) != 0 ? Half(EmOf(base)) : 0) +
                        ((unit.Sides & LineBeside[s]) != 0 ? SideLineBand(base.PixelSize()) : 0);
    const Fixed along = Half(unit.Advance);
    const Fixed across = Beside(base, vertical, side, inner + Half(EmOf(*face)));
    PlacedGlyph placed{face, glyph, along - (vertical ? inkDown : inkRight), across - (vertical ? inkRight : inkDown),
                       false};

    // The unit's glyphs again at the end of glyphs_, the mark after them.
    const std::uint32_t from = unit.FirstGlyph;
    unit.FirstGlyph = static_cast<std::uint32_t>(glyphs_.size());
    for (std::uint32_t g = 0; g < unit.GlyphCount; ++g) {
        const PlacedGlyph copy = glyphs_[from + g];
        glyphs_.push_back(copy);
    }
    glyphs_.push_back(placed);
    ++unit.GlyphCount;
    ++unit.MarkCount[s];
    unit.Reach[s] = std::max(unit.Reach[s], inner + EmOf(*face));
}

// The spans of marks over the line: each part of one on the line is reported,
// and side lines and frames drawn.
void LineSetter::AddMarks(LaidLine& line, bool vertical)
{
    while (nextMarkSpan_ < markSpans_.size() && markSpans_[nextMarkSpan_]->Range.End <= line.Text.Begin)
        ++nextMarkSpan_;
    for (std::size_t s = nextMarkSpan_; s < markSpans_.size() && markSpans_[s]->Range.Begin < line.Text.End; ++s) {
        const Span& span = *markSpans_[s];
        const TextRange part{std::max(span.Range.Begin, line.Text.Begin), std::min(span.Range.End, line.Text.End)};
        const auto [first, last] = SlotsOver(part);
        if (part.Begin >= part.End || first >= last)
            continue;
        MarkReport report{part, span.Kind, span.Variant, span.Placement, 0};
        if (span.Kind == SpanKind::Emphasis)
            for (std::size_t u = first; u < last; ++u)
                report.Count += slots_[u].MarkCount[SideIndex(span.Placement)];
        else if (span.Kind == SpanKind::Line)
            AddSideLine(span, first, last, line, vertical);
        else if (span.Kind == SpanKind::Frame)
            AddFrame(span, first, last, line, vertical);
        line.Marks.push_back(report);
    }
}

// A side line runs from the start of its first slot on the line to the end
// of its last, outside any ruby on its side.
void LineSetter::AddSideLine(const Span& span, std::size_t first, std::size_t last, LaidLine& line,
                             bool vertical) const
{
    const std::size_t side = SideIndex(span.Placement);
    bool ruby = false;
    for (std::size_t u = first; u < last; ++u)
        ruby = ruby || (slots_[u].Sides & RubyBeside[side]) != 0;
    const Fixed em = line.Em * FixedOne;
    const Fixed thickness = RuleThickness(line.Em);
    const Fixed inner = ruby ? Half(em) : 0;
    const Fixed across = Beside(em, line.Ascent, vertical, span.Placement,
                                inner + RuleGap(line.Em) + Half(3 * thickness));
    line.Rules.push_back({slotX_[first], slotX_[last - 1] + slots_[last - 1].Advance, across, thickness,
                          static_cast<SideLine>(span.Variant), false});
    Fixed& reach = side == 0 ? line.OverReach : line.UnderReach;
    reach = std::max(reach, inner + SideLineBand(line.Em));
}

// An inline frame: rules along both sides of the em boxes of its slots,
// closed across the line at its ends that are on this line.
void LineSetter::AddFrame(const Span& span, std::size_t first, std::size_t last, LaidLine& line, bool vertical) const
{
    const Fixed em = line.Em * FixedOne;
    const Fixed thickness = RuleThickness(line.Em);
    const Fixed away = RuleGap(line.Em) + Half(thickness);
    const bool opens = span.Range.Begin >= line.Text.Begin;
    const bool closes = span.Range.End <= line.Text.End;
    const Fixed from = slotX_[first] - (opens ? away : 0);
    const Fixed to = slotX_[last - 1] + slots_[last - 1].Advance + (closes ? away : 0);
    const Fixed over = Beside(em, line.Ascent, vertical, Side::Over, away);
    const Fixed under = Beside(em, line.Ascent, vertical, Side::Under, away);
    for (const Fixed at : {over, under})
        line.Rules.push_back({from - Half(thickness), to + Half(thickness), at, thickness, SideLine::Solid, false});
    const Fixed top = std::min(over, under);
    const Fixed bottom = std::max(over, under);
    if (opens)
        line.Rules.push_back({top, bottom, from, thickness, SideLine::Solid, true});
    if (closes)
        line.Rules.push_back({top, bottom, to, thickness, SideLine::Solid, true});
    line.OverReach = std::max(line.OverReach, away + Half(thickness));
    line.UnderReach = std::max(line.UnderReach, away + Half(thickness));
}

// A line of a framed block carries the frame's rules across it at both ends:
// a quarter em before the block's indent, and half an em past its measure,
// clear of the ink of punctuation hanging there (、。 fill only the first half
// of their cell). They meet the next line's halfway through the air between.
void LineSetter::FrameBlock(const Block& block, int em, Fixed limit, LaidLine& line, bool vertical) const
{
    const Fixed emFixed = em * FixedOne;
    const int indent = std::min(block.Style.FirstIndent, block.Style.RestIndent);
    line.Framed = true;
    line.FrameFrom = std::clamp<Fixed>(indent * emFixed, 0, std::max<Fixed>(0, limit - emFixed)) - emFixed / 4;
    line.FrameTo = limit + emFixed / 2;
    const Fixed lineEm = line.Em * FixedOne;
    const Fixed over = Beside(lineEm, line.Ascent, vertical, Side::Over, FrameDistance(line.Em, Side::Over));
    const Fixed under = Beside(lineEm, line.Ascent, vertical, Side::Under, FrameDistance(line.Em, Side::Under));
    for (const Fixed at : {line.FrameFrom, line.FrameTo})
        line.Rules.push_back(
            {std::min(over, under), std::max(over, under), at, RuleThickness(line.Em), SideLine::Solid, true});
}

}  // namespace tessaro::novel
