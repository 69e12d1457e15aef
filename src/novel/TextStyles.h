#pragma once
// The style of each stretch of a block's text: bold, italic, size steps,
// heading level and half-size text, from the block's own style and the spans
// over its text.

#include <cstdint>
#include <vector>

#include "novel/Document.h"

namespace tessaro::novel {

struct TextStyle {
    bool Bold = false;
    bool Italic = false;
    int SizeSteps = 0;  // 文字サイズ: steps larger (positive) or smaller
    int Heading = 0;    // the level of the heading the text is part of
    bool Half = false;  // set at half size: a warichu or small text
    bool operator==(const TextStyle&) const = default;
};

// The em of text in a style, from the body's em: headings and size steps
// larger or smaller, half-size text half of that.
int StyledEm(int bodyEm, const TextStyle& style);

class TextStyles {
public:
    explicit TextStyles(const Block& block);

    // The offsets where the style may change, ascending.
    const std::vector<std::uint32_t>& Boundaries() const { return boundaries_; }
    // The style at an offset; offsets must be asked for in ascending order.
    TextStyle At(std::uint32_t offset);

private:
    struct Change {
        std::uint32_t At;
        const Span* Of;
        int Sign;  // +1 where the span begins, -1 where it ends
    };

    TextStyle base_;
    std::vector<Change> changes_;
    std::vector<std::uint32_t> boundaries_;
    std::size_t applied_ = 0;
    int bold_ = 0, italic_ = 0, steps_ = 0, half_ = 0;
    int openHeadings_[4] = {};  // open heading spans by level
    TextStyle current_;
};

}  // namespace tessaro::novel
