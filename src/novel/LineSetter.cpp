#include "novel/LineSetter.h"

#include <algorithm>

#include "novel/Characters.h"
#include "novel/LineUnits.h"
#include "novel/SideMarks.h"
#include "novel/TextStyles.h"

namespace tessaro::novel {

namespace {

// The punctuation that may hang past the end of a full line.
bool Hangs(char32_t c)
{
    return c == U'、' || c == U'。' || c == U'，' || c == U'．';
}

Typeface& FaceFor(TypeCache& type, std::string_view text, const TextRun& run, const TextStyle& style, int size)
{
    const FaceStyle faceStyle{style.Bold, style.Italic};
    Typeface* face = style.Heading > 0 ? &type.Heading(size) : &type.Body(size, faceStyle);
    if (run.Face == FaceKind::Latin && style.Heading == 0)
        face = &type.Latin(size, faceStyle);
    else if (run.Face == FaceKind::Missing)
        face = type.Fallback(CharacterAt(text, run.Range.Begin), size, faceStyle);
    return face ? *face : type.Body(size, faceStyle);
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

}  // namespace

LineSetter::LineSetter(Kinsoku kinsoku) : breaks_(kinsoku) {}

LineSetter::~LineSetter() = default;

void LineSetter::Set(const Block& block, TypeCache& type, int em, Fixed measure, bool vertical,
                     std::vector<LaidLine>& lines)
{
    BuildUnits(block, type, em, vertical);
    breaks_.Find(block.Text, allowed_);
    KeepFormsTogether(block);
    markSpans_.clear();
    for (const Span& span : block.Spans)
        if (span.Kind == SpanKind::Emphasis || span.Kind == SpanKind::Line || span.Kind == SpanKind::Frame ||
            span.Kind == SpanKind::Warichu || span.Kind == SpanKind::Small)
            markSpans_.push_back(&span);
    std::stable_sort(markSpans_.begin(), markSpans_.end(), ByBegin);
    nextMarkSpan_ = 0;
    const std::vector<Fit> fits = FitLines(block, measure, em * FixedOne);
    for (const Fit& fit : fits)
        lines.push_back(PlaceLine(block, fit, measure, em, vertical));
    if (fits.empty()) {
        LaidLine& empty = lines.emplace_back();
        empty.Em = em;
        empty.Ascent = type.Body(em).Ascent();
    }
    lines.back().EndsBlock = true;
}

void LineSetter::BuildUnits(const Block& block, TypeCache& type, int em, bool vertical)
{
    const std::string_view text = block.Text;
    units_.clear();
    glyphs_.clear();
    rubies_.clear();
    runs_.clear();
    Typeface& body = type.Body(em);
    TextStyles styles(block);
    ItemizeRuns(text, block.Spans, styles.Boundaries(), vertical,
                {[&](char32_t c) { return body.NominalGlyph(c) != 0; },
                 [&](char32_t c) { return body.HasVerticalForm(c); }},
                runs_);
    for (const TextRun& run : runs_) {
        const TextStyle style = styles.At(run.Range.Begin);
        Typeface& face = FaceFor(type, text, run, style, StyledEm(em, style));
        TextStyle full = style;
        full.Half = false;
        // Half-size type stands in a line of the size of the type around it.
        Typeface& lineFace = style.Half ? FaceFor(type, text, run, full, StyledEm(em, full)) : face;
        AddRun(text, run, face, lineFace, vertical);
    }
    NoteSpans(block);
    AddEmphasisMarks(block, type, vertical);
    GroupSmallText(block, vertical);
    GroupRubies(block, type, vertical);
}

void LineSetter::AddRun(std::string_view text, const TextRun& run, Typeface& face, Typeface& lineFace,
                        bool vertical)
{
    shaped_.clear();
    shaper_.Shape(face, text, run.Range, vertical && run.Orient == Orientation::Upright, shaped_);
    const bool half = &face != &lineFace;

    if (run.Orient == Orientation::Combined) {
        // Set horizontally and centred across one upright cell.
        Unit cell;
        cell.Begin = run.Range.Begin;
        cell.End = run.Range.End;
        cell.Face = &lineFace;
        cell.HalfSize = half;
        cell.FirstGlyph = static_cast<std::uint32_t>(glyphs_.size());
        cell.Advance = EmOf(face);
        cell.Wide = true;
        Fixed width = 0;
        for (const ShapedGlyph& glyph : shaped_)
            width += glyph.Advance;
        Fixed pen = -Half(width);
        for (const ShapedGlyph& glyph : shaped_) {
            glyphs_.push_back({&face, glyph.Glyph, face.Ascent() + glyph.OffsetY, pen + glyph.OffsetX, false});
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
        unit.Face = &lineFace;
        unit.HalfSize = half;
        unit.FirstGlyph = static_cast<std::uint32_t>(glyphs_.size());
        Fixed pen = 0;
        for (; g < shaped_.size() && shaped_[g].Cluster == unit.Begin; ++g) {
            glyphs_.push_back(Place(&face, shaped_[g], pen, run.Orient, vertical));
            pen += shaped_[g].Advance;
        }
        unit.End = g < shaped_.size() ? shaped_[g].Cluster : run.Range.End;
        unit.GlyphCount = static_cast<std::uint32_t>(glyphs_.size()) - unit.FirstGlyph;
        unit.Advance = pen;
        const char32_t first = CharacterAt(text, unit.Begin);
        if (first == U'\uFFFC') {
            // A picture's place in the text: the picture itself stands apart.
            glyphs_.resize(unit.FirstGlyph);
            unit.GlyphCount = 0;
            unit.Advance = 0;
        }
        unit.Hangs = Hangs(first) && unit.End == CharacterEnd(text, unit.Begin);
        unit.Space = first == U' ';
        unit.Wide = IsWide(first);
        if (first == U'\n') {
            // A warichu's line feed shows nothing; it only splits the rows.
            glyphs_.resize(unit.FirstGlyph);
            unit.GlyphCount = 0;
            unit.Advance = 0;
            unit.LineFeed = true;
        }
        units_.push_back(unit);
    }
}

// The units over a range, taken out to whole clusters: from the one the range
// starts in to the one it ends in.
std::pair<std::size_t, std::size_t> LineSetter::UnitsOver(TextRange range) const
{
    const auto first = std::partition_point(units_.begin(), units_.end(),
                                            [&](const Unit& unit) { return unit.End <= range.Begin; });
    const auto last = std::partition_point(first, units_.end(),
                                           [&](const Unit& unit) { return unit.Begin < range.End; });
    return {static_cast<std::size_t>(first - units_.begin()), static_cast<std::size_t>(last - units_.begin())};
}

// Ruby and notes over a base (ruby on both sides, say) make one unit: as long
// as the longest of base and texts, the base spread over their length, each
// text centred beside the part of the base it belongs to.
void LineSetter::GroupRubies(const Block& block, TypeCache& type, bool vertical)
{
    std::vector<const Span*> spans;
    for (const Span& span : block.Spans)
        if (SetBesideItsBase(block, span))
            spans.push_back(&span);
    std::stable_sort(spans.begin(), spans.end(), ByBegin);
    groups_.clear();
    std::vector<const Span*> over;
    for (std::size_t s = 0; s < spans.size();) {
        TextRange base = spans[s]->Range;
        std::size_t next = s + 1;
        for (; next < spans.size() && spans[next]->Range.Begin < base.End; ++next)
            base.End = std::max(base.End, spans[next]->Range.End);
        over.assign(spans.begin() + static_cast<std::ptrdiff_t>(s), spans.begin() + static_cast<std::ptrdiff_t>(next));
        // Taken out to whole clusters, a base may reach into the one before
        // it; two groups cannot share a cluster, so the later one is left out.
        const auto [first, last] = UnitsOver(base);
        if (first < last && (groups_.empty() || first >= groups_.back().Last))
            groups_.push_back({first, last, GroupRuby(block, over, first, last, type, vertical)});
        s = next;
    }
    ReplaceGroups();
}

LineSetter::Unit LineSetter::GroupRuby(const Block& block, const std::vector<const Span*>& spans, std::size_t first,
                                       std::size_t last, TypeCache& type, bool vertical)
{
    // Half the size of the base's type.
    Typeface& base = *units_[first].Face;
    Typeface& ruby = type.Body(std::max(1, base.PixelSize() / 2));

    // Each text shaped, and the spread it asks of every base unit beside it.
    struct Text {
        const Span* Of;
        std::size_t First, Last;       // its base units
        std::size_t Glyph, GlyphCount; // in rubyGlyphs_
        Fixed Length;
    };
    std::vector<Text> texts;
    rubyGlyphs_.clear();
    Fixed spread = 0;
    for (const Span* span : spans) {
        const auto [from, to] = UnitsOver(span->Range);
        if (from == to)
            continue;
        const std::size_t glyph = rubyGlyphs_.size();
        shaper_.Shape(ruby, span->Text, {0, static_cast<std::uint32_t>(span->Text.size())}, vertical, rubyGlyphs_);
        Fixed length = 0;
        for (std::size_t g = glyph; g < rubyGlyphs_.size(); ++g)
            length += rubyGlyphs_[g].Advance;
        Fixed baseLength = 0;
        for (std::size_t u = from; u < to; ++u)
            baseLength += units_[u].Advance;
        spread = std::max(spread, std::max<Fixed>(0, length - baseLength) / static_cast<Fixed>(to - from));
        texts.push_back({span, from, to, glyph, rubyGlyphs_.size() - glyph, length});
    }

    Unit group = units_[first];
    group.End = units_[last - 1].End;
    group.FirstGlyph = static_cast<std::uint32_t>(glyphs_.size());
    group.FirstRuby = static_cast<std::uint32_t>(rubies_.size());
    group.RubyCount = 0;
    group.MarkCount[0] = group.MarkCount[1] = 0;
    group.Hangs = group.Space = false;
    std::vector<Fixed> at(last - first);
    Fixed pen = Half(spread);
    for (std::size_t u = first; u < last; ++u) {
        const Unit& unit = units_[u];
        at[u - first] = pen;
        for (std::uint32_t g = 0; g < unit.GlyphCount; ++g) {
            PlacedGlyph glyph = glyphs_[unit.FirstGlyph + g];
            glyph.X += pen;
            glyphs_.push_back(glyph);
        }
        pen += unit.Advance + spread;
        for (std::size_t side = 0; side < 2; ++side) {
            group.Reach[side] = std::max(group.Reach[side], unit.Reach[side]);
            group.MarkCount[side] = static_cast<std::uint16_t>(group.MarkCount[side] + unit.MarkCount[side]);
        }
        group.Sides |= unit.Sides;
    }
    group.Advance = pen - Half(spread);
    for (const Text& text : texts)
        if (text.First == first && text.Last == last)
            group.Advance = std::max(group.Advance, text.Length);

    for (const Text& text : texts) {
        const bool whole = text.First == first && text.Last == last;
        const Fixed begin = whole ? 0 : at[text.First - first] - Half(spread);
        const Fixed end =
            whole ? group.Advance : at[text.Last - 1 - first] + units_[text.Last - 1].Advance + Half(spread);
        const Side side = text.Of->Placement;
        const Fixed across = BandOrigin(base, ruby, vertical, side, 0);
        Fixed rubyPen = begin + Half(end - begin - text.Length);
        for (std::size_t g = text.Glyph; g < text.Glyph + text.GlyphCount; ++g) {
            PlacedGlyph placed = Place(&ruby, rubyGlyphs_[g], rubyPen, Orientation::Upright, vertical);
            placed.Y += across;
            glyphs_.push_back(placed);
            rubyPen += rubyGlyphs_[g].Advance;
        }
        group.Reach[SideIndex(side)] = std::max(group.Reach[SideIndex(side)], EmOf(ruby));
        const std::uint32_t baseBegin = units_[text.First].Begin;
        rubies_.push_back({std::string(block.Text, baseBegin, units_[text.Last - 1].End - baseBegin), text.Of->Text,
                           side, text.Of->Kind == SpanKind::Note});
        ++group.RubyCount;
    }
    group.GlyphCount = static_cast<std::uint32_t>(glyphs_.size()) - group.FirstGlyph;
    return group;
}

void LineSetter::ReplaceGroups()
{
    if (groups_.empty())
        return;
    std::vector<Unit> units;
    std::size_t next = 0;
    for (const Group& group : groups_) {
        units.insert(units.end(), units_.begin() + static_cast<std::ptrdiff_t>(next),
                     units_.begin() + static_cast<std::ptrdiff_t>(group.First));
        units.push_back(group.Merged);
        next = group.Last;
    }
    units.insert(units.end(), units_.begin() + static_cast<std::ptrdiff_t>(next), units_.end());
    units_.swap(units);
}

std::vector<LineSetter::Fit> LineSetter::FitLines(const Block& block, Fixed measure, Fixed em) const
{
    std::vector<Fit> fits;
    const BlockStyle& style = block.Style;
    const Fixed limit = style.MaxCells > 0 ? std::min(measure, style.MaxCells * em) : measure;
    // The part set flush against the end of the last line: it stays on the
    // line before it when it fits there, else it starts a line of its own.
    const std::size_t flush = FlushStart(block);
    Fixed flushLength = style.EndGap * em;
    for (std::size_t u = flush; u < units_.size(); ++u)
        flushLength += units_[u].Advance;
    for (std::size_t first = 0; first < units_.size();) {
        Fit fit;
        fit.First = first;
        fit.Indent = std::min(limit - em, (fits.empty() ? style.FirstIndent : style.RestIndent) * em);
        fit.Indent = std::max<Fixed>(0, fit.Indent);
        const Fixed room = limit - fit.Indent;
        Fixed x = 0;
        std::size_t lastBreak = first;
        std::size_t at = first;
        WarichuRows rows;
        Fixed rowsStart = 0;
        for (; at < units_.size(); ++at) {
            const Unit& unit = units_[at];
            if (at == flush && at > first && x + flushLength > room)
                break;
            if (at > first && allowed_[unit.Begin])
                lastBreak = at;
            Fixed advance = unit.Advance;
            if (unit.Warichu != NoWarichu) {
                // A warichu's part on the line is as long as its longer row.
                if (at == first || units_[at - 1].Warichu != unit.Warichu) {
                    rows = WarichuRows{at, at, at};
                    rowsStart = x;
                }
                Extend(rows);
                advance = rowsStart + rows.Length() - x;
            }
            if (x + advance <= room || unit.Space) {
                x += advance;
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

std::size_t LineSetter::FlushStart(const Block& block) const
{
    const std::uint32_t from = block.Style.FlushEndFrom;
    std::size_t unit = 0;
    while (unit < units_.size() && units_[unit].Begin < from)
        ++unit;
    return unit;
}

LaidLine LineSetter::PlaceLine(const Block& block, const Fit& fit, Fixed measure, int em, bool vertical)
{
    BuildSlots(fit, vertical);
    const std::size_t count = slots_.size();
    LaidLine line;
    line.Text = {slots_.front().Begin, slots_.back().End};
    line.Start = fit.Indent;
    // The line is as deep as its largest type, and its baseline below that
    // type's ascent.
    for (const Unit& slot : slots_) {
        line.Em = std::max(line.Em, slot.Face->PixelSize());
        line.Ascent = std::max(line.Ascent, slot.Face->Ascent());
        line.OverReach = std::max(line.OverReach, slot.Reach[0]);
        line.UnderReach = std::max(line.UnderReach, slot.Reach[1]);
    }

    // The part that fills the measure: without trailing spaces and without
    // the punctuation that hangs past it.
    std::size_t contentEnd = count - (fit.Hanging ? 1 : 0);
    while (contentEnd > 1 && slots_[contentEnd - 1].Space)
        --contentEnd;
    const auto gapAfter = [&](std::size_t u) {
        return u + 1 < contentEnd && (slots_[u].Wide || slots_[u + 1].Wide || slots_[u].Space);
    };
    Fixed length = 0;
    Fixed gaps = 0;
    for (std::size_t u = 0; u < contentEnd; ++u) {
        length += slots_[u].Advance;
        gaps += gapAfter(u) ? 1 : 0;
    }
    const Fixed limit = block.Style.MaxCells > 0 ? std::min(measure, block.Style.MaxCells * em * FixedOne) : measure;
    const Fixed extra = fit.Justify && gaps > 0 ? std::max<Fixed>(0, limit - fit.Indent - length) : 0;

    // On the block's last line, the flush part ends EndGap ems short of the
    // line's end.
    const auto startsBefore = [from = block.Style.FlushEndFrom](const Unit& slot) { return slot.Begin < from; };
    const auto flushSlot = std::partition_point(slots_.begin(), slots_.end(), startsBefore);
    const std::size_t flush = fit.Last == units_.size() ? static_cast<std::size_t>(flushSlot - slots_.begin()) : count;
    Fixed flushLength = 0;
    for (std::size_t u = flush; u < count; ++u)
        flushLength += slots_[u].Advance;
    const Fixed flushAt = limit - block.Style.EndGap * em * FixedOne - flushLength;

    Fixed x = fit.Indent;
    if (flush == 0)
        line.Start = x = std::max(x, flushAt);
    Fixed opened = 0;
    slotX_.clear();
    for (std::size_t u = 0; u < count; ++u) {
        const Unit& slot = slots_[u];
        if (u == flush)
            x = std::max(x, flushAt);
        slotX_.push_back(x);
        for (std::uint32_t g = 0; g < slot.GlyphCount; ++g) {
            PlacedGlyph glyph = glyphs_[slot.FirstGlyph + g];
            glyph.X += x;
            line.Glyphs.push_back(glyph);
        }
        for (std::uint32_t r = 0; r < slot.RubyCount; ++r)
            line.Rubies.push_back(rubies_[slot.FirstRuby + r]);
        // Spaces past the end of the line hang there unseen and take no room,
        // so that the line's extent stays within its measure.
        x += slot.Space ? std::clamp<Fixed>(limit - x, 0, slot.Advance) : slot.Advance;
        if (extra > 0 && gapAfter(u)) {
            // Whole 1/64 pixels, the remainder spread over the first gaps.
            x += extra * (opened + 1) / gaps - extra * opened / gaps;
            ++opened;
        }
    }
    line.Extent = x;
    AddMarks(line, vertical);
    if (block.Style.Framed)
        FrameBlock(block, em, limit, line, vertical);
    return line;
}

}  // namespace tessaro::novel
