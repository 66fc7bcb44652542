// What the player's tests share: a client of the automation object as a
// plug-in is one, with a message window that records the notifications it
// gets.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostlink/Koru_tlb.h"
#include "platform/Types.h"
#include "player/PlayerTestApi.h"

namespace koru::testing {

struct Notification {
  win::DWORD event;
  win::LONG param;
  friend bool operator==(const Notification&, const Notification&) = default;
};

// A hidden window of the test's thread that records every "WM_KORU" it gets.
class NotificationSink {
 public:
  NotificationSink();
  ~NotificationSink();
  win::HWND Handle() const { return hwnd_; }
  win::LONG Id() const { return static_cast<win::LONG>(win::HandleId(hwnd_)); }
  // Dispatches the test thread's messages and answers what arrived so far.
  const std::vector<Notification>& Received();
  // The notifications with this code, oldest first.
  std::vector<Notification> WithCode(win::DWORD code);
  // Waits (pumping) until a notification with this code arrives.
  bool WaitFor(win::DWORD code, win::DWORD timeoutMs = 5000);
  void Clear();

 private:
  static win::LRESULT Proc(win::HWND, win::UINT, win::WPARAM, win::LPARAM);
  win::HWND hwnd_{};
  win::UINT messageId_ = 0;
  std::vector<Notification> received_;
};

// The four interfaces of the automation object, as a plug-in obtains them.
struct Client {
  Koru_tlb::IKORUControl* control = nullptr;
  Koru_tlb::IKORUPlayList* playList = nullptr;
  Koru_tlb::IKORULyrics* lyrics = nullptr;
  Koru_tlb::IKORUMenu* menu = nullptr;
  win::HRESULT created = 0;

  Client();
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;
};

// A test with COM initialised on its thread and a player on a thread of its own.
class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the player (once) with these options.
  void StartPlayer(PlayerOptions options = {});
  // Registers the sink's window with the player.
  void Register(NotificationSink& sink, win::DWORD mask = 0xEFFFF81F);

  std::unique_ptr<test::TestPlayer> koru_;
  std::unique_ptr<Client> client_;
};

// Writes a text file at a Windows path (its folder must exist).
void WriteFile(const std::string& path, const std::string& text);
// A track file that describes itself.
void WriteTrack(const std::string& path, const std::string& title, const std::string& artist, win::LONG lengthMs);

}  // namespace koru::testing
