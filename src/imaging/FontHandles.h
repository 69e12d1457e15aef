#pragma once
// Owners of the FreeType and fontconfig handles the font engine uses.

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <type_traits>

#include "text/CHandle.h"

namespace tessaro {

using FreeTypeLibrary = CHandle<std::remove_pointer_t<FT_Library>, FT_Done_FreeType>;
using FreeTypeFace = CHandle<std::remove_pointer_t<FT_Face>, FT_Done_Face>;
using FontconfigPattern = CHandle<FcPattern, FcPatternDestroy>;
using FontconfigFontSet = CHandle<FcFontSet, FcFontSetDestroy>;

}  // namespace tessaro
