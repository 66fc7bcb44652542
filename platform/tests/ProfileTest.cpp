#include "platform/Profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/tests/Children.h"
#include "testsupport/TempDir.h"

using namespace win;
using children::ExitCodeOf;
using children::Fork;

namespace {

// A folder mapped as drive T: with helpers to lay down and read back files
// byte for byte.
class ProfileFile : public testing::Test {
 protected:
  void SetUp() override { MapDrive('T', dir.path()); }

  void Lay(const std::string& bytes) { std::ofstream(dir / "set.ini", std::ios::binary) << bytes; }
  std::string Bytes(const std::string& name = "set.ini") {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string Get(const char* section, const char* key, const char* def = "") {
    char buffer[256];
    DWORD n = GetPrivateProfileStringA(section, key, def, buffer, sizeof buffer, kFile);
    EXPECT_EQ(n, std::strlen(buffer));
    return buffer;
  }

  static constexpr const char* kFile = "T:\\set.ini";
  testsupport::TempDir dir;
};

}  // namespace

TEST_F(ProfileFile, RewriteKeepsEveryOtherLineByteForByte) {
  Lay("; settings\r\n"
      "orphan=before any section\n"
      "\r\n"
      "[KORU]\r\n"
      "  Design =  Blue.korud  \r\n"
      "garbage line without equals\n"
      "; Design=commented out\r\n"
      "\t\r\n"
      "[Tool]\n"
      "Editor=notepad.exe\n"
      "[Last]\r\n"
      "x=1");
  ASSERT_TRUE(WritePrivateProfileStringA("koru", "DESIGN", "Red.korud", kFile));
  ASSERT_TRUE(WritePrivateProfileStringA("KORU", "Added", "yes", kFile));
  ASSERT_TRUE(WritePrivateProfileStringA("Last", "y", "2", kFile));
  ASSERT_TRUE(WritePrivateProfileStringA("New", "k", "v", kFile));
  EXPECT_EQ(Bytes(),
            "; settings\r\n"
            "orphan=before any section\n"
            "\r\n"
            "[KORU]\r\n"
            "Design=Red.korud\r\n"
            "garbage line without equals\n"
            "; Design=commented out\r\n"
            "Added=yes\r\n"
            "\t\r\n"
            "[Tool]\n"
            "Editor=notepad.exe\n"
            "[Last]\r\n"
            "x=1\r\n"
            "y=2\r\n"
            "[New]\r\n"
            "k=v\r\n");
}

TEST_F(ProfileFile, ReadsTrimCompareWithoutCaseAndStripMatchingQuotes) {
  Lay("[Tool]\r\n"
      "  editor =  \"C:\\Program Files\\ed.exe\"  \r\n"
      "single='x'\r\n"
      "unbalanced=\"x\r\n"
      "plain= a b \r\n"
      "; hidden=1\r\n");
  EXPECT_EQ(Get("TOOL", "Editor"), "C:\\Program Files\\ed.exe");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(Get("tool", "SINGLE"), "x");
  EXPECT_EQ(Get("Tool", "unbalanced"), "\"x");
  EXPECT_EQ(Get("Tool", "plain"), "a b");
  EXPECT_EQ(Get("Tool", "hidden", "none  "), "none");  // the default loses its trailing blanks
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Get("Other", "editor"), "");
}

TEST_F(ProfileFile, DoubleByteNamesCompareExactlyAndBracketTrailBytesStayInNames) {
  // "転" ends with the byte of ']', and "ア"/"ヂ" differ only in a trail byte
  // that looks like 'A' and 'a'.
  std::string section = SJ("転送");
  std::string a = SJ("ア"), dz = SJ("ヂ");
  ASSERT_TRUE(WritePrivateProfileStringA(section.c_str(), a.c_str(), "1", kFile));
  ASSERT_TRUE(WritePrivateProfileStringA(section.c_str(), dz.c_str(), "2", kFile));
  EXPECT_EQ(Bytes(), "[" + section + "]\r\n" + a + "=1\r\n" + dz + "=2\r\n");
  EXPECT_EQ(Get(section.c_str(), a.c_str()), "1");
  EXPECT_EQ(Get(section.c_str(), dz.c_str()), "2");
}

TEST_F(ProfileFile, IntegersTakeTheLeadingNumber) {
  Lay("[n]\r\na=12abc\r\nb=-5\r\nc=abc\r\nd=\r\ne=0x1F\r\nf= +7 \r\ng=\"42\"\r\n");
  EXPECT_EQ(GetPrivateProfileIntA("n", "a", 9, kFile), 12u);
  EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("n", "b", 9, kFile)), -5);
  EXPECT_EQ(GetPrivateProfileIntA("n", "c", 9, kFile), 0u);
  EXPECT_EQ(GetPrivateProfileIntA("n", "d", 9, kFile), 9u);
  EXPECT_EQ(GetPrivateProfileIntA("n", "e", 9, kFile), 31u);
  EXPECT_EQ(GetPrivateProfileIntA("n", "f", 9, kFile), 7u);
  EXPECT_EQ(GetPrivateProfileIntA("n", "g", 9, kFile), 42u);
  EXPECT_EQ(GetPrivateProfileIntA("n", "missing", 9, kFile), 9u);
  EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("n", "a", -3, "T:\\none.ini")), -3);
}

TEST_F(ProfileFile, ListsEndWithTwoNulsAndCutListsAnswerSizeMinusTwo) {
  Lay("[One]\r\nabc=1\r\nDEF=2\r\nabc=3\r\n[two]\r\n[ONE]\r\nghi=4\r\n");
  char buffer[64];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, kFile), 8u);
  EXPECT_EQ(std::string(buffer, 9), std::string("One\0two\0\0", 9));
  EXPECT_EQ(GetPrivateProfileSectionNamesA(buffer, sizeof buffer, kFile), 8u);

  EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buffer, sizeof buffer, kFile), 12u);
  EXPECT_EQ(std::string(buffer, 13), std::string("abc\0DEF\0ghi\0\0", 13));

  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buffer, 7, kFile), 5u);
  EXPECT_EQ(std::string(buffer, 8), std::string("abc\0D\0\0x", 8));

  EXPECT_EQ(GetPrivateProfileSectionA("ONE", buffer, sizeof buffer, kFile), 24u);
  EXPECT_EQ(std::string(buffer, 25), std::string("abc=1\0DEF=2\0abc=3\0ghi=4\0\0", 25));
  EXPECT_EQ(GetPrivateProfileSectionA("ONE", buffer, 10, kFile), 8u);
  EXPECT_EQ(std::string(buffer, 10), std::string("abc=1\0DE\0\0", 10));

  EXPECT_EQ(GetPrivateProfileStringA("none", nullptr, "", buffer, sizeof buffer, kFile), 0u);
  EXPECT_EQ(std::string(buffer, 2), std::string("\0\0", 2));
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 1, kFile), 0u);
  EXPECT_EQ(buffer[0], '\0');
}

TEST_F(ProfileFile, CutValuesAnswerSizeMinusOneAndNeverSplitACharacter) {
  std::string value = "ab" + SJ("日本");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", value.c_str(), kFile));
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, 4, kFile), 3u);
  EXPECT_STREQ(buffer, "ab");  // the lead byte of the cut character is not left dangling
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, 5, kFile), 4u);
  EXPECT_EQ(std::string(buffer), "ab" + SJ("日"));
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, 7, kFile), 6u);
  EXPECT_EQ(std::string(buffer), value);
  EXPECT_EQ(GetPrivateProfileStringA("s", "missing", "default", buffer, 4, kFile), 3u);
  EXPECT_STREQ(buffer, "def");
}

TEST_F(ProfileFile, NullValueDeletesTheKeyNullKeyTheSection) {
  Lay("[LozgPlus]\r\na=1\r\n; its comment\r\n[Keep]\r\nA=1\r\nb=2\r\na=3\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("keep", "a", nullptr, kFile));
  EXPECT_EQ(Bytes(), "[LozgPlus]\r\na=1\r\n; its comment\r\n[Keep]\r\nb=2\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("LOZGPLUS", nullptr, nullptr, kFile));
  EXPECT_EQ(Bytes(), "[Keep]\r\nb=2\r\n");
  EXPECT_TRUE(WritePrivateProfileStringA("Keep", "absent", nullptr, kFile));
  EXPECT_TRUE(WritePrivateProfileStringA("Absent", nullptr, nullptr, kFile));
  EXPECT_EQ(Bytes(), "[Keep]\r\nb=2\r\n");
}

TEST_F(ProfileFile, SectionWritesReplaceTheEntriesAndKeepComments) {
  Lay("[s]\r\n; note\r\nold=1\r\n[t]\r\nx=1\r\n");
  ASSERT_TRUE(WritePrivateProfileSectionA("S", "a=1\0b=2\0", kFile));
  EXPECT_EQ(Bytes(), "[s]\r\n; note\r\na=1\r\nb=2\r\n[t]\r\nx=1\r\n");
  ASSERT_TRUE(WritePrivateProfileSectionA("t", nullptr, kFile));
  EXPECT_EQ(Bytes(), "[s]\r\n; note\r\na=1\r\nb=2\r\n");
}

TEST_F(ProfileFile, NamesThatWouldChangeTheFilesStructureAreRefused) {
  Lay("[s]\r\nk=v\r\n");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v\r\n[evil]", kFile));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(WritePrivateProfileStringA("s", "[evil]", "v", kFile));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "a=b", "v", kFile));
  EXPECT_FALSE(WritePrivateProfileStringA("s", ";c", "v", kFile));
  EXPECT_FALSE(WritePrivateProfileStringA("a]b", "k", "v", kFile));
  EXPECT_FALSE(WritePrivateProfileStringA("  ", "k", "v", kFile));
  EXPECT_FALSE(WritePrivateProfileSectionA("s", "[evil]\0", kFile));
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", kFile));
  EXPECT_EQ(Bytes(), "[s]\r\nk=v\r\n");
}

TEST_F(ProfileFile, BareNamesLieInTheWindowsFolderAndMissingFoldersFail) {
  ASSERT_TRUE(WritePrivateProfileStringA("KORU", "Design", "x", ".ini"));
  EXPECT_TRUE(std::filesystem::exists(DriveFolder('C') + "/WINDOWS/.ini"));
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStringA("koru", "design", "", buffer, sizeof buffer, "C:\\windows\\.INI"), 1u);

  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", "T:\\no\\such\\set.ini"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST_F(ProfileFile, AReadOnlyFileIsNotReplaced) {
  Lay("[s]\r\nk=old\r\n");
  std::filesystem::permissions(dir / "set.ini", std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "new", kFile));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Bytes(), "[s]\r\nk=old\r\n");
}

TEST_F(ProfileFile, ACrashBeforeTheRenameLeavesTheFileIntact) {
  Lay("[s]\r\nk=old\r\n");
  test::SimulateProfileCrashBeforeReplace(true);
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "new", kFile));
  EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
  test::SimulateProfileCrashBeforeReplace(false);
  EXPECT_EQ(Bytes(), "[s]\r\nk=old\r\n");
  EXPECT_EQ(Get("s", "k"), "old");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "new", kFile));  // the leftover temporary file is no obstacle
  EXPECT_EQ(Bytes(), "[s]\r\nk=new\r\n");
}

TEST_F(ProfileFile, AKilledWriterNeverLeavesAPartialFile) {
  // Each round of the writer gives every key the round's number followed by
  // a long run of z; a torn file would be empty, lose keys or cut a value.
  constexpr int kKeys = 20;
  const std::string run(10000, 'z');
  auto valueOf = [&](int round) { return std::to_string(round) + "-" + run; };
  auto writeAll = [&](int round) {
    for (int k = 0; k < kKeys; ++k)
      if (!WritePrivateProfileStringA("s", ("k" + std::to_string(k)).c_str(), valueOf(round).c_str(), kFile))
        return false;
    return true;
  };
  ASSERT_TRUE(writeAll(0));
  for (int attempt = 0; attempt < 5; ++attempt) {
    pid_t child = Fork([&] {
      for (int round = 1;; ++round)
        if (!writeAll(round)) return 1;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + 10 * attempt));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::istringstream file(Bytes());
    std::string line;
    ASSERT_TRUE(std::getline(file, line));
    EXPECT_EQ(line, "[s]\r");
    int keys = 0;
    for (; std::getline(file, line); ++keys) {
      ASSERT_EQ(line.substr(0, line.find('=') + 1), "k" + std::to_string(keys) + "=");
      ASSERT_EQ(line.substr(line.size() - run.size() - 2), "-" + run + "\r");
    }
    EXPECT_EQ(keys, kKeys);
  }
}

TEST_F(ProfileFile, ConcurrentWritersOfDifferentKeysKeepAllEntries) {
  constexpr int kWrites = 40;
  auto writer = [](const char* prefix) {
    return [prefix] {
      for (int i = 0; i < kWrites; ++i) {
        std::string key = prefix + std::to_string(i);
        if (!WritePrivateProfileStringA("Tool", key.c_str(), "1", kFile)) return 1;
      }
      return 0;
    };
  };
  pid_t first = Fork(writer("a"));
  pid_t second = Fork(writer("b"));
  ASSERT_EQ(ExitCodeOf(first), 0);
  ASSERT_EQ(ExitCodeOf(second), 0);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(GetPrivateProfileIntA("Tool", ("a" + std::to_string(i)).c_str(), 0, kFile), 1u) << i;
    EXPECT_EQ(GetPrivateProfileIntA("Tool", ("b" + std::to_string(i)).c_str(), 0, kFile), 1u) << i;
  }
}
