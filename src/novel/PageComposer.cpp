#include "novel/PageComposer.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "imaging/PictureDecoder.h"

namespace tessaro::novel {

namespace {

int Quarters(int em, int quarters)
{
    return em * quarters / 4;
}

constexpr std::string_view kObjectReplacement = "\uFFFC";

int CeilPixels(Fixed value)
{
    return (value + FixedOne - 1) / FixedOne;
}

// The room over a line: its ruby space, or as far as its marks reach. A
// picture needs none, nor does a 横組み box, whose ruby stands inside it.
int RoomOver(const LaidLine& line)
{
    if (line.Picture || line.HorizontalBox)
        return 0;
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

PageComposer::PageComposer(BlockSource blocks, LineSetter& setter, TypeCache& type, const PageGeometry& geometry,
                           PictureSource pictures)
    : blocks_(std::move(blocks)), setter_(setter), type_(type), geometry_(geometry), pictures_(std::move(pictures))
{
}

bool PageComposer::Refill()
{
    while (pending_.empty() && !blocksDone_) {
        if (!blocks_(block_)) {
            blocksDone_ = true;
            break;
        }
        const Section previous = section_;
        Prepare(block_);
        breakPending_ = block_.Break != BreakBefore::None || section_ != previous;
        // A block that is a picture alone shows the picture in place of its
        // line; the character typed in the text without a picture is text.
        const bool pictureAlone =
            block_.Text == kObjectReplacement &&
            std::ranges::any_of(block_.Spans, [](const Span& span) { return span.Kind == SpanKind::Picture; });
        if (!pictureAlone && geometry_.Vertical && block_.Style.Horizontal) {
            QueueHorizontal(block_);
        } else if (!pictureAlone) {
            std::vector<LaidLine> lines;
            setter_.Set(block_, type_, geometry_.Em, geometry_.Measure, geometry_.Vertical, lines);
            Queue(block_, std::move(lines));
        }
        const std::size_t first = pending_.size();
        for (const Span& span : block_.Spans)
            if (span.Kind == SpanKind::Picture)
                QueuePicture(span);
        if (pictureAlone && first < pending_.size())
            pending_[first].Text = block_.Text;
    }
    return !pending_.empty();
}

// Gives a block the look of its part of the book: the title's first line as
// a large heading, the colophon a size smaller.
void PageComposer::Prepare(Block& block)
{
    const auto length = static_cast<std::uint32_t>(block.Text.size());
    switch (block.Role) {
    case BlockRole::Title:
        if (title_.empty() && !block.Text.empty()) {
            title_ = block.Text;
            block.Style.HeadingLevel = block.Style.HeadingLevel > 0 ? block.Style.HeadingLevel : 1;
        }
        section_ = Section::Title;
        return;
    case BlockRole::Colophon:
        block.Spans.push_back({{0, length}, SpanKind::Size, Side::Over, 0, -1, 0, {}});
        section_ = Section::Colophon;
        return;
    case BlockRole::Body:
        break;
    }
    section_ = block.Style.CentredPage ? Section::Centred : Section::Body;
}

namespace {

// Gives each line of a block the heading it belongs to or starts: a heading
// block's first line starts its heading; a line that holds a heading inside
// it (同行 or 窓見出し) starts that one. Lines are marked in order.
class HeadingMarks {
public:
    explicit HeadingMarks(const Block& block) : block_(block)
    {
        for (const Span& span : block.Spans)
            if (span.Kind == SpanKind::Heading)
                headings_.push_back(&span);
        std::sort(headings_.begin(), headings_.end(),
                  [](const Span* a, const Span* b) { return a->Range.Begin < b->Range.Begin; });
        next_ = headings_.begin();
    }

    void Mark(ComposedLine& line, TextRange range)
    {
        line.Heading = block_.Style.HeadingLevel;
        if (line.Heading > 0 && range.Begin == 0)
            line.Starts.push_back({line.Heading, block_.Text});
        for (; next_ != headings_.end() && (*next_)->Range.Begin < range.End; ++next_) {
            const TextRange heading = (*next_)->Range;
            if (line.Starts.empty())
                line.Heading = (*next_)->Value;
            line.Starts.push_back({(*next_)->Value, block_.Text.substr(heading.Begin, heading.End - heading.Begin)});
        }
    }

private:
    const Block& block_;
    std::vector<const Span*> headings_;
    std::vector<const Span*>::const_iterator next_;
};

}  // namespace

// Queues the lines of a block with the text and the heading each shows.
void PageComposer::Queue(const Block& block, std::vector<LaidLine>&& lines)
{
    const std::string_view text = block.Text;
    HeadingMarks headings(block);
    for (LaidLine& line : lines) {
        ComposedLine& queued = pending_.emplace_back();
        queued.Text.assign(text.substr(line.Text.Begin, line.Text.End - line.Text.Begin));
        headings.Mark(queued, line.Text);
        queued.Line = std::move(line);
    }
}

// A block set horizontally in a vertical book (横組み): its lines, as long as
// the text block is wide, stand in boxes as deep as the longest of them and
// as long as the column allows, each box taking the place of a column. An
// empty block makes an empty box, as it makes an empty line elsewhere.
void PageComposer::QueueHorizontal(const Block& block)
{
    std::vector<LaidLine> lines;
    const Fixed measure = geometry_.Depth() / geometry_.Em * geometry_.Em * FixedOne;
    setter_.Set(block, type_, geometry_.Em, measure, false, lines);
    int width = 0;
    for (const LaidLine& line : lines)
        width = std::max(width, RoundFixed(line.Extent));
    const int columnLength = RoundFixed(geometry_.Measure);
    ComposedLine box;
    HeadingMarks headings(block);
    int depth = 0;  // where the next line's slot starts in the box
    int end = 0;    // where the last line's em box ends: the air after it is not the box's
    const auto flush = [&] {
        headings.Mark(box, box.Line.Text);
        box.Line.Em = width;
        box.Line.Extent = end * FixedOne;
        box.Line.HorizontalBox = true;
        pending_.push_back(std::move(box));
        box = ComposedLine{};
        depth = 0;
    };
    for (const LaidLine& line : lines) {
        const int em = line.Em;
        const int start = depth + Quarters(em, RubySpaceQuarters);
        if (start + em > columnLength && depth > 0)
            flush();
        // The box shows the text of its lines, and reports their ruby and marks.
        if (depth == 0)
            box.Line.Text.Begin = line.Text.Begin;
        box.Line.Text.End = line.Text.End;
        box.Line.EndsBlock = line.EndsBlock;
        box.Line.Rubies.insert(box.Line.Rubies.end(), line.Rubies.begin(), line.Rubies.end());
        box.Line.Marks.insert(box.Line.Marks.end(), line.Marks.begin(), line.Marks.end());
        const int top = depth + Quarters(em, RubySpaceQuarters);
        // Down the column is along the box; across it, from the box's centre.
        for (PlacedGlyph glyph : line.Glyphs) {
            const Fixed x = glyph.X;
            glyph.X = top * FixedOne + line.Ascent + glyph.Y;
            glyph.Y = x - width * FixedOne / 2;
            box.Line.Glyphs.push_back(glyph);
        }
        box.Text.append(std::string_view(block.Text).substr(line.Text.Begin, line.Text.End - line.Text.Begin));
        end = top + em;
        depth = end + Quarters(em, LineGapQuarters);
    }
    flush();
}

std::vector<LaidLine> PageComposer::SetApart(const std::string& text, int sizeSteps)
{
    Block apart;
    apart.Text = text;
    apart.Spans.push_back(
        {{0, static_cast<std::uint32_t>(text.size())}, SpanKind::Size, Side::Over, 0, sizeSteps, 0, {}});
    std::vector<LaidLine> lines;
    setter_.Set(apart, type_, geometry_.Em, geometry_.Measure, geometry_.Vertical, lines);
    return lines;
}

// A picture scaled to fit the text block, never to more than twice its own
// size, centred along the line; one that cannot be read is a frame of the
// size the notation gives (or of half the measure) holding its description.
// Its caption follows it in small type.
void PageComposer::QueuePicture(const Span& picture)
{
    std::string description, caption;
    for (const Span& note : block_.Spans)
        if (note.Kind == SpanKind::Note && note.Range == picture.Range)
            (note.Placement == Side::Over ? description : caption) = note.Text;
    auto shown = std::make_shared<LinePicture>();
    shown->File = picture.Text;
    const std::shared_ptr<const TBitmap> image = pictures_ ? pictures_(picture.Text, block_.SourceLine) : nullptr;
    const int measure = RoundFixed(geometry_.Measure);
    const int width = image ? image->Width() : picture.Value > 0 ? picture.Value : measure / 2;
    const int height = image ? image->Height() : picture.Value2 > 0 ? picture.Value2 : measure / 4;
    // Across the lines the picture may take the whole depth; along them, the measure.
    const double across = geometry_.Depth(), along = measure;
    const double scale = std::min({2.0, (geometry_.Vertical ? across : along) / std::max(1, width),
                                   (geometry_.Vertical ? along : across) / std::max(1, height)});
    shown->Width = std::max(1, static_cast<int>(width * scale));
    shown->Height = std::max(1, static_cast<int>(height * scale));
    if (image)
        shown->Image = std::make_shared<const TBitmap>(ScaledRaster(*image, shown->Width, shown->Height));

    LaidLine line;
    const int alongSize = geometry_.Vertical ? shown->Height : shown->Width;
    line.Em = geometry_.Vertical ? shown->Width : shown->Height;
    line.Start = (measure - alongSize) / 2 * FixedOne;
    line.Extent = line.Start + alongSize * FixedOne;
    if (!image && !description.empty()) {
        // The description's glyphs, centred in the frame: a vertical line's
        // glyphs already stand about its centre; a horizontal one's baseline
        // goes where its em box is centred.
        const std::vector<LaidLine> about = SetApart(description, 0);
        const LaidLine& first = about.front();
        const Fixed offset = line.Start + (alongSize * FixedOne - (first.Extent - first.Start)) / 2 - first.Start;
        const Fixed middle = geometry_.Vertical ? 0 : (line.Em - first.Em) * FixedOne / 2 + first.Ascent;
        for (PlacedGlyph glyph : first.Glyphs) {
            glyph.X += offset;
            glyph.Y += middle;
            line.Glyphs.push_back(glyph);
        }
    }
    line.Picture = std::move(shown);
    pending_.emplace_back().Line = std::move(line);
    if (!caption.empty()) {
        // Centred along the line, as the picture is; a line longer than the
        // measure by its hanging punctuation keeps to the measure's start.
        std::vector<LaidLine> lines = SetApart(caption, -1);
        for (LaidLine& captionLine : lines) {
            const Fixed room = geometry_.Measure - (captionLine.Extent - captionLine.Start);
            const Fixed shift = std::max<Fixed>(0, room / 2) - captionLine.Start;
            for (PlacedGlyph& glyph : captionLine.Glyphs)
                glyph.X += shift;
            captionLine.Start += shift;
            captionLine.Extent += shift;
        }
        Block captionBlock;
        captionBlock.Text = caption;
        Queue(captionBlock, std::move(lines));
    }
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
    Section shown = section_;  // the page's lines are all of one section
    while (Refill()) {
        if (breakPending_ && !page.Lines.empty())
            break;
        breakPending_ = false;
        const LaidLine& next = pending_.front().Line;
        const int em = next.Em;
        const int start = depth + RoomOver(next);
        // A page takes at least one line, however deep.
        if (start + em + BeyondGap(next) > geometry_.Depth() && !page.Lines.empty())
            break;
        depth = start + em + RoomUnder(next);
        ComposedLine placed = std::move(pending_.front());
        pending_.pop_front();
        Place(placed, start);
        page.Headings.insert(page.Headings.end(), placed.Starts.begin(), placed.Starts.end());
        page.Lines.push_back(std::move(placed));
        shown = section_;
    }
    CloseFrames(page.Lines, page.Vertical);
    if (shown == Section::Title || shown == Section::Centred)
        Centre(page, depth - Quarters(geometry_.Em, LineGapQuarters));
    page.Header = shown == Section::Body && !title_.empty()
                      ? SmallLine(title_, geometry_.Vertical ? geometry_.Right : geometry_.Left,
                                  geometry_.HeaderBaseline, geometry_.Vertical)
                      : ComposedLine{};
    SetFolio(page);
    return true;
}

void PageComposer::Place(ComposedLine& placed, int depth) const
{
    const LaidLine& line = placed.Line;
    placed.Vertical = geometry_.Vertical;
    const int em = line.Em;
    const int start = RoundFixed(line.Start);
    const int length = RoundFixed(line.Extent) - start;
    if (geometry_.Vertical) {
        placed.OriginX = geometry_.Right - depth - em / 2;
        placed.OriginY = geometry_.Top;
        placed.Box = {geometry_.Right - depth - em, geometry_.Top + start, em, length};
    } else {
        placed.OriginX = geometry_.Left;
        placed.OriginY = geometry_.Top + depth + RoundFixed(line.Ascent);
        placed.Box = {geometry_.Left + start, geometry_.Top + depth, length, em};
    }
}

// Moves the page's lines across so that they stand in the middle of the
// text block.
void PageComposer::Centre(ComposedPage& page, int depth) const
{
    const int shift = std::max(0, geometry_.Depth() - depth) / 2;
    for (ComposedLine& line : page.Lines) {
        if (geometry_.Vertical) {
            line.OriginX -= shift;
            line.Box.X -= shift;
        } else {
            line.OriginY += shift;
            line.Box.Y += shift;
        }
    }
}

void PageComposer::SetFolio(ComposedPage& page)
{
    page.Folio = SmallLine(std::to_string(page.Number), geometry_.Width / 2, geometry_.FolioBaseline, false);
    // Centred under the text.
    const int width = page.Folio.Box.W;
    page.Folio.OriginX -= width / 2;
    page.Folio.Box.X -= width / 2;
}

// A line of small horizontal type starting at x, or ending there when
// alignEnd is set, on a baseline.
ComposedLine PageComposer::SmallLine(const std::string& text, int x, int baseline, bool alignEnd)
{
    std::vector<ShapedGlyph> glyphs;
    Typeface& face = type_.Body(geometry_.FolioEm);
    folioShaper_.Shape(face, text, {0, static_cast<std::uint32_t>(text.size())}, false, glyphs);
    ComposedLine line;
    line.Line.Em = face.PixelSize();
    Fixed pen = 0;
    for (const ShapedGlyph& glyph : glyphs) {
        line.Line.Glyphs.push_back({&face, glyph.Glyph, pen + glyph.OffsetX, glyph.OffsetY, false});
        pen += glyph.Advance;
    }
    line.Line.Extent = pen;
    line.Text = text;
    line.OriginX = alignEnd ? x - RoundFixed(pen) : x;
    line.OriginY = baseline;
    line.Box = {line.OriginX, baseline - RoundFixed(face.Ascent()), RoundFixed(pen), line.Line.Em};
    return line;
}

}  // namespace tessaro::novel
