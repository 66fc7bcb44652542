#include "registry/Ktreg.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "framework/Lists.h"
#include "platform/Text.h"
#include "registry/tests/RegistrySnapshot.h"
#include "testsupport/TempDir.h"

using namespace win;
using testsupport::Snapshot;
using testsupport::SnapshotAll;

namespace {

constexpr char kProgram[] = "C:\\Apps\\Player.exe";
constexpr char kOpen[] = "\"C:\\Apps\\Player.exe\" \"%1\"";
constexpr char kPlay[] = "\"C:\\Apps\\Player.exe\" /play \"%1\"";
constexpr char kIcon[] = "C:\\Apps\\Player.exe,1";

// Registry contents written the way another program would, below a root.
void Put(const std::string& path, const std::string& name, const std::string& value, DWORD type = REG_SZ,
         HKEY root = HKEY_CLASSES_ROOT) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  const DWORD size = type == REG_SZ || type == REG_EXPAND_SZ ? static_cast<DWORD>(value.size() + 1)
                                                              : static_cast<DWORD>(value.size());
  ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()), size),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void PutDword(const std::string& path, const std::string& name, DWORD value) {
  Put(path, name, std::string(reinterpret_cast<const char*>(&value), sizeof value), REG_DWORD);
}

void MakeKey(const std::string& path, HKEY root = HKEY_CLASSES_ROOT) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegCloseKey(key);
}

bool KeyThere(const std::string& path, HKEY root = HKEY_CLASSES_ROOT) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A value's text and type, "(none)" when there is none.
std::string Get(const std::string& path, const std::string& name, DWORD* type = nullptr,
                HKEY root = HKEY_CLASSES_ROOT) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "(none)";
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? std::string(data) : "(none)";
}

// An object acting for C:\Apps\Player.exe, as a fresh one in that program would.
void ActAsPlayer(ktvRegistry& reg) {
  reg.SetApplicationName(kProgram);
  reg.FileType = "player";
  reg.BackupName = "player";
}

// What the player does to make itself the handler of ".kpl" files; with a
// `type` it names its own file type.
void Associate(ktvRegistry& reg, const std::string& type = "") {
  reg.Extension = ".kpl";
  if (!type.empty()) reg.SetFileType(type, "Player list");
  EXPECT_TRUE(reg.SetIcon(kIcon));
  reg.SetAssociate("open", "&Open", kOpen);
  EXPECT_TRUE(reg.SetAction("play", "&Play", kPlay));
  reg.SetDefaultCommand("play");
}

// Another program's association of ".kpl" through its own file type, with
// values and subkeys of its own in the extension key.
void OtherProgramOwnsExtension() {
  Put(".kpl", "", "OtherList");
  Put(".kpl", "Content Type", "audio/x-kpl");
  Put(".kpl\\ShellNew", "NullFile", "");
  Put(".kpl\\OpenWithProgids", "OtherList", "", REG_BINARY);
  Put("OtherList", "", "Other play list");
  Put("OtherList\\shell\\open\\command", "", "%ProgramFiles%\\Other\\other.exe \"%1\"", REG_EXPAND_SZ);
}

// A file type "player" that another program made, which the extension names
// already: an expandable command, an icon, a default action, extra values,
// actions without a command, empty keys and values, and subkeys of its own.
void OtherProgramOwnsFileType() {
  Put(".kpl", "", "player");
  Put("player", "", "Other's list");
  PutDword("player", "EditFlags", 0x10000);
  Put("player", "FriendlyTypeName", "@%SystemRoot%\\other.dll,-1", REG_EXPAND_SZ);
  Put("player\\DefaultIcon", "", "%SystemRoot%\\icons.dll,3", REG_EXPAND_SZ);
  Put("player\\shell", "", "edit");
  Put("player\\shell\\open", "", "&Open it");
  Put("player\\shell\\open", "Extended", "");
  Put("player\\shell\\open\\command", "", "%SystemRoot%\\notepad.exe %1", REG_EXPAND_SZ);
  Put("player\\shell\\open\\command", "DelegateExecute", "{11111111-2222}");
  Put("player\\shell\\edit\\command", "", "C:\\Other\\edit.exe \"%1\"");
  Put("player\\shell\\print", "DelegateExecute", "{33333333-4444}");
  MakeKey("player\\shell\\empty");
  Put("player\\Misc", "", "");
  Put("player\\ShellEx\\{8895b1c6}", "", "{55555555-6666}");
}

template <class F>
void NoThrow(F f) {
  EXPECT_NO_THROW(f());
}

}  // namespace

// ---- Names and key paths ------------------------------------------------------

TEST(KtregNames, TakenFromTheRunningProgram) {
  ktvRegistry reg;
  EXPECT_EQ(reg.ApplicationName, "registry_tests");
  EXPECT_EQ(reg.FileType, "registry_tests");
  EXPECT_EQ(reg.BackupName, "registry_tests");
  EXPECT_EQ(reg.RootKey(), HKEY_CLASSES_ROOT);
  EXPECT_EQ(reg.KeyPath, "");
  EXPECT_EQ(ktvRegistry("Software\\X").KeyPath, "Software\\X");
}

// The helper program prints the names of a fresh object; run under the
// name Player.EXE it acts as that program.
TEST(KtregNames, AProgramNamedPlayerExe) {
  testsupport::TempDir dir;
  const std::string copy = dir / "Player.EXE";
  std::filesystem::copy_file(KTREG_NAMES_HELPER, copy);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
  const int status = std::system((copy + " >" + dir / "out").c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream in(dir / "out");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "player.exe\nplayer\nplayer\n");
}

TEST(KtregNames, ApplicationNameIsTheLowerCaseFileName) {
  ktvRegistry reg;
  reg.SetApplicationName("C:\\Apps\\Player.EXE");
  EXPECT_EQ(reg.ApplicationName, "player.exe");
  reg.SetApplicationName(SJ("C:\\表示\\ＡＢＣ.EXE"));
  EXPECT_EQ(reg.ApplicationName, SJ("ＡＢＣ.exe"));
}

TEST(KtregNames, MakeKeyPathJoinsWithOneBackslash) {
  ktvRegistry reg("a");
  EXPECT_EQ(reg.MakeKeyPath("\\x"), "a\\x");
  EXPECT_EQ(reg.MakeKeyPath("x"), "a\\x");
  EXPECT_EQ(reg.MakeKeyPath(""), "a");
  reg.KeyPath = "a\\";
  EXPECT_EQ(reg.MakeKeyPath("x"), "a\\x");
  EXPECT_EQ(reg.MakeKeyPath("\\x"), "a\\x");
  reg.KeyPath = "";
  EXPECT_EQ(reg.MakeKeyPath("x"), "x");
  EXPECT_EQ(reg.MakeKeyPath("\\x"), "\\x");
  // The second byte of this character is a backslash's.
  reg.KeyPath = SJ("表");
  EXPECT_EQ(reg.MakeKeyPath("x"), SJ("表") + std::string("\\x"));
}

// ---- Keys and values ----------------------------------------------------------

TEST(KtregKeys, ValuesBelowTheBaseKey) {
  ktvRegistry reg("Base");
  EXPECT_TRUE(reg.WriteKey("k", "s", "text"));
  EXPECT_TRUE(reg.WriteExpandKey("k", "e", "%X%"));
  EXPECT_EQ(Get("Base\\k", "s"), "text");
  EXPECT_EQ(reg.ReadKey("k", "s"), "text");
  EXPECT_EQ(reg.ReadKey("k", "e"), "%X%");
  EXPECT_EQ(reg.ReadKey("\\k", "s"), "text");
  PutDword("Base\\k", "d", 7);
  Put("Base\\k", "b", "\x01\x02", REG_BINARY);
  EXPECT_EQ(reg.GetDataType("k", "s"), rdString);
  EXPECT_EQ(reg.GetDataType("k", "e"), rdExpandString);
  EXPECT_EQ(reg.GetDataType("k", "d"), rdInteger);
  EXPECT_EQ(reg.GetDataType("k", "b"), rdBinary);
  EXPECT_EQ(reg.GetDataType("k", "none"), rdUnknown);
  EXPECT_EQ(reg.ReadKey("k", "d"), "");  // not a string: the neutral result
  EXPECT_TRUE(reg.DeleteValue("k", "s"));
  EXPECT_FALSE(reg.DeleteValue("k", "s"));
  EXPECT_EQ(reg.CurrentKey(), nullptr);  // every operation closes its key
}

TEST(KtregKeys, ReadsNeverCreateKeys) {
  ktvRegistry reg("Base");
  EXPECT_EQ(reg.ReadKey("missing", ""), "");
  EXPECT_EQ(reg.GetDataType("missing", ""), rdUnknown);
  EXPECT_FALSE(reg.IsEmpty("missing"));
  EXPECT_EQ(reg.GetNumSubKeys("missing"), -1);
  EXPECT_FALSE(reg.HasSubKeys("missing"));
  EXPECT_FALSE(reg.IsBackup("missing"));
  EXPECT_FALSE(reg.DeleteValue("missing", "x"));
  EXPECT_FALSE(reg.DeleteEmptyKey("missing"));
  EXPECT_FALSE(KeyThere("Base"));
}

TEST(KtregKeys, SubKeysAndEmptiness) {
  ktvRegistry reg("Base");
  MakeKey("Base\\k\\b");
  MakeKey("Base\\k\\a");
  TStringList names;
  names.Add("old");
  EXPECT_EQ(reg.GetSubKeys("k", &names), 2);
  EXPECT_EQ(names.CommaText(), "a,b");
  EXPECT_EQ(reg.GetSubKeys("missing", &names), 0);
  EXPECT_EQ(names.Count(), 0);
  EXPECT_EQ(reg.GetNumSubKeys("k"), 2);
  EXPECT_TRUE(reg.HasSubKeys("k"));
  EXPECT_FALSE(reg.HasSubKeys("k\\a"));
  EXPECT_TRUE(reg.IsEmpty("k\\a"));
  EXPECT_FALSE(reg.IsEmpty("k"));
  Put("Base\\k\\a", "v", "");
  EXPECT_FALSE(reg.IsEmpty("k\\a"));
}

TEST(KtregKeys, DeleteEmptyKeyRemovesOnlyWhatIsEmpty) {
  ktvRegistry reg("T");
  MakeKey("T\\k\\empty\\deeper");
  Put("T\\k\\blank", "", "");
  Put("T\\k\\kept", "", "data");
  PutDword("T\\k\\number", "", 5);
  EXPECT_FALSE(reg.DeleteEmptyKey("k"));
  EXPECT_FALSE(KeyThere("T\\k\\empty"));
  EXPECT_FALSE(KeyThere("T\\k\\blank"));
  EXPECT_EQ(Get("T\\k\\kept", ""), "data");
  DWORD type = 0;
  Get("T\\k\\number", "", &type);
  EXPECT_EQ(type, REG_DWORD);  // not an empty string
  Put("T\\gone\\a", "", "");
  EXPECT_TRUE(reg.DeleteEmptyKey("gone"));
  EXPECT_FALSE(KeyThere("T\\gone"));
}

TEST(KtregKeys, FailuresGiveNeutralResults) {
  ktvRegistry reg("Base");
  Put("Base\\k", "s", "text");
  test::FailRegistryWrites(true);
  NoThrow([&] {
    EXPECT_FALSE(reg.WriteKey("k", "s", "new"));
    EXPECT_FALSE(reg.WriteKey("new", "s", "new"));
    EXPECT_FALSE(reg.DeleteValue("k", "s"));
    EXPECT_FALSE(reg.BackupWrite("k", "s", "new"));
    EXPECT_FALSE(reg.DeleteEmptyKey("k"));
  });
  test::FailRegistryWrites(false);
  EXPECT_EQ(Get("Base\\k", "s"), "text");
  EXPECT_EQ(Get("Base\\k", "player"), "(none)");
}

// ---- Backups --------------------------------------------------------------------

TEST(KtregBackups, AssociatedMeansNamingTheApplication) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  Put("k", "", "\"C:\\APPS\\PLAYER.EXE\" \"%1\"");
  Put("k", "other", "C:\\Apps\\Other.exe");
  EXPECT_TRUE(reg.IsAssociate("k", ""));
  EXPECT_FALSE(reg.IsAssociate("k", "other"));
  EXPECT_FALSE(reg.IsAssociate("missing", ""));
  reg.ApplicationName = "";
  EXPECT_FALSE(reg.IsAssociate("k", ""));
}

// The second byte of this character is the letter a: the name a.exe is
// not inside it.
TEST(KtregBackups, AssociationMatchesWholeCharacters) {
  ASSERT_EQ(SJ("ヂ")[1], 'a');
  ktvRegistry reg;
  reg.SetApplicationName("a.exe");
  Put("k", "", SJ("ヂ") + std::string(".exe"));
  EXPECT_FALSE(reg.IsAssociate("k", ""));
  Put("k", "", "C:\\Apps\\A.EXE %1");
  EXPECT_TRUE(reg.IsAssociate("k", ""));
}

// The application is its whole path, however a value writes it: quoted or
// not, with arguments, as an icon location, in any letter case.
TEST(KtregBackups, AssociatedMeansNamingTheApplicationsWholePath) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  const std::vector<std::pair<std::string, bool>> values = {
      {"\"C:\\Other\\MediaPlayer.exe\" \"%1\"", false},
      {"C:\\Other\\MediaPlayer.exe %1", false},
      {"\"C:\\Other\\Player.exe\" \"%1\"", false},
      {"C:\\Apps\\Player.exe.old %1", false},
      {"C:\\Apps\\Player.exe,1", true},
      {"\"C:\\Apps\\Player.exe\",-2", true},
      {"c:\\apps\\PLAYER.EXE /play %1", true},
      {"  \"C:\\Apps\\Player.exe\"", true},
      {"C:\\Apps\\Player.exe", true},
  };
  for (const auto& [value, associated] : values) {
    Put("k", "", value);
    EXPECT_EQ(reg.IsAssociate("k", ""), associated) << value;
  }
  reg.SetApplicationName("C:\\Program Files\\KORU\\Player.exe");
  Put("k", "", "C:\\Program Files\\KORU\\Player.exe %1");
  EXPECT_TRUE(reg.IsAssociate("k", ""));
  Put("k", "", "C:\\Program Files\\Other\\MediaPlayer.exe %1");
  EXPECT_FALSE(reg.IsAssociate("k", ""));
}

TEST(KtregBackups, BackupWriteTwiceKeepsTheFirstCopy) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  Put("k", "", "C:\\Other\\other.exe %1");
  EXPECT_TRUE(reg.BackupWrite("k", "", kOpen));
  EXPECT_TRUE(reg.BackupWrite("k", "", kPlay));
  EXPECT_EQ(Get("k", ""), kPlay);
  EXPECT_EQ(Get("k", "player"), "C:\\Other\\other.exe %1");
  EXPECT_EQ(reg.BackupKey("k", ""), "C:\\Other\\other.exe %1");
}

// Values that do not name the application (a file type, a caption) are
// the application's own the second time: the copy from before stays.
TEST(KtregBackups, ASecondWriteOfAnUnnamedValueKeepsTheCopy) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  Put("k", "", "Before");
  EXPECT_TRUE(reg.BackupWrite("k", "", "Mine 1"));
  EXPECT_TRUE(reg.BackupWrite("k", "", "Mine 2"));
  EXPECT_EQ(Get("k", "player"), "Before");
  EXPECT_TRUE(reg.RestoreBackup("k", ""));
  EXPECT_EQ(Get("k", ""), "Before");
  EXPECT_EQ(Get("k", "player"), "(none)");
}

TEST(KtregBackups, ExpandableStaysExpandable) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  Put("k", "", "%SystemRoot%\\notepad.exe %1", REG_EXPAND_SZ);
  EXPECT_TRUE(reg.BackupWrite("k", "", kOpen));
  DWORD type = 0;
  EXPECT_EQ(Get("k", "", &type), kOpen);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(Get("k", "player", &type), "%SystemRoot%\\notepad.exe %1");
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_TRUE(reg.RestoreBackup("k", ""));
  EXPECT_EQ(Get("k", "", &type), "%SystemRoot%\\notepad.exe %1");
  EXPECT_EQ(type, REG_EXPAND_SZ);
}

TEST(KtregBackups, AnEmptyBackupRemovesTheValue) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  EXPECT_TRUE(reg.BackupWrite("k", "", kOpen));
  EXPECT_TRUE(reg.IsBackup("k"));
  EXPECT_EQ(Get("k", "player"), "");
  EXPECT_TRUE(reg.RestoreBackup("k", ""));
  EXPECT_TRUE(reg.IsEmpty("k"));  // no empty string left behind
}

TEST(KtregBackups, WithoutABackupOnlyTheApplicationsValueGoes) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  Put("k", "", kOpen);
  Put("k", "other", "C:\\Other\\other.exe");
  EXPECT_TRUE(reg.RestoreBackup("k", ""));
  EXPECT_EQ(Get("k", ""), "(none)");
  EXPECT_FALSE(reg.RestoreBackup("k", "other"));
  EXPECT_EQ(Get("k", "other"), "C:\\Other\\other.exe");
}

// A value that is not a string cannot be kept in a string backup, so it
// is not overwritten either.
TEST(KtregBackups, AValueThatCannotBeSavedIsNotOverwritten) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  PutDword("k", "", 42);
  EXPECT_FALSE(reg.BackupWrite("k", "", kOpen));
  DWORD type = 0;
  Get("k", "", &type);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_FALSE(reg.IsBackup("k"));
}

TEST(KtregBackups, AFailedRestoreKeepsTheBackupForAnotherTry) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  Put("k", "", "Before");
  EXPECT_TRUE(reg.BackupWrite("k", "", kOpen));
  test::FailRegistryWrites(true);
  EXPECT_FALSE(reg.RestoreBackup("k", ""));
  test::FailRegistryWrites(false);
  EXPECT_EQ(Get("k", ""), kOpen);
  EXPECT_EQ(Get("k", "player"), "Before");
  EXPECT_TRUE(reg.RestoreBackup("k", ""));
  EXPECT_EQ(Get("k", ""), "Before");
}

TEST(KtregBackups, FindAssociateSearchesDepthFirst) {
  ktvRegistry reg("T");
  ActAsPlayer(reg);
  Put("T\\a\\x", "", "nothing");
  Put("T\\b\\c", "", kOpen);
  Put("T\\b\\d", "", kOpen);
  EXPECT_EQ(reg.FindAssociate("", ""), "b\\c");
  EXPECT_EQ(reg.FindAssociate("a", ""), "");
  EXPECT_EQ(reg.FindAssociate("b\\d", ""), "b\\d");
}

// ---- Whole cycles against a snapshot --------------------------------------------

TEST(KtregCycle, WithoutAPreviousOwner) {
  Put("Unrelated", "", "stays");
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  NoThrow([&] { Associate(reg); });
  EXPECT_EQ(Get(".kpl", ""), "player");
  EXPECT_EQ(Get("player\\shell\\open\\command", ""), kOpen);
  EXPECT_EQ(Get("player\\shell", ""), "play");
  EXPECT_EQ(Get("player\\DefaultIcon", ""), kIcon);
  EXPECT_TRUE(reg.IsAssociate("open"));
  NoThrow([&] { Associate(reg); });
  NoThrow([&] { reg.RestoreAssociate(); });
  EXPECT_EQ(SnapshotAll(), before);
}

TEST(KtregCycle, WithAnotherProgramsAssociation) {
  OtherProgramOwnsExtension();
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  Associate(reg, "PlayerList");
  EXPECT_EQ(Get(".kpl", ""), "PlayerList");
  EXPECT_EQ(Get(".kpl", "player"), "OtherList");
  EXPECT_EQ(reg.GetApplication(".kpl", "open"), kProgram);
  // A later run of the program associates again, and then undoes it.
  ktvRegistry later;
  ActAsPlayer(later);
  Associate(later, "PlayerList");
  EXPECT_EQ(Get(".kpl", "player"), "OtherList");
  ktvRegistry last;
  ActAsPlayer(last);
  last.Extension = ".kpl";
  last.FileType = "PlayerList";
  last.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
  EXPECT_EQ(last.GetApplication(".kpl", "open"), "%ProgramFiles%\\Other\\other.exe");
}

TEST(KtregCycle, OverAnotherProgramsFileType) {
  OtherProgramOwnsFileType();
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  Associate(reg, "player");
  DWORD type = 0;
  EXPECT_EQ(Get("player\\shell\\open\\command", "", &type), kOpen);
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(Get("player\\shell\\open", ""), "&Open");
  EXPECT_EQ(Get("player\\shell", ""), "play");
  EXPECT_EQ(Get("player", ""), "Player list");
  Associate(reg, "player");
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

// Another program whose name ends in the application's keeps its command,
// its icon and its file type through an association and its undoing.
TEST(KtregCycle, OverTheFileTypeOfAProgramWhoseNameEndsInTheApplications) {
  Put(".mid", "", "MidiFile");
  Put("MidiFile", "", "MIDI sequence");
  Put("MidiFile\\DefaultIcon", "", "C:\\Other\\MediaPlayer.exe,2");
  Put("MidiFile\\shell\\open\\command", "", "\"C:\\Other\\MediaPlayer.exe\" /play \"%1\"");
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  reg.Extension = ".mid";
  reg.FileType = "MidiFile";
  EXPECT_TRUE(reg.SetIcon(kIcon));
  reg.SetAssociate("open", "&Open", kOpen);
  EXPECT_EQ(Get("MidiFile\\shell\\open\\command", ""), kOpen);
  EXPECT_EQ(Get("MidiFile\\shell\\open\\command", "player"), "\"C:\\Other\\MediaPlayer.exe\" /play \"%1\"");
  EXPECT_EQ(Get("MidiFile\\DefaultIcon", "player"), "C:\\Other\\MediaPlayer.exe,2");
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

TEST(KtregCycle, OneActionAtATime) {
  OtherProgramOwnsFileType();
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  Associate(reg);
  reg.RestoreAssociate("play");
  EXPECT_FALSE(KeyThere("player\\shell\\play"));
  EXPECT_EQ(Get("player\\shell", ""), "edit");
  EXPECT_EQ(Get("player\\shell\\open\\command", ""), kOpen);
  reg.RestoreAssociate("open");
  EXPECT_EQ(Get("player\\shell\\open\\command", ""), "%SystemRoot%\\notepad.exe %1");
  EXPECT_EQ(Get("player\\shell\\open", ""), "&Open it");
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

TEST(KtregCycle, OneActionOfAFreshFileType) {
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  reg.Extension = ".kpl";
  reg.SetAssociate("open", "&Open", kOpen);
  reg.SetDefaultCommand("open");
  reg.RestoreAssociate("open");
  EXPECT_FALSE(KeyThere("player\\shell"));
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

// Values written without backups are found again by the name of the
// application, or by the action whose command went.
TEST(KtregCycle, WritesWithoutBackups) {
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  reg.Extension = ".kpl";
  reg.SetAssociate("", "", "");
  EXPECT_TRUE(reg.WriteIcon(kIcon));
  EXPECT_TRUE(reg.WriteAction("open", "&Open", kOpen));
  Put("player\\shell", "", "open");  // a default action set without a backup
  EXPECT_EQ(reg.ReadIcon(), kIcon);
  EXPECT_EQ(reg.ReadAction("open"), kOpen);
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

TEST(KtregCycle, IconOnItsOwn) {
  Put("player\\DefaultIcon", "", "%SystemRoot%\\icons.dll,3", REG_EXPAND_SZ);
  ktvRegistry reg;
  ActAsPlayer(reg);
  EXPECT_TRUE(reg.SetIcon(kIcon));
  EXPECT_TRUE(reg.SetIcon("C:\\Apps\\player.ico"));
  EXPECT_EQ(reg.ReadIcon(), "C:\\Apps\\player.ico");
  EXPECT_EQ(reg.ReadBackupIcon(), "%SystemRoot%\\icons.dll,3");
  EXPECT_TRUE(reg.RestoreIcon());
  DWORD type = 0;
  EXPECT_EQ(Get("player\\DefaultIcon", "", &type), "%SystemRoot%\\icons.dll,3");
  EXPECT_EQ(type, REG_EXPAND_SZ);
  EXPECT_EQ(reg.ReadBackupIcon(), "");
}

// When another program has taken the extension since, it keeps it; the
// file type goes all the same.
TEST(KtregCycle, AnExtensionTakenSinceStaysWithItsNewOwner) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  Associate(reg);
  Put(".kpl", "", "NewOwner");
  reg.RestoreAssociate();
  EXPECT_EQ(Get(".kpl", ""), "NewOwner");
  EXPECT_FALSE(KeyThere("player"));
}

TEST(KtregCycle, TheExtensionWithSetExtension) {
  OtherProgramOwnsExtension();
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  reg.SetExtension(".kpl");
  reg.SetExtension(".kpl");
  EXPECT_EQ(Get(".kpl", ""), "player");
  EXPECT_EQ(Get(".kpl", "player"), "OtherList");
  reg.SetAssociate("open", "&Open", kOpen);
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

// ---- A restore that keeps failing ends ----------------------------------------

TEST(KtregRestoreBound, ARegistryThatRefusesEveryWrite) {
  OtherProgramOwnsFileType();
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  Associate(reg);
  const std::string associated = SnapshotAll();
  test::FailRegistryWrites(true);
  NoThrow([&] { reg.RestoreAssociate(); });
  test::FailRegistryWrites(false);
  EXPECT_EQ(SnapshotAll(), associated);
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

TEST(KtregRestoreBound, KeysOpenedForReadingOnly) {
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  Associate(reg);
  const std::string associated = SnapshotAll();
  reg.Access = KEY_READ;
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), associated);
  reg.Access = KEY_ALL_ACCESS;
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

// One backup that cannot be read back: the rest is restored, the extension
// stays with the file type until that one is restored too.
TEST(KtregRestoreBound, OneKeyThatCannotBeRestored) {
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  Associate(reg);
  PutDword("player\\shell\\open\\command", "player", 1);
  reg.RestoreAssociate();
  EXPECT_EQ(Get("player\\shell\\open\\command", ""), kOpen);
  EXPECT_FALSE(KeyThere("player\\shell\\play"));
  EXPECT_FALSE(KeyThere("player\\DefaultIcon"));
  EXPECT_EQ(Get(".kpl", ""), "player");
  Put("player\\shell\\open\\command", "player", "");
  reg.RestoreAssociate();
  EXPECT_EQ(SnapshotAll(), before);
}

// ---- Guards against the root of the tree ----------------------------------------

TEST(KtregGuards, NoFileTypeTouchesNothing) {
  Put("shell\\open\\command", "", kOpen);
  Put("Other", "", "");
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  reg.FileType = "";
  reg.Extension = ".kpl";
  NoThrow([&] {
    reg.SetAssociate("open", "&Open", kOpen);
    EXPECT_FALSE(reg.SetIcon(kIcon));
    reg.SetDefaultCommand("open");
    reg.SetFileType("", "Description");
    reg.RestoreAssociate();
    reg.RestoreAssociate("open");
  });
  EXPECT_EQ(SnapshotAll(), before);
}

// ---- The program of an extension ------------------------------------------------

TEST(KtregGetApplication, ProgramOfTheCommand) {
  ktvRegistry reg;
  Put(".a", "", "AFile");
  Put("AFile\\shell\\open\\command", "", "\"D:\\Apps\\app.exe\" \"%1\"");
  EXPECT_EQ(reg.GetApplication(".a", "open"), "D:\\Apps\\app.exe");
  EXPECT_EQ(reg.Extension, ".a");
  EXPECT_EQ(reg.FileType, "AFile");
  Put("AFile\\shell\\open\\command", "", "C:\\x\\a.exe %1");
  EXPECT_EQ(reg.GetApplication(".a", "open"), "C:\\x\\a.exe");
  Put("AFile\\shell\\open\\command", "", "\"C:\\Program Files\\x.exe\" /open \"%1\"");
  EXPECT_EQ(reg.GetApplication(".a", "open"), "C:\\Program Files\\x.exe");
  Put("AFile\\shell\\open\\command", "", "  notepad.exe  ");
  EXPECT_EQ(reg.GetApplication(".a", "open"), "notepad.exe");
  Put("AFile\\shell\\print\\command", "", "\"C:\\p.exe\" /p \"%1\"");
  EXPECT_EQ(reg.GetApplication(".a", "print"), "C:\\p.exe");
  EXPECT_EQ(reg.GetApplication(".a", "edit"), "");
  EXPECT_EQ(reg.GetApplication(".none", "open"), "");
}

TEST(KtregGetApplication, WhateverKeyPathWasLeft) {
  ktvRegistry reg("Somewhere");
  Put(".a", "", "AFile");
  Put("AFile\\shell\\open\\command", "", "C:\\x\\a.exe \"%1\"");
  EXPECT_EQ(reg.GetApplication(".a", "open"), "C:\\x\\a.exe");
}

// ---- The installed-programs entry -----------------------------------------------

namespace {
constexpr char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
std::string Entry(const std::string& key) { return std::string(kUninstall) + "\\" + key; }
}  // namespace

TEST(KtregUninstall, AddAndRemoveTheEntry) {
  Put(Entry("Other"), "UninstallString", "C:\\Other\\unins.exe", REG_SZ, HKEY_LOCAL_MACHINE);
  const std::string before = SnapshotAll();
  ktvRegistry reg("Base");
  ActAsPlayer(reg);
  EXPECT_EQ(reg.SetUninstall("Player", "Player 1.0", "C:\\Apps\\Player.exe /uninstall"), "");
  EXPECT_EQ(reg.RootKey(), HKEY_CLASSES_ROOT);
  EXPECT_EQ(reg.KeyPath, "Base");
  EXPECT_EQ(Get(Entry("Player"), "UninstallString", nullptr, HKEY_LOCAL_MACHINE), "C:\\Apps\\Player.exe /uninstall");
  EXPECT_EQ(Get(Entry("Player"), "DisplayName", nullptr, HKEY_LOCAL_MACHINE), "Player 1.0");
  // Installed again elsewhere: the entry names the new place.
  EXPECT_EQ(reg.SetUninstall("Player", "Player 1.1", "D:\\Player.exe /uninstall"), "");
  EXPECT_EQ(Get(Entry("Player"), "UninstallString", nullptr, HKEY_LOCAL_MACHINE), "D:\\Player.exe /uninstall");
  EXPECT_TRUE(reg.DeleteUninstall("Player"));
  EXPECT_FALSE(reg.DeleteUninstall("Player"));
  EXPECT_EQ(SnapshotAll(), before);
  EXPECT_EQ(reg.KeyPath, "Base");
}

TEST(KtregUninstall, APreviousEntryComesBack) {
  Put(Entry("Player"), "UninstallString", "C:\\Old\\unins.exe", REG_SZ, HKEY_LOCAL_MACHINE);
  ktvRegistry reg;
  ActAsPlayer(reg);
  EXPECT_EQ(reg.SetUninstall("Player", "Player", "C:\\Apps\\Player.exe /u"), "C:\\Old\\unins.exe");
  EXPECT_EQ(reg.SetUninstall("Player", "Player", "C:\\Apps\\Player.exe /u"), "C:\\Old\\unins.exe");
  EXPECT_EQ(reg.ReadBackupUninstall("Player"), "C:\\Old\\unins.exe");
  EXPECT_TRUE(reg.RestoreUninstall("Player"));
  EXPECT_EQ(Get(Entry("Player"), "UninstallString", nullptr, HKEY_LOCAL_MACHINE), "C:\\Old\\unins.exe");
  EXPECT_EQ(reg.ReadBackupUninstall("Player"), "");
  EXPECT_EQ(reg.RootKey(), HKEY_CLASSES_ROOT);
}

TEST(KtregUninstall, APreviousEntrysDisplayNameComesBack) {
  Put(Entry("Player"), "UninstallString", "C:\\Old\\unins.exe", REG_SZ, HKEY_LOCAL_MACHINE);
  Put(Entry("Player"), "DisplayName", "Old Player", REG_SZ, HKEY_LOCAL_MACHINE);
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  reg.SetUninstall("Player", "Player 2.0", "C:\\Apps\\Player.exe /u");
  EXPECT_EQ(Get(Entry("Player"), "DisplayName", nullptr, HKEY_LOCAL_MACHINE), "Player 2.0");
  reg.SetUninstall("Player", "Player 2.1", "C:\\Apps\\Player.exe /u");
  EXPECT_EQ(Get(Entry("Player"), "DisplayName", nullptr, HKEY_LOCAL_MACHINE), "Player 2.1");
  EXPECT_TRUE(reg.RestoreUninstall("Player"));
  EXPECT_EQ(SnapshotAll(), before);
}

TEST(KtregUninstall, AnEntryOfItsOwnIsEmptiedByTheRestore) {
  ktvRegistry reg;
  ActAsPlayer(reg);
  reg.SetUninstall("Player", "Player 2.0", "C:\\Apps\\Player.exe /u");
  EXPECT_TRUE(reg.RestoreUninstall("Player"));
  EXPECT_EQ(Get(Entry("Player"), "UninstallString", nullptr, HKEY_LOCAL_MACHINE), "(none)");
  EXPECT_EQ(Get(Entry("Player"), "DisplayName", nullptr, HKEY_LOCAL_MACHINE), "(none)");
}

TEST(KtregUninstall, TheListItselfIsNoEntry) {
  Put(Entry("Other"), "UninstallString", "C:\\Other\\unins.exe", REG_SZ, HKEY_LOCAL_MACHINE);
  const std::string before = SnapshotAll();
  ktvRegistry reg;
  ActAsPlayer(reg);
  EXPECT_FALSE(reg.DeleteUninstall(""));
  EXPECT_EQ(reg.SetUninstall("", "x", "y"), "");
  EXPECT_FALSE(reg.RestoreUninstall(""));
  EXPECT_EQ(SnapshotAll(), before);
}
