#pragma once

#include "imaging/Color.h"

namespace tessaro {

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// A brush description. Colour and style are coupled: a clear style makes the
// colour white, and a colour set on a clear brush makes it solid again.
class TBrush {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color)
    {
        color_ = color;
        if (style_ == bsClear)
            style_ = bsSolid;
    }
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style)
    {
        style_ = style;
        if (style == bsClear)
            color_ = clWhite;
    }

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

}  // namespace tessaro
