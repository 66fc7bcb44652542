// Text of the system: byte strings in code page 932 (Shift-JIS). Conversions
// to UTF-8 (host file names, the terminal) and UTF-16 (wide strings), the
// platform's conversion, character, case and comparison calls, and the
// lead-byte test that double-byte-aware code relies on.
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace win {

using LPBOOL = BOOL*;
using LANGID = WORD;

// Every ANSI code page of this system (the process's, the OEM one, the
// thread's) is code page 932.
constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_SJIS = 932;
constexpr UINT CP_UTF8 = 65001;

// MultiByteToWideChar flags.
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
// WideCharToMultiByte flags.
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;

// Languages and locales.
constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_JAPANESE = 0x11;
constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr WORD SUBLANG_SYS_DEFAULT = 0x02;
constexpr LANGID MAKELANGID(WORD primary, WORD sub) { return static_cast<LANGID>((sub << 10) | primary); }
constexpr WORD PRIMARYLANGID(LANGID lang) { return static_cast<WORD>(lang & 0x3FF); }
constexpr WORD SUBLANGID(LANGID lang) { return static_cast<WORD>(lang >> 10); }
constexpr LANGID LANG_USER_DEFAULT = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
constexpr LANGID LANG_SYSTEM_DEFAULT = MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT);
constexpr LCID LOCALE_USER_DEFAULT = LANG_USER_DEFAULT;
constexpr LCID LOCALE_SYSTEM_DEFAULT = LANG_SYSTEM_DEFAULT;

// CompareStringA flags and results.
constexpr DWORD NORM_IGNORECASE = 0x1;
constexpr DWORD SORT_STRINGSORT = 0x1000;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Conversions that never fail: a sequence that has no counterpart becomes
// '?' (U+FFFD towards UTF-16 and UTF-8 where the source is malformed).
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view wide);

// True for the first byte of a double-byte character of code page 932.
BOOL IsDBCSLeadByte(BYTE b);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE b);

// The platform's conversions. A count of -1 means a NUL-terminated source,
// converted and counted with its terminator; an output size of 0 asks for
// the size needed; a result that does not fit gives 0 with
// ERROR_INSUFFICIENT_BUFFER and writes nothing.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount, LPWSTR wide, int wideCount);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multiByte, int multiByteCount,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);

// Steps over characters, never into the middle of a double-byte one.
LPSTR CharNextA(LPCSTR p);
LPSTR CharPrevA(LPCSTR start, LPCSTR current);

// Case mapping in place: ASCII letters and the double-byte letters that have
// a case (full-width Latin, Greek, Cyrillic); a trail byte is never touched,
// whatever its value. CharUpperA and CharLowerA take either a NUL-terminated
// string or, when the pointer's high word is zero, one character in its low
// byte, returned mapped in the same form.
LPSTR CharUpperA(LPSTR text);
LPSTR CharLowerA(LPSTR text);
DWORD CharUpperBuffA(LPSTR text, DWORD length);
DWORD CharLowerBuffA(LPSTR text, DWORD length);

// Comparisons by character, in an order close to the platform's linguistic
// one: symbols before digits before letters, letters alphabetically, and,
// when case counts, a lower-case letter before its upper case. Counts below
// zero mean NUL-terminated strings. CompareStringA answers CSTR_* (0 on
// error); the lstrcmp calls answer -1, 0 or 1, a null string being the least.
int CompareStringA(LCID locale, DWORD flags, LPCSTR a, int countA, LPCSTR b, int countB);
int lstrcmpA(LPCSTR a, LPCSTR b);
int lstrcmpiA(LPCSTR a, LPCSTR b);
int lstrlenA(LPCSTR text);

// The platform's file-name comparison: single-byte letters compared without
// case, double-byte characters as they are; -1, 0 or 1.
int CompareFileNames(std::string_view a, std::string_view b);

// A text of the system written readably in UTF-8 source and converted to
// code page 932 once, on first use.
#define SJ(utf8_literal)                                                                    \
  ([]() -> const std::string& {                                                             \
    static const std::string converted = ::win::Utf8ToAnsi(std::string_view(utf8_literal)); \
    return converted;                                                                       \
  }())

}  // namespace win
