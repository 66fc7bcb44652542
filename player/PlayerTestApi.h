// The player for in-process tests: a player started on a thread of its own
// (or on the test's thread), the log of every automation call with its
// arguments, planned failures of named operations, posting of any
// notification, and a user-interface thread that stops answering.
//
//   auto koru = koru::test::TestPlayer::StartOnOwnThread();
//   koru->Calls().FailNext("get_Volume", 0x8004FFFF);   // next get_Volume fails
//   ... CoCreateInstance(Koru_tlb::CLSID_KORU, ...) as a plug-in does ...
//   koru->Post(window, 0x40000005, 1);                   // status 5 (repeat on) to a window
//   koru->Hang();  ... SendMessageTimeout times out ...  koru->Resume();
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Types.h"
#include "player/CallLog.h"
#include "player/Player.h"

namespace koru::test {

// The executable path test players get when their options name none: a
// folder of the test's own platform prefix, so the settings file and the
// registry entries are the test's.
inline constexpr char kTestExePath[] = "C:\\KORU\\KORU.EXE";

class TestPlayer {
 public:
  // Starts a player on a new thread, which initialises COM, runs the
  // player's message loop and ends the player when this object goes. Null
  // when the player could not start.
  static std::unique_ptr<TestPlayer> StartOnOwnThread(PlayerOptions options = {});
  // Starts a player on the calling thread, which must have initialised COM
  // and whose messages the test pumps (PumpMessages).
  static std::unique_ptr<TestPlayer> StartHere(PlayerOptions options = {});
  ~TestPlayer();
  TestPlayer(const TestPlayer&) = delete;
  TestPlayer& operator=(const TestPlayer&) = delete;

  // The player. Its state operations may be called from the test's thread;
  // everything else (plug-ins, quitting) belongs on the player's thread.
  Player& player() { return *player_; }
  win::HWND MainWindow() const { return player_->MainWindowHandle(); }
  // The automation calls so far and the plans for the next ones.
  CallLog& Calls();

  // Posts a notification: to `window` as it is (no mask applies), or with a
  // null window to every registered window through its mask.
  bool Post(win::HWND window, win::DWORD event, win::LONG param);

  // Runs `task` on the player's thread and waits for it to finish (or for
  // the thread to end, when the player has quit and runs nothing more).
  void RunOnPlayerThread(const std::function<void()>& task);

  // The player's user-interface thread stops answering (it waits inside a
  // message) until Resume; messages sent to its windows then wait or time
  // out. Only for a player on its own thread.
  void Hang();
  void Resume();

 private:
  TestPlayer() = default;
  static win::DWORD ThreadMain(void* self);
  void PostTask(std::function<void()>* task);

  PlayerOptions options_;
  Player* player_ = nullptr;
  std::unique_ptr<Player> ownedHere_;
  win::HANDLE thread_{};
  win::DWORD threadId_ = 0;
  win::HANDLE ready_{};
  bool started_ = false;
  win::HANDLE release_{};
  std::function<void()> hangTask_;  // runs on the player's thread while it hangs
};

// Dispatches the calling thread's pending messages (WM_QUIT included, which
// it drops), and answers how many it dispatched.
int PumpMessages();
// Dispatches the calling thread's messages until `done` holds or `timeoutMs`
// of real time have passed; answers `done()`.
bool PumpUntil(const std::function<bool()>& done, win::DWORD timeoutMs = 5000);

}  // namespace koru::test
