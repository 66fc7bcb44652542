// Runs the registry tool as a person would, against this test's prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

using namespace win;

namespace {

using Result = testsupport::ProgramResult;

class Winreg : public testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
    return testsupport::RunProgram(WINREG_PATH, args, dir.path(), input);
  }

  testsupport::TempDir dir;
};

std::string Query(HKEY root, const char* path, const char* name, DWORD* type = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "(no key)";
  char data[256] = {};
  DWORD size = sizeof data;
  LONG status = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? std::string(data, size) : "(no value)";
}

}  // namespace

TEST_F(Winreg, SetsAndQueriesValuesInCodePage932) {
  ASSERT_EQ(Run({"set", "HKCU\\Software\\TOSKA\\KORU", "@", "sz", "C:\\音楽\\KORU.EXE"}).exitCode, 0);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "software\\toska\\koru", nullptr), SJ("C:\\音楽\\KORU.EXE") + '\0');
  Result query = Run({"query", "hkey_current_user\\Software\\TOSKA\\KORU", ""});
  EXPECT_EQ(query.exitCode, 0);
  EXPECT_EQ(query.out, "C:\\音楽\\KORU.EXE\n");

  ASSERT_EQ(Run({"set", "HKCU\\Software\\TOSKA\\KORU", "Count", "dword", "0x2A"}).exitCode, 0);
  EXPECT_EQ(Run({"query", "HKCU\\Software\\TOSKA\\KORU", "count"}).out, "42\n");
  Result listing = Run({"query", "HKCU\\Software\\TOSKA"});
  EXPECT_EQ(listing.out, "[HKEY_CURRENT_USER\\Software\\TOSKA]\n\nsubkeys:\n  KORU\n");

  ASSERT_EQ(Run({"delete", "HKCU\\Software\\TOSKA\\KORU", "Count"}).exitCode, 0);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\TOSKA\\KORU", "Count"), "(no value)");
  ASSERT_EQ(Run({"delete", "HKCU\\Software\\TOSKA"}).exitCode, 0);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "Software\\TOSKA\\KORU", nullptr), "(no key)");
}

TEST_F(Winreg, ExportAndImportGiveBackEveryValueExactly) {
  const std::string tree = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORU";
  ASSERT_EQ(Run({"set", tree, "@", "sz", "D:\\Apps\\\"KORU\".EXE"}).exitCode, 0);
  ASSERT_EQ(Run({"set", tree, "DisplayName", "sz", "コール"}).exitCode, 0);
  ASSERT_EQ(Run({"set", tree, "Path", "expand_sz", "%ProgramFiles%\\KORU"}).exitCode, 0);
  ASSERT_EQ(Run({"set", tree, "Flags", "binary", "00,ff,10"}).exitCode, 0);
  ASSERT_EQ(Run({"set", tree, "List", "multi_sz", "a\\0b"}).exitCode, 0);
  ASSERT_EQ(Run({"set", tree + "\\Sub", "n", "dword", "7"}).exitCode, 0);

  const std::string file = dir / "koru.reg";
  ASSERT_EQ(Run({"export", tree, file}).exitCode, 0);
  const std::string exported = testsupport::ReadWholeFile(file);
  EXPECT_EQ(exported.substr(0, 10), "REGEDIT4\n\n");
  EXPECT_NE(exported.find("@=\"D:\\\\Apps\\\\\\\"KORU\\\".EXE\"\n"), std::string::npos) << exported;
  EXPECT_NE(exported.find("\"DisplayName\"=\"コール\"\n"), std::string::npos) << exported;
  EXPECT_NE(exported.find("\"Flags\"=hex:00,ff,10\n"), std::string::npos) << exported;
  EXPECT_NE(exported.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORU\\Sub]"
                          "\n\"n\"=dword:00000007\n"),
            std::string::npos)
      << exported;

  ASSERT_EQ(Run({"delete", tree}).exitCode, 0);
  ASSERT_EQ(Run({"import", file}).exitCode, 0);
  const std::string path = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORU";
  DWORD type = 0;
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, path.c_str(), nullptr), std::string("D:\\Apps\\\"KORU\".EXE") + '\0');
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, path.c_str(), "DisplayName"), SJ("コール") + '\0');
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, path.c_str(), "Path", &type), std::string("%ProgramFiles%\\KORU") + '\0');
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, path.c_str(), "Flags", &type), std::string("\0\xff\x10", 3));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, path.c_str(), "List", &type), std::string("a\0b\0\0", 5));
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, (path + "\\Sub").c_str(), "n", &type), std::string("\x07\0\0\0", 4));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(Run({"export", tree, "-"}).out, exported);
}

TEST_F(Winreg, ImportsDeletionsAndContinuedHexLinesFromStandardInput) {
  ASSERT_EQ(Run({"set", "HKCR\\.old", "@", "sz", "x"}).exitCode, 0);
  ASSERT_EQ(Run({"set", "HKCR\\.mp3", "gone", "sz", "x"}).exitCode, 0);
  Result result = Run({"import", "-"},
                      "REGEDIT4\r\n\r\n; a comment\r\n[-HKEY_CLASSES_ROOT\\.old]\r\n[HKEY_CLASSES_ROOT\\.mp3]\r\n"
                      "@=\"koru\"\r\n\"gone\"=-\r\n\"bytes\"=hex:01,02,\\\r\n  03\r\n");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Query(HKEY_CLASSES_ROOT, ".old", nullptr), "(no key)");
  EXPECT_EQ(Query(HKEY_CLASSES_ROOT, ".mp3", nullptr), std::string("koru") + '\0');
  EXPECT_EQ(Query(HKEY_CLASSES_ROOT, ".mp3", "gone"), "(no value)");
  EXPECT_EQ(Query(HKEY_CLASSES_ROOT, ".mp3", "bytes"), "\x01\x02\x03");
}

TEST_F(Winreg, MistakesGiveClearMessagesAndChangeNothing) {
  Result missing = Run({"query", "HKCU\\Software\\Absent"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "winreg: HKEY_CURRENT_USER\\Software\\Absent: not found\n");

  EXPECT_EQ(Run({"set", "HKCU\\x", "v", "qword", "1"}).exitCode, 2);
  EXPECT_EQ(Run({"set", "HKCU\\x", "v", "dword", "4294967296"}).exitCode, 2);
  EXPECT_EQ(Run({"set", "HKCU\\x", "v", "binary", "0g"}).exitCode, 2);
  EXPECT_EQ(Run({"set", "NOWHERE\\x", "v", "sz", "1"}).exitCode, 2);
  EXPECT_EQ(Run({"delete", "HKCU"}).exitCode, 2);
  EXPECT_EQ(Run({"frobnicate"}).exitCode, 2);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "x", "v"), "(no key)");

  Result broken = Run({"import", "-"}, "REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"v\"=\"1\"\n\"w\"=dword:xyz\n");
  EXPECT_EQ(broken.exitCode, 2);
  EXPECT_EQ(broken.err, "winreg: (standard input):4: dword: takes up to eight hex digits\n");
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "a", "v"), "(no key)");
  EXPECT_EQ(Run({"import", "-"}, "[HKEY_CURRENT_USER\\a]\n").exitCode, 2);

  // A key the registry refuses halfway through the file: nothing before it stays.
  const std::string tooLong(300, 'x');
  Result refused =
      Run({"import", "-"}, "REGEDIT4\n[HKEY_CURRENT_USER\\a]\n\"v\"=\"1\"\n[HKEY_CURRENT_USER\\" + tooLong + "]\n");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "winreg: (standard input):4: HKEY_CURRENT_USER\\" + tooLong + ": name too long or invalid\n");
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "a", "v"), "(no key)");
}
