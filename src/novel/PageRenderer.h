#pragma once
// Draws a composed page: every glyph in black on the page raster, which the
// caller has made white. It decides nothing about the layout.

#include "imaging/TBitmap.h"
#include "novel/PageComposer.h"

namespace tessaro::novel {

// A white page of the given size: 8-bit gray (palette entry i is gray i) when
// gray is true, else in the display form.
TBitmap BlankPage(int width, int height, bool gray);

// Makes page such a white page. A page of that size and form whose pixels are
// not shared with a copy is whitened where it is, which spares allocating and
// filling a new one for each page of a book.
void WhitenPage(TBitmap& page, int width, int height, bool gray);

void RenderPage(const ComposedPage& page, TBitmap& raster);

}  // namespace tessaro::novel
