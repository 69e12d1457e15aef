#pragma once
// Laying the next page of text onto the page.

#include <string_view>

#include "imaging/TFont.h"
#include "imaging/TImage.h"

namespace tessaro {

// Draws the "Page %5d" header and then as much of remaining as fits on the
// raster mainscreen shows, one whole character at a time, and advances
// remaining past what was laid out. chosenFont, when not null, is the body font.
void FlowPageText(TImage& mainscreen, std::string_view& remaining, int pageNumber, const TFont* chosenFont);

}  // namespace tessaro
