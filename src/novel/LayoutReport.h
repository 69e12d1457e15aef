#pragma once
// The layout report: one JSON object per page (JSON Lines) telling where each
// line landed and what it shows, written from the composed page.

#include <string>

#include "novel/PageComposer.h"

namespace tessaro::novel {

// {"page":N,"file":"...","width":W,"height":H,"lines":[{"x":..,"y":..,"w":..,
// "h":..,"text":"...","ruby":[{"base":"...","text":"..."}]}]} and a line feed.
std::string LayoutReportLine(const ComposedPage& page, const std::string& file, int width, int height);

}  // namespace tessaro::novel
