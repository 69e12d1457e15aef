#include "novel/Typeface.h"

#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>

#include <algorithm>
#include <vector>

#include "text/Exception.h"

namespace tessaro::novel {

namespace {

FreeTypeFace OpenFace(const FontFile& file)
{
    FT_Face face = nullptr;
    if (FT_New_Face(ThreadFreeTypeLibrary(), file.Path.c_str(), file.Index, &face) != 0)
        throw EOutOfResources("フォントを開けません: " + file.Path);
    return FreeTypeFace(face);
}

// The baseline's place in the em box: the font's ascent over its ascent plus
// descent, so that the em box of a CJK font is its ideographic square.
Fixed AscentOf(FT_Face face, int pixelSize)
{
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    const double ascender = hhea ? hhea->Ascender : face->ascender;
    const double descender = hhea ? hhea->Descender : face->descender;
    const double height = std::max(1.0, ascender - descender);
    return static_cast<Fixed>(pixelSize * FixedOne * ascender / height + 0.5);
}

// Turns a coverage mask a quarter turn clockwise about the glyph's origin.
Glyph RotatedClockwise(const Glyph& glyph)
{
    Glyph turned;
    turned.Advance = glyph.Advance;
    turned.Width = glyph.Rows;
    turned.Rows = glyph.Width;
    turned.Left = glyph.Top - glyph.Rows;
    turned.Top = -glyph.Left;
    turned.Coverage.resize(glyph.Coverage.size());
    for (int row = 0; row < turned.Rows; ++row)
        for (int column = 0; column < turned.Width; ++column)
            turned.Coverage[std::size_t(row) * turned.Width + column] =
                glyph.Coverage[std::size_t(glyph.Rows - 1 - column) * glyph.Width + row];
    return turned;
}

// Glyph boxes are made a whole number of this many columns wide, with blank
// columns on the right: drawing then blends whole vector lanes, with no odd
// pixels left over at the end of each row. Blank coverage leaves a pixel as
// it is.
constexpr int LaneColumns = 16;

Glyph WidenedToLanes(Glyph glyph)
{
    const int width = (glyph.Width + LaneColumns - 1) / LaneColumns * LaneColumns;
    if (width == glyph.Width)
        return glyph;
    std::vector<std::uint8_t> coverage(std::size_t(width) * std::size_t(glyph.Rows), 0);
    for (int row = 0; row < glyph.Rows; ++row)
        std::copy_n(glyph.Coverage.data() + std::size_t(row) * std::size_t(glyph.Width), glyph.Width,
                    coverage.data() + std::size_t(row) * std::size_t(width));
    glyph.Coverage = std::move(coverage);
    glyph.Width = width;
    return glyph;
}

}  // namespace

Typeface::Typeface(const FontFile& file, int pixelSize, FaceStyle style)
    : face_(OpenFace(file)), pixelSize_(std::max(1, pixelSize))
{
    embolden_ = style.Bold && !(face_->style_flags & FT_STYLE_FLAG_BOLD);
    slant_ = style.Italic && !(face_->style_flags & FT_STYLE_FLAG_ITALIC);
    FT_Set_Pixel_Sizes(face_.get(), 0, FT_UInt(pixelSize_));
    ascent_ = AscentOf(face_.get(), pixelSize_);
    const HarfBuzzFont outlines(hb_ft_font_create_referenced(face_.get()));
    // Unhinted advances keep the positions of a justified line exact; the
    // glyphs themselves are drawn hinted.
    hb_ft_font_set_load_flags(outlines.get(), FT_LOAD_DEFAULT | FT_LOAD_NO_HINTING);
    // HarfBuzz's FreeType functions load a glyph's outline whenever vertical
    // shaping asks for the glyph's origin, which made that lookup most of the
    // cost of shaping a column, and read its vertical advance under a lock.
    // The shaping font asks the FreeType one once per glyph and keeps the
    // answers; it passes every other question on.
    shaping_.reset(hb_font_create_sub_font(outlines.get()));
    hb_font_funcs_t* functions = hb_font_funcs_create();
    hb_font_funcs_set_glyph_v_origin_func(functions, KeptVerticalOrigin, nullptr, nullptr);
    hb_font_funcs_set_glyph_v_advance_func(functions, KeptVerticalAdvance, nullptr, nullptr);
    hb_font_set_funcs(shaping_.get(), functions, this, nullptr);
    hb_font_funcs_destroy(functions);
}

hb_bool_t Typeface::KeptVerticalOrigin(hb_font_t* font, void* typeface, hb_codepoint_t glyph, hb_position_t* x,
                                       hb_position_t* y, void*)
{
    auto& kept = static_cast<Typeface*>(typeface)->verticalOrigins_;
    auto found = kept.find(glyph);
    if (found == kept.end()) {
        VerticalOrigin origin;
        if (!hb_font_get_glyph_v_origin(hb_font_get_parent(font), glyph, &origin.X, &origin.Y))
            return false;
        found = kept.emplace(glyph, origin).first;
    }
    *x = found->second.X;
    *y = found->second.Y;
    return true;
}

hb_position_t Typeface::KeptVerticalAdvance(hb_font_t* font, void* typeface, hb_codepoint_t glyph, void*)
{
    auto& kept = static_cast<Typeface*>(typeface)->verticalAdvances_;
    auto found = kept.find(glyph);
    if (found == kept.end())
        found = kept.emplace(glyph, hb_font_get_glyph_v_advance(hb_font_get_parent(font), glyph)).first;
    return found->second;
}

std::uint32_t Typeface::NominalGlyph(char32_t character) const
{
    hb_codepoint_t glyph = 0;
    return hb_font_get_nominal_glyph(shaping_.get(), character, &glyph) ? glyph : 0;
}

bool Typeface::HasVerticalForm(char32_t character)
{
    const auto known = verticalForms_.find(character);
    if (known != verticalForms_.end())
        return known->second;
    const HarfBuzzBuffer buffer(hb_buffer_create());
    const auto codePoint = static_cast<hb_codepoint_t>(character);
    hb_buffer_add_codepoints(buffer.get(), &codePoint, 1, 0, 1);
    hb_buffer_set_direction(buffer.get(), HB_DIRECTION_TTB);
    hb_buffer_guess_segment_properties(buffer.get());
    hb_shape(shaping_.get(), buffer.get(), nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* glyphs = hb_buffer_get_glyph_infos(buffer.get(), &count);
    const bool vertical = count == 1 && glyphs[0].codepoint != NominalGlyph(character);
    verticalForms_.emplace(character, vertical);
    return vertical;
}

const Glyph& Typeface::Render(std::uint32_t glyph, bool rotated)
{
    const std::uint64_t key = (std::uint64_t(glyph) << 1) | (rotated ? 1 : 0);
    auto found = glyphs_.find(key);
    if (found == glyphs_.end())
        found = glyphs_.emplace(key, WidenedToLanes(Draw(glyph, rotated))).first;
    return found->second;
}

Glyph Typeface::Draw(std::uint32_t glyph, bool rotated)
{
    if (rotated)
        return RotatedClockwise(Draw(glyph, false));
    return RenderGlyph(face_.get(), glyph, slant_, embolden_);
}

}  // namespace tessaro::novel
