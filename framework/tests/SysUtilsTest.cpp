#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "testsupport/TempDir.h"

// "表" is 0x95 0x5C and "ソ" 0x83 0x5C: their trail byte is a backslash.
// "ポ" ends in '|', "ア" (0x83 0x41) and "ヂ" (0x83 0x61) differ only in a
// trail byte that looks like a letter's case.

TEST(SysUtilsFileNames, TrailBytesAreNoSeparators) {
  const std::string path = SJ("C:\\データ\\表");
  EXPECT_EQ(ExtractFileName(path), SJ("表"));
  EXPECT_EQ(ExtractFilePath(path), SJ("C:\\データ\\"));
  EXPECT_EQ(ExtractFileDir(path), SJ("C:\\データ"));
  EXPECT_EQ(ExtractFileExt(path), "");
  EXPECT_EQ(ChangeFileExt(path, ".ini"), SJ("C:\\データ\\表.ini"));
  EXPECT_EQ(IncludeTrailingBackslash(path), path + "\\");
  EXPECT_EQ(ExcludeTrailingBackslash(path), path);
  EXPECT_FALSE(IsPathDelimiter(path, static_cast<int>(path.size())));
  EXPECT_EQ(LastDelimiter("\\", path), 10);
  EXPECT_EQ(ExtractFileName(SJ("ソ\\ソ.txt")), SJ("ソ.txt"));
  EXPECT_EQ(ExtractFileExt(SJ("C:\\ソ.txt")), ".txt");
}

TEST(SysUtilsFileNames, PartsOfOrdinaryPaths) {
  EXPECT_EQ(ExtractFileName("C:\\dir\\file.txt"), "file.txt");
  EXPECT_EQ(ExtractFileName("C:file.txt"), "file.txt");
  EXPECT_EQ(ExtractFileName("file.txt"), "file.txt");
  EXPECT_EQ(ExtractFilePath("C:\\dir\\file.txt"), "C:\\dir\\");
  EXPECT_EQ(ExtractFilePath("file.txt"), "");
  EXPECT_EQ(ExtractFileDir("C:\\dir\\file.txt"), "C:\\dir");
  EXPECT_EQ(ExtractFileDir("C:\\file.txt"), "C:\\");
  EXPECT_EQ(ExtractFileDir("\\file.txt"), "\\");
  EXPECT_EQ(ExtractFileExt("C:\\dir.d\\file"), "");
  EXPECT_EQ(ExtractFileExt("a.tar.gz"), ".gz");
  EXPECT_EQ(ChangeFileExt("C:\\Apps\\KORU.EXE", ".ini"), "C:\\Apps\\KORU.ini");
  EXPECT_EQ(ChangeFileExt("C:\\dir.d\\file", ".ini"), "C:\\dir.d\\file.ini");
  EXPECT_EQ(ChangeFileExt("", ".ini"), ".ini");
  EXPECT_EQ(ExtractFileDrive("C:\\dir"), "C:");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\f"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("dir\\f"), "");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\dir"), "C:\\dir\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\dir\\"), "C:\\dir\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\dir\\"), "C:\\dir");
  EXPECT_TRUE(IsDelimiter(".:", "a:b", 2));
  EXPECT_FALSE(IsDelimiter(".:", "a:b", 0));
  EXPECT_FALSE(IsDelimiter(".:", "a:b", 4));
}

TEST(SysUtilsFileNames, ExpandFileNameResolvesAgainstTheCurrentDirectory) {
  EXPECT_EQ(ExpandFileName("C:\\a\\..\\b\\.\\c.txt"), "C:\\b\\c.txt");
  EXPECT_EQ(ExpandFileName(""), "");
  EXPECT_EQ(ExpandFileName(SJ("C:\\表\\x")), SJ("C:\\表\\x"));
}

TEST(SysUtilsText, ByteTypesOfDoubleByteCharacters) {
  const std::string s = "a" + SJ("表");
  EXPECT_EQ(ByteType(s, 1), mbSingleByte);
  EXPECT_EQ(ByteType(s, 2), mbLeadByte);
  EXPECT_EQ(ByteType(s, 3), mbTrailByte);
  EXPECT_EQ(ByteType(s, 4), mbSingleByte);
  EXPECT_EQ(StrByteType(s.c_str(), 2), mbTrailByte);
  EXPECT_EQ(StrCharLength(s.c_str() + 1), 2);
  EXPECT_EQ(StrNextChar(s.c_str() + 1), s.c_str() + 3);
  // A lead byte with nothing after it stands alone.
  EXPECT_EQ(ByteType("\x95", 1), mbSingleByte);
}

TEST(SysUtilsText, AnsiPosMatchesOnlyAtCharacterStarts) {
  EXPECT_EQ(AnsiPos("\\", SJ("表\\")), 3);
  EXPECT_EQ(Pos("\\", SJ("表\\")), 2);
  EXPECT_EQ(AnsiPos("|", SJ("ポ|")), 3);
  // The trail of "ア" and the lead of "イ" together are no character.
  EXPECT_EQ(AnsiPos("\x41\x83", SJ("アイ")), 0);
  EXPECT_EQ(AnsiPos(SJ("イ"), SJ("アイ")), 3);
  EXPECT_EQ(AnsiPos("", "abc"), 0);
  EXPECT_EQ(Pos("c", "abc"), 3);
}

TEST(SysUtilsText, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim("  \t abc d \r\n"), "abc d");
  EXPECT_EQ(TrimLeft("  x  "), "x  ");
  EXPECT_EQ(TrimRight("  x  "), "  x");
  EXPECT_EQ(Trim(" \x01\x1F "), "");
  EXPECT_EQ(Trim(" " + SJ("表") + " "), SJ("表"));
  // The ideographic blank is a character of its own, not a blank byte.
  EXPECT_EQ(Trim(SJ("　x　")), SJ("　x　"));
}

TEST(SysUtilsText, CaseMappingLeavesDoubleByteCharactersAlone) {
  EXPECT_EQ(UpperCase("abc-XyZ"), "ABC-XYZ");
  EXPECT_EQ(LowerCase("ABC-xYz"), "abc-xyz");
  EXPECT_EQ(AnsiLowerCase(SJ("アB")), SJ("ア") + "b");
  EXPECT_EQ(AnsiUpperCase(SJ("ヂa")), SJ("ヂ") + "A");
  EXPECT_EQ(UpperCase(SJ("ヂ")), SJ("ヂ"));
  EXPECT_FALSE(SameText(SJ("ア"), SJ("ヂ")));
  EXPECT_FALSE(AnsiSameText(SJ("ア"), SJ("ヂ")));
  EXPECT_TRUE(AnsiSameFileName(SJ("C:\\表\\ABC.txt"), SJ("c:\\表\\abc.TXT")));
}

TEST(SysUtilsText, Comparisons) {
  EXPECT_LT(CompareStr("A", "a"), 0);
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(AnsiCompareText("a", "B"), 0);
  EXPECT_LT(AnsiCompareText("_", "a"), 0);
  // Case decides only between otherwise equal texts, lower case first.
  EXPECT_LT(AnsiCompareStr("a", "A"), 0);
  EXPECT_LT(AnsiCompareStr("A", "b"), 0);
  EXPECT_EQ(AnsiCompareStr("Ab", "Ab"), 0);
  // Bytes compare unsigned: double-byte characters after ASCII.
  EXPECT_GT(AnsiCompareText(SJ("表"), "z"), 0);
}

TEST(SysUtilsText, StringReplace) {
  EXPECT_EQ(StringReplace("aAbA", "a", "x", {rfReplaceAll, rfIgnoreCase}), "xxbx");
  EXPECT_EQ(StringReplace("aAbA", "a", "x", {rfReplaceAll}), "xAbA");
  EXPECT_EQ(StringReplace("aAbA", "A", "xy", {}), "axybA");
  EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
  EXPECT_EQ(StringReplace(SJ("表\\表"), "\\", "/", {rfReplaceAll}), SJ("表/表"));
}

TEST(SysUtilsText, Quoting) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  std::string_view src = "\"a\"\"b\" rest";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '"'), "a\"b");
  EXPECT_EQ(src, " rest");
  std::string_view unquoted = "abc";
  EXPECT_EQ(AnsiExtractQuotedStr(unquoted, '"'), "");
  EXPECT_EQ(unquoted, "abc");
  std::string_view open = "\"abc";
  EXPECT_EQ(AnsiExtractQuotedStr(open, '"'), "abc");
  EXPECT_EQ(open, "");
  EXPECT_TRUE(IsValidIdent("_Btn1"));
  EXPECT_FALSE(IsValidIdent("1Btn"));
  EXPECT_FALSE(IsValidIdent("Btn-1"));
  EXPECT_FALSE(IsValidIdent(""));
}

TEST(SysUtilsIntegers, Conversions) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(int64_t{1} << 40), "1099511627776");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 0), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(StrToInt("123"), 123);
  EXPECT_EQ(StrToInt("  -45"), -45);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToIntDef("abc", 7), 7);
  EXPECT_EQ(StrToIntDef("07", 1), 7);
  for (const char* bad : {"", " ", "-", "$", "12 ", "1.5", "2147483648", "-2147483649", "$100000000"}) {
    int value = 99;
    EXPECT_FALSE(TryStrToInt(bad, value)) << bad;
    EXPECT_EQ(value, 99);
  }
  try {
    StrToInt("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'12a' is not a valid integer value");
  }
}

TEST(SysUtilsText, BoundedCopiesNeverOverrunNorSplitACharacter) {
  char small[4];
  EXPECT_STREQ(StrPCopy(small, "abcdef"), "abc");
  EXPECT_STREQ(StrPCopy(small, "ab" + SJ("表")), "ab");
  EXPECT_EQ(std::string(StrPCopy(small, "a" + SJ("表"))), "a" + SJ("表"));
  char buffer[8] = "xxxxxxx";
  StrLCopy(buffer, "hello", 2);
  EXPECT_STREQ(buffer, "he");
  EXPECT_STREQ(StrLCopy(buffer, nullptr, 5), "");
  EXPECT_EQ(StrPas(nullptr), "");
  EXPECT_EQ(StrPas("x"), "x");
}

TEST(SysUtilsText, TheAnsiFormsFollowThePlatform) {
  EXPECT_EQ(AnsiUpperCase(SJ("ａｂｃ") + "d" + SJ("表")), SJ("ＡＢＣ") + "D" + SJ("表"));
  EXPECT_EQ(AnsiLowerCase(SJ("ΑΒＺ")), SJ("αβｚ"));
  EXPECT_EQ(UpperCase(SJ("ａ")), SJ("ａ"));  // the plain forms keep to A-Z
  EXPECT_EQ(StringReplace(SJ("ａＡ表"), SJ("Ａ"), "x", {rfReplaceAll, rfIgnoreCase}), "xx" + SJ("表"));

  // Symbols before digits before letters, unlike the byte order.
  EXPECT_LT(AnsiCompareText("_", "1"), 0);
  EXPECT_GT(CompareText("_", "1"), 0);
  EXPECT_LT(AnsiCompareText("9", "a"), 0);
  EXPECT_EQ(AnsiCompareText(SJ("ａ"), SJ("Ａ")), 0);
  EXPECT_LT(AnsiCompareStr(SJ("ａ"), SJ("Ａ")), 0);
  EXPECT_TRUE(AnsiSameText("Tool", "TOOL"));
  EXPECT_EQ(AnsiCompareText(std::string_view(), ""), 0);
  EXPECT_LT(AnsiCompareStr(std::string_view(), "a"), 0);
  EXPECT_GT(AnsiCompareStr("ab", "a"), 0);

  // File names: single-byte letters without case, double-byte characters exactly.
  EXPECT_EQ(AnsiCompareFileName("C:\\KORU.INI", "c:\\koru.ini"), 0);
  EXPECT_NE(AnsiCompareFileName(SJ("ａ.txt"), SJ("Ａ.txt")), 0);
  EXPECT_LT(AnsiCompareFileName("a.txt", "B.txt"), 0);
}

namespace {

// A temporary folder mapped as drive T:.
class SysUtilsFiles : public testing::Test {
 protected:
  void SetUp() override { win::MapDrive('T', dir.path()); }
  testsupport::TempDir dir;
};

}  // namespace

TEST_F(SysUtilsFiles, FilesAndFoldersAreToldApart) {
  std::ofstream(dir / "file.txt") << "x";
  std::filesystem::create_directory(dir / "Folder");
  EXPECT_TRUE(FileExists("T:\\file.txt"));
  EXPECT_TRUE(FileExists("t:\\FILE.TXT"));
  EXPECT_FALSE(FileExists("T:\\Folder"));
  EXPECT_FALSE(FileExists("T:\\absent.txt"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DirectoryExists("T:\\folder"));
  EXPECT_TRUE(DirectoryExists("T:\\Folder\\"));
  EXPECT_TRUE(DirectoryExists("T:\\"));
  EXPECT_FALSE(DirectoryExists("T:\\file.txt"));
  EXPECT_FALSE(DirectoryExists("T:\\absent"));
}

TEST_F(SysUtilsFiles, FolderOperations) {
  EXPECT_TRUE(CreateDir("T:\\one"));
  EXPECT_FALSE(CreateDir("T:\\one"));
  EXPECT_FALSE(CreateDir("T:\\two\\three"));
  EXPECT_TRUE(ForceDirectories("T:\\two\\three\\four\\"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "two/three/four"));
  EXPECT_TRUE(ForceDirectories("T:\\two\\three"));  // there already
  EXPECT_TRUE(ForceDirectories(SJ("T:\\表\\ソ")));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "表/ソ"));

  ASSERT_TRUE(SetCurrentDir("T:\\one"));
  EXPECT_EQ(GetCurrentDir(), "T:\\one");
  EXPECT_TRUE(ForceDirectories("a\\b"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "one/a/b"));
  EXPECT_FALSE(SetCurrentDir("T:\\absent"));
  EXPECT_EQ(GetCurrentDir(), "T:\\one");

  std::ofstream(dir / "file.txt") << "x";
  EXPECT_FALSE(ForceDirectories("T:\\file.txt\\sub"));
  EXPECT_FALSE(ForceDirectories(""));
  EXPECT_FALSE(RemoveDir("T:\\two"));  // not empty
  EXPECT_TRUE(RemoveDir("T:\\two\\three\\four"));
  EXPECT_FALSE(std::filesystem::exists(dir / "two/three/four"));
}

TEST_F(SysUtilsFiles, DeletingAndRenamingFiles) {
  std::ofstream(dir / "a.txt") << "a";
  EXPECT_TRUE(RenameFile("T:\\a.txt", SJ("T:\\表.txt")));
  EXPECT_TRUE(FileExists(SJ("T:\\表.txt")));
  EXPECT_FALSE(FileExists("T:\\a.txt"));
  std::ofstream(dir / "b.txt") << "b";
  EXPECT_FALSE(RenameFile("T:\\b.txt", SJ("T:\\表.txt")));  // never over another file
  EXPECT_TRUE(DeleteFile(SJ("T:\\表.txt")));
  EXPECT_FALSE(DeleteFile(SJ("T:\\表.txt")));
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
  std::filesystem::create_directory(dir / "folder");
  EXPECT_FALSE(DeleteFile("T:\\folder"));
}

TEST(SysUtilsProcess, ParametersOfTheCommandLine) {
  win::test::SetCommandLine(SJ("\"C:\\Program Files\\KORU\\KORU.EXE\" /plugin \"two words\" a\\\\\\\"b \"ソ\" "));
  EXPECT_EQ(ParamCount(), 4);
  EXPECT_EQ(ParamStr(1), "/plugin");
  EXPECT_EQ(ParamStr(2), "two words");
  EXPECT_EQ(ParamStr(3), "a\\\"b");
  EXPECT_EQ(ParamStr(4), SJ("ソ"));  // its trail byte is no backslash before the quote
  EXPECT_EQ(ParamStr(5), "");
  EXPECT_EQ(ParamStr(-1), "");

  // The program's own path, not the command line's first word.
  char host[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", host, sizeof host - 1), 0);
  EXPECT_EQ(ParamStr(0), win::detail::ToWindowsPath(host));
  EXPECT_EQ(ExtractFileName(ParamStr(0)), "framework_tests");

  win::test::SetCommandLine("\"C:\\KORU.EXE\"");
  EXPECT_EQ(ParamCount(), 0);
  EXPECT_EQ(ParamStr(1), "");
}

TEST(SysUtilsProcess, EnvironmentVariables) {
  ASSERT_TRUE(win::SetEnvironmentVariableA("LOZG_TEST_VALUE", SJ("値").c_str()));
  EXPECT_EQ(GetEnvironmentVariable("lozg_test_value"), SJ("値"));
  const std::string longValue(1000, 'v');
  ASSERT_TRUE(win::SetEnvironmentVariableA("LOZG_TEST_VALUE", longValue.c_str()));
  EXPECT_EQ(GetEnvironmentVariable("LOZG_TEST_VALUE"), longValue);
  EXPECT_EQ(GetEnvironmentVariable("LOZG_TEST_ABSENT"), "");
}

TEST(SysUtilsErrors, MessagesOfThePlatform) {
  EXPECT_EQ(SysErrorMessage(2), SJ("指定されたファイルが見つかりません。"));
  EXPECT_EQ(SysErrorMessage(0x7FFF0000), "");
  try {
    win::SetLastError(win::ERROR_ACCESS_DENIED);
    RaiseLastOSError();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message, "System Error.  Code: 5.\r\n" + SJ("アクセスが拒否されました。"));
    EXPECT_EQ(e.ErrorCode, 5u);
  }
  try {
    RaiseLastOSError(0);
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message, "A call to an OS function failed");
    EXPECT_EQ(e.ErrorCode, 0u);
  }
}
