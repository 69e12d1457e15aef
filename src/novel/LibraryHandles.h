#pragma once
// Move-only owners of the HarfBuzz and ICU handles the novel layout uses.

#include <hb.h>
#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <memory>

namespace tessaro::novel {

struct HarfBuzzFontDeleter {
    void operator()(hb_font_t* font) const { hb_font_destroy(font); }
};
using HarfBuzzFont = std::unique_ptr<hb_font_t, HarfBuzzFontDeleter>;

struct HarfBuzzBufferDeleter {
    void operator()(hb_buffer_t* buffer) const { hb_buffer_destroy(buffer); }
};
using HarfBuzzBuffer = std::unique_ptr<hb_buffer_t, HarfBuzzBufferDeleter>;

struct BreakIteratorDeleter {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};
using BreakIterator = std::unique_ptr<UBreakIterator, BreakIteratorDeleter>;

struct TextAccessDeleter {
    void operator()(UText* text) const { utext_close(text); }
};
using TextAccess = std::unique_ptr<UText, TextAccessDeleter>;

}  // namespace tessaro::novel
