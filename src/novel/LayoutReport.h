#pragma once
// The layout report: one JSON object per page (JSON Lines) telling where each
// line landed and what it shows, written from the composed page.

#include <string>

#include "novel/PageComposer.h"

namespace tessaro::novel {

// {"page":N,"file":"...","width":W,"height":H,"vertical":false,"lines":[{"x":..,
// "y":..,"w":..,"h":..,"heading":L,"framed":true,"text":"...","ruby":[{"base":
// "...","text":"...","side":"under","note":true}],"marks":[{"kind":"sesame",
// "side":"over","text":"...","count":N}]}]} and a line feed; "heading" only on
// the lines of a heading, "framed" only on the lines of a block framed whole,
// a ruby's "side" only for a left ruby and "note" only for a note,
// "marks" only on lines with emphasis, side lines, frames, warichu or small
// text ("side" for emphasis and side lines, "count" of marks for emphasis).
std::string LayoutReportLine(const ComposedPage& page, const std::string& file, int width, int height);

}  // namespace tessaro::novel
