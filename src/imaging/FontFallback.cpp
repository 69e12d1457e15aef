#include "imaging/FontFallback.h"

#include <utility>

namespace tessaro {

StyledFace WithStyle(FreeTypeFace face, TFontStyles style)
{
    StyledFace styled;
    styled.Embolden = (style & fsBold) && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    styled.Slant = (style & fsItalic) && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
    styled.Face = std::move(face);
    return styled;
}

FontFallback::FontFallback(FcPattern* pattern, FT_Library library, FT_UInt pixelSize, TFontStyles style)
    : library_(library), pixelSize_(pixelSize), style_(style)
{
    // Trimming drops the fonts that cover nothing the fonts before them do not,
    // so the first font with a character is still in the list.
    FcResult result = FcResultNoMatch;
    sorted_.reset(FcFontSort(nullptr, pattern, FcTrue, nullptr, &result));
}

const StyledFace* FontFallback::FaceWith(char32_t codePoint)
{
    for (int position = 0; sorted_ && position < sorted_->nfont; ++position) {
        FcCharSet* characters = nullptr;
        if (FcPatternGetCharSet(sorted_->fonts[position], FC_CHARSET, 0, &characters) != FcResultMatch ||
            !FcCharSetHasChar(characters, codePoint))
            continue;
        // fontconfig's character set comes from its cache; the face's own map decides.
        const StyledFace& face = Opened(position);
        if (face.Face && FT_Get_Char_Index(face.Face.get(), codePoint) != 0)
            return &face;
    }
    return nullptr;
}

const StyledFace& FontFallback::Opened(int position)
{
    auto found = faces_.find(position);
    if (found != faces_.end())
        return found->second;
    StyledFace styled;
    const FcPattern* font = sorted_->fonts[position];
    FcChar8* file = nullptr;
    int index = 0;
    FT_Face face = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        if (FT_New_Face(library_, reinterpret_cast<const char*>(file), index, &face) == 0) {
            FT_Set_Pixel_Sizes(face, 0, pixelSize_);
            styled = WithStyle(FreeTypeFace(face), style_);
        }
    }
    return faces_.emplace(position, std::move(styled)).first->second;
}

}  // namespace tessaro
