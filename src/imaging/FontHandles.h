#pragma once
// Move-only owners of the FreeType and fontconfig handles the font engine uses.

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>

namespace tessaro {

struct FreeTypeLibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
using FreeTypeLibrary = std::unique_ptr<std::remove_pointer_t<FT_Library>, FreeTypeLibraryDeleter>;

struct FreeTypeFaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FreeTypeFace = std::unique_ptr<std::remove_pointer_t<FT_Face>, FreeTypeFaceDeleter>;

struct FontconfigPatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using FontconfigPattern = std::unique_ptr<FcPattern, FontconfigPatternDeleter>;

struct FontconfigFontSetDeleter {
    void operator()(FcFontSet* fonts) const { FcFontSetDestroy(fonts); }
};
using FontconfigFontSet = std::unique_ptr<FcFontSet, FontconfigFontSetDeleter>;

}  // namespace tessaro
