// Text of the system: byte strings in code page 932 (Shift-JIS). Conversions
// to UTF-8 (host file names, the terminal) and UTF-16 (wide strings), and the
// lead-byte test that double-byte-aware code relies on.
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace win {

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_SJIS = 932;
constexpr UINT CP_UTF8 = 65001;

// Conversions that never fail: a sequence that has no counterpart becomes
// '?' (U+FFFD towards UTF-16 and UTF-8 where the source is malformed).
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view wide);

// True for the first byte of a double-byte character of code page 932.
BOOL IsDBCSLeadByte(BYTE b);

// A text of the system written readably in UTF-8 source and converted to
// code page 932 once, on first use.
#define SJ(utf8_literal)                                                                 \
  ([]() -> const std::string& {                                                          \
    static const std::string converted = ::win::Utf8ToAnsi(std::string_view(utf8_literal)); \
    return converted;                                                                    \
  }())

}  // namespace win
