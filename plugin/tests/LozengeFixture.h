// What the lozenge's tests share: the real plug-in library, copied with the
// files shipped beside it into a folder of the test's platform prefix (so
// its settings file is the test's), loaded by the stand-in player running on
// the test's thread, with dialogs answered by script.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/Bitmaps.h"
#include "platform/Presenter.h"
#include "platform/Types.h"
#include "player/PlayerTestApi.h"
#include "plugin/Main.h"

namespace lozenge_test {

constexpr char kPluginFolder[] = "C:\\Plugins";
constexpr char kPluginPath[] = "C:\\Plugins\\LozgPlus.so";
constexpr char kSettingsPath[] = "C:\\Plugins\\LozgPlus.ini";

class LozengeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the player from its default settings at (100, 200), 400 by 120
  // unless the options say otherwise.
  void StartPlayer(koru::PlayerOptions options = {});
  // Loads the plug-in into the running player (starting one first when none
  // runs) and answers the lozenge, null when none stands.
  TFormKORULozenge* Load();
  // Ends the plug-in as the player does ("_pinAbort", then the library goes).
  void EndPlugin();
  koru::Player& player() { return koru_->player(); }

  // A notification of the player delivered to the lozenge's link.
  void Post(win::DWORD event, win::LONG param);
  // The player's main window moves, as a person moves it.
  void MovePlayer(int left, int top);

  void WriteSettings(const std::string& text);
  std::string ReadSettings();
  bool SettingsExist();

  // The desktop as the screen shows it now.
  std::unique_ptr<TBitmap> Screenshot();
  TColor ScreenPixel(int x, int y) { return Screenshot()->Canvas()->Pixels(x, y); }
  // Writes the screen as a PNG file into the test's build folder, for people.
  void SaveScreen(const std::string& name);

  std::shared_ptr<win::test::ScriptedPresenter> presenter_;
  std::unique_ptr<koru::test::TestPlayer> koru_;
  TFormKORULozenge* form_ = nullptr;

 private:
  std::shared_ptr<win::Presenter> previousPresenter_;
  win::HMODULE module_{};
};

// Writes a text file at a Windows path.
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

}  // namespace lozenge_test
