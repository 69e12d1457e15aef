#pragma once
// Cuts a block's text into runs that are shaped alike: one face (the body's,
// the Latin face for Latin letters, or a stand-in for characters the body
// lacks), one style and, in vertical writing, one way of standing in the
// column.

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

enum class FaceKind : std::uint8_t { Body, Latin, Missing };

struct TextRun {
    TextRange Range;
    FaceKind Face = FaceKind::Body;
    Orientation Orient = Orientation::Upright;
};

// What the itemizer asks of the body face: whether it has a glyph for a
// character, and a vertical form of it.
struct FaceQuestions {
    std::function<bool(char32_t)> HasGlyph;
    std::function<bool(char32_t)> HasVerticalForm;
};

// Appends the runs of text to runs, cut also at every offset of breaks (in
// ascending order). In vertical writing, characters follow their
// Vertical_Orientation: upright ones stand upright, rotated ones turn;
// transformed ones take the face's vertical form, and where it has none the
// rotated-transformed ones turn. One or two half-width digits, and !?, !! or
// ?!, between full-width characters, and the ranges of Upright spans, are
// combined upright in one cell.
void ItemizeRuns(std::string_view text, const std::vector<Span>& spans, const std::vector<std::uint32_t>& breaks,
                 bool vertical, const FaceQuestions& face, std::vector<TextRun>& runs);

}  // namespace tessaro::novel
