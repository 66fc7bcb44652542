// Plug-ins: the host object's table as a plug-in calls it, and plug-in
// libraries loaded, started, unloaded from their own start and ended when
// the player quits or aborts them.
#include <gtest/gtest.h>

#include <string>

#include "framework/Forms.h"
#include "platform/Com.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "player/PinHost.h"
#include "player/PluginLoader.h"
#include "player/tests/Fixture.h"

namespace koru::testing {
namespace {

template <class Fn>
Fn Slot(void* object, int index) {
  void** table = *static_cast<void***>(object);
  return reinterpret_cast<Fn>(table[index]);
}

std::string PluginPath() { return win::detail::ToWindowsPath(KORU_TEST_PLUGIN); }

class KoruPlugins : public ::testing::Test {
 protected:
  void SetUp() override {
    win::CoInitialize(nullptr);
    koru_ = test::TestPlayer::StartHere();
    ASSERT_TRUE(koru_);
    // The test holds the library too, to reach its record and set its mode.
    library_ = win::LoadLibraryA(PluginPath().c_str());
    ASSERT_TRUE(library_);
    setMode_ = reinterpret_cast<void (*)(const char*)>(win::GetProcAddress(library_, "TestPluginSetMode"));
    events_ = reinterpret_cast<const char* (*)()>(win::GetProcAddress(library_, "TestPluginEvents"));
    ASSERT_TRUE(setMode_ && events_);
  }
  void TearDown() override {
    koru_.reset();
    win::FreeLibrary(library_);
    win::CoUninitialize();
  }
  std::string Events() { return events_(); }
  Player& player() { return koru_->player(); }

  std::unique_ptr<test::TestPlayer> koru_;
  win::HMODULE library_{};
  void (*setMode_)(const char*) = nullptr;
  const char* (*events_)() = nullptr;
};

TEST_F(KoruPlugins, HostTableAnswersAtItsSlots) {
  PlayerPinHost host(player(), player().Plugins(), library_, "C:\\plugins\\LozgPlus.dll");
  void* object = static_cast<TPinHost*>(&host);
  EXPECT_EQ(Slot<win::LONG (*)(void*)>(object, 0)(object), kNewestHostVersion);
  EXPECT_TRUE(Slot<bool (*)(void*, win::LONG)>(object, 1)(object, 6000));
  EXPECT_FALSE(Slot<bool (*)(void*, win::LONG)>(object, 1)(object, 6101));
  EXPECT_FALSE(Slot<bool (*)(void*, win::LONG)>(object, 1)(object, 4999));
  EXPECT_EQ(Slot<win::LONG (*)(void*)>(object, 3)(object), player().Handle());
  EXPECT_STREQ(Slot<const char* (*)(void*)>(object, 4)(object), test::kTestExePath);
  EXPECT_STREQ(Slot<const char* (*)(void*)>(object, 5)(object), "C:\\KORU\\KORU.ini");
  EXPECT_EQ(Slot<win::LONG (*)(void*)>(object, 6)(object), 0);
  EXPECT_EQ(Slot<win::HMODULE (*)(void*)>(object, 7)(object), library_);
  EXPECT_STREQ(Slot<const char* (*)(void*)>(object, 8)(object), "C:\\plugins\\LozgPlus.dll");
  EXPECT_STREQ(Slot<const char* (*)(void*)>(object, 9)(object), "LozgPlus.dll");
  EXPECT_EQ(Slot<win::LONG (*)(void*)>(object, 10)(object), kStatusNotReady);
  EXPECT_EQ(Slot<win::LONG (*)(void*)>(object, 12)(object), -1);
  // Control 19 shows the lyrics in the player's own colours.
  auto* lyrics = Slot<TControl* (*)(void*, win::LONG)>(object, 13)(object, 19);
  ASSERT_NE(lyrics, nullptr);
  TForm* form = Slot<TForm* (*)(void*)>(object, 15)(object);
  EXPECT_EQ(lyrics->Owner(), form);
  EXPECT_EQ(form->Handle(), player().MainWindowHandle());
  win::LONG back = 0;
  win::LONG text = 0;
  player().Color(kColorLyrics, &back);
  player().Color(kColorLyricsText, &text);
  EXPECT_EQ(lyrics->Color(), static_cast<TColor>(back));
  EXPECT_EQ(lyrics->Font()->Color(), static_cast<TColor>(text));
  EXPECT_EQ(Slot<TControl* (*)(void*, win::LONG)>(object, 13)(object, 18), nullptr);
  EXPECT_EQ(Slot<win::LONG (*)(void*)>(object, 14)(object), form->ComponentCount());

  NotificationSink sink;
  win::BYTE mode;
  win::LONG run;
  player().AddPlugin(0, 0, sink.Id(), &mode, &run);
  sink.Clear();
  EXPECT_EQ(Slot<win::LONG (*)(void*, win::DWORD, win::LONG)>(object, 11)(object, kNotifyUser | 1, 2), 1);
  EXPECT_EQ(sink.Received(), (std::vector<Notification>{{kNotifyUser | 1, 2}}));
}

TEST_F(KoruPlugins, LoadedPluginRunsAndIsAbortedWhenThePlayerQuits) {
  setMode_("quiet");
  ASSERT_TRUE(player().Plugins().Load(PluginPath()));
  EXPECT_EQ(player().Plugins().Count(), 1u);
  EXPECT_EQ(Events(), "run\npath " + PluginPath() + "\nowner FormKORU\ncontrol 19 PanelLyrics\n");
  player().Quit();
  EXPECT_EQ(player().Plugins().Count(), 0u);
  EXPECT_NE(Events().find("\nabort\n"), std::string::npos);
}

TEST_F(KoruPlugins, ALinkedPluginHearsThatThePlayerClosesBeforeItIsEnded) {
  ASSERT_TRUE(player().Plugins().Load(PluginPath()));
  const std::string close = "notification 0x2 " + std::to_string(player().Handle());
  player().Quit();
  const std::string events = Events();
  ASSERT_NE(events.find(close), std::string::npos) << events;
  EXPECT_LT(events.find(close), events.find("abort"));
}

TEST_F(KoruPlugins, UnloadFromInsideRunEndsThePluginOnceRunHasReturned) {
  setMode_("unload");
  ASSERT_TRUE(player().Plugins().Load(PluginPath()));
  EXPECT_EQ(player().Plugins().Count(), 0u);
  const std::string events = Events();
  EXPECT_LT(events.find("unload asked"), events.find("abort"));
  EXPECT_NE(events.find("abort"), std::string::npos);
}

TEST_F(KoruPlugins, RefusedHostVersionIsUnloaded) {
  player().Plugins().SetNewestHostVersion(5999);
  ASSERT_TRUE(player().Plugins().Load(PluginPath()));
  EXPECT_EQ(player().Plugins().Count(), 0u);
  EXPECT_EQ(Events(), "run\nrefused\nabort\n");
}

TEST_F(KoruPlugins, LinkedPluginIsAbortedThroughItsMenuItem) {
  ASSERT_TRUE(player().Plugins().Load(PluginPath()));
  const std::vector<MenuItem> items = player().MenuItems(kMenuPlugins);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].caption, "Test plug-in");
  ASSERT_EQ(player().ClickMenu(items[0].id), win::S_OK);
  ASSERT_TRUE(test::PumpUntil([&] { return player().Plugins().Count() == 0; }));
  const std::string events = Events();
  EXPECT_NE(events.find("linked, mode 2"), std::string::npos);
  EXPECT_LT(events.find("notification 0x800"), events.find("notification 0x8 0"));
  EXPECT_LT(events.find("notification 0x8 0"), events.find("abort"));
  // The plug-in's window and item went with it.
  EXPECT_TRUE(player().MenuItems(kMenuPlugins).empty());
  EXPECT_TRUE(player().Notifications().Registrations().empty());
}

TEST_F(KoruPlugins, LibraryWithoutEntryIsRefused) {
  // The player's own library lies beside the test plug-in and has no "_pinRun".
  const std::string plugin = PluginPath();
  const std::string other = plugin.substr(0, plugin.rfind('\\')) + "\\libkoruplayer.so";
  EXPECT_FALSE(player().Plugins().Load(other));
  EXPECT_EQ(win::GetLastError(), win::ERROR_PROC_NOT_FOUND);
  EXPECT_FALSE(player().Plugins().Load("C:\\missing.so"));
  EXPECT_EQ(win::GetLastError(), win::ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(player().Plugins().Count(), 0u);
}

}  // namespace
}  // namespace koru::testing
