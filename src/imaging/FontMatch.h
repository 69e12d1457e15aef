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

// The installed fonts in the order fontconfig ranks them for a pattern that
// has been through its substitutions, for finding the font that draws a
// character the chosen one lacks.
class SortedFonts {
public:
    explicit SortedFonts(FcPattern* pattern);

    int Count() const { return sorted_ ? sorted_->nfont : 0; }
    FontFile At(int position) const;
    // Whether fontconfig lists the character in the font at position.
    bool Covers(int position, char32_t character) const;
    // The first font that covers the character; none when no font does.
    std::optional<FontFile> With(char32_t character) const;

private:
    FontconfigFontSet sorted_;
};

}  // namespace tessaro
