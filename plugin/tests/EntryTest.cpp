// The plug-in's life inside the player: the version gate, one copy per
// logon, start, settings, closing and ending; and the component set that
// the library exports to any program that loads it.
#include <dlfcn.h>

#include <algorithm>
#include <fstream>

#include "framework/Dialogs.h"
#include "framework/Palette.h"
#include "platform/Errors.h"
#include "platform/Mutex.h"
#include "platform/Process.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "player/MainWindow.h"
#include "player/PluginLoader.h"
#include "plugin/tests/LozengeFixture.h"
#include "testsupport/RunProgram.h"
#include "testsupport/TempDir.h"

namespace lozenge_test {
namespace {

class Entry : public LozengeTest {
 protected:
  int componentsBefore_ = 0;
};

TEST_F(Entry, HostTooOldIsWarnedThenAskedToUnload) {
  StartPlayer();
  player().Plugins().SetNewestHostVersion(5999);
  presenter_->QueueAnswer(mrOk);
  EXPECT_EQ(Load(), nullptr);
  const auto dialogs = presenter_->Dialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, SJ("このバージョンのKORUには対応していません\n対応版をお使いください"));
  EXPECT_EQ(dialogs[0].style & 0xF, static_cast<win::UINT>(win::MB_OK));
  EXPECT_EQ(player().Plugins().Count(), 0u);
  EXPECT_TRUE(player().MenuItems(koru::kMenuPlugins).empty());
  // No mutex was taken: a copy for a newer host runs.
  player().Plugins().SetNewestHostVersion(koru::kNewestHostVersion);
  ASSERT_NE(Load(), nullptr);
  EXPECT_TRUE(form_->Visible());
}

TEST_F(Entry, StartsShapedLinkedAndShownWithItsMenuEntry) {
  ASSERT_TRUE(Load());
  EXPECT_TRUE(form_->Visible());
  EXPECT_TRUE(form_->KORU->Bound);
  EXPECT_EQ(form_->ClientWidth(), 320);
  EXPECT_EQ(form_->ClientHeight(), 60);
  EXPECT_EQ(form_->Caption(), "KORU Lozenge+");
  EXPECT_NE(form_->RegionForm->RegionHandle(), nullptr);
  EXPECT_EQ(win::GetWindowLongA(form_->Handle(), win::GWL_EXSTYLE) & win::WS_EX_ACCEPTFILES,
            static_cast<win::LONG>(win::WS_EX_ACCEPTFILES));
  // Children are not clipped out of the form's painting (siblings are, as
  // for every top-level window).
  EXPECT_EQ(win::GetWindowLongA(form_->Handle(), win::GWL_STYLE) & win::WS_CLIPCHILDREN, 0);
  const auto items = player().MenuItems(koru::kMenuPlugins);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].caption, SJ("KORULozenge+ 非表示"));
  EXPECT_EQ(form_->Owner(), static_cast<TComponent*>(player().Form()));
}

TEST_F(Entry, SecondCopyInAnotherProcessEndsWithoutAWindow) {
  ASSERT_TRUE(Load());
  testsupport::TempDir work;
  const std::string scenario = work.path() + "/second.scn";
  std::ofstream(scenario) << "print\nquit\n";
  const auto result = testsupport::RunProgram(
      KORU_PROGRAM, {"--manual-clock", "--fresh", "--plugin", kPluginPath, "--scenario", scenario}, work.path());
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("plug-ins: 0 loaded"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("added under"), std::string::npos) << result.out;
  // Once the first copy ends, another process may run one.
  EndPlugin();
  const auto again = testsupport::RunProgram(
      KORU_PROGRAM, {"--manual-clock", "--fresh", "--plugin", kPluginPath, "--scenario", scenario}, work.path());
  EXPECT_NE(again.out.find("plug-ins: 1 loaded"), std::string::npos) << again.out;
}

TEST_F(Entry, DefaultsCentreTheWindowAndTheFirstSaveWritesEveryKeyVersionFirst) {
  ASSERT_FALSE(SettingsExist());
  ASSERT_TRUE(Load());
  // Free mode: centred on the 1024 by 768 screen.
  EXPECT_EQ(form_->Position, 0);
  EXPECT_EQ(form_->Left(), (1024 - 320) / 2);
  EXPECT_EQ(form_->Top(), (768 - 60) / 2);
  EXPECT_EQ(form_->DisplayMode, 1);
  EXPECT_TRUE(form_->PopupLyrics->Checked());
  EXPECT_TRUE(form_->PopupPositionFree->Checked());
  EndPlugin();
  EXPECT_EQ(ReadSettings(),
            "[KORULozg]\r\nVersion=6130\r\nPosition=0\r\nLeft=352\r\nTop=354\r\nOffsetLeft=252\r\nOffsetTop=154\r\n"
            "DisplayMode=1\r\n");
}

TEST_F(Entry, LeftAndTopAloneAreRestoredBeforeDocking) {
  WriteSettings("[KORULozg]\r\nLeft=10\r\nTop=20\r\n");
  ASSERT_TRUE(Load());
  EXPECT_EQ(form_->Left(), 10);
  EXPECT_EQ(form_->Top(), 20);
  // The offsets are taken anew from the restored place and the player's.
  EXPECT_EQ(form_->OffsetLeft, 10 - 100);
  EXPECT_EQ(form_->OffsetTop, 20 - 200);
}

TEST_F(Entry, UnknownPositionStartsFreeAndUnknownDisplayModeShowsLyrics) {
  WriteSettings("[KORULozg]\r\nPosition=7\r\nDisplayMode=7\r\nLeft=abc\r\n");
  ASSERT_TRUE(Load());
  EXPECT_EQ(form_->Position, 0);
  EXPECT_TRUE(form_->PopupPositionFree->Checked());
  EXPECT_EQ(form_->DisplayMode, 1);
  EXPECT_TRUE(form_->PopupLyrics->Checked());
  EXPECT_FALSE(form_->PopupTitle->Checked());
  EXPECT_TRUE(form_->PanelLyrics->Visible());
  EXPECT_EQ(form_->Left(), 352);
}

TEST_F(Entry, LegacySectionOfThePlayersFileIsErasedAndTheOthersKept) {
  StartPlayer();
  const std::string playerIni = player().SettingsPath();
  player().SaveSettings();
  std::string text = ReadText(playerIni);
  text += "[LozgPlus]\r\nLeft=5\r\n[Other]\r\nKey=1\r\n";
  WriteText(playerIni, text);
  ASSERT_TRUE(Load());
  const std::string after = ReadText(playerIni);
  EXPECT_EQ(after.find("[LozgPlus]"), std::string::npos);
  EXPECT_NE(after.find("[Other]\r\nKey=1"), std::string::npos);
  EXPECT_NE(after.find("[KORU]"), std::string::npos);
}

TEST_F(Entry, ClosingSavesOnceAndAbortThenOnlyLetsGo) {
  StartPlayer();
  componentsBefore_ = player().Form()->ComponentCount();
  ASSERT_TRUE(Load());
  form_->Close();
  EXPECT_TRUE(form_->Closing);
  EXPECT_FALSE(form_->Visible());
  EXPECT_FALSE(form_->KORU->Bound);
  EXPECT_TRUE(player().MenuItems(koru::kMenuPlugins).empty());
  const std::string saved = ReadSettings();
  EXPECT_NE(saved.find("Version=6130"), std::string::npos);
  // Changes after the close are not saved again by the end.
  WriteSettings("[KORULozg]\r\nLeft=1\r\n");
  const win::HWND closed = form_->Handle();
  EndPlugin();
  EXPECT_EQ(ReadSettings(), "[KORULozg]\r\nLeft=1\r\n");
  // The closed window goes with the library rather than outliving its code.
  EXPECT_FALSE(win::IsWindow(closed));
  EXPECT_EQ(player().Form()->ComponentCount(), componentsBefore_);
}

TEST_F(Entry, AbortTwiceFindsNothingTheSecondTime) {
  ASSERT_TRUE(Load());
  auto* abort = reinterpret_cast<void (*)()>(win::GetProcAddress(win::GetModuleHandleA(kPluginPath), "_pinAbort"));
  ASSERT_TRUE(abort);
  abort();
  auto** symbol = reinterpret_cast<TFormKORULozenge**>(
      win::GetProcAddress(win::GetModuleHandleA(kPluginPath), "_FormKORULozenge"));
  EXPECT_EQ(*symbol, nullptr);
  WriteSettings("[KORULozg]\r\nLeft=1\r\n");
  abort();
  EXPECT_EQ(ReadSettings(), "[KORULozg]\r\nLeft=1\r\n");
  // The mutex was let go: another copy may start.
  const win::HANDLE mutex = win::CreateMutexA(nullptr, win::FALSE, "KORULozenge");
  EXPECT_NE(win::GetLastError(), win::ERROR_ALREADY_EXISTS);
  win::CloseHandle(mutex);
  form_ = nullptr;
}

TEST_F(Entry, ExitMenuItemMakesThePlayerEndThePlugin) {
  ASSERT_TRUE(Load());
  form_->PopupExit->Click();
  ASSERT_TRUE(koru::test::PumpUntil([&] { return player().Plugins().Count() == 0; }));
  EXPECT_NE(ReadSettings().find("Version=6130"), std::string::npos);
  EXPECT_TRUE(player().Notifications().Registrations().empty());
}

// A person's scenario drives the lozenge in a koru process: the menu docks
// it, a drag moves the player with it, a dropped design reaches the player.
TEST_F(Entry, ScenarioCommandsDriveTheLozengeInAKoruProcess) {
  testsupport::TempDir work;
  std::ofstream(work / "look.korud") << "[Design]\nName=Look\n";
  std::ofstream(work / "drive.scn") << "move 100 200\n"
                                       "choose 表示位置/プレイヤー上\n"
                                       "rclick 384 359\n"
                                       "drag 172 145 222 95\n"
                                       "drop 300 120 look.korud\n"
                                       "print\n"
                                       "choose 終了\n"
                                       "rclick 300 120\n"
                                       "wait 100\n"
                                       "print\n";
  const auto result = testsupport::RunProgram(
      KORU_PROGRAM, {"--manual-clock", "--fresh", "--plugin", kPluginPath, "--scenario", work / "drive.scn"},
      work.path());
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("window: 150, 150, 400 x 120"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("look.korud"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("plug-ins: 0 loaded"), std::string::npos) << result.out;
}

// A program that loads the library uses any of its components through the
// palette, without knowing the library at build time.
TEST(LozengeLibrary, ExportsEveryComponentUnit) {
  void* library = dlopen(LOZG_PLUGIN, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const char* unit :
       {"_ZN6Region8RegisterEv", "_ZN6Button8RegisterEv", "_ZN5Panel8RegisterEv", "_ZN6Slider8RegisterEv",
        "_ZN4Koru8RegisterEv", "_ZN5Image8RegisterEv", "_ZN7Calendr8RegisterEv", "_ZN7Dirtree8RegisterEv",
        "_ZN8Filelist8RegisterEv"}) {
    auto* registerUnit = reinterpret_cast<void (*)()>(dlsym(library, unit));
    ASSERT_NE(registerUnit, nullptr) << unit;
    registerUnit();
  }
  for (const char* entry : {"_pinRun", "_pinAbort", "_FormKORULozenge"}) EXPECT_NE(dlsym(library, entry), nullptr);
  const auto classes = PaletteClasses("TOSKA");
  // The components without a palette page are there too.
  for (const char* vtable : {"_ZTV6ktvGIF", "_ZTV11ktvRegistry"}) EXPECT_NE(dlsym(library, vtable), nullptr) << vtable;
  for (const char* name : {"ktvRegion", "ktvButton", "ktvPanel", "ktvSlider", "TKORU", "ktvImage", "ktvCalendar",
                           "ktvDirTree", "ktvFileList"}) {
    auto found = std::find_if(classes.begin(), classes.end(), [&](const auto& c) { return c.ClassName == name; });
    ASSERT_NE(found, classes.end()) << name;
    TComponent* component = found->Create(nullptr);
    EXPECT_EQ(component->ClassName(), name);
    delete component;
  }
  dlclose(library);
}

}  // namespace
}  // namespace lozenge_test
