// Runs the file-association tool as a person would, against this test's prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "registry/tests/RegistrySnapshot.h"
#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

using namespace win;
using testsupport::SnapshotAll;

namespace {

using Result = testsupport::ProgramResult;

void Put(const std::string& path, const std::string& value, DWORD type = REG_SZ) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

std::string Get(const std::string& path, const char* name = "") {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "(none)";
  char data[512] = {};
  DWORD size = sizeof data - 1;
  const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? std::string(data) : "(none)";
}

class Winassoc : public testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return testsupport::RunProgram(WINASSOC_PATH, args, dir.path()); }

  testsupport::TempDir dir;
};

void OtherProgramOwnsKpl() {
  Put(".kpl", "OtherList");
  Put("OtherList\\shell\\open\\command", "%ProgramFiles%\\Other\\other.exe \"%1\"", REG_EXPAND_SZ);
}

}  // namespace

TEST_F(Winassoc, AssociatesAndRestoresAJapanesePath) {
  OtherProgramOwnsKpl();
  const std::string before = SnapshotAll();
  Result associate = Run({"associate", ".kpl", "C:\\音楽\\Player.exe"});
  ASSERT_EQ(associate.exitCode, 0) << associate.err;
  EXPECT_EQ(associate.out, ".kpl now opens with C:\\音楽\\Player.exe (file type player); before, it named OtherList\n");
  EXPECT_EQ(Get(".kpl"), "player");
  EXPECT_EQ(Get("player\\shell\\open\\command"), SJ("\"C:\\音楽\\Player.exe\" \"%1\""));
  EXPECT_EQ(Get("player\\shell"), "open");
  Result app = Run({"app", ".kpl"});
  EXPECT_EQ(app.exitCode, 0);
  EXPECT_EQ(app.out, "C:\\音楽\\Player.exe\n");

  ASSERT_EQ(Run({"associate", ".kpl", "C:\\音楽\\Player.exe"}).exitCode, 0);
  Result restore = Run({"restore", ".kpl"});
  ASSERT_EQ(restore.exitCode, 0) << restore.err;
  EXPECT_EQ(restore.out, ".kpl names OtherList again\n");
  EXPECT_EQ(SnapshotAll(), before);
  EXPECT_EQ(Run({"app", ".kpl"}).out, "%ProgramFiles%\\Other\\other.exe\n");
}

// A program whose name merely ends in the associated one's is another
// program: its command is kept in a backup and comes back.
TEST_F(Winassoc, OverTheFileTypeOfAProgramWhoseNameEndsInTheSameName) {
  Put(".mid", "MidiFile");
  Put("MidiFile\\shell\\open\\command", "\"C:\\Other\\MediaPlayer.exe\" \"%1\"");
  const std::string before = SnapshotAll();
  Result associate = Run({"associate", ".mid", "C:\\Apps\\player.exe", "MidiFile"});
  ASSERT_EQ(associate.exitCode, 0) << associate.err;
  EXPECT_EQ(Get("MidiFile\\shell\\open\\command"), "\"C:\\Apps\\player.exe\" \"%1\"");
  EXPECT_EQ(Get("MidiFile\\shell\\open\\command", "player"), "\"C:\\Other\\MediaPlayer.exe\" \"%1\"");
  Result restore = Run({"restore", ".mid"});
  ASSERT_EQ(restore.exitCode, 0) << restore.err;
  EXPECT_EQ(SnapshotAll(), before);
  EXPECT_EQ(Run({"app", ".mid"}).out, "C:\\Other\\MediaPlayer.exe\n");
}

TEST_F(Winassoc, TypeDescriptionAndIcon) {
  const std::string before = SnapshotAll();
  Result associate =
      Run({"associate", ".kpl", "C:\\Apps\\Player.exe", "PlayerList", "Player list", "C:\\Apps\\Player.exe,0"});
  ASSERT_EQ(associate.exitCode, 0) << associate.err;
  EXPECT_EQ(associate.out, ".kpl now opens with C:\\Apps\\Player.exe (file type PlayerList); it had no association before\n");
  EXPECT_EQ(Get("PlayerList"), "Player list");
  EXPECT_EQ(Get("PlayerList\\DefaultIcon"), "C:\\Apps\\Player.exe,0");
  Result restore = Run({"restore", ".kpl", "C:\\Apps\\Player.exe", "PlayerList"});
  ASSERT_EQ(restore.exitCode, 0) << restore.err;
  EXPECT_EQ(restore.out, ".kpl has no association again\n");
  EXPECT_EQ(SnapshotAll(), before);
}

// Taken by another program since: the tool names the program, and the
// extension stays with its new owner.
TEST_F(Winassoc, AnExtensionTakenSince) {
  ASSERT_EQ(Run({"associate", ".kpl", "C:\\Apps\\Player.exe"}).exitCode, 0);
  Put(".kpl", "NewList");
  Put("NewList\\shell\\open\\command", "C:\\New\\new.exe %1");
  Result derived = Run({"restore", ".kpl"});
  EXPECT_EQ(derived.exitCode, 1);
  EXPECT_EQ(derived.err, "winassoc: .kpl holds no association of C:\\New\\new.exe (file type NewList) to restore\n");
  EXPECT_EQ(Get("NewList\\shell\\open\\command"), "C:\\New\\new.exe %1");
  Result named = Run({"restore", ".kpl", "C:\\Apps\\Player.exe"});
  ASSERT_EQ(named.exitCode, 0) << named.err;
  EXPECT_EQ(named.out, ".kpl belongs to NewList now and stays so; the file type player is restored\n");
  EXPECT_EQ(Get(".kpl"), "NewList");
  EXPECT_EQ(Get("player"), "(none)");
}

TEST_F(Winassoc, AnotherProgramsOwnAssociationIsLeftAlone) {
  OtherProgramOwnsKpl();
  const std::string before = SnapshotAll();
  Result restore = Run({"restore", ".kpl"});
  EXPECT_EQ(restore.exitCode, 1);
  EXPECT_EQ(restore.err,
            "winassoc: .kpl holds no association of %ProgramFiles%\\Other\\other.exe (file type OtherList) to "
            "restore\n");
  EXPECT_EQ(Run({"restore", ".kpl", "C:\\Other\\other.exe", "OtherList"}).exitCode, 1);
  EXPECT_EQ(SnapshotAll(), before);
}

TEST_F(Winassoc, ErrorsAndUsage) {
  Result none = Run({"app", ".none"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.err, "winassoc: no program runs \"open\" for .none\n");
  EXPECT_EQ(Run({"restore", ".none"}).err, "winassoc: no program opens .none; name the PROGRAM to restore\n");
  Result bad = Run({"associate", "kpl", "C:\\Apps\\Player.exe"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.err, "winassoc: \"kpl\" is not an extension such as .txt\n");
  EXPECT_EQ(Run({"associate", ".kpl"}).exitCode, 2);
  EXPECT_EQ(Run({"associate", ".kpl", "C:\\Apps\\"}).err, "winassoc: \"C:\\Apps\\\" does not name a program file\n");
  EXPECT_EQ(Run({"associate", ".kpl", "C:\\Apps\\\xF0\x9F\x8E\xB5.exe"}).exitCode, 2);  // no code page 932 form
  EXPECT_EQ(Run({}).exitCode, 2);
  Result help = Run({"help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("winassoc restore .EXT [PROGRAM [TYPE]]"), std::string::npos);
  EXPECT_EQ(SnapshotAll(), "[]\n[]\n[]\n");
}
