#pragma once
// What the text between ［＃ and ］ asks for. Annotations come in a few shapes:
// at a point (［＃改ページ］, ［＃３字下げ］), over the text just before them
// (［＃「X」に傍点］), over a range of the line (［＃傍点］…［＃傍点終わり］), and
// over the lines of a block (［＃ここから太字］…［＃ここで太字終わり］).

#include <cstdint>
#include <string_view>

#include "novel/Document.h"

namespace tessaro::novel {

enum class Directive : std::uint8_t {
    Unknown,      // not understood: recorded as a warning
    Ignored,      // understood and not drawn: editorial notes (底本では, ママ), inline 横組み
    PageBreak,    // Break
    CentredPage,  // ページの左右中央
    BodyEnd,      // 本文終わり: what follows is the colophon
    LineBreak,    // 改行 inside a 割り注
    Indent,       // First, Rest cells
    FlushEnd,     // 地付き, 地からN字上げ: First is the gap
    MaxCells,     // 字詰め: First cells
    Heading,      // a heading line: First is the level
    Mark,         // Mark is the span to lay
    Framed,       // 罫囲み around whole blocks
    Horizontal,   // 横組み blocks
    Picture,      // Mark: the picture span; Reading: its file; Caption
    Kunten,       // Mark: the small span; Reading: the marks to insert
};

enum class Reach : std::uint8_t {
    Here,        // at its place
    Target,      // over the text just before it, Target
    Open,        // from here to the matching Close on the line
    Close,
    BlockOpen,   // from the next line to the matching BlockClose
    BlockClose,
};

struct Annotation {
    Directive What = Directive::Unknown;
    Reach Where = Reach::Here;
    std::string_view Target;   // X of ［＃「X」…］, as notation
    std::string_view Reading;  // Y of a ruby or note, as notation; a picture's file; kunten marks
    std::string_view Caption;  // a picture's caption, as notation
    std::string_view About;    // a picture's description (説明 of 説明（…）入る), as notation
    Span Mark;                 // kind, side, variant and values; Text is filled from Reading
    int First = 0;
    int Rest = 0;
    BreakBefore Break = BreakBefore::None;
};

Annotation ParseAnnotation(std::string_view annotation);

// Pairs the end of a range with its start: equal for ［＃傍点］ and
// ［＃傍点終わり］, for ［＃２段階大きな文字］ and ［＃大きな文字終わり］.
std::uint32_t RangeKey(const Span& mark);

}  // namespace tessaro::novel
