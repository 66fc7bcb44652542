#include "platform/Text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/Errors.h"

namespace win {

namespace {

// One iconv conversion, restarted after every sequence it cannot convert
// (which is replaced), so that the result is always complete.
std::string Convert(const char* to, const char* from, std::string_view input, std::string_view replacement,
                    size_t unitSize) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
  std::string out;
  out.reserve(input.size() * 2 + 8);
  char buffer[1024];
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  while (inLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    out.append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // Invalid or incomplete input: replace one source unit and go on.
      out.append(replacement);
      size_t skip = std::min(unitSize, inLeft);
      in += skip;
      inLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";
constexpr char16_t kWideReplacement = 0xFFFD;

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) { return Convert("UTF-8", "CP932", ansi, kUtf8Replacement, 1); }

std::string Utf8ToAnsi(std::string_view utf8) { return Convert("CP932//TRANSLIT", "UTF-8", utf8, "?", 1); }

std::u16string AnsiToWide(std::string_view ansi) {
  std::string replacement(reinterpret_cast<const char*>(&kWideReplacement), 2);
  std::string bytes = Convert("UTF-16LE", "CP932", ansi, replacement, 1);
  std::u16string wide(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
  std::string bytes(wide.size() * 2, '\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  return Convert("CP932//TRANSLIT", "UTF-16LE", bytes, "?", 2);
}

BOOL IsDBCSLeadByte(BYTE b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

namespace {

// ---- Code page 932 -------------------------------------------------------

constexpr char16_t kNoWide = 0xFFFF;
constexpr WORD kNoCode = 0xFFFF;
// The platform's stand-in for a byte sequence that names no character.
constexpr char16_t kUndefinedWide = 0x30FB;  // katakana middle dot
constexpr char kDefaultAnsi = '?';

bool IsTrailByte(BYTE b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Converts one character with `cd`; the output bytes, or empty when iconv
// knows no counterpart.
std::string ConvertOne(iconv_t cd, const char* bytes, size_t size) {
  char out[8];
  char* in = const_cast<char*>(bytes);
  char* dst = out;
  size_t inLeft = size;
  size_t outLeft = sizeof out;
  size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (r == static_cast<size_t>(-1) || inLeft != 0) return {};
  return std::string(out, dst - out);
}

// Both directions of code page 932 as tables, built once from iconv. A code
// is a single byte, or lead << 8 | trail for a double-byte character.
class Cp932 {
 public:
  static const Cp932& Table() {
    static const Cp932* table = new Cp932;
    return *table;
  }

  // The UTF-16 unit of a code; kNoWide when the code names no character.
  char16_t ToWide(WORD code) const { return toWide_[code]; }

  // The code of a UTF-16 unit; kNoCode when the code page has no such
  // character. A best-fit code (a similar character that does not convert
  // back to the same unit, as U+00A5 to the backslash) only when asked for.
  WORD ToCode(char16_t w, bool bestFit) const {
    WORD code = toCode_[w];
    if (code == kNoCode || bestFit || toWide_[code] == w) return code;
    return kNoCode;
  }

 private:
  Cp932() : toWide_(0x10000, kNoWide), toCode_(0x10000, kNoCode) {
    iconv_t decode = iconv_open("UTF-16LE", "CP932");
    if (decode != reinterpret_cast<iconv_t>(-1)) {
      for (unsigned b = 0; b < 0x100; ++b)
        if (!IsDBCSLeadByte(static_cast<BYTE>(b))) Decode(decode, static_cast<WORD>(b));
      for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
          if (IsTrailByte(static_cast<BYTE>(trail))) Decode(decode, static_cast<WORD>(lead << 8 | trail));
      }
      iconv_close(decode);
    }
    iconv_t encode = iconv_open("CP932", "UTF-16LE");
    if (encode != reinterpret_cast<iconv_t>(-1)) {
      for (unsigned w = 0; w < 0x10000; ++w)
        if (w < 0xD800 || w > 0xDFFF) Encode(encode, static_cast<char16_t>(w));
      iconv_close(encode);
    }
    // The platform gives these single bytes code points of their own, so that
    // every single byte survives a round trip.
    const std::pair<WORD, char16_t> extras[] = {
        {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};
    for (auto [code, w] : extras) {
      toWide_[code] = w;
      toCode_[w] = code;
    }
  }

  void Decode(iconv_t cd, WORD code) {
    char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    std::string wide = code > 0xFF ? ConvertOne(cd, bytes, 2) : ConvertOne(cd, bytes + 1, 1);
    if (wide.size() == 2)
      toWide_[code] = static_cast<char16_t>(static_cast<BYTE>(wide[0]) | static_cast<BYTE>(wide[1]) << 8);
  }

  void Encode(iconv_t cd, char16_t w) {
    char bytes[2] = {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)};
    std::string ansi = ConvertOne(cd, bytes, 2);
    if (ansi.size() == 1) toCode_[w] = static_cast<BYTE>(ansi[0]);
    if (ansi.size() == 2) toCode_[w] = static_cast<WORD>(static_cast<BYTE>(ansi[0]) << 8 | static_cast<BYTE>(ansi[1]));
  }

  std::vector<char16_t> toWide_;
  std::vector<WORD> toCode_;
};

void AppendCode(std::string& out, WORD code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

// The code of the character at `i`, which moves past it: a lead byte and the
// byte after it are one character unless that byte is the end or a NUL.
WORD NextChar(std::string_view text, size_t& i) {
  BYTE b = static_cast<BYTE>(text[i++]);
  if (IsDBCSLeadByte(b) && i < text.size() && text[i] != '\0')
    return static_cast<WORD>(b << 8 | static_cast<BYTE>(text[i++]));
  return b;
}

// Decoding stops at a sequence that names no character when `strict`;
// otherwise such a sequence becomes the stand-in character. A lead byte
// without a valid trail byte is one such sequence on its own, so that the
// byte after it (a terminator, a quote) is never swallowed.
bool DecodeCp932(std::string_view in, bool strict, std::u16string& out) {
  const Cp932& table = Cp932::Table();
  for (size_t i = 0; i < in.size();) {
    WORD code = static_cast<BYTE>(in[i++]);
    if (IsDBCSLeadByte(static_cast<BYTE>(code)) && i < in.size() && IsTrailByte(static_cast<BYTE>(in[i])))
      code = static_cast<WORD>(code << 8 | static_cast<BYTE>(in[i++]));
    char16_t w = table.ToWide(code);
    if (w == kNoWide) {
      if (strict) return false;
      w = kUndefinedWide;
    }
    out.push_back(w);
  }
  return true;
}

bool IsHighSurrogate(char16_t w) { return w >= 0xD800 && w <= 0xDBFF; }
bool IsLowSurrogate(char16_t w) { return w >= 0xDC00 && w <= 0xDFFF; }

// Characters with no code become `defaultChar`; a surrogate pair is one such
// character.
void EncodeCp932(std::u16string_view in, bool bestFit, std::string_view defaultChar, std::string& out,
                 bool& usedDefault) {
  const Cp932& table = Cp932::Table();
  for (size_t i = 0; i < in.size(); ++i) {
    const char16_t w = in[i];
    if (IsHighSurrogate(w) && i + 1 < in.size() && IsLowSurrogate(in[i + 1])) ++i;
    WORD code = IsHighSurrogate(w) || IsLowSurrogate(w) ? kNoCode : table.ToCode(w, bestFit);
    if (code == kNoCode) {
      out.append(defaultChar);
      usedDefault = true;
    } else {
      AppendCode(out, code);
    }
  }
}

// ---- UTF-8 ------------------------------------------------------------------

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | cp >> 18));
    out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Malformed input (overlong forms, surrogates, truncated sequences) becomes
// one U+FFFD per maximal invalid part, or stops decoding when `strict`.
bool DecodeUtf8(std::string_view in, bool strict, std::u16string& out) {
  for (size_t i = 0; i < in.size();) {
    const BYTE b = static_cast<BYTE>(in[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    int needed = 0;
    char32_t cp = 0;
    BYTE low = 0x80, high = 0xBF;  // the range of the next continuation byte
    if (b >= 0xC2 && b <= 0xDF) {
      needed = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      needed = 2;
      cp = b & 0x0F;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      needed = 3;
      cp = b & 0x07;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    }
    size_t j = i + 1;
    bool complete = needed > 0;
    for (int k = 0; k < needed; ++k, ++j) {
      const BYTE c = j < in.size() ? static_cast<BYTE>(in[j]) : 0;
      if (j >= in.size() || c < low || c > high) {
        complete = false;
        break;
      }
      low = 0x80;
      high = 0xBF;
      cp = cp << 6 | (c & 0x3F);
    }
    if (!complete) {
      if (strict) return false;
      cp = 0xFFFD;
    }
    AppendUtf16(out, cp);
    i = j;
  }
  return true;
}

// A lone surrogate becomes U+FFFD, or stops encoding when `strict`.
bool EncodeUtf8(std::u16string_view in, bool strict, std::string& out) {
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (IsHighSurrogate(in[i]) && i + 1 < in.size() && IsLowSurrogate(in[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(in[i]) || IsLowSurrogate(in[i])) {
      if (strict) return false;
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return true;
}

// ---- Conversion calls -------------------------------------------------------

enum class CodePage { Cp932, Utf8, Unsupported };

CodePage Resolve(UINT codePage) {
  switch (codePage) {
    case CP_ACP:
    case CP_OEMCP:
    case CP_THREAD_ACP:
    case CP_SJIS:
      return CodePage::Cp932;
    case CP_UTF8:
      return CodePage::Utf8;
    default:
      return CodePage::Unsupported;
  }
}

template <class Char>
std::basic_string_view<Char> SourceText(const Char* text, int count) {
  if (count != -1) return {text, static_cast<size_t>(count)};
  return {text, std::char_traits<Char>::length(text) + 1};
}

template <class Char>
int Deliver(const std::basic_string<Char>& converted, Char* buffer, int size) {
  if (converted.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  if (size == 0) return static_cast<int>(converted.size());
  if (converted.size() > static_cast<size_t>(size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::copy(converted.begin(), converted.end(), buffer);
  return static_cast<int>(converted.size());
}

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

// ---- Case -------------------------------------------------------------------

enum class Case { Upper, Lower };

char16_t WideUpper(char16_t w) {
  if (w >= 0xFF41 && w <= 0xFF5A) return static_cast<char16_t>(w - 0x20);                 // full-width Latin
  if (w >= 0x03B1 && w <= 0x03C9 && w != 0x03C2) return static_cast<char16_t>(w - 0x20);  // Greek
  if (w >= 0x0430 && w <= 0x044F) return static_cast<char16_t>(w - 0x20);                 // Cyrillic
  if (w == 0x0451) return 0x0401;
  return w;
}

char16_t WideLower(char16_t w) {
  if (w >= 0xFF21 && w <= 0xFF3A) return static_cast<char16_t>(w + 0x20);
  if (w >= 0x0391 && w <= 0x03A9 && w != 0x03A2) return static_cast<char16_t>(w + 0x20);
  if (w >= 0x0410 && w <= 0x042F) return static_cast<char16_t>(w + 0x20);
  if (w == 0x0401) return 0x0451;
  return w;
}

BYTE MapSingleByteCase(BYTE b, Case to) {
  if (to == Case::Upper && b >= 'a' && b <= 'z') return static_cast<BYTE>(b - 'a' + 'A');
  if (to == Case::Lower && b >= 'A' && b <= 'Z') return static_cast<BYTE>(b - 'A' + 'a');
  return b;
}

// A character's code in the other case, or the code itself.
WORD MapCase(WORD code, Case to) {
  if (code <= 0xFF) return MapSingleByteCase(static_cast<BYTE>(code), to);
  const Cp932& table = Cp932::Table();
  const char16_t w = table.ToWide(code);
  if (w == kNoWide) return code;
  const char16_t mapped = to == Case::Upper ? WideUpper(w) : WideLower(w);
  const WORD result = mapped == w ? kNoCode : table.ToCode(mapped, false);
  return result == kNoCode ? code : result;
}

// Maps `length` bytes in place, a whole character at a time.
void MapCaseInPlace(char* text, size_t length, Case to) {
  std::string_view view(text, length);
  for (size_t i = 0; i < length;) {
    const size_t start = i;
    const WORD mapped = MapCase(NextChar(view, i), to);
    if (i - start == 2) text[start] = static_cast<char>(mapped >> 8);
    text[i - 1] = static_cast<char>(mapped & 0xFF);
  }
}

LPSTR MapCaseOfString(LPSTR text, Case to) {
  const auto value = reinterpret_cast<uintptr_t>(text);
  if (value >> 16 == 0)  // one character in the pointer's low byte
    return reinterpret_cast<LPSTR>(static_cast<uintptr_t>(MapSingleByteCase(static_cast<BYTE>(value & 0xFF), to)));
  MapCaseInPlace(text, std::strlen(text), to);
  return text;
}

DWORD MapCaseOfBuffer(LPSTR text, DWORD length, Case to) {
  if (!text) return 0;
  MapCaseInPlace(text, length, to);
  return length;
}

// ---- Comparison ---------------------------------------------------------

// Symbols first, then digits, then letters, then everything outside ASCII
// (half-width katakana and double-byte characters) by code.
uint32_t SortWeight(WORD folded) {
  if (folded >= '0' && folded <= '9') return 0x100u + folded;
  if (folded >= 'a' && folded <= 'z') return 0x200u + folded;
  if (folded < 0x80) return folded;
  return 0x10000u + folded;
}

// -1, 0 or 1. Characters are compared case-folded first; when case counts,
// the first difference in case alone decides between otherwise equal texts.
int CompareTexts(std::string_view a, std::string_view b, bool ignoreCase) {
  size_t i = 0, j = 0;
  int caseOrder = 0;
  while (i < a.size() && j < b.size()) {
    const WORD ca = NextChar(a, i), cb = NextChar(b, j);
    const WORD fa = MapCase(ca, Case::Lower), fb = MapCase(cb, Case::Lower);
    if (fa != fb) return SortWeight(fa) < SortWeight(fb) ? -1 : 1;
    if (caseOrder == 0 && ca != cb) caseOrder = ca == fa ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return ignoreCase ? 0 : caseOrder;
}

std::string_view CountedText(LPCSTR text, int count) {
  return count < 0 ? std::string_view(text) : std::string_view(text, static_cast<size_t>(count));
}

int CompareNullable(LPCSTR a, LPCSTR b, DWORD flags) {
  if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
  return CompareStringA(LOCALE_USER_DEFAULT, flags, a, -1, b, -1) - CSTR_EQUAL;
}

}  // namespace

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE b) {
  switch (Resolve(codePage)) {
    case CodePage::Cp932:
      return IsDBCSLeadByte(b);
    case CodePage::Utf8:
      return FALSE;
    case CodePage::Unsupported:
      break;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount, LPWSTR wide, int wideCount) {
  const CodePage page = Resolve(codePage);
  if (page == CodePage::Unsupported || !multiByte || multiByteCount == 0 || multiByteCount < -1 || wideCount < 0 ||
      (!wide && wideCount > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  const DWORD allowed = page == CodePage::Utf8 ? MB_ERR_INVALID_CHARS : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS;
  if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
  const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  const std::string_view source = SourceText(multiByte, multiByteCount);
  std::u16string converted;
  const bool ok =
      page == CodePage::Utf8 ? DecodeUtf8(source, strict, converted) : DecodeCp932(source, strict, converted);
  if (!ok) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  return Deliver(converted, wide, wideCount);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multiByte, int multiByteCount,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar) {
  const CodePage page = Resolve(codePage);
  if (page == CodePage::Unsupported || !wide || wideCount == 0 || wideCount < -1 || multiByteCount < 0 ||
      (!multiByte && multiByteCount > 0))
    return Fail(ERROR_INVALID_PARAMETER);
  const std::u16string_view source = SourceText(wide, wideCount);
  std::string converted;
  if (page == CodePage::Utf8) {
    if (flags & ~WC_ERR_INVALID_CHARS) return Fail(ERROR_INVALID_FLAGS);
    if (defaultChar || usedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
    if (!EncodeUtf8(source, (flags & WC_ERR_INVALID_CHARS) != 0, converted)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
  } else {
    if (flags & ~WC_NO_BEST_FIT_CHARS) return Fail(ERROR_INVALID_FLAGS);
    std::string_view replacement(&kDefaultAnsi, 1);
    if (defaultChar) {  // its first character, whether one byte or two
      size_t length = 0;
      replacement = std::string_view(defaultChar, std::max<size_t>(std::strlen(defaultChar), 1));
      NextChar(replacement, length);
      replacement = replacement.substr(0, length);
    }
    bool usedDefault = false;
    EncodeCp932(source, (flags & WC_NO_BEST_FIT_CHARS) == 0, replacement, converted, usedDefault);
    if (usedDefaultChar) *usedDefaultChar = usedDefault ? TRUE : FALSE;
  }
  return Deliver(converted, multiByte, multiByteCount);
}

LPSTR CharNextA(LPCSTR p) {
  if (!p || *p == '\0') return const_cast<LPSTR>(p);
  std::string_view rest(p, p[1] == '\0' ? 1 : 2);
  size_t length = 0;
  NextChar(rest, length);
  return const_cast<LPSTR>(p + length);
}

LPSTR CharPrevA(LPCSTR start, LPCSTR current) {
  if (!start || !current || current <= start) return const_cast<LPSTR>(start);
  LPCSTR p = start;
  for (;;) {
    LPCSTR next = *p == '\0' ? p + 1 : CharNextA(p);
    if (next >= current) return const_cast<LPSTR>(p);
    p = next;
  }
}

LPSTR CharUpperA(LPSTR text) { return MapCaseOfString(text, Case::Upper); }
LPSTR CharLowerA(LPSTR text) { return MapCaseOfString(text, Case::Lower); }
DWORD CharUpperBuffA(LPSTR text, DWORD length) { return MapCaseOfBuffer(text, length, Case::Upper); }
DWORD CharLowerBuffA(LPSTR text, DWORD length) { return MapCaseOfBuffer(text, length, Case::Lower); }

int CompareStringA(LCID locale, DWORD flags, LPCSTR a, int countA, LPCSTR b, int countB) {
  if (!a || !b) return Fail(ERROR_INVALID_PARAMETER);
  if (flags & ~(NORM_IGNORECASE | SORT_STRINGSORT)) return Fail(ERROR_INVALID_FLAGS);
  return CSTR_EQUAL + CompareTexts(CountedText(a, countA), CountedText(b, countB), (flags & NORM_IGNORECASE) != 0);
}

int lstrcmpA(LPCSTR a, LPCSTR b) { return CompareNullable(a, b, 0); }
int lstrcmpiA(LPCSTR a, LPCSTR b) { return CompareNullable(a, b, NORM_IGNORECASE); }
int lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

int CompareFileNames(std::string_view a, std::string_view b) {
  auto lowerSingleBytes = [](std::string_view name) {
    std::string lowered(name);
    for (size_t i = 0; i < lowered.size();) {
      const size_t start = i;
      if (NextChar(lowered, i) <= 0xFF)
        lowered[start] = static_cast<char>(MapSingleByteCase(static_cast<BYTE>(lowered[start]), Case::Lower));
    }
    return lowered;
  };
  return CompareTexts(lowerSingleBytes(a), lowerSingleBytes(b), false);
}

}  // namespace win
