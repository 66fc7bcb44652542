// The plug-in windows registered with the player and the notifications
// posted to them as the registered message "WM_KORU": the first parameter
// is the code (the code alone below 0x10000; from 0x10000 up the code in
// the high 16 bits and a sub-value in the low 16), the second the value.
// Each window gets only the codes its event mask holds.
#pragma once

#include <vector>

#include "platform/Types.h"

namespace koru {

// Notification codes.
constexpr win::DWORD kNotifyOpen = 1;
constexpr win::DWORD kNotifyClose = 2;
constexpr win::DWORD kNotifyRun = 4;
constexpr win::DWORD kNotifyAbort = 8;
constexpr win::DWORD kNotifyPlayStatus = 16;
constexpr win::DWORD kNotifyTimer = 32;
constexpr win::DWORD kNotifyCounter = 64;
constexpr win::DWORD kNotifyPosition = 128;
constexpr win::DWORD kNotifyVolume = 256;
constexpr win::DWORD kNotifyLyrics = 512;
constexpr win::DWORD kNotifyMove = 1024;
constexpr win::DWORD kNotifyMenu = 2048;
constexpr win::DWORD kNotifySpectrum = 0x10000000;
constexpr win::DWORD kNotifyButton = 0x20000000;
constexpr win::DWORD kNotifyStatus = 0x40000000;
constexpr win::DWORD kNotifyUser = 0x80000000;

// Sub-codes of the status notification.
enum StatusCode : win::DWORD {
  kStatusVisible = 1,
  kStatusActive = 2,
  kStatusMinimize = 3,
  kStatusStayOnTop = 4,
  kStatusRepeat = 5,
  kStatusRandom = 6,
  kStatusDisplayTime = 7,
  kStatusDisplayTrack = 8,
  kStatusDisplayTitle = 9,
  kStatusDisplayDevice = 10,
  kStatusDisplayTimer = 11,
  kStatusDisplayCaption = 12,
  kStatusChangeVolume = 13,
  kStatusOpenTrack = 14,
  kStatusCloseTrack = 15,
  kStatusLoadLyrics = 16,
  kStatusSaveIni = 17,
  kStatusDesign = 18,
  kStatusChangePlayList = 21,
  kStatusDisplayMenu = 22,
  kStatusClick = 25,
  kStatusDblClick = 26,
  kStatusDeleteMenu = 27,
  kStatusDisplayMode = 28,
  kStatusMoved = 30,
  kStatusAdjustLevel = 31,
};

// The codes a window registered without a mask of its own receives: all
// but timer, counter, position, volume, lyrics, move and spectrum.
constexpr win::DWORD kDefaultEventMask = 0xEFFFF81F;

// Codes the player's main window answers when sent to it with "WM_KORU".
constexpr win::WPARAM kRequestHello = 0x401;        // a plug-in's link was created; its window is the value
constexpr win::WPARAM kRequestToolsChanged = 0x403;  // the "Tool" section of the settings file changed

struct Registration {
  win::HWND window{};
  win::HINSTANCE instance{};
  win::DWORD processId = 0;
  win::DWORD mask = kDefaultEventMask;
  win::BYTE mode = 0;
  win::LONG runValue = 0;
};

// The code of a notification: the event itself below 0x10000, else its high half.
constexpr win::DWORD CodeOf(win::DWORD event) { return event < 0x10000 ? event : event & 0xFFFF0000; }
constexpr bool MaskWants(win::DWORD mask, win::DWORD event) { return (mask & CodeOf(event)) != 0; }
constexpr win::DWORD StatusEvent(StatusCode code) { return kNotifyStatus | code; }

class Notifier {
 public:
  // Registers "WM_KORU".
  Notifier();

  win::UINT MessageId() const { return messageId_; }

  // Registers a window, or renews the registration of one already known.
  Registration& Register(const Registration& registration);
  bool Unregister(win::HWND window);
  Registration* Find(win::HWND window);
  const std::vector<Registration>& Registrations() const { return registrations_; }

  // Posts to every registered window whose mask holds the code; answers how many.
  int NotifyAll(win::DWORD event, win::LONG param) const;
  // Posts to one window: filtered by its mask when it is registered, as it
  // is when not. False with the platform's last error when the post failed,
  // and false without a post when the mask declines the code.
  bool NotifyWindow(win::HWND window, win::DWORD event, win::LONG param) const;
  // Posts without looking at masks.
  bool Post(win::HWND window, win::DWORD event, win::LONG param) const;

 private:
  win::UINT messageId_;
  std::vector<Registration> registrations_;
};

}  // namespace koru
