#include "imaging/FontMatch.h"

#include <mutex>

#include "text/Exception.h"

namespace tessaro {

namespace {

// The file and face index a font pattern names; an empty path when it names none.
FontFile FileOf(const FcPattern* font)
{
    FcChar8* file = nullptr;
    FontFile found;
    if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch)
        found.Path = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &found.Index);
    return found;
}

}  // namespace

void RequireFontconfig()
{
    static std::once_flag initialised;
    static bool available = false;
    std::call_once(initialised, [] { available = FcInit() == FcTrue; });
    if (!available)
        throw EOutOfResources("フォント設定を読み込めません (fontconfig)");
}

FontconfigPattern SubstitutedPattern(const FontRequest& request)
{
    RequireFontconfig();
    FontconfigPattern pattern(FcPatternCreate());
    if (!pattern)
        throw EOutOfResources();
    const auto text = [](const std::string& s) { return reinterpret_cast<const FcChar8*>(s.c_str()); };
    FcPatternAddString(pattern.get(), FC_FAMILY, text(request.Family));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, request.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, request.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (!request.Language.empty())
        FcPatternAddString(pattern.get(), FC_LANG, text(request.Language));
    if (request.Monospace)
        FcPatternAddInteger(pattern.get(), FC_SPACING, FC_MONO);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    return pattern;
}

std::optional<FontFile> MatchFontFile(const FontRequest& request)
{
    const FontconfigPattern pattern = SubstitutedPattern(request);
    FcResult result = FcResultNoMatch;
    FontconfigPattern match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match)
        return std::nullopt;
    FontFile found = FileOf(match.get());
    if (found.Path.empty())
        return std::nullopt;
    return found;
}

SortedFonts::SortedFonts(FcPattern* pattern)
{
    // Trimming drops the fonts that cover nothing the fonts before them do
    // not, so the first font with a character is still in the list.
    FcResult result = FcResultNoMatch;
    sorted_.reset(FcFontSort(nullptr, pattern, FcTrue, nullptr, &result));
}

FontFile SortedFonts::At(int position) const
{
    return FileOf(sorted_->fonts[position]);
}

bool SortedFonts::Covers(int position, char32_t character) const
{
    FcCharSet* characters = nullptr;
    return FcPatternGetCharSet(sorted_->fonts[position], FC_CHARSET, 0, &characters) == FcResultMatch &&
           FcCharSetHasChar(characters, character);
}

std::optional<FontFile> SortedFonts::With(char32_t character) const
{
    for (int position = 0; position < Count(); ++position)
        if (Covers(position, character))
            return At(position);
    return std::nullopt;
}

}  // namespace tessaro
