// What the host-link tests share: the scripted presenter, a stand-in player
// main window that records what is posted to it, the player's registry
// entries, and a test with the stand-in player running on its own thread.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/Presenter.h"
#include "platform/Types.h"
#include "player/PlayerTestApi.h"

class TKORU;

namespace korutest {

constexpr char kButtonsLine[] = "\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug";

// Installs a scripted presenter for the test; a dialog without a queued
// answer fails the test.
class PresenterScope {
 public:
  PresenterScope();
  ~PresenterScope();
  win::test::ScriptedPresenter& operator*() const { return *presenter_; }
  win::test::ScriptedPresenter* operator->() const { return presenter_.get(); }

 private:
  std::shared_ptr<win::test::ScriptedPresenter> presenter_;
  std::shared_ptr<win::Presenter> previous_;
};

using koru::test::PumpMessages;
// Pumps until `done` holds, for up to 20 s of real time: generous, for a
// loaded machine.
bool WaitFor(const std::function<bool()>& done);

// A top-level window of the player's class that records the messages
// posted or sent to it.
class PlayerWindow {
 public:
  struct Received {
    win::UINT message;
    win::WPARAM wParam;
    win::LPARAM lParam;
  };

  explicit PlayerWindow(const char* className = "TFormKORU");
  ~PlayerWindow();
  win::HWND Handle() const { return handle_; }
  // The messages numbered `message` received so far.
  std::vector<Received> Messages(win::UINT message) const;

 private:
  win::HWND handle_{};
};

// Writes the player's path where the component looks for it.
void SetAppPath(const std::string& exePath);
void SetUserPath(const std::string& exePath);

// The calls of an operation, as the player's log shows their arguments.
std::vector<std::string> ArgumentsOf(koru::test::TestPlayer& player, const std::string& operation);
// The operations called, in order.
std::vector<std::string> Operations(koru::test::TestPlayer& player);

// A test with COM initialised on its thread, dialogs answered by script and
// the stand-in player running on a thread of its own.
class KoruPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void StartPlayer(koru::PlayerOptions options = {});
  // A component created after the player started, bound to it.
  TKORU& BoundKoru();

  PresenterScope presenter_;
  // What the tests' event handlers saw; outlives the component.
  std::vector<std::string> seen_;
  std::unique_ptr<koru::test::TestPlayer> player_;
  std::unique_ptr<TKORU> koru_;
};

}  // namespace korutest
