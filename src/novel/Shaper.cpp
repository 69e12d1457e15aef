#include "novel/Shaper.h"

#include "text/Exception.h"

namespace tessaro::novel {

Shaper::Shaper() : buffer_(hb_buffer_create())
{
    if (!hb_buffer_allocation_successful(buffer_.get()))
        throw EOutOfResources();
}

void Shaper::Shape(Typeface& face, std::string_view text, TextRange range, bool vertical,
                   std::vector<ShapedGlyph>& out)
{
    hb_buffer_t* buffer = buffer_.get();
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf8(buffer, text.data(), static_cast<int>(text.size()), range.Begin,
                       static_cast<int>(range.End - range.Begin));
    hb_buffer_set_direction(buffer, vertical ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(face.ShapingFont(), buffer, nullptr, 0);

    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    out.reserve(out.size() + count);
    for (unsigned i = 0; i < count; ++i) {
        const hb_glyph_position_t& p = positions[i];
        out.push_back({infos[i].codepoint, infos[i].cluster, vertical ? -p.y_advance : p.x_advance, p.x_offset,
                       -p.y_offset});
    }
}

}  // namespace tessaro::novel
