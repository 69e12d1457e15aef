#pragma once
// The typefaces of a book: the body and Latin families at every size and
// style the book asks for, the heading family, and the fonts that stand in
// for characters the body lacks. Each face is opened once, on first use.

#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "imaging/FontMatch.h"
#include "novel/Typeface.h"

namespace tessaro::novel {

// The families a book is set in.
struct BookFamilies {
    FontFile Body;
    FontFile Latin;    // proportional letters; may be the body itself
    FontFile Heading;  // bolder type for headings; may be the body itself
};

class TypeCache {
public:
    explicit TypeCache(const BookFamilies& families);

    Typeface& Body(int pixelSize, FaceStyle style = {});
    Typeface& Latin(int pixelSize, FaceStyle style = {});
    Typeface& Heading(int pixelSize);
    // A face with a glyph for a character the body lacks, from the first
    // installed font (Japanese ones first) that has it; null when none has.
    Typeface* Fallback(char32_t character, int pixelSize, FaceStyle style = {});

private:
    Typeface& Face(const FontFile& file, int pixelSize, FaceStyle style);

    BookFamilies families_;
    std::optional<SortedFonts> sorted_;  // made on the first missing character
    std::unordered_map<char32_t, std::optional<FontFile>> fallbackFiles_;
    std::map<std::tuple<std::string, int, int, bool, bool>, std::unique_ptr<Typeface>> faces_;
};

}  // namespace tessaro::novel
