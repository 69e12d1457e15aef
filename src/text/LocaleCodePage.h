#pragma once
// The Windows-style identity of a POSIX locale name: its locale id and the
// default ANSI code page that Windows assigns to that locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

// The ANSI code page that stands for the system's own: a locale without an ANSI
// code page of its own (a Unicode-only language) and the C locale use it.
inline constexpr int SystemAnsiCodePage = 1252;

struct LocaleCodePage {
    // Primary language in the low 10 bits, sub-language in the next 6.
    std::uint32_t localeId;
    // The locale's default ANSI code page; 0 for a language that has none.
    int defaultAnsiCodePage;
};

// The identity of a name of the form language[_territory][.codeset][@modifier],
// such as "ja_JP.UTF-8", "zh_TW" or "sr_RS@latin". The codeset plays no part:
// ja_JP.UTF-8 is Japanese with code page 932. "C", "POSIX", the empty name and
// any unknown language count as English (United States), 0x0409 with 1252.
LocaleCodePage LookUpLocale(std::string_view localeName);

// The locale name of the process: the first non-empty of LC_ALL, LC_CTYPE and
// LANG, read from the environment by name, so that a locale counts even when
// it is not generated on the machine. Empty when none is set.
std::string ProcessLocaleName();

}  // namespace tessaro
