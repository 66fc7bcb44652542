// The stand-in KORU player: its play list, the simulated playback of the
// current track with its levels and lyrics, the window place, the menus,
// designs, colours and fonts, the registered plug-in windows and the
// notifications they get. Every operation of the automation interfaces
// lands here with real state behind it.
//
// The player lives on one user-interface thread, which starts it, runs its
// message loop and ends it. The state operations may be called from any
// thread: the automation object is handed out without marshalling, so a
// plug-in on another thread calls straight in; they change state under the
// player's lock and only post messages, never send them, so no call waits
// on the user-interface thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/Types.h"
#include "player/Levels.h"
#include "player/Lrc.h"
#include "player/Menus.h"
#include "player/Notifier.h"
#include "player/Playback.h"
#include "player/RemoteControl.h"
#include "player/Settings.h"
#include "player/Track.h"

class TApplication;
class TFormKORU;

namespace koru {

class KoruServer;
class PluginLoader;

constexpr win::LONG kPlayerVersion = 6150;
// Plug-in interface versions the player's automation interfaces support.
constexpr win::LONG kOldestPluginVersion = 4000;
constexpr win::LONG kNewestPluginVersion = 4300;
// Host-object versions of plug-ins the player runs.
constexpr win::LONG kOldestHostVersion = 5000;
constexpr win::LONG kNewestHostVersion = 6100;

// Mode bytes answered to a registering window.
constexpr win::BYTE kModeOtherProcess = 1;  // a program of its own, not a plug-in
constexpr win::BYTE kModePlugin = 2;        // a plug-in inside the player's process

// Player buttons, as Click numbers them.
enum PlayerButton : win::LONG {
  kButtonPlay = 0,
  kButtonStop = 1,
  kButtonPause = 2,
  kButtonBack = 3,
  kButtonNext = 4,
  kButtonTools = 5,
  kButtonPlayList = 6,
  kButtonEject = 7,
  kButtonRecord = 8,
};

// Font style flags.
constexpr win::LONG kStyleBold = 1;
constexpr win::LONG kStyleItalic = 2;
constexpr win::LONG kStyleUnderline = 4;
constexpr win::LONG kStyleStrikeOut = 8;

// Indexes of the colour and font tables.
enum ColorIndex : win::LONG {
  kColorWindow,
  kColorWindowText,
  kColorDisplay,
  kColorDisplayText,
  kColorLyrics,
  kColorLyricsText,
  kColorPlayList,
  kColorPlayListText,
  kColorCount,
};
enum FontIndex : win::LONG { kFontDisplay, kFontLyrics, kFontPlayList, kFontCount };

constexpr win::LONG kShiftJisCharset = 128;

struct FontRecord {
  std::string name;
  win::LONG charset = kShiftJisCharset;
  win::LONG size = -12;  // negative: a height in pixels; else points
  win::LONG style = 0;
  win::LONG color = 0;

  friend bool operator==(const FontRecord&, const FontRecord&) = default;
};

// One formatted text: the display text or a lyrics line.
struct TextRecord {
  win::LONG tag = -1;  // a lyrics line's time, milliseconds
  std::string text;
  win::LONG alignment = 2;  // 0 left, 1 right, 2 centre
  bool wordWrap = true;
  bool showAccelChar = false;
  FontRecord font;
  win::LONG backColor = 0;
};

// What changed, for a watcher that reports the player elsewhere (the
// session bus): the values a change of each kind may have touched.
enum class PlayerChange {
  kStatus,    // the play status
  kTrack,     // the current track or its texts and length
  kPlayList,  // the tracks of the play list
  kVolume,
  kRepeat,
  kRandom,
  kRate,
  kSeeked,    // the position jumped (it moves on by itself otherwise)
};

struct PlayerOptions {
  // The player's executable as a Windows path; the settings file lies beside
  // it. Empty: the running program.
  std::string exePath;
  win::LONG version = kPlayerVersion;
  // Window place at the first start (the settings file's wins afterwards).
  win::LONG width = 400;
  win::LONG height = 120;
  bool visible = true;
  // False: start from the default settings, as on a first run (the
  // settings file is still written when the player closes).
  bool readSettings = true;
  // How often playback moves on, in milliseconds of the platform clock.
  win::UINT tickMs = 100;
  unsigned randomSeed = 1;
  // Told what happens, a line at a time (code page 932), for people.
  std::function<void(const std::string&)> report;
};

class Player {
 public:
  explicit Player(PlayerOptions options = {});
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // ---- Life, on the user-interface thread --------------------------------

  // Reads the settings, registers the executable's path, creates the main
  // window, offers the automation class (the thread must have initialised
  // COM) and broadcasts the open notification. False when the window or the
  // class object cannot be made.
  bool Start();
  // Tells every registered window that the player closes, ends the plug-ins,
  // saves the settings, withdraws the automation class and destroys the
  // window. Posts WM_QUIT so that the message loop ends. Safe to call twice.
  void Quit();
  bool Running() const;
  // One step of playback: the position, levels, lyrics line and timers move
  // on to the platform clock's present; called by the main window's timer.
  void Tick();

  win::HWND MainWindowHandle() const;
  const std::string& ExePath() const { return exePath_; }
  const std::string& SettingsPath() const { return settings_.Path(); }
  PluginLoader& Plugins() { return *plugins_; }
  // The main window's form while the player runs; for its own thread.
  TFormKORU* Form() const { return window_.get(); }
  KoruServer& Server() { return *server_; }
  const Notifier& Notifications() const { return notifier_; }
  win::UINT MessageId() const { return notifier_.MessageId(); }

  // ---- IKORUControl ------------------------------------------------------

  win::LONG Version() const;
  void SetVersion(win::LONG version);
  win::HRESULT CheckVersion(win::LONG version) const;
  win::LONG Handle() const;
  bool Visible() const;
  void SetVisible(bool visible);
  win::LONG Left() const;
  win::LONG Top() const;
  win::LONG Width() const;
  win::LONG Height() const;
  void SetLeft(win::LONG left);
  void SetTop(win::LONG top);
  // A move of the main window; `finished` adds the moved status, as the end
  // of a drag does.
  void MoveTo(win::LONG left, win::LONG top, bool finished = false);
  void SetStayOnTop(bool on);
  PlayStatus Status() const;
  win::LONG Track() const;
  win::HRESULT SetTrack(win::LONG index);
  win::LONG Position() const;
  void SetPosition(win::LONG ms);
  win::LONG Length() const;
  win::LONG Volume() const;
  void SetVolume(win::LONG volume);
  win::LONG Counter() const;
  void SetCounter(win::LONG ms);
  bool Repeat() const;
  void SetRepeat(bool on);
  bool Random() const;
  void SetRandom(bool on);
  bool RemainTime() const;
  void SetRemainTime(bool on);
  std::string Design() const;
  // Takes a design file (relative names from the player's folder): its
  // colours, when it has any, and the settings file's entry.
  void SetDesign(const std::string& name);
  win::LONG DisplayMode() const;
  void SetDisplayMode(win::LONG mode);
  bool OnTimer() const;
  void SetOnTimer(bool on);
  win::LONG OnTime() const;
  void SetOnTime(win::LONG minutes);
  bool OffTimer() const;
  void SetOffTimer(bool on);
  win::LONG OffTime() const;
  void SetOffTime(win::LONG minutes);
  bool ShutDownRecord() const;
  void SetShutDownRecord(bool on);
  win::LONG RecLevel() const;
  void SetRecLevel(win::LONG level);
  win::LONG Rate() const;
  void SetRate(win::LONG percent);
  win::LONG AdjustVolLevel() const;
  void SetAdjustVolLevel(win::LONG level);
  win::LONG AdjustSpeanaLevel() const;
  void SetAdjustSpeanaLevel(win::LONG level);

  win::HRESULT AddPlugin(win::LONG instance, win::LONG processId, win::LONG window, win::BYTE* mode,
                         win::LONG* runValue);
  win::HRESULT RemovePlugin(win::LONG window);
  win::HRESULT Abort(win::LONG window);
  // Both end the player once the current message is handled.
  void Close();
  void ShutDown();
  win::HRESULT GetEvent(win::LONG window, win::LONG* mask);
  win::HRESULT SetEvent(win::LONG window, win::LONG mask);
  // To one window, as asked (no mask applies); to every registered window,
  // through their masks, for window 0.
  win::HRESULT NotifyEvent(win::LONG window, win::DWORD event, win::LONG param);
  // Posts to every registered window through their masks; answers how many got it.
  int NotifyPlugins(win::DWORD event, win::LONG param);
  // A plug-in has ended: the windows it registered, and their menu items, go.
  void ForgetPlugin(win::HMODULE module);

  void Stop();
  void Pause();
  void Play();
  void FastForward(bool on);
  void Rewind(bool on);
  win::HRESULT Next();
  win::HRESULT Back();
  void Eject();
  // Goes to track `track` (-1: the current one) at `positionMs`.
  win::HRESULT Seek(win::LONG track, win::LONG positionMs);
  void ShowPlayList();
  void ShowProperty();
  void ShowMenu();
  void ShowToolMenu();
  win::HRESULT Click(win::LONG button);
  win::HRESULT KeyDown(win::LONG key, win::LONG shift);
  TextRecord DisplayText() const;
  Levels CurrentLevels() const;
  // Writes the settings file; false with the platform's last error.
  bool SaveSettings();
  win::HRESULT Color(win::LONG index, win::LONG* color) const;
  win::HRESULT Font(win::LONG index, FontRecord* font) const;
  win::HRESULT FormImage(const std::string& form);
  std::string LastFormImage() const;

  // ---- IKORUPlayList -----------------------------------------------------

  win::LONG Tracks() const;
  bool PlayListVisible() const;
  void SetPlayListVisible(bool visible);
  void NewPlayList();
  win::HRESULT AddFile(const std::string& name);
  win::HRESULT LoadPlayList(const std::string& name);
  win::HRESULT SavePlayList(const std::string& name) const;
  win::HRESULT GetTrackInfo(win::LONG index, koru::Track* track) const;
  win::HRESULT SetTrackInfo(win::LONG index, const koru::Track& track);

  // ---- IKORULyrics -------------------------------------------------------

  win::LONG LyricsLines() const;
  std::string LyricsComment() const;
  win::LONG LyricsWidth() const;
  win::LONG LyricsHeight() const;
  win::HRESULT LyricsLine(win::LONG index, TextRecord* line) const;
  // The lyrics line showing now, or -1.
  win::LONG CurrentLyricsLine() const;

  // ---- IKORUMenu ---------------------------------------------------------

  win::HRESULT MenuAdd(win::LONG window, win::LONG parent, const std::string& caption, win::LONG* id);
  win::HRESULT MenuDelete(win::LONG id);
  win::HRESULT MenuSetCaption(win::LONG id, const std::string& caption);
  // A person clicks an item: its window is told. E_INVALIDARG for an unknown id.
  win::HRESULT ClickMenu(win::LONG id);
  // The player itself takes an item away and tells the window that added it.
  win::HRESULT RemoveMenuItem(win::LONG id);
  std::vector<MenuItem> MenuItems(win::LONG parent) const;
  std::string MenuCaption(win::LONG id) const;

  // ---- Following another player ------------------------------------------

  // Commands that change playback (play, pause, stop, next, back, seek and
  // position, track, volume, repeat, random) go to `remote` instead of the
  // simulation; null simulates again. The position still moves on with the
  // clock between the reports of the followed player, but a track's end no
  // longer moves to the next one: the followed player says what comes.
  void SetRemote(RemoteControl* remote);
  // The followed player's play list and its current track (-1: none).
  // `reopen` opens the current track anew even when it looks the same, as
  // when the other player moved on to an equal track.
  void FollowTracks(std::vector<koru::Track> tracks, win::LONG current, bool reopen);
  // Its play status, the position at this moment and its rate in percent.
  void FollowPlayback(PlayStatus status, win::LONG positionMs, win::LONG ratePercent);
  // Its position jumped.
  void FollowPosition(win::LONG positionMs);
  void FollowVolume(win::LONG volume);
  void FollowRepeat(bool on);
  void FollowRandom(bool on);

  // Told of every change, under the player's lock and on any thread: the
  // watcher must not block nor call the player back.
  void SetWatcher(std::function<void(PlayerChange)> watcher);

  // ---- Messages to the main window ---------------------------------------

  // A plug-in's link announced its window: it hears that the player is open.
  void Hello(win::HWND window);
  // The "Tool" section of the settings file changed.
  void ReloadTools();
  // The main window's own events (activated, minimised, a new caption, a
  // click or double click) for the registered windows.
  void MainWindowEvent(StatusCode code, win::LONG param);
  ToolList Tools() const;

  // The texts of the main window.
  struct MainTexts {
    std::string caption;  // title, time and state in one line
    std::string title;    // the track's number and title; empty without a track
    std::string time;     // position and length
    std::string state;    // the playing state
  };
  MainTexts Texts() const;
  // The player's state, a line per value, for people and scenario files.
  std::vector<std::string> Describe() const;

 private:

  win::ULONGLONG Now() const;
  void Report(const std::string& line) const;
  void Changed(PlayerChange change) const;
  // Sends a command to the followed player; false when there is none.
  bool Forward(RemoteCommand command, win::LONG value = 0);
  void ApplyVolume(win::LONG volume);
  void ApplyRepeat(bool on);
  void ApplyRandom(bool on);
  void NotifyStatus(StatusCode code, win::LONG param);
  void DeliverPendingNotifications(const std::vector<Registration>& registrations);
  void NotifyPlayStatusIfChanged(PlayStatus before);
  void OpenTrack(win::LONG index, bool play);
  void CloseTrack();
  void TrackEnded();
  win::LONG NextIndex(bool wrap);
  void LoadLyrics();
  void UpdateMoving(bool force);
  void CheckTimers();
  void ApplyDesignColors(const std::string& path);
  TextRecord LyricsText(const std::string& text, win::LONG tag) const;
  win::LONG TimerFlags() const;
  void WindowChanged() const;

  mutable std::recursive_mutex mutex_;
  PlayerOptions options_;
  std::string exePath_;
  SettingsFile settings_;
  PlayerSettings state_;
  Notifier notifier_;
  PlayerMenus menus_;
  std::vector<koru::Track> tracks_;
  win::LONG current_ = -1;
  win::LONG device_ = 0;  // the kind of track the display shows, 0 before the first
  Playback playback_;
  LrcDocument lyrics_;
  win::LONG lyricsLine_ = -1;
  win::LONG counter_ = 0;
  win::LONG lastPosition_ = -1;
  Levels levels_;
  bool visible_ = true;
  bool stayOnTop_ = false;
  bool playListVisible_ = false;
  bool onTimer_ = false;
  bool offTimer_ = false;
  bool shutDownRecord_ = false;
  win::LONG onTime_ = 0;
  win::LONG offTime_ = 0;
  win::LONG lastTimerMinute_ = -1;
  win::LONG runCounter_ = 0;
  win::LONG colors_[kColorCount] = {};
  FontRecord fonts_[kFontCount];
  std::string lastFormImage_;
  ToolList tools_;
  std::mt19937 random_;
  bool running_ = false;
  win::DWORD classCookie_ = 0;
  std::unique_ptr<TApplication> application_;  // when the program has none of its own
  std::unique_ptr<TFormKORU> window_;
  win::HWND mainWindow_{};  // the window's handle for other threads, while the player runs
  std::unique_ptr<PluginLoader> plugins_;
  KoruServer* server_ = nullptr;  // holds one reference
  RemoteControl* remote_ = nullptr;
  std::function<void(PlayerChange)> watcher_;
};

}  // namespace koru
