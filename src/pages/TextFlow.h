#pragma once
// Laying the next page of text onto the page.

#include <string_view>

#include "imaging/TFont.h"
#include "imaging/TImage.h"
#include "text/TextEncoding.h"

namespace tessaro {

// Draws the "Page %5d" header and then as much of remaining as fits on the
// raster mainscreen shows, one whole character at a time, and advances
// remaining past what was laid out. chosenFont, when not null, is the body font;
// encoding tells how the text's bytes form characters.
void FlowPageText(TImage& mainscreen, std::string_view& remaining, int pageNumber, const TFont* chosenFont,
                  TextEncoding encoding = TextEncoding::Locale);

}  // namespace tessaro
