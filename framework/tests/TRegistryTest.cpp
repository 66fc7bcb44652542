#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "framework/Exceptions.h"
#include "framework/Lists.h"
#include "framework/Registry.h"
#include "platform/Errors.h"

using namespace win;

namespace {

template <class F>
std::string RegistryError(F f) {
  try {
    f();
  } catch (const ERegistryException& e) {
    return e.Message;
  }
  return "no error";
}

bool KeyThere(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace

TEST(TRegistry, Defaults) {
  TRegistry reg;
  EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(reg.Access, KEY_ALL_ACCESS);
  EXPECT_TRUE(reg.LazyWrite);
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_EQ(TRegistry(KEY_READ).Access, KEY_READ);
}

TEST(TRegistry, OpenKeyRelativeAndAbsolute) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("Software\\Maker", false));
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, "Software"));
  ASSERT_TRUE(reg.OpenKey("Software\\Maker", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Maker");
  ASSERT_TRUE(reg.OpenKey("Tool", true));  // below the current key
  EXPECT_EQ(reg.CurrentPath(), "Software\\Maker\\Tool");
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, "Software\\Maker\\Tool"));
  ASSERT_TRUE(reg.OpenKey("\\Software", false));  // from the root
  EXPECT_EQ(reg.CurrentPath(), "Software");
  EXPECT_TRUE(reg.KeyExists("Maker\\Tool"));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Maker"));
  EXPECT_FALSE(reg.KeyExists("Tool"));
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_EQ(reg.CurrentPath(), "");
  EXPECT_TRUE(reg.KeyExists("Software\\Maker\\Tool"));
}

TEST(TRegistry, ANewRootClosesTheKey) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("A", true));
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  ASSERT_TRUE(reg.OpenKey("B", true));
  EXPECT_TRUE(KeyThere(HKEY_LOCAL_MACHINE, "B"));
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, "B"));
}

TEST(TRegistry, CreateAndDeleteKeys) {
  TRegistry reg;
  EXPECT_TRUE(reg.CreateKey("X\\Y\\Z"));
  EXPECT_EQ(reg.CurrentKey(), nullptr);  // created, not opened
  ASSERT_TRUE(reg.OpenKey("X\\Y\\Z", false));
  reg.WriteString("v", "w");
  ASSERT_TRUE(reg.OpenKey("\\X", false));
  EXPECT_TRUE(reg.DeleteKey("Y"));  // with everything below it
  EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, "X\\Y"));
  EXPECT_FALSE(reg.DeleteKey("Y"));
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, "X"));
  test::FailRegistryWrites(true);
  EXPECT_EQ(RegistryError([&] { reg.CreateKey("\\New"); }), "Failed to create key \\New");
  test::FailRegistryWrites(false);
}

TEST(TRegistry, StringsAndTheirKinds) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", true));
  reg.WriteString("", "default");
  reg.WriteString("s", "text");
  reg.WriteExpandString("e", "%PATH%");
  EXPECT_EQ(reg.ReadString(""), "default");
  EXPECT_EQ(reg.ReadString("S"), "text");  // names ignore case
  EXPECT_EQ(reg.ReadString("e"), "%PATH%");
  EXPECT_EQ(reg.ReadString("missing"), "");
  EXPECT_EQ(reg.GetDataType("s"), rdString);
  EXPECT_EQ(reg.GetDataType("e"), rdExpandString);
  EXPECT_EQ(reg.GetDataType("missing"), rdUnknown);
  EXPECT_EQ(reg.GetDataSize("s"), 5);  // with the terminator
  EXPECT_EQ(reg.GetDataSize("missing"), -1);
  TRegDataInfo info;
  EXPECT_TRUE(reg.GetDataInfo("e", info));
  EXPECT_EQ(info.RegData, rdExpandString);
  EXPECT_EQ(info.DataSize, 7);
  EXPECT_TRUE(reg.ValueExists("s"));
  EXPECT_TRUE(reg.DeleteValue("s"));
  EXPECT_FALSE(reg.ValueExists("s"));
  EXPECT_FALSE(reg.DeleteValue("s"));
}

TEST(TRegistry, AStringEndsAtItsFirstTerminator) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", true));
  const char data[] = "one\0two";
  ASSERT_EQ(RegSetValueExA(reg.CurrentKey(), "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data),
            ERROR_SUCCESS);
  EXPECT_EQ(reg.ReadString("v"), "one");
}

TEST(TRegistry, IntegersBooleansAndBinaryData) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", true));
  reg.WriteInteger("i", -5);
  reg.WriteBool("b", true);
  EXPECT_EQ(reg.ReadInteger("i"), -5);
  EXPECT_TRUE(reg.ReadBool("b"));
  reg.WriteBool("b", false);
  EXPECT_FALSE(reg.ReadBool("b"));
  EXPECT_EQ(reg.GetDataType("i"), rdInteger);
  const uint8_t bytes[] = {1, 0, 255};
  reg.WriteBinaryData("bin", bytes, sizeof bytes);
  EXPECT_EQ(reg.GetDataType("bin"), rdBinary);
  uint8_t back[8] = {};
  EXPECT_EQ(reg.ReadBinaryData("bin", back, sizeof back), 3);
  EXPECT_EQ(back[2], 255);
  EXPECT_EQ(reg.ReadBinaryData("missing", back, sizeof back), 0);
  EXPECT_EQ(RegistryError([&] { reg.ReadBinaryData("bin", back, 2); }), "Invalid data type for 'bin'");
}

TEST(TRegistry, ErrorsNameTheValue) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", true));
  reg.WriteInteger("i", 1);
  reg.WriteString("s", "1");
  EXPECT_EQ(RegistryError([&] { reg.ReadString("i"); }), "Invalid data type for 'i'");
  EXPECT_EQ(RegistryError([&] { reg.ReadInteger("s"); }), "Invalid data type for 's'");
  EXPECT_EQ(RegistryError([&] { reg.ReadInteger("missing"); }), "Failed to get data for 'missing'");
  EXPECT_EQ(RegistryError([&] { reg.ReadBool("missing"); }), "Failed to get data for 'missing'");
  test::FailRegistryWrites(true);
  EXPECT_EQ(RegistryError([&] { reg.WriteString("s", "2"); }), "Failed to set data for 's'");
  test::FailRegistryWrites(false);
  reg.CloseKey();
  EXPECT_EQ(RegistryError([&] { reg.WriteString("s", "2"); }), "Failed to set data for 's'");
}

TEST(TRegistry, ReadOnlyKeys) {
  TRegistry reg;
  EXPECT_TRUE(reg.CreateKey("K"));
  ASSERT_TRUE(reg.OpenKeyReadOnly("K"));
  EXPECT_EQ(reg.Access, KEY_READ);
  EXPECT_EQ(reg.ReadString("v"), "");
  EXPECT_EQ(RegistryError([&] { reg.WriteString("v", "x"); }), "Failed to set data for 'v'");
  EXPECT_FALSE(reg.OpenKeyReadOnly("Missing"));
}

TEST(TRegistry, NamesOfKeysAndValues) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K\\b", true));
  ASSERT_TRUE(reg.OpenKey("\\K\\a", true));
  ASSERT_TRUE(reg.OpenKey("\\K", false));
  reg.WriteString("second", "");
  reg.WriteString("first", "");
  reg.WriteString("second", "again");
  TStringList names;
  names.Add("stale");
  reg.GetKeyNames(&names);
  EXPECT_EQ(names.CommaText(), "a,b");
  reg.GetValueNames(&names);
  EXPECT_EQ(names.CommaText(), "second,first");  // in the order first set
  EXPECT_TRUE(reg.HasSubKeys());
  TRegKeyInfo info;
  ASSERT_TRUE(reg.GetKeyInfo(info));
  EXPECT_EQ(info.NumSubKeys, 2);
  EXPECT_EQ(info.NumValues, 2);
  EXPECT_EQ(info.MaxValueLen, 6);
  ASSERT_TRUE(reg.OpenKey("a", false));
  EXPECT_FALSE(reg.HasSubKeys());
  reg.GetKeyNames(&names);
  EXPECT_EQ(names.Count(), 0);
}

TEST(TRegistry, WithoutLazyWriteTheKeyIsFlushedAndClosed) {
  TRegistry reg;
  reg.LazyWrite = false;
  ASSERT_TRUE(reg.OpenKey("K", true));
  const HKEY key = reg.CurrentKey();
  reg.WriteString("v", "x");
  reg.CloseKey();
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);  // closed already
  EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, "K"));
}
