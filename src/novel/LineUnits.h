#pragma once
// The pieces the line setter works with, shared by its source files: the
// units a block is set from, the fit of a line, and the warichu's rows.

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "novel/LineSetter.h"

namespace tessaro::novel {

inline constexpr std::int32_t NoWarichu = -1;

// What is beside a unit, by side (over, under): bits of Unit::Sides.
inline constexpr std::uint8_t RubyBeside[] = {1, 2};
inline constexpr std::uint8_t LineBeside[] = {4, 8};

inline std::size_t SideIndex(Side side)
{
    return side == Side::Over ? 0 : 1;
}

inline Fixed Half(Fixed value)
{
    return value / 2;
}

inline bool ByBegin(const Span* a, const Span* b)
{
    return a->Range.Begin < b->Range.Begin;
}

// Ruby and notes are set beside their base; the notes on a picture are its
// description and caption, which go with the picture.
inline bool SetBesideItsBase(const Block& block, const Span& span)
{
    constexpr std::string_view ObjectReplacement = "\xEF\xBF\xBC";
    if (span.Kind == SpanKind::Ruby)
        return true;
    const std::string_view text = block.Text;
    return span.Kind == SpanKind::Note &&
           text.substr(span.Range.Begin, span.Range.End - span.Range.Begin) != ObjectReplacement;
}

// A piece of a line that is never parted: a cluster of glyphs, a run set in
// one cell, a ruby base with its ruby, small text in its rows, or (once the
// line is set) the part of a warichu on the line. Glyph positions are
// relative to the unit's start.
struct LineSetter::Unit {
    std::uint32_t Begin = 0;
    std::uint32_t End = 0;
    Fixed Advance = 0;
    Typeface* Face = nullptr;  // of the line its characters stand in, for the line's size and baseline
    std::uint32_t FirstGlyph = 0;
    std::uint32_t GlyphCount = 0;
    std::uint32_t FirstRuby = 0;  // index into rubies_
    std::uint32_t RubyCount = 0;
    std::int32_t Warichu = NoWarichu;  // the index in the block's spans of the warichu it is part of
    Fixed Reach[2] = {};               // how far its ruby and marks reach out of its em box, over and under
    std::uint16_t MarkCount[2] = {};   // the emphasis marks over and under it
    std::uint8_t Sides = 0;            // RubyBeside and LineBeside bits
    bool HalfSize = false;             // set in half-size type
    bool LineFeed = false;             // where a warichu's first row ends
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

// Units [First, Last) to be replaced by Merged.
struct LineSetter::Group {
    std::size_t First = 0;
    std::size_t Last = 0;
    Unit Merged;
};

// The part of a warichu on one line, units [First, End), in two rows split
// before unit Split: at the line feed the part holds, else where the longer
// row is shortest.
struct LineSetter::WarichuRows {
    std::size_t First = 0;
    std::size_t Split = 0;
    std::size_t End = 0;
    Fixed Total = 0;     // the advance of all its units
    Fixed FirstRow = 0;  // the advance of the units before Split
    bool SplitAtLineFeed = false;

    // A warichu is as long as the longer of its rows.
    Fixed Length() const { return std::max(FirstRow, Total - FirstRow); }
};

}  // namespace tessaro::novel
