// The host link: TKORU, the non-visual component through which the plug-in
// talks to the KORU player, and its helper objects. TKORU finds or starts
// the player, binds to its automation server, receives the player's
// notifications ("WM_KORU") on a hidden window and turns them into events,
// and reads and drives the player's state through the four interfaces.
// Everything runs on the thread that created the component.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/AllocateHWnd.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "hostlink/Koru_tlb.h"
#include "hostlink/Utilcls.h"

class TKORU;

using Koru_tlb::TKORUDisplayMode;
// The player's playing device; the values are the player's.
enum TKORUDeviceType : int {};

// A font record of the player applied to a font: the character set's low
// byte; a negative size as the height in pixels, any other as points; the
// style flags 1 bold, 2 italic, 4 underline and 8 strike-out (others ignored).
void ApplyPlayerFont(TFont& Font, const std::string& Name, win::LONG Charset, win::LONG Size, win::LONG Style,
                     win::LONG Color);

// The information of one play-list track; a cleared record has empty texts
// and zero numbers.
struct TTrackInfo {
  std::string Title;
  std::string Artist;
  std::string FileName;
  std::string Text3;
  std::string LyricsName;  // not empty when the track has lyrics
  int Value1 = 0;
  int Value2 = 0;
  int Value3 = 0;
  int Kind = 0;  // 16 and 17 are CD audio tracks
  int Drive = 0;  // CD drive, 0 for a:
  int CDTrack = 0;
  int Value4 = 0;
  int Value5 = 0;
};

// One formatted text line of the player: its display text or a lyrics line.
class TLyrics : public TObject {
 public:
  TLyrics();

  std::unique_ptr<TFont> Font;
  int Line = -1;  // the player's tag of a lyrics line
  std::string Text;
  win::BYTE Alignment = 2;  // 0 left, 1 right, 2 centre
  bool WordWrap = true;
  bool ShowAccelChar = false;
  win::COLORREF Color = 0;  // background
};

// The player's play list, reached through its component.
class TPlayList : public TObject {
 public:
  explicit TPlayList(TKORU* Link) : link_(Link) {}

  TTrackInfo GetTrackInfo(int Index);
  void SetTrackInfo(int Index, const TTrackInfo& Info);
  bool GetVisible();
  void SetVisible(bool Value);

 private:
  TKORU* link_;
};

// The lines of the current lyrics, each fetched from the player when asked
// for and kept until the lyrics change.
class TLyricsList : public TObject {
 public:
  explicit TLyricsList(TKORU* Link) : link_(Link) {}

  // The player's line count; lines beyond it are forgotten.
  int GetCount();
  // The line, filled afresh from the player; null for an index outside the lines.
  TLyrics* GetLine(int Index);
  void Clear();
  std::string GetComment();
  int GetWidth();
  int GetHeight();

 private:
  TKORU* link_;
  int count_ = 0;
  std::map<int, std::unique_ptr<TLyrics>> lines_;  // the lines fetched so far, all below count_
};

// A menu or menu item of the player. Items this plug-in added (Owned) are
// withdrawn from the player's menu when their object is destroyed.
class TKORUMenu : public TComponent {
 public:
  TKORUMenu(TKORU* ALink, win::LONG AId);
  ~TKORUMenu() override;

  // Adds an item with this caption under this menu; its object, or null
  // when unbound or when the player refuses.
  TKORUMenu* Add(const std::string& Caption);
  void SetCaption(const std::string& Caption);

  TKORU* const Link;
  const win::LONG Id;
  TNotifyEvent OnClick;
  bool Owned = false;
};

// The notification groups a component may ask the player for.
enum TKORUEventType { evVolume, evSpeana, evLyrics, evCounter, evPosition, evTimer, evMove };
using TKORUEventSet = TSet<TKORUEventType>;

using TKORUSpeanaLevel = int[10];

using TKORUEvent = std::function<void(TObject* Sender, unsigned Event, int Param)>;
using TKORUParamEvent = std::function<void(TObject* Sender, int Param)>;
using TKORUVolumeEvent = std::function<void(TObject* Sender, int Left, int Right)>;
using TKORUSpeanaEvent = std::function<void(TObject* Sender, TKORUSpeanaLevel& Level)>;
using TKORUFlagEvent = std::function<void(TObject* Sender, bool Flag)>;
using TKORUDeviceEvent = std::function<void(TObject* Sender, TKORUDeviceType Device)>;
using TKORUDisplayModeEvent = std::function<void(TObject* Sender, TKORUDisplayMode Mode)>;

// The holder of the control interface.
using TCOMIKORUControlT = TComInterface<Koru_tlb::IKORUControl>;

class TKORU : public TComponent {
 public:
  // The notification mask without the optional groups.
  static constexpr unsigned kDefaultEventMask = 0xEFFFF81F;

  explicit TKORU(TComponent* AOwner);
  ~TKORU() override;
  void Loaded() override;
  // The procedure of the message window.
  virtual void WndProc(TMessage& Message);
  // Dispatches one notification of the player.
  virtual void KORUHandler(unsigned Event, int Param);

  // Finding, starting and binding the player.
  bool GetAutoLink() const { return autoLink_; }
  void SetAutoLink(bool Value);
  void Bind();
  void Unbind();
  win::HWND GetKORUHandle();
  bool Execute(const std::string& Params);
  int GetVersion();
  bool CheckVersion(int Version);
  bool IsPlugin();
  void Close();
  void Abort();
  void ShutDown();

  // The notifications.
  void NotifyOpen(win::HWND Wnd);
  void NotifyClose(win::HWND Wnd);
  void NotifyRun(int Param);
  void NotifyAbort();
  void NotifyPlayStatus(int Param);
  void NotifyVolume(int Left, int Right);
  void NotifySpeana(int Event, int Param);
  void NotifyLyrics(int Param);
  void NotifyCounter(int Param);
  void NotifyPosition(int Param);
  void NotifyTimer(int Param);
  void NotifyMove(int Left, int Top);
  void NotifyButton(int Event, int Param);
  void NotifyMenu(int Id);
  void NotifyStatus(int Type, int Param);
  void NotifyUser(unsigned Event, int Param);
  void NotifyDeleteMenu(win::LONG Id);

  // The notifications asked for, as a mask of codes or as the set `Events`
  // of optional groups.
  unsigned GetEvent();
  void SetEvent(unsigned Mask);
  TKORUEventSet GetEvents();
  void SetEvents(TKORUEventSet Value);

  int NotifyEvent(win::HWND Wnd, unsigned Event, int Param);
  bool Post(unsigned Msg, int WParam, int LParam);
  // Sends to the player and waits for its answer, 3000 ms at most.
  int Request(unsigned Msg, int WParam, int LParam);

  // Track information, texts and menus.
  TTrackInfo GetTrackInfo(int Index);
  void SetTrackInfo(int Index, const TTrackInfo& Info);
  TLyrics* GetText();
  TLyrics* GetLyricsText(int Index);
  TKORUMenu* GetMenu(win::LONG Id);
  TKORUMenu* RemoveMenu(TKORUMenu* Menu);
  void DeleteMenu(TKORUMenu* Menu);
  void ClearMenuList();

  // The player's properties.
  int GetLeft();
  void SetLeft(int Value);
  int GetTop();
  void SetTop(int Value);
  int GetWidth();
  int GetHeight();
  bool GetVisible();
  void SetVisible(bool Value);
  int GetPlayStatus();
  int GetTracks();
  int GetTrack();
  void SetTrack(int Value);
  int GetLength();
  int GetPosition();
  void SetPosition(int Value);
  int GetVolume();
  void SetVolume(int Value);
  int GetCounter();
  void SetCounter(int Value);
  bool GetRepeat();
  void SetRepeat(bool Value);
  bool GetRandom();
  void SetRandom(bool Value);
  bool GetRemainTime();
  void SetRemainTime(bool Value);
  bool GetOnTimer();
  void SetOnTimer(bool Value);
  int GetOnTime();
  void SetOnTime(int Value);
  bool GetOffTimer();
  void SetOffTimer(bool Value);
  int GetOffTime();
  void SetOffTime(int Value);
  bool GetShutDownRecord();
  void SetShutDownRecord(bool Value);
  int GetRecLevel();
  void SetRecLevel(int Value);
  int GetRate();
  void SetRate(int Value);
  int GetAdjustVolLevel();
  void SetAdjustVolLevel(int Value);
  int GetAdjustSpeanaLevel();
  void SetAdjustSpeanaLevel(int Value);
  TKORUDisplayMode GetDisplayMode();
  void SetDisplayMode(TKORUDisplayMode Value);

  // Commands and queries.
  void Play();
  void Stop();
  void Pause();
  void FF(bool Flag);
  void Rewind(bool Flag);
  void Back();
  void Next();
  void Eject();
  void Seek(int A, int B);
  void Click(int Button);
  void KeyDown(win::WORD Key, TShiftState Shift);
  void ShowMenu();
  void ShowToolMenu();
  void ShowPlayList();
  void ShowProperty();
  void SaveKORUini();
  void GetVolumes(int* Left, int* Right);
  void GetSpeana(int* Level);  // ten levels, band 0 first
  void New();
  void Add(const std::string& Name);
  void Load(const std::string& Name);
  void Save(const std::string& Name);

  // Designs, tools, colours, fonts and form images.
  std::string GetDesign();
  void SetDesign(const std::string& Name);
  bool ToolExists(const std::string& Name);
  void SetTool(const std::string& Name, const std::string& Value);
  void DeleteTool(const std::string& Name);
  win::COLORREF GetColor(int Index);
  TFont* GetFont(int Index);
  void GetFormImage(const std::string& Name);

  win::UINT MessageId = 0;  // the registered message "WM_KORU"
  win::HWND PlayerHandle{};
  std::string ExePath;
  int RunParam = 0;
  win::BYTE PluginMode = 0;
  win::HWND WindowHandle{};
  bool Bound = false;
  bool Aborting = false;
  unsigned EventMask = kDefaultEventMask;
  std::unique_ptr<TLyrics> DisplayText;
  std::unique_ptr<TLyricsList> LyricsList;
  std::unique_ptr<TPlayList> PlayList;
  TKORUMenu* Menu4000 = nullptr;
  TKORUMenu* Menu5000 = nullptr;
  TKORUMenu* Menu9000 = nullptr;
  TKORUMenu* Menu8000 = nullptr;
  std::vector<TKORUMenu*> MenuList;
  std::unique_ptr<TFont> Font;
  bool ComInitialized = false;

  TKORUEvent OnKORU;
  TNotifyEvent OnOpen;
  TNotifyEvent OnClose;
  TNotifyEvent OnRun;
  TNotifyEvent OnAbort;
  TKORUParamEvent OnPlayStatus;
  TKORUVolumeEvent OnVolume;
  TKORUSpeanaEvent OnSpeana;
  TKORUParamEvent OnLyrics;
  TKORUParamEvent OnCounter;
  TKORUParamEvent OnPosition;
  TKORUParamEvent OnIntTimer;
  TKORUEvent OnButton;
  TNotifyEvent OnMenu;
  TNotifyEvent OnBind;
  TNotifyEvent OnUnbind;
  TKORUVolumeEvent OnMove;
  TKORUVolumeEvent OnMoved;
  TKORUEvent OnStatus;
  TKORUFlagEvent OnVisible;
  TKORUFlagEvent OnActive;
  TKORUFlagEvent OnMinimize;
  TKORUFlagEvent OnStayOnTop;
  TKORUFlagEvent OnRepeat;
  TKORUFlagEvent OnRandom;
  TKORUFlagEvent OnDisplayTime;
  TKORUParamEvent OnChangeVolume;
  TKORUParamEvent OnDisplayTrack;
  TKORUParamEvent OnDisplayTitle;
  TKORUDeviceEvent OnDisplayDevice;
  TNotifyEvent OnDisplayCaption;
  TKORUParamEvent OnDisplayTimer;
  TKORUParamEvent OnOpenTrack;
  TKORUParamEvent OnCloseTrack;
  TNotifyEvent OnSaveKORUini;
  TNotifyEvent OnDesign;
  TKORUParamEvent OnClick;
  TKORUParamEvent OnDblClick;
  TNotifyEvent OnDisplayMenu;
  TKORUEvent OnUser;
  TNotifyEvent OnLoadLyrics;
  TKORUParamEvent OnChangePlayList;
  TKORUDisplayModeEvent OnChangeDisplayMode;
  TKORUParamEvent OnAdjustLevel;

 private:
  friend class TPlayList;
  friend class TLyricsList;
  friend class TKORUMenu;

  void ReleaseInterfaces();
  void ReportBindError(const std::string& Text);
  // Whether Menu is still one of this component's menu objects.
  bool IsMenu(const TKORUMenu* Menu) const;
  std::string SettingsFile() const;
  win::LONG WindowLong() const;

  TCOMIKORUControlT control_;
  TComInterface<Koru_tlb::IKORUPlayList> playList_;
  TComInterface<Koru_tlb::IKORULyrics> lyrics_;
  TComInterface<Koru_tlb::IKORUMenu> menu_;
  bool autoLink_ = true;
};

namespace Koru {

// Puts TKORU on the palette page "TOSKA".
void Register();

}  // namespace Koru
