// The player's main window, class "TFormKORU": plug-ins find the player by
// it. A plain platform window for now, whose caption shows title, time and
// state; it drives playback from its timer and handles the player's
// "WM_KORU" requests and its own deferred work.
#pragma once

#include "platform/Types.h"

namespace koru {

class Player;

inline constexpr char kMainWindowClass[] = "TFormKORU";

// Messages the player posts to its own window, to do work on its thread
// after the current message.
constexpr win::UINT kApplyWindowState = 0x8000 + 1;  // WM_APP + 1: follow the player's place and visibility
constexpr win::UINT kEndPlugin = 0x8000 + 2;         // WM_APP + 2: wParam names the plug-in's module
constexpr win::UINT kCloseLater = 0x8000 + 3;        // WM_APP + 3: the player closes

class MainWindow {
 public:
  explicit MainWindow(Player& player) : player_(player) {}
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window with its timer. False with the platform's last error.
  bool Create(win::LONG left, win::LONG top, win::LONG width, win::LONG height, bool visible, win::UINT tickMs);
  void Destroy();
  win::HWND Handle() const { return hwnd_; }
  // Asks the window, from any thread, to take the player's place, visibility and caption.
  void RequestUpdate() const;
  // The same at once, on the window's thread.
  void Refresh();

 private:
  static bool RegisterWindowClass();
  static win::LRESULT WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
  win::LRESULT OnMessage(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

  Player& player_;
  win::HWND hwnd_{};
  // Set while Refresh moves the window to the player's place: that move is
  // an echo, not a move of the window's own to report back.
  bool applyingPlace_ = false;
};

}  // namespace koru
