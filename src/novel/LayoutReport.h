#pragma once
// The layout report: one JSON object per page (JSON Lines) telling where each
// line landed and what it shows, written from the composed page.

#include <string>

#include "novel/PageComposer.h"

namespace tessaro::novel {

// {"page":N,"file":"...","width":W,"height":H,"vertical":false,"lines":[{"x":..,
// "y":..,"w":..,"h":..,"heading":L,"text":"...","ruby":[{"base":"...","text":
// "..."}]}]} and a line feed; "heading" only on the lines of a heading.
std::string LayoutReportLine(const ComposedPage& page, const std::string& file, int width, int height);

}  // namespace tessaro::novel
