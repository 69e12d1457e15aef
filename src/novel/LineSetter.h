#pragma once
// Sets one block of text into lines: shapes it, groups ruby and notes with
// their base and small text into its rows, marks emphasised characters, finds
// where lines may end and fits the lines to the measure with hanging
// punctuation and justification; then draws the side lines and frames of
// each line and sets its warichu in two rows.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/TBitmap.h"
#include "novel/Document.h"
#include "novel/Itemizer.h"
#include "novel/LineBreaks.h"
#include "novel/Shaper.h"
#include "novel/TypeCache.h"
#include "novel/Typeface.h"

namespace tessaro::novel {

// A glyph placed in a line: X along the line from the line's start, Y across
// it. In horizontal writing Y runs down from the baseline; in vertical writing
// X runs down the column and Y to the right of its centre line. Rotated glyphs
// are drawn turned a quarter turn clockwise.
struct PlacedGlyph {
    Typeface* Face = nullptr;
    std::uint32_t Glyph = 0;
    Fixed X = 0;
    Fixed Y = 0;
    bool Rotated = false;
};

// A rule drawn beside or around characters, in the coordinates of a
// PlacedGlyph: along the line from From to To, centred At across it; or,
// Across, across the line from From to To, centred At along it.
struct DrawnRule {
    Fixed From = 0;
    Fixed To = 0;
    Fixed At = 0;
    Fixed Thickness = 0;
    SideLine Style = SideLine::Solid;
    bool Across = false;
};

// A ruby or a note (注記) as the layout report shows it.
struct RubyReport {
    std::string Base;
    std::string Text;
    Side Placement = Side::Over;
    bool Note = false;
};

// The part of a span of emphasis, side line, frame, warichu or small text
// that falls on a line, as the layout report shows it.
struct MarkReport {
    TextRange Range;
    SpanKind Kind = SpanKind::Emphasis;
    std::uint8_t Variant = 0;
    Side Placement = Side::Over;
    int Count = 0;  // the emphasis marks drawn
};

// A picture the book places on a page, at the size it is shown.
struct LinePicture {
    std::shared_ptr<const TBitmap> Image;  // null for a picture that could not be read: a frame is drawn
    int Width = 0;
    int Height = 0;
    std::string File;
};

struct LaidLine {
    TextRange Text;  // the bytes of the block's text the line shows
    std::vector<PlacedGlyph> Glyphs;
    std::vector<DrawnRule> Rules;
    std::vector<RubyReport> Rubies;
    std::vector<MarkReport> Marks;
    Fixed Start = 0;   // where the first character begins (the indent)
    Fixed Extent = 0;  // where the last character ends, hanging punctuation included
    int Em = 0;        // the em of the line's type, in pixels
    Fixed Ascent = 0;  // from the top of the line's em box down to its baseline
    // How far ruby, notes and marks reach out of the line's em box over it
    // (or right of a column) and under it (or left of it).
    Fixed OverReach = 0;
    Fixed UnderReach = 0;
    // A line of a block framed whole (罫囲み) is framed from FrameFrom to
    // FrameTo along it; the composer closes the frame over the first line of
    // a run of framed lines and under the last.
    bool Framed = false;
    Fixed FrameFrom = 0;
    Fixed FrameTo = 0;
    bool EndsBlock = false;
    // A line that shows a picture: Em is how deep it stands across the lines.
    std::shared_ptr<const LinePicture> Picture;
    // A box of horizontal lines in a vertical book (横組み): Em is how wide it
    // stands across the columns, its lines' ruby inside it.
    bool HorizontalBox = false;
};

// The air a framed run of lines keeps between its frame and its type, across
// the lines: past the ruby space over the first line, under the last.
Fixed FrameDistance(int em, Side side);

// Closes the frame of a framed line on one side: a rule from FrameFrom to
// FrameTo, FrameDistance past its em box.
void CloseFrame(LaidLine& line, Side side, bool vertical);

class LineSetter {
public:
    explicit LineSetter(Kinsoku kinsoku);
    ~LineSetter();

    // Appends the lines of block to lines, set in type with a body em of em
    // pixels. measure is the length of a full line; a block with no text gives
    // one empty line.
    void Set(const Block& block, TypeCache& type, int em, Fixed measure, bool vertical, std::vector<LaidLine>& lines);

private:
    struct Unit;
    struct Fit;
    struct Group;
    struct WarichuRows;
    void BuildUnits(const Block& block, TypeCache& type, int em, bool vertical);
    void AddRun(std::string_view text, const TextRun& run, Typeface& face, Typeface& lineFace, bool vertical);
    // Units [first, last) are the units that start within range.
    std::pair<std::size_t, std::size_t> UnitsOver(TextRange range) const;
    // Notes on each unit what is beside it: ruby, side lines, a warichu.
    void NoteSpans(const Block& block);
    void AddEmphasisMarks(const Block& block, TypeCache& type, bool vertical);
    void MarkUnit(Unit& unit, EmphasisMark mark, Side side, TypeCache& type, bool vertical);
    void GroupSmallText(const Block& block, bool vertical);
    void GroupRubies(const Block& block, TypeCache& type, bool vertical);
    Unit GroupRuby(const Block& block, const std::vector<const Span*>& spans, std::size_t first, std::size_t last,
                   TypeCache& type, bool vertical);
    // Units [first, last) as one unit: rows_[u - first] tells the row of
    // unit u, and the two rows run side by side from its start.
    Unit MergeRows(std::size_t first, std::size_t last, bool vertical);
    // Replaces the units of each of groups_ by its merged unit.
    void ReplaceGroups();
    void KeepFormsTogether(const Block& block);
    std::vector<Fit> FitLines(const Block& block, Fixed measure, Fixed em) const;
    // Adds the next unit to a warichu piece and moves the split between its rows.
    void Extend(WarichuRows& rows) const;
    // The first unit of the part set flush against the line's end.
    std::size_t FlushStart(const Block& block) const;
    LaidLine PlaceLine(const Block& block, const Fit& fit, Fixed measure, int em, bool vertical);
    // The units of a line as slots_, each warichu piece merged into one.
    void BuildSlots(const Fit& fit, bool vertical);
    // Slots [first, last) are the slots that hold part of range.
    std::pair<std::size_t, std::size_t> SlotsOver(TextRange range) const;
    void AddMarks(LaidLine& line, bool vertical);
    void AddSideLine(const Span& span, std::size_t first, std::size_t last, LaidLine& line, bool vertical) const;
    void AddFrame(const Span& span, std::size_t first, std::size_t last, LaidLine& line, bool vertical) const;
    void FrameBlock(const Block& block, int em, Fixed limit, LaidLine& line, bool vertical) const;

    Shaper shaper_;
    LineBreaks breaks_;
    // Working storage of the block being set, kept to reuse its memory.
    std::vector<TextRun> runs_;
    std::vector<ShapedGlyph> shaped_;
    std::vector<ShapedGlyph> rubyGlyphs_;
    std::vector<std::uint8_t> allowed_;
    std::vector<Unit> units_;
    std::vector<Unit> slots_;
    std::vector<Fixed> slotX_;  // where each of slots_ starts in its line
    std::vector<Group> groups_;
    std::vector<std::uint8_t> rows_;
    std::vector<PlacedGlyph> glyphs_;
    std::vector<RubyReport> rubies_;
    std::vector<const Span*> markSpans_;  // spans reported per line, by where they begin
    std::size_t nextMarkSpan_ = 0;        // the first of them not ended before the line being placed
};

}  // namespace tessaro::novel
