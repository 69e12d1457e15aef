#pragma once
// Owners of the HarfBuzz and ICU handles the novel layout uses.

#include <hb.h>
#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include "text/CHandle.h"

namespace tessaro::novel {

using HarfBuzzFont = CHandle<hb_font_t, hb_font_destroy>;
using HarfBuzzBuffer = CHandle<hb_buffer_t, hb_buffer_destroy>;
using BreakIterator = CHandle<UBreakIterator, ubrk_close>;
using TextAccess = CHandle<UText, utext_close>;

}  // namespace tessaro::novel
