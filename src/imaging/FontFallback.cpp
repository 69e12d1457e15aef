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
    : library_(library), pixelSize_(pixelSize), style_(style), sorted_(pattern)
{
}

const StyledFace* FontFallback::FaceWith(char32_t codePoint)
{
    for (int position = 0; position < sorted_.Count(); ++position) {
        if (!sorted_.Covers(position, codePoint))
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
    const FontFile file = sorted_.At(position);
    FT_Face face = nullptr;
    if (!file.Path.empty() && FT_New_Face(library_, file.Path.c_str(), file.Index, &face) == 0) {
        FT_Set_Pixel_Sizes(face, 0, pixelSize_);
        styled = WithStyle(FreeTypeFace(face), style_);
    }
    return faces_.emplace(position, std::move(styled)).first->second;
}

}  // namespace tessaro
