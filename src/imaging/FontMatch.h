#pragma once
// Finding an installed font file through fontconfig.

#include <optional>
#include <string>

#include "imaging/FontHandles.h"

namespace tessaro {

struct FontRequest {
    std::string Family;
    bool Bold = false;
    bool Italic = false;
    // A language the font must cover, such as "ja"; empty for any.
    std::string Language;
    bool Monospace = false;
};

struct FontFile {
    std::string Path;
    int Index = 0;  // the face inside a collection
    bool operator==(const FontFile&) const = default;
};

// Makes sure fontconfig is initialised; raises EOutOfResources when it cannot be.
void RequireFontconfig();

// The request as a fontconfig pattern, after fontconfig's substitutions.
FontconfigPattern SubstitutedPattern(const FontRequest& request);

// The installed font nearest to the request, as fontconfig ranks them; none
// when fontconfig has no font at all.
std::optional<FontFile> MatchFontFile(const FontRequest& request);

}  // namespace tessaro
