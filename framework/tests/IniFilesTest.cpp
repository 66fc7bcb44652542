#include "framework/IniFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Lists.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "testsupport/TempDir.h"

namespace {

using Strings = std::vector<std::string>;

Strings Contents(const TStrings& list) {
  Strings strings;
  for (int i = 0; i < list.Count(); ++i) strings.push_back(list.Strings(i));
  return strings;
}

template <class F>
std::string IniErrorOf(F f) {
  try {
    f();
  } catch (const EIniFileException& e) {
    return e.Message;
  }
  return "no error";
}

// A settings file T:\set.ini on a temporary folder, laid down and read back
// byte for byte.
class IniFile : public testing::Test {
 protected:
  void SetUp() override { win::MapDrive('T', dir.path()); }

  void Lay(const std::string& bytes) { std::ofstream(dir / "set.ini", std::ios::binary) << bytes; }
  std::string Bytes() {
    std::ifstream in(dir / "set.ini", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void MakeReadOnly() {
    std::filesystem::permissions(dir / "set.ini", std::filesystem::perms::owner_read);
  }

  testsupport::TempDir dir;
  TIniFile ini{"T:\\set.ini"};
};

}  // namespace

TEST_F(IniFile, ValuesRoundTripThroughTheFile) {
  ini.WriteInteger("KORULozg", "Version", 6130);
  ini.WriteInteger("KORULozg", "Left", -12);
  ini.WriteString("KORU", "Design", "Designs\\Blue.korud");
  ini.WriteBool("KORU", "Shown", true);
  ini.WriteString(SJ("設定"), SJ("表示"), SJ("歌詞ソ"));
  EXPECT_EQ(Bytes(), "[KORULozg]\r\nVersion=6130\r\nLeft=-12\r\n[KORU]\r\nDesign=Designs\\Blue.korud\r\nShown=1\r\n" +
                         SJ("[設定]\r\n表示=歌詞ソ\r\n"));

  // Another object over the same file sees everything, with names in any case.
  const TIniFile again("T:\\SET.INI");
  EXPECT_EQ(again.ReadInteger("korulozg", "VERSION", 0), 6130);
  EXPECT_EQ(again.ReadInteger("KORULozg", "Left", 0), -12);
  EXPECT_EQ(again.ReadString("KORU", "Design", ""), "Designs\\Blue.korud");
  EXPECT_TRUE(again.ReadBool("KORU", "Shown", false));
  EXPECT_EQ(again.ReadString(SJ("設定"), SJ("表示"), ""), SJ("歌詞ソ"));

  ini.WriteInteger("KORULozg", "Version", 6131);  // replaced in place
  ini.WriteBool("KORU", "Shown", false);
  EXPECT_EQ(again.ReadInteger("KORULozg", "Version", 0), 6131);
  EXPECT_FALSE(again.ReadBool("KORU", "Shown", true));
  EXPECT_EQ(ini.FileName(), "T:\\set.ini");
}

TEST_F(IniFile, AMissingFileGivesTheDefaultsAndIsNotCreatedByReading) {
  EXPECT_EQ(ini.ReadString("KORU", "Design", "none"), "none");
  EXPECT_EQ(ini.ReadInteger("KORULozg", "Position", 3), 3);
  EXPECT_TRUE(ini.ReadBool("KORULozg", "Shown", true));
  EXPECT_FALSE(ini.SectionExists("KORU"));
  EXPECT_FALSE(ini.ValueExists("Tool", "Editor"));
  TStringList list;
  list.Add("stale");
  ini.ReadSection("Tool", &list);
  EXPECT_EQ(list.Count(), 0);
  list.Add("stale");
  ini.ReadSections(&list);
  EXPECT_EQ(list.Count(), 0);
  ini.DeleteKey("Tool", "Editor");
  ini.EraseSection("LozgPlus");
  EXPECT_FALSE(std::filesystem::exists(dir / "set.ini"));
}

TEST_F(IniFile, IntegersThatAreNotIntegersGiveTheDefault) {
  Lay("[s]\r\ndec=42\r\nneg=-7\r\nhex=$1F\r\nchex=0x1f\r\nblank=\r\nword=abc\r\ntail=12px\r\n"
      "big=4294967296\r\nquoted=\"15\"\r\nbool=2\r\n");
  EXPECT_EQ(ini.ReadInteger("s", "dec", 0), 42);
  EXPECT_EQ(ini.ReadInteger("s", "neg", 0), -7);
  EXPECT_EQ(ini.ReadInteger("s", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("s", "chex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("s", "blank", -1), -1);
  EXPECT_EQ(ini.ReadInteger("s", "word", -1), -1);
  EXPECT_EQ(ini.ReadInteger("s", "tail", -1), -1);
  EXPECT_EQ(ini.ReadInteger("s", "big", -1), -1);
  EXPECT_EQ(ini.ReadInteger("s", "quoted", -1), 15);
  EXPECT_TRUE(ini.ReadBool("s", "bool", false));
  EXPECT_FALSE(ini.ReadBool("s", "word", false));
}

TEST_F(IniFile, SectionListsAndExistence) {
  Lay("; the player's tools\r\n[Tool]\r\neditor=notepad\r\nViewer = \"view.exe\" \r\n\r\n[Empty]\r\n[KORU]\r\n"
      "Design=x\r\n[tool]\r\nEditor=second\r\nPaint=mspaint\r\n");
  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(Contents(list), (Strings{"Tool", "Empty", "KORU"}));
  ini.ReadSection("TOOL", &list);
  EXPECT_EQ(Contents(list), (Strings{"editor", "Viewer", "Paint"}));
  ini.ReadSectionValues("Tool", &list);
  EXPECT_EQ(Contents(list), (Strings{"editor=notepad", "Viewer=view.exe", "Paint=mspaint"}));

  EXPECT_TRUE(ini.SectionExists("tool"));
  EXPECT_TRUE(ini.SectionExists("Empty"));  // a header without keys is a section
  EXPECT_FALSE(ini.SectionExists("Tools"));
  EXPECT_TRUE(ini.ValueExists("Tool", "Editor"));
  EXPECT_TRUE(ini.ValueExists("Tool", "PAINT"));
  EXPECT_FALSE(ini.ValueExists("KORU", "Editor"));
  EXPECT_FALSE(ini.ValueExists("Empty", "Design"));
}

TEST_F(IniFile, ValuesLongerThanAnyFixedBufferComeBackWhole) {
  std::string many = "[many]\r\n";
  for (int i = 0; i < 700; ++i) many += "key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  Lay(many);
  const std::string value = std::string(5000, 'v') + SJ("表");
  ini.WriteString("s", "long", value);
  EXPECT_EQ(ini.ReadString("s", "long", ""), value);
  EXPECT_EQ(ini.ReadString("s", "absent", value), value);
  TStringList keys;
  ini.ReadSection("many", &keys);
  ASSERT_EQ(keys.Count(), 700);
  EXPECT_EQ(keys.Strings(699), "key699");
}

TEST_F(IniFile, ErasingAndDeletingKeepEveryOtherLine) {
  const std::string foreign = "; comment\r\nnot an entry\r\n\r\n";
  Lay(foreign + "[KORU]\r\nDesign=a\r\n[LozgPlus]\r\nLeft=1\r\nTop=2\r\n[Tool]\r\nEditor=e\r\nPaint=p\n");
  ini.EraseSection("lozgplus");
  ini.DeleteKey("Tool", "EDITOR");
  ini.DeleteKey("Tool", "Absent");
  ini.DeleteKey("Absent", "Editor");
  EXPECT_EQ(Bytes(), foreign + "[KORU]\r\nDesign=a\r\n[Tool]\r\nPaint=p\n");
  EXPECT_FALSE(ini.SectionExists("LozgPlus"));
  ini.EraseSection("Empty");  // nothing to erase is no failure
  EXPECT_EQ(ini.ReadString("KORU", "Design", ""), "a");
}

TEST_F(IniFile, AFileThatCannotBeWrittenRaisesAndKeepsItsEntries) {
  Lay("[KORU]\r\nDesign=a\r\n[Tool]\r\nEditor=e\r\n");
  MakeReadOnly();
  const std::string message = "Unable to write to T:\\set.ini";
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("KORU", "Design", "b"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteInteger("KORU", "Left", 1); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteBool("KORU", "Shown", true); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.EraseSection("Tool"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.DeleteKey("Tool", "Editor"); }), "no error");
  EXPECT_EQ(Bytes(), "[KORU]\r\nDesign=a\r\n[Tool]\r\nEditor=e\r\n");

  TIniFile nowhere("T:\\missing\\set.ini");
  EXPECT_EQ(IniErrorOf([&] { nowhere.WriteString("KORU", "Design", "b"); }),
            "Unable to write to T:\\missing\\set.ini");
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST_F(IniFile, NamesAndValuesThatWouldNotReadBackAreRefused) {
  const std::string before = "[s]\r\nk=v\r\n";
  Lay(before);
  const std::string message = "Unable to write to T:\\set.ini";
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("s]x", "k", "v"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("", "k", "v"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("s", "", "v"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("s", "k=j", "v"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("s", "[t]", "v"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("s", ";k", "v"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("s", "k", "v\r\n[t]"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.WriteString("s\nt", "k", "v"); }), message);
  EXPECT_EQ(IniErrorOf([&] { ini.EraseSection(""); }), message);
  ini.DeleteKey("s", "k=v");
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(ini.ReadString("s", "k=v", "default"), "default");
  EXPECT_EQ(ini.ReadString("s]x", "k", "default"), "default");
  // "ゾ" ends in the byte of ']' and "ゼ" in that of '[': no brackets.
  ini.WriteString(SJ("ゾ"), SJ("ゼ"), "1");
  EXPECT_EQ(ini.ReadInteger(SJ("ゾ"), SJ("ゼ"), 0), 1);
  EXPECT_EQ(Bytes(), before + SJ("[ゾ]\r\nゼ=1\r\n"));
}

TEST(IniFileWindowsFolder, ABareNameLiesInTheWindowsFolder) {
  TIniFile ini(".ini");
  ini.WriteString("KORU", "Design", "x.korud");
  char windows[win::MAX_PATH];
  win::GetWindowsDirectoryA(windows, sizeof windows);
  EXPECT_TRUE(std::filesystem::exists(win::detail::ToHostPath(std::string(windows) + "\\.ini")));
  EXPECT_EQ(TIniFile(std::string(windows) + "\\.INI").ReadString("KORU", "Design", ""), "x.korud");
}
