#pragma once
// Where a line may end, by the Japanese line-breaking rules as ICU's line
// break iterator gives them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "novel/LibraryHandles.h"

namespace tessaro::novel {

// How strictly characters that should not start a line are kept off it:
// strict also keeps small kana and the long-vowel mark off the start.
enum class Kinsoku { Strict, Normal, Loose };

class LineBreaks {
public:
    explicit LineBreaks(Kinsoku kinsoku);

    // allowed[i] tells whether a line may end before byte i of text (i from 0
    // to text.size()); only character boundaries can be true, and so is the
    // end of the text. Dashes and ellipses doubled (―― ……) are never parted.
    void Find(std::string_view text, std::vector<std::uint8_t>& allowed);

private:
    BreakIterator iterator_;
};

}  // namespace tessaro::novel
