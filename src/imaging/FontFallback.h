#pragma once
// The faces that draw the characters a chosen face lacks: fontconfig's sorted
// list for the chosen font's pattern, searched in its order for the first face
// that has the character.

#include <unordered_map>

#include "imaging/FontHandles.h"
#include "imaging/FontMatch.h"
#include "imaging/TFont.h"

namespace tessaro {

// A face with the styles the description asks for and the face itself lacks;
// those are drawn in when a glyph is rendered.
struct StyledFace {
    FreeTypeFace Face;
    bool Embolden = false;
    bool Slant = false;
};

StyledFace WithStyle(FreeTypeFace face, TFontStyles style);

class FontFallback {
public:
    // Sorts the installed fonts for a pattern that has been through
    // fontconfig's substitutions. Faces are opened in library at pixelSize
    // pixels to the em, with the description's style.
    FontFallback(FcPattern* pattern, FT_Library library, FT_UInt pixelSize, TFontStyles style);

    // The first face in fontconfig's order with a glyph for the code point,
    // or null when no installed font has one.
    const StyledFace* FaceWith(char32_t codePoint);

private:
    const StyledFace& Opened(int position);

    FT_Library library_;
    FT_UInt pixelSize_;
    TFontStyles style_;
    SortedFonts sorted_;
    // By position in the sorted list, each opened on first use.
    std::unordered_map<int, StyledFace> faces_;
};

}  // namespace tessaro
