// What the player leaves for others to find: its path in the registry and
// its settings file beside it, with the sections plug-ins share.
#include <gtest/gtest.h>

#include "platform/Com.h"
#include "platform/Messages.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "player/AppPaths.h"
#include "player/tests/Fixture.h"

namespace koru::testing {
namespace {

constexpr char kIni[] = "C:\\KORU\\KORU.ini";

std::string Entry(const char* section, const char* key) {
  char buffer[512] = {};
  win::GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, kIni);
  return buffer;
}

class KoruSettings : public ::testing::Test {
 protected:
  void SetUp() override { win::CoInitialize(nullptr); }
  void TearDown() override {
    koru_.reset();
    win::CoUninitialize();
  }
  void Start() {
    koru_ = test::TestPlayer::StartHere();
    ASSERT_TRUE(koru_);
  }
  std::unique_ptr<test::TestPlayer> koru_;
};

TEST_F(KoruSettings, RunningPlayerRegistersItsPath) {
  Start();
  EXPECT_EQ(RegisteredPlayerPath(), test::kTestExePath);
  win::HKEY key{};
  ASSERT_EQ(win::RegOpenKeyExA(win::HKEY_CURRENT_USER, "Software\\TOSKA\\KORU", 0, win::KEY_READ, &key), 0);
  char value[260] = {};
  win::DWORD size = sizeof value;
  ASSERT_EQ(win::RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<win::BYTE*>(value), &size), 0);
  win::RegCloseKey(key);
  EXPECT_STREQ(value, test::kTestExePath);
}

TEST_F(KoruSettings, StateIsSavedBesideThePlayerAndReadOnTheNextStart) {
  MakeFolder("C:\\KORU");
  // Entries that plug-ins keep in the player's sections survive its saves.
  ASSERT_TRUE(win::WritePrivateProfileStringA("KORU", "PluginsOwn", "kept", kIni));
  ASSERT_TRUE(win::WritePrivateProfileStringA("KORU", "Design", "Designs\\Blue.korud", kIni));
  Start();
  EXPECT_EQ(koru_->player().Design(), "C:\\KORU\\Designs\\Blue.korud");
  koru_->player().SetVolume(321);
  koru_->player().MoveTo(12, 34);
  koru_->player().SetRandom(true);
  koru_.reset();
  EXPECT_EQ(Entry("KORU", "Volume"), "321");
  EXPECT_EQ(Entry("KORU", "Left"), "12");
  EXPECT_EQ(Entry("KORU", "PluginsOwn"), "kept");
  EXPECT_EQ(Entry("Lyrics", "Width"), "246");

  Start();
  EXPECT_EQ(koru_->player().Volume(), 321);
  EXPECT_EQ(koru_->player().Top(), 34);
  EXPECT_TRUE(koru_->player().Random());
  EXPECT_EQ(koru_->player().LyricsHeight(), 38);
}

TEST_F(KoruSettings, ToolListIsReloadedWhenAPluginSaysItChanged) {
  Start();
  EXPECT_TRUE(koru_->player().Tools().empty());
  ASSERT_TRUE(win::WritePrivateProfileStringA("Tool", "Editor", "notepad.exe %1", kIni));
  ASSERT_TRUE(win::WritePrivateProfileStringA("Tool", "Tagger", "tag.exe", kIni));
  EXPECT_TRUE(koru_->player().Tools().empty());
  ASSERT_TRUE(win::PostMessageA(koru_->MainWindow(), koru_->player().MessageId(), kRequestToolsChanged, 0));
  test::PumpMessages();
  const ToolList tools = koru_->player().Tools();
  ASSERT_EQ(tools.size(), 2u);
  EXPECT_EQ(tools[0], (std::pair<std::string, std::string>{"Editor", "notepad.exe %1"}));
  EXPECT_EQ(tools[1].first, "Tagger");
}

}  // namespace
}  // namespace koru::testing
