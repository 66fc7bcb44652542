// What the host-link tests share: the scripted presenter, a message pump,
// a stand-in player main window that records what is posted to it, and the
// player's registry entry.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/Presenter.h"
#include "platform/Types.h"

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

// Dispatches every message waiting for the calling thread.
void PumpMessages();
// Pumps until `done` holds, for up to five seconds of real time.
bool PumpUntil(const std::function<bool()>& done);

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

}  // namespace korutest
