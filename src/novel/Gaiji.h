#pragma once
// Characters described in words, ※［＃…］: the description ends with the
// character's JIS X 0213 plane-row-cell (「てへん＋劣」、第3水準1-84-77, 二の字点、
// 1-2-22) or its Unicode code point (U+546D); with neither, the character
// cannot be shown and stands as 〓.

#include <string>
#include <string_view>

namespace tessaro::novel {

class GaijiResolver {
public:
    GaijiResolver();
    ~GaijiResolver();
    GaijiResolver(const GaijiResolver&) = delete;
    GaijiResolver& operator=(const GaijiResolver&) = delete;

    // description: the text between ※［＃ and ］. Returns UTF-8, one character
    // or a base character with its combining mark.
    std::string Resolve(std::string_view description);

private:
    std::string FromJisX0213(int plane, int row, int cell);

    void* converter_;  // iconv_t from EUC-JISX0213 to UTF-8, opened once
};

}  // namespace tessaro::novel
