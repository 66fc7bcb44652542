// The player's main window, the form of class "TFormKORU": plug-ins find the
// player by it, take it as the owner of their windows, and read the player's
// lyrics colours from its lyrics panel (control 19). Its labels show the
// track's title, the time and the playing state; it drives playback from its
// timer and handles the player's "WM_KORU" requests and its own deferred work.
// Its activation, minimising, new captions and clicks go to the plug-ins as
// status notifications; a click's value is the control clicked (0 for the
// window itself, 19 for the lyrics panel).
#pragma once

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/Types.h"

namespace koru {

class Player;

inline constexpr char kMainWindowClass[] = "TFormKORU";

// Messages the player posts to its own window, to do work on its thread
// after the current message.
constexpr win::UINT kApplyWindowState = 0x8000 + 1;  // WM_APP + 1: follow the player's place and visibility
constexpr win::UINT kEndPlugin = 0x8000 + 2;         // WM_APP + 2: wParam names the plug-in's module
constexpr win::UINT kCloseLater = 0x8000 + 3;        // WM_APP + 3: the player closes

}  // namespace koru

class TFormKORU : public TForm {
 public:
  TFormKORU(TComponent* AOwner, koru::Player& Player);
  ~TFormKORU() override;

  // Makes the window at the player's place, with its timer. False when the
  // platform refuses the window (its last error tells why).
  bool Open(win::LONG Left, win::LONG Top, win::LONG Width, win::LONG Height, bool Visible, win::UINT TickMs);
  // Ends the window and its timer; the form stays until it is deleted, so
  // that the player can close from inside one of the window's messages.
  void Shut();
  // Takes the player's place, visibility and texts. Other threads post
  // kApplyWindowState to the window instead.
  void Refresh();

  TLabel* LabelTitle;
  TLabel* LabelTime;
  TLabel* LabelState;
  TPanel* PanelLyrics;

 protected:
  void WndProc(TMessage& Message) override;

 private:
  bool HandlePlayerMessage(TMessage& Message);
  bool HandleWindowEvent(TMessage& Message);
  void FollowPlayerPlace();
  void ShowPlayerTexts();

  koru::Player& player_;
  // Set while Refresh moves the window to the player's place: that move is
  // an echo, not a move of the window's own to report back.
  bool applyingPlace_ = false;
  bool minimized_ = false;
  // The left button went down in the window: its release is a click.
  bool pressed_ = false;
};
