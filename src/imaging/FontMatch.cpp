#include "imaging/FontMatch.h"

#include <mutex>

#include "text/Exception.h"

namespace tessaro {

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
    FcChar8* file = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch)
        return std::nullopt;
    FontFile found{reinterpret_cast<const char*>(file), 0};
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &found.Index);
    return found;
}

}  // namespace tessaro
