#pragma once
// Shaping: the glyphs of a piece of text in one typeface, through HarfBuzz.

#include <cstdint>
#include <string_view>
#include <vector>

#include "novel/Document.h"
#include "novel/Typeface.h"

namespace tessaro::novel {

// One glyph as the shaper gives it. Offsets move the glyph's drawing origin
// from the pen position: x to the right, y downwards.
struct ShapedGlyph {
    std::uint32_t Glyph = 0;
    std::uint32_t Cluster = 0;  // the byte offset in the text of the glyph's first character
    Fixed Advance = 0;          // along the line: rightwards, or downwards when vertical
    Fixed OffsetX = 0;
    Fixed OffsetY = 0;
};

class Shaper {
public:
    Shaper();

    // Appends the glyphs of text's bytes in range to out, in logical order.
    // The whole text is given as context for the shaping at the range's ends.
    void Shape(Typeface& face, std::string_view text, TextRange range, bool vertical,
               std::vector<ShapedGlyph>& out);

private:
    HarfBuzzBuffer buffer_;
};

}  // namespace tessaro::novel
