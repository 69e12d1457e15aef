#include "text/CodePageDecoder.h"

#include <gtest/gtest.h>

#include <string>

#include "text/CodePageInfo.h"

namespace tessaro {
namespace {

TEST(CodePageDecoder, DecodesOneCharacterOfEachCodePage)
{
    const struct {
        std::string bytes;
        int codePage;
        char32_t expected;
    } rows[] = {
        {"A", 932, U'A'},
        {"\\", 932, U'\\'},
        {"\x82\xA0", 932, U'\u3042'},
        {"\x88\x9F", 932, U'\u4E9C'},
        {"\xA1", 932, U'\uFF61'},
        {"\xB1", 932, U'\uFF71'},
        {"\xDF", 932, U'\uFF9F'},
        {"\x81\x5F", 932, U'\uFF3C'},
        {"\x81\x60", 932, U'\uFF5E'},
        {"\x87\x40", 932, U'\u2460'},
        {std::string(1, '\0'), 932, U'\0'},
        {"\x82", 932, ReplacementCharacter},
        {"\x82\r", 932, ReplacementCharacter},
        {"\xFD", 932, ReplacementCharacter},
        {"", 932, ReplacementCharacter},
        {"\xB0\xA1", 936, U'\u554A'},
        {"\xB0\xA1", 949, U'\uAC00'},
        {"\xA4\x40", 950, U'\u4E00'},
        {"\xA1", 874, U'\u0E01'},
        {"\x80", 1252, U'\u20AC'},
        {"\xE9", 1252, U'\u00E9'},
        {"\xC0", 1251, U'\u0410'},
        {"a", 1258, U'a'},
        {"AB", 1252, ReplacementCharacter},
        {"A", 99999, U'A'},
        {"\xE9", 99999, ReplacementCharacter},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(row.bytes) << " in " << row.codePage);
        EXPECT_EQ(static_cast<std::uint32_t>(DecodeCharacter(row.bytes, row.codePage)),
                  static_cast<std::uint32_t>(row.expected));
    }
}

// Every byte that Shift_JIS gives a character of its own decodes, the
// half-width katakana included; 80, A0 and FD to FF have none.
TEST(CodePageDecoder, EverySingleByteCharacterOfShiftJisDecodes)
{
    for (int byte = 0; byte < 256; ++byte) {
        const bool unassigned = byte == 0x80 || byte == 0xA0 || byte >= 0xFD;
        if (IsLeadByteOf(932, static_cast<unsigned char>(byte)) || unassigned)
            continue;
        EXPECT_NE(DecodeCharacter(std::string(1, static_cast<char>(byte)), 932), ReplacementCharacter) << byte;
    }
}

TEST(CodePageDecoder, AnyTwoBytesGiveOneCodePointOrTheReplacement)
{
    for (int codePage : {932, 950}) {
        for (int lead = 0x80; lead < 0x100; ++lead) {
            for (int trail = 0; trail < 0x100; ++trail) {
                const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail)};
                const char32_t decoded = DecodeCharacter(std::string_view(bytes, 2), codePage);
                ASSERT_LE(static_cast<std::uint32_t>(decoded), 0x10FFFFu) << lead << ' ' << trail;
                if (!IsLeadByteOf(codePage, static_cast<unsigned char>(lead))) {
                    ASSERT_EQ(decoded, ReplacementCharacter) << lead << ' ' << trail;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tessaro
