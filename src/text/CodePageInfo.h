#pragma once
// Which bytes of a byte string begin a two-byte character, following the code
// page of the process's locale. The state is process-wide and written only by
// InitCodePageInfo.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

enum TMbcsByteType { mbSingleByte = 0, mbLeadByte = 1, mbTrailByte = 2 };

// Builds the locale identity, the double-byte flag and the lead-byte set from
// the locale named by the first non-empty of LC_ALL, LC_CTYPE and LANG.
void InitCodePageInfo();
// The same from an explicit POSIX locale name such as "ja_JP.UTF-8" or "C".
void InitCodePageInfo(std::string_view localeName);

std::uint32_t LocaleId();
int PrimaryLanguage();
int SubLanguage();
// The locale's default ANSI code page (932, 1252, ...).
int AnsiCodePage();
// True when the system uses double-byte text (the lead-byte set is not empty).
bool DoubleByteSystem();

// Constant-time membership in the lead-byte set, honouring the double-byte flag.
bool IsLeadByte(unsigned char byte);

// The published lead-byte set of a code page: true for lead bytes, for the
// double-byte code pages 932, 936, 949 and 950; all false for any other.
bool IsLeadByteOf(int codePage, unsigned char byte);

// Class of the byte at the 1-based position index (1 .. length + 1).
TMbcsByteType ByteTypeAt(std::string_view s, int index);
// True exactly when ByteTypeAt(s, 1) is mbLeadByte.
bool StartsWithLeadByte(std::string_view s);
// The bytes of s from the 1-based position start, at most count of them, with
// the clamping of a 1-based Copy. The result views s, so s must outlive it.
std::string_view TakeBytes(std::string_view s, int start, int count);

}  // namespace tessaro
