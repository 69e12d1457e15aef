#pragma once
// Sets one block of text into lines: shapes it, groups ruby with its base,
// finds where lines may end and fits the lines to the measure with hanging
// punctuation and justification.

#include <cstdint>
#include <memory>
#include <string>
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

// A ruby as the layout report shows it.
struct RubyReport {
    std::string Base;
    std::string Text;
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
    std::vector<RubyReport> Rubies;
    Fixed Start = 0;   // where the first character begins (the indent)
    Fixed Extent = 0;  // where the last character ends, hanging punctuation included
    int Em = 0;        // the em of the line's type, in pixels
    Fixed Ascent = 0;  // from the top of the line's em box down to its baseline
    bool EndsBlock = false;
    // A line that shows a picture: Em is how deep it stands across the lines.
    std::shared_ptr<const LinePicture> Picture;
};

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
    void BuildUnits(const Block& block, TypeCache& type, int em, bool vertical);
    void AddRun(std::string_view text, const TextRun& run, Typeface& face, bool vertical);
    void GroupRubies(const Block& block, TypeCache& type, bool vertical);
    std::vector<Fit> FitLines(const Block& block, Fixed measure, Fixed em) const;
    // The first unit of the part set flush against the line's end.
    std::size_t FlushStart(const Block& block) const;
    LaidLine PlaceLine(const Block& block, const Fit& fit, Fixed measure, int em) const;

    Shaper shaper_;
    LineBreaks breaks_;
    // Working storage of the block being set, kept to reuse its memory.
    std::vector<TextRun> runs_;
    std::vector<ShapedGlyph> shaped_;
    std::vector<std::uint8_t> allowed_;
    std::vector<Unit> units_;
    std::vector<PlacedGlyph> glyphs_;
    std::vector<RubyReport> rubies_;
};

}  // namespace tessaro::novel
