#include "text/CodePageInfo.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/LocaleCodePage.h"

namespace tessaro {

namespace {

using LeadByteSet = std::array<bool, 256>;
// Six (first, last) pairs, as a code page's information gives them.
using LeadByteRanges = std::array<unsigned char, 12>;

// The published lead-byte ranges of the double-byte code pages.
constexpr LeadByteRanges kShiftJisRanges{0x81, 0x9F, 0xE0, 0xFC};
constexpr LeadByteRanges kFullUpperHalfRanges{0x81, 0xFE};

// The ranges of a code page; all zero for a single-byte or unknown one.
constexpr LeadByteRanges RangesOf(int codePage)
{
    switch (codePage) {
    case 932:
        return kShiftJisRanges;
    case 936:
    case 949:
    case 950:
        return kFullUpperHalfRanges;
    default:
        return {};
    }
}

// Pairs are read in order until the sixth or a pair of two zeros; a pair whose
// last byte lies below its first adds nothing but does not end the scan.
constexpr LeadByteSet SetFromRanges(const LeadByteRanges& ranges)
{
    LeadByteSet set{};
    for (std::size_t pair = 0; pair < ranges.size(); pair += 2) {
        const unsigned first = ranges[pair];
        const unsigned last = ranges[pair + 1];
        if (first == 0 && last == 0)
            break;
        for (unsigned value = first; value <= last; ++value)
            set[value] = true;
    }
    return set;
}

constexpr LeadByteSet kShiftJisSet = SetFromRanges(RangesOf(932));
constexpr LeadByteSet kChineseSimplifiedSet = SetFromRanges(RangesOf(936));
constexpr LeadByteSet kKoreanSet = SetFromRanges(RangesOf(949));
constexpr LeadByteSet kChineseTraditionalSet = SetFromRanges(RangesOf(950));
constexpr LeadByteSet kNoLeadBytes{};

const LeadByteSet& PublishedSetOf(int codePage)
{
    switch (codePage) {
    case 932:
        return kShiftJisSet;
    case 936:
        return kChineseSimplifiedSet;
    case 949:
        return kKoreanSet;
    case 950:
        return kChineseTraditionalSet;
    default:
        return kNoLeadBytes;
    }
}

// Primary languages 0, 6, 7, 9, 10, 11, 12, 16, 19, 20, 22 and 29, one bit each.
constexpr std::uint32_t kWesternLanguageGroup = (1u << 0) | (1u << 6) | (1u << 7) | (1u << 9) | (1u << 10) |
                                                (1u << 11) | (1u << 12) | (1u << 16) | (1u << 19) |
                                                (1u << 20) | (1u << 22) | (1u << 29);

bool InWesternLanguageGroup(int primaryLanguage)
{
    return primaryLanguage >= 0 && primaryLanguage <= 31 &&
           (kWesternLanguageGroup & (1u << primaryLanguage)) != 0;
}

struct CodePageState {
    std::uint32_t localeId = 0x0409;
    int primaryLanguage = 9;
    int subLanguage = 1;
    int ansiCodePage = SystemAnsiCodePage;
    bool doubleByte = false;
    LeadByteSet leadBytes{};
};

CodePageState state;

bool InSet(unsigned char byte)
{
    return state.leadBytes[byte];
}

}  // namespace

void InitCodePageInfo()
{
    InitCodePageInfo(ProcessLocaleName());
}

void InitCodePageInfo(std::string_view localeName)
{
    const LocaleCodePage locale = LookUpLocale(localeName);
    const std::uint32_t languageId = locale.localeId & 0xFFFF;
    CodePageState next;
    next.localeId = locale.localeId;
    next.primaryLanguage = static_cast<int>(languageId & 0x3FF);
    next.subLanguage = static_cast<int>(languageId >> 10);
    // A locale without an ANSI code page of its own uses the system's.
    next.ansiCodePage = locale.defaultAnsiCodePage != 0 ? locale.defaultAnsiCodePage : SystemAnsiCodePage;

    if (!InWesternLanguageGroup(next.primaryLanguage)) {
        next.leadBytes = PublishedSetOf(next.ansiCodePage);
        next.doubleByte = std::find(next.leadBytes.begin(), next.leadBytes.end(), true) != next.leadBytes.end();
    }
    state = next;
}

std::uint32_t LocaleId()
{
    return state.localeId;
}

int PrimaryLanguage()
{
    return state.primaryLanguage;
}

int SubLanguage()
{
    return state.subLanguage;
}

int AnsiCodePage()
{
    return state.ansiCodePage;
}

bool DoubleByteSystem()
{
    return state.doubleByte;
}

bool IsLeadByte(unsigned char byte)
{
    return state.doubleByte && InSet(byte);
}

bool IsLeadByteOf(int codePage, unsigned char byte)
{
    return PublishedSetOf(codePage)[byte];
}

TMbcsByteType ByteTypeAt(std::string_view s, int index)
{
    // Outside 1 .. length + 1 the caller has broken the contract; such a
    // position is treated like the terminating NUL rather than read.
    if (!state.doubleByte || s.empty() || index < 1 || static_cast<std::size_t>(index) > s.size())
        return mbSingleByte;
    const auto at = static_cast<std::size_t>(index) - 1;
    const auto byte = static_cast<unsigned char>(s[at]);
    if (byte == 0)
        return mbSingleByte;
    if (at == 0)
        return InSet(byte) ? mbLeadByte : mbSingleByte;

    // Lead bytes directly before the position pair up from the left: an odd
    // run makes this byte the second half of a character.
    std::size_t run = 0;
    while (run < at && InSet(static_cast<unsigned char>(s[at - 1 - run])))
        ++run;
    if (run % 2 == 1)
        return mbTrailByte;
    return InSet(byte) ? mbLeadByte : mbSingleByte;
}

bool StartsWithLeadByte(std::string_view s)
{
    return !s.empty() && IsLeadByte(static_cast<unsigned char>(s.front()));
}

std::string_view TakeBytes(std::string_view s, int start, int count)
{
    // Positions are compared as 64-bit numbers so that no clamping can overflow.
    const auto length = static_cast<std::int64_t>(s.size());
    std::int64_t first = start;
    if (first > length || count < 1)
        return {};
    if (first < 1)
        first = 1;
    const std::int64_t available = length - first + 1;
    const std::int64_t taken = std::min<std::int64_t>(available, count);
    return s.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(taken));
}

}  // namespace tessaro
