#include "novel/LineSetter.h"

#include <algorithm>

#include "novel/Characters.h"

namespace tessaro::novel {

namespace {

constexpr std::int32_t NoRuby = -1;

// The punctuation that may hang past the end of a full line.
bool Hangs(char32_t c)
{
    return c == U'、' || c == U'。' || c == U'，' || c == U'．';
}

Fixed Half(Fixed value)
{
    return value / 2;
}

Fixed EmOf(const Typeface& face)
{
    return face.PixelSize() * FixedOne;
}

// Where a glyph shaped in a run goes in the line, from the pen position along
// the run and the shaper's offsets.
PlacedGlyph Place(Typeface* face, const ShapedGlyph& glyph, Fixed pen, Orientation orient, bool vertical)
{
    if (!vertical)
        return {face, glyph.Glyph, pen + glyph.OffsetX, glyph.OffsetY, false};
    if (orient == Orientation::Upright)
        return {face, glyph.Glyph, pen + glyph.OffsetY, glyph.OffsetX, false};
    // Turned clockwise, the run's em box is centred on the column: the
    // baseline lies left of the centre line by the ascent less half an em.
    const Fixed baseline = Half(EmOf(*face)) - face->Ascent();
    return {face, glyph.Glyph, pen + glyph.OffsetX, baseline - glyph.OffsetY, true};
}

// The rubies set over the line, in the order of their bases. The reader
// gives a ruby when its notation ends, so an enclosing range can come after
// the rubies inside it.
std::vector<const Span*> RubiesInOrder(const Block& block)
{
    std::vector<const Span*> rubies;
    for (const Span& span : block.Spans)
        if (span.Kind == SpanKind::Ruby && span.Placement == Side::Over)
            rubies.push_back(&span);
    std::stable_sort(rubies.begin(), rubies.end(),
                     [](const Span* a, const Span* b) { return a->Range.Begin < b->Range.Begin; });
    return rubies;
}

}  // namespace

// A piece of a line that is never parted: a cluster of glyphs, a run set in
// one cell, or a ruby base with its ruby. Glyph positions are relative to
// the unit's start.
struct LineSetter::Unit {
    std::uint32_t Begin = 0;
    std::uint32_t End = 0;
    Fixed Advance = 0;
    std::uint32_t FirstGlyph = 0;
    std::uint32_t GlyphCount = 0;
    std::int32_t Ruby = NoRuby;  // index into rubies_
    bool Hangs = false;
    bool Space = false;
    bool Wide = false;
};

// Units [First, Last) make one line; Hanging when the last one hangs past the
// measure; Justify when the line was ended early and is to fill the measure.
struct LineSetter::Fit {
    std::size_t First = 0;
    std::size_t Last = 0;
    Fixed Indent = 0;
    bool Hanging = false;
    bool Justify = false;
};

LineSetter::LineSetter(Kinsoku kinsoku) : breaks_(kinsoku) {}

LineSetter::~LineSetter() = default;

void LineSetter::Set(const Block& block, const BlockFonts& fonts, Fixed measure, bool vertical,
                     std::vector<LaidLine>& lines)
{
    const int em = fonts.Body->PixelSize();
    BuildUnits(block, fonts, vertical);
    breaks_.Find(block.Text, allowed_);
    const std::vector<Fit> fits = FitLines(block, measure, em * FixedOne);
    const std::size_t first = lines.size();
    for (const Fit& fit : fits)
        lines.push_back(PlaceLine(block, fit, measure, em));
    if (fits.empty())
        lines.emplace_back().Em = em;
    for (std::size_t i = first; i < lines.size(); ++i)
        lines[i].Ascent = fonts.Body->Ascent();
    lines.back().EndsBlock = true;
}

void LineSetter::BuildUnits(const Block& block, const BlockFonts& fonts, bool vertical)
{
    const std::string_view text = block.Text;
    units_.clear();
    glyphs_.clear();
    rubies_.clear();
    runs_.clear();
    ItemizeRuns(
        text, block.Spans, vertical, [&](char32_t c) { return fonts.Body->HasVerticalForm(c); }, runs_);
    for (const TextRun& run : runs_)
        AddRun(text, run, fonts, vertical);
    GroupRubies(block, fonts, vertical);
}

void LineSetter::AddRun(std::string_view text, const TextRun& run, const BlockFonts& fonts, bool vertical)
{
    Typeface* face = run.Latin ? fonts.Latin : fonts.Body;
    shaped_.clear();
    shaper_.Shape(*face, text, run.Range, vertical && run.Orient == Orientation::Upright, shaped_);

    if (run.Orient == Orientation::Combined) {
        // Set horizontally and centred across one upright cell.
        Unit cell;
        cell.Begin = run.Range.Begin;
        cell.End = run.Range.End;
        cell.FirstGlyph = static_cast<std::uint32_t>(glyphs_.size());
        cell.Advance = EmOf(*fonts.Body);
        cell.Wide = true;
        Fixed width = 0;
        for (const ShapedGlyph& glyph : shaped_)
            width += glyph.Advance;
        Fixed pen = -Half(width);
        for (const ShapedGlyph& glyph : shaped_) {
            glyphs_.push_back({face, glyph.Glyph, face->Ascent() + glyph.OffsetY, pen + glyph.OffsetX, false});
            pen += glyph.Advance;
        }
        cell.GlyphCount = static_cast<std::uint32_t>(glyphs_.size()) - cell.FirstGlyph;
        units_.push_back(cell);
        return;
    }

    // One unit per cluster, its glyphs placed from the unit's start.
    for (std::size_t g = 0; g < shaped_.size();) {
        Unit unit;
        unit.Begin = shaped_[g].Cluster;
        unit.FirstGlyph = static_cast<std::uint32_t>(glyphs_.size());
        Fixed pen = 0;
        for (; g < shaped_.size() && shaped_[g].Cluster == unit.Begin; ++g) {
            glyphs_.push_back(Place(face, shaped_[g], pen, run.Orient, vertical));
            pen += shaped_[g].Advance;
        }
        unit.End = g < shaped_.size() ? shaped_[g].Cluster : run.Range.End;
        unit.GlyphCount = static_cast<std::uint32_t>(glyphs_.size()) - unit.FirstGlyph;
        unit.Advance = pen;
        const char32_t first = CharacterAt(text, unit.Begin);
        unit.Hangs = Hangs(first) && unit.End == CharacterEnd(text, unit.Begin);
        unit.Space = first == U' ';
        unit.Wide = IsWide(first);
        units_.push_back(unit);
    }
}

// A ruby's base units become one unit: as long as the longer of base and
// ruby, the base spread over the ruby's length, the ruby centred beside it.
// The base takes in whole clusters. Two rubies cannot stand over the same
// characters: one whose base overlaps an earlier one's is left out.
void LineSetter::GroupRubies(const Block& block, const BlockFonts& fonts, bool vertical)
{
    std::vector<Unit> grouped;
    std::size_t next = 0;
    for (const Span* ruby : RubiesInOrder(block)) {
        const Span& span = *ruby;
        while (next < units_.size() && units_[next].End <= span.Range.Begin)
            grouped.push_back(units_[next++]);
        if (next > 0 && units_[next - 1].End > span.Range.Begin)
            continue;
        std::size_t end = next;
        while (end < units_.size() && units_[end].Begin < span.Range.End)
            ++end;
        if (end == next)
            continue;
        Unit group = units_[next];
        group.End = units_[end - 1].End;
        group.FirstGlyph = static_cast<std::uint32_t>(glyphs_.size());
        group.Hangs = group.Space = false;
        Fixed baseLength = 0;
        for (std::size_t u = next; u < end; ++u)
            baseLength += units_[u].Advance;

        shaped_.clear();
        shaper_.Shape(*fonts.Ruby, span.Text, {0, static_cast<std::uint32_t>(span.Text.size())}, vertical, shaped_);
        Fixed rubyLength = 0;
        for (const ShapedGlyph& glyph : shaped_)
            rubyLength += glyph.Advance;

        const auto count = static_cast<Fixed>(end - next);
        const Fixed spread = std::max<Fixed>(0, rubyLength - baseLength) / count;
        Fixed pen = Half(spread);
        for (std::size_t u = next; u < end; ++u) {
            for (std::uint32_t g = 0; g < units_[u].GlyphCount; ++g) {
                PlacedGlyph glyph = glyphs_[units_[u].FirstGlyph + g];
                glyph.X += pen;
                glyphs_.push_back(glyph);
            }
            pen += units_[u].Advance + spread;
        }
        group.Advance = std::max(baseLength, rubyLength);

        // Over the line's em box in horizontal writing, right of the column
        // in vertical writing.
        const Fixed across = vertical ? Half(EmOf(*fonts.Body)) + Half(EmOf(*fonts.Ruby))
                                      : -fonts.Body->Ascent() - EmOf(*fonts.Ruby) + fonts.Ruby->Ascent();
        Fixed rubyPen = Half(group.Advance - rubyLength);
        for (const ShapedGlyph& glyph : shaped_) {
            PlacedGlyph placed = Place(fonts.Ruby, glyph, rubyPen, Orientation::Upright, vertical);
            placed.Y += across;
            glyphs_.push_back(placed);
            rubyPen += glyph.Advance;
        }
        group.GlyphCount = static_cast<std::uint32_t>(glyphs_.size()) - group.FirstGlyph;
        group.Ruby = static_cast<std::int32_t>(rubies_.size());
        rubies_.push_back({std::string(block.Text, group.Begin, group.End - group.Begin), span.Text});
        grouped.push_back(group);
        next = end;
    }
    if (!rubies_.empty()) {
        grouped.insert(grouped.end(), units_.begin() + static_cast<std::ptrdiff_t>(next), units_.end());
        units_.swap(grouped);
    }
}

std::vector<LineSetter::Fit> LineSetter::FitLines(const Block& block, Fixed measure, Fixed em) const
{
    std::vector<Fit> fits;
    const BlockStyle& style = block.Style;
    const Fixed limit = style.MaxCells > 0 ? std::min(measure, style.MaxCells * em) : measure;
    for (std::size_t first = 0; first < units_.size();) {
        Fit fit;
        fit.First = first;
        fit.Indent = std::min(limit - em, (fits.empty() ? style.FirstIndent : style.RestIndent) * em);
        fit.Indent = std::max<Fixed>(0, fit.Indent);
        const Fixed room = limit - fit.Indent;
        Fixed x = 0;
        std::size_t lastBreak = first;
        std::size_t at = first;
        for (; at < units_.size(); ++at) {
            const Unit& unit = units_[at];
            if (at > first && allowed_[unit.Begin])
                lastBreak = at;
            if (x + unit.Advance <= room || unit.Space) {
                x += unit.Advance;
                continue;
            }
            const bool breakAfter = at + 1 == units_.size() || allowed_[units_[at + 1].Begin];
            if (unit.Hangs && breakAfter) {
                ++at;
                fit.Hanging = true;
            } else if (lastBreak > first) {
                at = lastBreak;
            } else if (at == first) {
                ++at;  // a unit longer than the line stands alone
            }
            fit.Justify = true;
            break;
        }
        fit.Last = at;
        fits.push_back(fit);
        first = at;
    }
    return fits;
}

LaidLine LineSetter::PlaceLine(const Block& block, const Fit& fit, Fixed measure, int em) const
{
    LaidLine line;
    line.Em = em;
    line.Text = {units_[fit.First].Begin, units_[fit.Last - 1].End};
    line.Start = fit.Indent;

    // The part that fills the measure: without trailing spaces and without
    // the punctuation that hangs past it.
    std::size_t contentEnd = fit.Last - (fit.Hanging ? 1 : 0);
    while (contentEnd > fit.First + 1 && units_[contentEnd - 1].Space)
        --contentEnd;
    const auto gapAfter = [&](std::size_t u) {
        return u + 1 < contentEnd && (units_[u].Wide || units_[u + 1].Wide || units_[u].Space);
    };
    Fixed length = 0;
    Fixed gaps = 0;
    for (std::size_t u = fit.First; u < contentEnd; ++u) {
        length += units_[u].Advance;
        gaps += gapAfter(u) ? 1 : 0;
    }
    const Fixed limit = block.Style.MaxCells > 0 ? std::min(measure, block.Style.MaxCells * em * FixedOne) : measure;
    const Fixed extra = fit.Justify && gaps > 0 ? std::max<Fixed>(0, limit - fit.Indent - length) : 0;

    Fixed x = fit.Indent;
    Fixed opened = 0;
    for (std::size_t u = fit.First; u < fit.Last; ++u) {
        const Unit& unit = units_[u];
        for (std::uint32_t g = 0; g < unit.GlyphCount; ++g) {
            PlacedGlyph glyph = glyphs_[unit.FirstGlyph + g];
            glyph.X += x;
            line.Glyphs.push_back(glyph);
        }
        if (unit.Ruby != NoRuby)
            line.Rubies.push_back(rubies_[static_cast<std::size_t>(unit.Ruby)]);
        // Spaces past the end of the line hang there unseen and take no room,
        // so that the line's extent stays within its measure.
        x += unit.Space ? std::clamp<Fixed>(limit - x, 0, unit.Advance) : unit.Advance;
        if (extra > 0 && gapAfter(u)) {
            // Whole 1/64 pixels, the remainder spread over the first gaps.
            x += extra * (opened + 1) / gaps - extra * opened / gaps;
            ++opened;
        }
    }
    line.Extent = x;
    return line;
}

}  // namespace tessaro::novel
