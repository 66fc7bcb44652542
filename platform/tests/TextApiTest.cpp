#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Errors.h"
#include "platform/Text.h"

using namespace win;

namespace {

// Characters of code page 932 whose trail byte is an ASCII letter: a case
// mapping or comparison that splits them turns one into the other.
const std::string& A() { return SJ("ア"); }   // 83 41, trail 'A'
const std::string& Di() { return SJ("ヂ"); }  // 83 61, trail 'a'
const std::string& Bi() { return SJ("ビ"); }  // 83 72, trail 'r'
const std::string& Ko() { return SJ("コ"); }  // 83 52, trail 'R'

std::u16string ToWide(UINT codePage, const std::string& text, DWORD flags = 0) {
  int size = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::u16string wide(size, u'\0');
  MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string ToAnsi(UINT codePage, const std::u16string& wide, DWORD flags = 0, LPCSTR defaultChar = nullptr,
                   LPBOOL usedDefault = nullptr) {
  int size = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, defaultChar,
                                 usedDefault);
  std::string ansi(size, '\0');
  WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), ansi.data(), size, defaultChar,
                      usedDefault);
  return ansi;
}

}  // namespace

TEST(TextApi, TrailBytesOfTheTestCharactersAreLetters) {
  EXPECT_EQ(A(), "\x83\x41");
  EXPECT_EQ(Di(), "\x83\x61");
  EXPECT_EQ(Bi(), "\x83\x72");
  EXPECT_EQ(Ko(), "\x83\x52");
}

TEST(TextApi, ConversionSizesFollowThePlatformsConventions) {
  const std::string text = SJ("曲名abc");
  // -1: NUL-terminated, counted and converted with the terminator.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0), 6);
  WCHAR wide[6];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 6), 6);
  EXPECT_EQ(std::u16string(wide), u"曲名abc");
  // An explicit count converts exactly that many bytes, with no terminator.
  WCHAR two[2] = {u'x', u'x'};
  EXPECT_EQ(MultiByteToWideChar(CP_SJIS, 0, text.c_str(), 4, two, 2), 2);
  EXPECT_EQ(std::u16string(two, 2), u"曲名");
  // Too small: 0, the error, and nothing written.
  WCHAR small[5] = {u'#', u'#', u'#', u'#', u'#'};
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, small, 5), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(small[0], u'#');

  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"曲名abc", -1, nullptr, 0, nullptr, nullptr), 8);
  char ansi[8];
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, u"曲名abc", -1, ansi, 8, nullptr, nullptr), 8);
  EXPECT_EQ(std::string(ansi), text);
  char three[3] = {'#', '#', '#'};
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"曲名", 2, three, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(three[2], '#');
}

TEST(TextApi, ConversionArgumentsAreChecked) {
  WCHAR wide[4];
  char ansi[4];
  struct Case {
    int result;
    DWORD error;
  };
  auto call = [](auto f) {
    SetLastError(0);
    int r = f();
    return Case{r, GetLastError()};
  };
  auto invalid = [](Case c, DWORD error) { return c.result == 0 && c.error == error; };
  EXPECT_TRUE(
      invalid(call([&] { return MultiByteToWideChar(CP_ACP, 0, nullptr, -1, wide, 4); }), ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(invalid(call([&] { return MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 4); }), ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(invalid(call([&] { return MultiByteToWideChar(CP_ACP, 0, "a", -2, wide, 4); }), ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(
      invalid(call([&] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 4); }), ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(invalid(call([&] { return MultiByteToWideChar(1252, 0, "a", 1, wide, 4); }), ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(invalid(call([&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4); }),
                      ERROR_INVALID_FLAGS));
  EXPECT_TRUE(invalid(call([&] { return WideCharToMultiByte(CP_ACP, 0, u"a", 1, nullptr, 4, nullptr, nullptr); }),
                      ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(invalid(
      call([&] { return WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, u"a", 1, ansi, 4, nullptr, nullptr); }),
      ERROR_INVALID_FLAGS));
  BOOL used = FALSE;
  EXPECT_TRUE(invalid(call([&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, ansi, 4, nullptr, &used); }),
                      ERROR_INVALID_PARAMETER));
}

TEST(TextApi, UndefinedBytesBecomeTheStandInOrFailWhenStrict) {
  // 0x85 0x40 is a well-formed pair that names no character.
  EXPECT_EQ(ToWide(CP_ACP, "x\x85\x40y"), u"x\u30FBy");
  SetLastError(0);
  WCHAR wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "x\x85\x40", 3, wide, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  // A lead byte before the terminator or a quote does not swallow it.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\x81", -1, wide, 8), 3);
  EXPECT_EQ(std::u16string(wide, 3), std::u16string(u"a\u30FB\0", 3));
  EXPECT_EQ(ToWide(CP_ACP, "\x81\""), u"\u30FB\"");
}

TEST(TextApi, EverySingleByteSurvivesARoundTrip) {
  for (int b = 0; b < 0x100; ++b) {
    if (IsDBCSLeadByte(static_cast<BYTE>(b))) continue;
    const std::string one(1, static_cast<char>(b));
    const std::u16string wide = ToWide(CP_ACP, one, MB_ERR_INVALID_CHARS);
    ASSERT_EQ(wide.size(), 1u) << "byte " << b;
    EXPECT_EQ(ToAnsi(CP_ACP, wide, WC_NO_BEST_FIT_CHARS), one) << "byte " << b;
  }
  EXPECT_EQ(ToWide(CP_ACP, "\xB1"), u"ｱ");  // half-width katakana
}

TEST(TextApi, UnmappableCharactersTakeTheDefaultCharacter) {
  BOOL used = FALSE;
  EXPECT_EQ(ToAnsi(CP_ACP, u"曲가", 0, nullptr, &used), SJ("曲") + "?");
  EXPECT_TRUE(used);
  EXPECT_EQ(ToAnsi(CP_ACP, u"曲", 0, nullptr, &used), SJ("曲"));
  EXPECT_FALSE(used);
  EXPECT_EQ(ToAnsi(CP_ACP, u"a가b", 0, SJ("・").c_str(), &used), "a" + SJ("・") + "b");
  EXPECT_EQ(ToAnsi(CP_ACP, u"\U0001F600", 0, "*", &used), "*");  // a surrogate pair is one character
  // Best fit maps a similar character unless forbidden.
  EXPECT_EQ(ToAnsi(CP_ACP, u"\u00A5"), "\\");
  EXPECT_EQ(ToAnsi(CP_ACP, u"\u00A5", WC_NO_BEST_FIT_CHARS, nullptr, &used), "?");
  EXPECT_TRUE(used);
}

TEST(TextApi, Utf8ConversionsReplaceMalformedInput) {
  EXPECT_EQ(ToWide(CP_UTF8, "日本\xF0\x9F\x98\x80"), u"日本\U0001F600");
  EXPECT_EQ(ToWide(CP_UTF8,
                   "a\xE3\x81"
                   "b"),
            u"a\uFFFDb");                                   // a truncated sequence is one replacement
  EXPECT_EQ(ToWide(CP_UTF8, "\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong forms are not characters
  WCHAR wide[4];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xED\xA0\x80", 3, wide, 4), 0);  // a surrogate
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(ToAnsi(CP_UTF8, u"日本\U0001F600"), "日本\xF0\x9F\x98\x80");
  EXPECT_EQ(ToAnsi(CP_UTF8, std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

TEST(TextApi, LeadBytesByCodePage) {
  EXPECT_TRUE(IsDBCSLeadByteEx(CP_SJIS, 0x81));
  EXPECT_TRUE(IsDBCSLeadByteEx(CP_ACP, 0xFC));
  EXPECT_FALSE(IsDBCSLeadByteEx(CP_ACP, 'A'));
  EXPECT_FALSE(IsDBCSLeadByteEx(CP_UTF8, 0x81));
  SetLastError(0);
  EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0x81));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(TextApi, CharNextAndPrevStepOverWholeCharacters) {
  const std::string text = "a" + A() + "b";
  const char* p = text.c_str();
  EXPECT_EQ(CharNextA(p), p + 1);
  EXPECT_EQ(CharNextA(p + 1), p + 3);
  EXPECT_EQ(CharNextA(p + 4), p + 4);  // at the terminator
  EXPECT_EQ(CharPrevA(p, p + 3), p + 1);
  EXPECT_EQ(CharPrevA(p, p + 4), p + 3);
  EXPECT_EQ(CharPrevA(p, p), p);
  const char lone[] = "\x81";  // a lead byte before the terminator is one character
  EXPECT_EQ(CharNextA(lone), lone + 1);
}

TEST(TextApi, CaseMappingNeverTouchesATrailByte) {
  std::string text = "abz" + A() + Di() + Bi() + SJ("ａｂ表");
  CharUpperA(text.data());
  EXPECT_EQ(text, "ABZ" + A() + Di() + Bi() + SJ("ＡＢ表"));
  CharLowerA(text.data());
  EXPECT_EQ(text, "abz" + A() + Di() + Bi() + SJ("ａｂ表"));

  std::string letters = SJ("αЖёＺ");
  EXPECT_EQ(CharUpperBuffA(letters.data(), static_cast<DWORD>(letters.size())), letters.size());
  EXPECT_EQ(letters, SJ("ΑЖЁＺ"));
  EXPECT_EQ(CharLowerBuffA(letters.data(), static_cast<DWORD>(letters.size())), letters.size());
  EXPECT_EQ(letters, SJ("αжёｚ"));

  // A counted buffer that ends on a lead byte leaves the byte after it alone.
  std::string cut = "a" + Di();
  CharUpperBuffA(cut.data(), 2);
  EXPECT_EQ(cut, "A" + Di());
  // The single-character form.
  EXPECT_EQ(CharUpperA(reinterpret_cast<LPSTR>(static_cast<uintptr_t>('q'))),
            reinterpret_cast<LPSTR>(static_cast<uintptr_t>('Q')));
  EXPECT_EQ(CharLowerA(reinterpret_cast<LPSTR>(static_cast<uintptr_t>('Q'))),
            reinterpret_cast<LPSTR>(static_cast<uintptr_t>('q')));
}

TEST(TextApi, CaseInsensitiveComparisonKeepsCharactersWhole) {
  EXPECT_EQ(lstrcmpiA("Track07.CDA", "track07.cda"), 0);
  EXPECT_EQ(lstrcmpiA(SJ("ａＢ").c_str(), SJ("Ａｂ").c_str()), 0);
  EXPECT_NE(lstrcmpiA(A().c_str(), Di().c_str()), 0);
  EXPECT_NE(lstrcmpiA(Bi().c_str(), Ko().c_str()), 0);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "/PLUGIN", -1, "/plugin", -1), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "abcX", 3, "ABCY", 3), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, "abc", -1, "ABC", -1), CSTR_LESS_THAN);
}

TEST(TextApi, ComparisonOrder) {
  EXPECT_LT(lstrcmpA("a", "B"), 0);  // alphabetical, not by byte value
  EXPECT_LT(lstrcmpA("a", "A"), 0);  // lower case first when case counts
  EXPECT_LT(lstrcmpA("Ab", "aC"), 0);
  EXPECT_LT(lstrcmpA("{", "0"), 0);  // symbols before digits before letters
  EXPECT_LT(lstrcmpA("9", "a"), 0);
  EXPECT_LT(lstrcmpA("abc", "abcd"), 0);
  EXPECT_GT(lstrcmpA(SJ("曲").c_str(), "z"), 0);
  EXPECT_EQ(lstrcmpA("same", "same"), 0);
  EXPECT_EQ(lstrcmpA(nullptr, nullptr), 0);
  EXPECT_LT(lstrcmpA(nullptr, ""), 0);
  EXPECT_GT(lstrcmpiA("", nullptr), 0);
  EXPECT_EQ(lstrlenA(nullptr), 0);
  EXPECT_EQ(lstrlenA(SJ("曲a").c_str()), 3);
  SetLastError(0);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0x4, "a", -1, "a", -1), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, nullptr, -1, "a", -1), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(TextApi, FileNamesCompareSingleByteLettersWithoutCase) {
  EXPECT_EQ(CompareFileNames(".KORUD", ".korud"), 0);
  EXPECT_EQ(CompareFileNames("C:\\Music\\" + SJ("曲") + "\\", "c:\\MUSIC\\" + SJ("曲") + "\\"), 0);
  EXPECT_NE(CompareFileNames(A() + ".txt", Di() + ".txt"), 0);
  EXPECT_NE(CompareFileNames(SJ("Ａ"), SJ("ａ")), 0);  // double-byte characters as they are
  EXPECT_LT(CompareFileNames("a.txt", "B.txt"), 0);
  EXPECT_GT(CompareFileNames("b.txt", "A.TXT"), 0);
}
