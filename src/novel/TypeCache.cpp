#include "novel/TypeCache.h"

namespace tessaro::novel {

TypeCache::TypeCache(const BookFamilies& families) : families_(families) {}

Typeface& TypeCache::Face(const FontFile& file, int pixelSize, FaceStyle style)
{
    auto& face = faces_[{file.Path, file.Index, pixelSize, style.Bold, style.Italic}];
    if (!face)
        face = std::make_unique<Typeface>(file, pixelSize, style);
    return *face;
}

Typeface& TypeCache::Body(int pixelSize, FaceStyle style)
{
    return Face(families_.Body, pixelSize, style);
}

Typeface& TypeCache::Latin(int pixelSize, FaceStyle style)
{
    return Face(families_.Latin, pixelSize, style);
}

Typeface& TypeCache::Heading(int pixelSize)
{
    return Face(families_.Heading, pixelSize, {true, false});
}

Typeface* TypeCache::Fallback(char32_t character, int pixelSize, FaceStyle style)
{
    auto known = fallbackFiles_.find(character);
    if (known == fallbackFiles_.end()) {
        if (!sorted_)
            sorted_.emplace(SubstitutedPattern({"serif", style.Bold, style.Italic, "ja", false}).get());
        known = fallbackFiles_.emplace(character, sorted_->With(character)).first;
    }
    return known->second ? &Face(*known->second, pixelSize, style) : nullptr;
}

}  // namespace tessaro::novel
