#pragma once
// Cuts a block's text into runs that are shaped alike: one face (the body's,
// or the Latin face for Latin letters) and, in vertical writing, one way of
// standing in the column.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "novel/Document.h"

namespace tessaro::novel {

enum class Orientation : std::uint8_t {
    Upright,   // vertical glyphs, top to bottom (and every run of horizontal text)
    Sideways,  // horizontal glyphs turned a quarter turn clockwise
    Combined,  // a short horizontal run standing upright in one cell (縦中横)
};

struct TextRun {
    TextRange Range;
    bool Latin = false;
    Orientation Orient = Orientation::Upright;
};

// Tells whether the body face has a vertical form of a character.
using VerticalFormTest = std::function<bool(char32_t)>;

// Appends the runs of text to runs. In vertical writing, characters follow
// their Vertical_Orientation: upright ones stand upright, rotated ones turn;
// transformed ones take the face's vertical form, and where it has none the
// rotated-transformed ones turn. One or two half-width digits, and !?, !! or
// ?!, between full-width characters, and the ranges of Upright spans, are
// combined upright in one cell.
void ItemizeRuns(std::string_view text, const std::vector<Span>& spans, bool vertical,
                 const VerticalFormTest& hasVerticalForm, std::vector<TextRun>& runs);

}  // namespace tessaro::novel
