#include "novel/PageComposer.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace tessaro::novel {

namespace {

int Quarters(int em, int quarters)
{
    return em * quarters / 4;
}

int CeilPixels(Fixed value)
{
    return (value + FixedOne - 1) / FixedOne;
}

// The room over a line: its ruby space, or as far as its marks reach.
int RoomOver(const LaidLine& line)
{
    return std::max(Quarters(line.Em, RubySpaceQuarters), CeilPixels(line.OverReach));
}

// The room under a line: the gap between lines, more when marks reach under it.
int RoomUnder(const LaidLine& line)
{
    const int gap = Quarters(line.Em, LineGapQuarters);
    return std::max(gap, CeilPixels(line.UnderReach) + gap / 2);
}

// How far a line's marks reach under it past the gap after it: the last line
// of a page keeps them within the text block too.
int BeyondGap(const LaidLine& line)
{
    return RoomUnder(line) - Quarters(line.Em, LineGapQuarters);
}

// A framed run of lines is closed over its first line and under its last.
void CloseFrames(std::vector<ComposedLine>& lines, bool vertical)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        LaidLine& line = lines[i].Line;
        if (!line.Framed)
            continue;
        if (i == 0 || !lines[i - 1].Line.Framed)
            CloseFrame(line, Side::Over, vertical);
        if (i + 1 == lines.size() || !lines[i + 1].Line.Framed)
            CloseFrame(line, Side::Under, vertical);
    }
}

}  // namespace

PageComposer::PageComposer(BlockSource blocks, LineSetter& setter, TypeCache& type, const PageGeometry& geometry)
    : blocks_(std::move(blocks)), setter_(setter), type_(type), geometry_(geometry)
{
}

bool PageComposer::Refill()
{
    while (pending_.empty() && !blocksDone_) {
        if (!blocks_(block_)) {
            blocksDone_ = true;
            break;
        }
        set_.clear();
        setter_.Set(block_, type_, geometry_.Em, geometry_.Measure, geometry_.Vertical, set_);
        breakPending_ = block_.Break != BreakBefore::None;
        for (LaidLine& line : set_)
            pending_.push_back(std::move(line));
    }
    return !pending_.empty();
}

bool PageComposer::Done()
{
    return pageNumber_ > 0 && !Refill();
}

bool PageComposer::Next(ComposedPage& page)
{
    if (Done())
        return false;
    page.Lines.clear();
    page.Headings.clear();
    page.Number = ++pageNumber_;
    page.Vertical = geometry_.Vertical;
    int depth = 0;
    while (Refill()) {
        if (breakPending_ && !page.Lines.empty())
            break;
        breakPending_ = false;
        const int em = pending_.front().Em;
        const int start = depth + RoomOver(pending_.front());
        // A page takes at least one line, however deep.
        if (start + em + BeyondGap(pending_.front()) > geometry_.Depth() && !page.Lines.empty())
            break;
        depth = start + em + RoomUnder(pending_.front());
        ComposedLine placed = Place(std::move(pending_.front()), start);
        pending_.pop_front();
        if (placed.Heading > 0 && placed.Line.Text.Begin == 0)
            page.Headings.push_back({placed.Heading, block_.Text});
        page.Lines.push_back(std::move(placed));
    }
    CloseFrames(page.Lines, page.Vertical);
    SetFolio(page);
    return true;
}

ComposedLine PageComposer::Place(LaidLine&& line, int depth) const
{
    ComposedLine placed;
    placed.Text.assign(std::string_view(block_.Text).substr(line.Text.Begin, line.Text.End - line.Text.Begin));
    placed.Vertical = geometry_.Vertical;
    placed.Heading = block_.Style.HeadingLevel;
    const int em = line.Em;
    const int start = RoundFixed(line.Start);
    const int length = RoundFixed(line.Extent - line.Start);
    if (geometry_.Vertical) {
        placed.OriginX = geometry_.Right - depth - em / 2;
        placed.OriginY = geometry_.Top;
        placed.Box = {geometry_.Right - depth - em, geometry_.Top + start, em, length};
    } else {
        placed.OriginX = geometry_.Left;
        placed.OriginY = geometry_.Top + depth + RoundFixed(line.Ascent);
        placed.Box = {geometry_.Left + start, geometry_.Top + depth, length, em};
    }
    placed.Line = std::move(line);
    return placed;
}

void PageComposer::SetFolio(ComposedPage& page)
{
    const std::string number = std::to_string(page.Number);
    std::vector<ShapedGlyph> glyphs;
    Typeface& face = type_.Body(geometry_.FolioEm);
    folioShaper_.Shape(face, number, {0, static_cast<std::uint32_t>(number.size())}, false, glyphs);
    ComposedLine& folio = page.Folio;
    folio.Line = LaidLine{};
    folio.Line.Em = face.PixelSize();
    Fixed pen = 0;
    for (const ShapedGlyph& glyph : glyphs) {
        folio.Line.Glyphs.push_back({&face, glyph.Glyph, pen + glyph.OffsetX, glyph.OffsetY, false});
        pen += glyph.Advance;
    }
    folio.Line.Extent = pen;
    folio.Text = number;
    folio.OriginX = (geometry_.Width - RoundFixed(pen)) / 2;
    folio.OriginY = geometry_.FolioBaseline;
    folio.Box = {folio.OriginX, folio.OriginY - RoundFixed(face.Ascent()), RoundFixed(pen), folio.Line.Em};
}

}  // namespace tessaro::novel
