#include "player/Player.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/SysUtils.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "player/AppPaths.h"
#include "player/MainWindow.h"
#include "player/PlayListFile.h"
#include "player/PluginLoader.h"
#include "player/Server.h"
#include "player/TextFile.h"

namespace koru {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

constexpr win::LONG kMaxVolume = 1000;
constexpr win::LONG kVolumeStep = 50;

// Virtual keys the player answers.
constexpr win::LONG kKeySpace = 0x20;
constexpr win::LONG kKeyLeft = 0x25;
constexpr win::LONG kKeyUp = 0x26;
constexpr win::LONG kKeyRight = 0x27;
constexpr win::LONG kKeyDown = 0x28;
constexpr win::LONG kKeyR = 0x52;
constexpr win::LONG kKeyS = 0x53;

// Forms whose image a plug-in may ask for.
constexpr const char* kForms[] = {"Main", "PlayList", "Lyrics", "Property"};

std::string RunningProgramPath() {
  char path[win::MAX_PATH * 4] = {};
  win::GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

win::HWND WindowOf(win::LONG handle) { return win::HandleFromId<win::HWND>(static_cast<uint32_t>(handle)); }

win::LONG Packed(win::LONG low, win::LONG high) {
  return win::MAKELONG(static_cast<win::WORD>(low), static_cast<win::WORD>(high));
}

const char* StatusName(PlayStatus status) {
  switch (status) {
    case kStatusNotReady:
      return "not ready";
    case kStatusStopped:
      return "stopped";
    case kStatusPlaying:
      return "playing";
    case kStatusRecording:
      return "recording";
    case kStatusSeeking:
      return "seeking";
    case kStatusPaused:
      return "paused";
    case kStatusOpen:
      return "open";
  }
  return "?";
}

std::string Clock(win::LONG ms) {
  const win::LONG seconds = std::max<win::LONG>(ms, 0) / 1000;
  return FormatC("%02d:%02d", {seconds / 60, seconds % 60});
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

}  // namespace

Player::Player(PlayerOptions options)
    : options_(std::move(options)),
      exePath_(options_.exePath.empty() ? RunningProgramPath() : options_.exePath),
      settings_(ChangeFileExt(exePath_, ".ini")),
      random_(options_.randomSeed),
            plugins_(std::make_unique<PluginLoader>(*this)),
      server_(new KoruServer(*this)) {
  visible_ = options_.visible;
  colors_[kColorWindow] = 0x00303030;
  colors_[kColorWindowText] = 0x00E0E0E0;
  colors_[kColorDisplay] = 0x00000000;
  colors_[kColorDisplayText] = 0x0000FF00;
  colors_[kColorLyrics] = 0x00000000;
  colors_[kColorLyricsText] = 0x00FFFFFF;
  colors_[kColorPlayList] = 0x00FFFFFF;
  colors_[kColorPlayListText] = 0x00000000;
  fonts_[kFontDisplay] = {SJ("ＭＳ ゴシック"), kShiftJisCharset, -12, kStyleBold, colors_[kColorDisplayText]};
  fonts_[kFontLyrics] = {SJ("ＭＳ Ｐゴシック"), kShiftJisCharset, -12, 0, colors_[kColorLyricsText]};
  fonts_[kFontPlayList] = {SJ("ＭＳ Ｐゴシック"), kShiftJisCharset, -12, 0, colors_[kColorPlayListText]};
}

Player::~Player() {
  Quit();
  plugins_.reset();
  server_->Disconnect();
  server_->Release();
}

// ---- Life ---------------------------------------------------------------------

bool Player::Start() {
  {
    Lock lock(mutex_);
    if (running_) return true;
    if (options_.readSettings) state_ = settings_.Load();
    if (!state_.design.empty()) {
      state_.design = ResolvePath(ExtractFileDir(exePath_), state_.design);
      ApplyDesignColors(state_.design);
    }
    playback_.SetRate(state_.rate, Now());
    tools_ = settings_.Tools();
  }
  if (RegisterPlayerPath(exePath_) != win::ERROR_SUCCESS) Report("could not register the player's path");
  // The player is a framework program: plug-ins built on the framework
  // reach its application object.
  if (!Application) application_ = std::make_unique<TApplication>(nullptr);
  window_ = std::make_unique<TFormKORU>(nullptr, *this);
  if (!window_->Open(state_.left, state_.top, options_.width, options_.height, visible_, options_.tickMs)) {
    window_.reset();
    return false;
  }
  if (win::FAILED(server_->RegisterClassObject(&classCookie_))) {
    window_.reset();
    return false;
  }
  {
    Lock lock(mutex_);
    running_ = true;
    mainWindow_ = window_->Handle();
  }
  // Plug-in links created before the player started learn of it now.
  notifier_.Post(win::HWND_BROADCAST, kNotifyOpen, Handle());
  window_->Refresh();
  Report("KORU " + IntToStr(static_cast<int>(Version())) + " started");
  return true;
}

void Player::Quit() {
  std::vector<Registration> registrations;
  {
    Lock lock(mutex_);
    if (!running_) return;
    running_ = false;
    registrations = notifier_.Registrations();
  }
  for (const Registration& r : registrations) notifier_.NotifyWindow(r.window, kNotifyClose, Handle());
  DeliverPendingNotifications(registrations);
  plugins_->EndAll();
  {
    Lock lock(mutex_);
    for (const Registration& r : registrations) notifier_.Unregister(r.window);
    if (!SaveSettings()) Report("could not save the settings file");
  }
  server_->Disconnect();
  if (classCookie_) win::CoRevokeClassObject(classCookie_);
  classCookie_ = 0;
  {
    Lock lock(mutex_);
    mainWindow_ = nullptr;
  }
  window_->Shut();
  application_.reset();
  win::PostQuitMessage(0);
  Report("KORU closed");
}

// The windows of this thread, the plug-ins' among them, get what was posted
// to them before the plug-ins end and take their windows with them.
void Player::DeliverPendingNotifications(const std::vector<Registration>& registrations) {
  const win::DWORD thread = win::GetCurrentThreadId();
  for (const Registration& r : registrations) {
    if (win::GetWindowThreadProcessId(r.window, nullptr) != thread) continue;
    win::MSG msg;
    while (win::PeekMessageA(&msg, r.window, MessageId(), MessageId(), win::PM_REMOVE)) win::DispatchMessageA(&msg);
  }
}

bool Player::Running() const {
  Lock lock(mutex_);
  return running_;
}

void Player::Tick() {
  {
    Lock lock(mutex_);
    if (!running_) return;
    if (!remote_ && playback_.AtEnd(Now())) TrackEnded();
    UpdateMoving(false);
    CheckTimers();
  }
  window_->Refresh();
}

win::HWND Player::MainWindowHandle() const {
  Lock lock(mutex_);
  return mainWindow_;
}

win::ULONGLONG Player::Now() const { return win::GetTickCount64(); }

void Player::Report(const std::string& line) const {
  if (options_.report) options_.report(line);
}

void Player::Changed(PlayerChange change) const {
  if (watcher_) watcher_(change);
}

bool Player::Forward(RemoteCommand command, win::LONG value) {
  if (!remote_) return false;
  remote_->Send(command, value);
  return true;
}

void Player::NotifyStatus(StatusCode code, win::LONG param) { notifier_.NotifyAll(StatusEvent(code), param); }

void Player::NotifyPlayStatusIfChanged(PlayStatus before) {
  const PlayStatus now = playback_.Status();
  if (now == before) return;
  notifier_.NotifyAll(kNotifyPlayStatus, now);
  Changed(PlayerChange::kStatus);
  Report(std::string("status: ") + StatusName(now));
}

void Player::WindowChanged() const {
  Lock lock(mutex_);
  if (mainWindow_) win::PostMessageA(mainWindow_, kApplyWindowState, 0, 0);
}

// ---- Playback -----------------------------------------------------------------

void Player::OpenTrack(win::LONG index, bool play) {
  const PlayStatus before = playback_.Status();
  CloseTrack();
  current_ = index;
  const koru::Track& track = tracks_[index];
  playback_.Load(track.length, Now());
  if (play) playback_.Play(Now());
  LoadLyrics();
  counter_ = 0;
  NotifyStatus(kStatusOpenTrack, index);
  if (track.kind != device_) {
    device_ = track.kind;
    NotifyStatus(kStatusDisplayDevice, device_);
  }
  NotifyStatus(kStatusDisplayTrack, index + 1);
  NotifyStatus(kStatusDisplayTitle, index);
  NotifyStatus(kStatusLoadLyrics, 0);
  NotifyPlayStatusIfChanged(before);
  UpdateMoving(true);
  Changed(PlayerChange::kTrack);
  Report(FormatC("track %d: %s", {index + 1, track.title}) + (track.artist.empty() ? "" : " / " + track.artist));
}

void Player::CloseTrack() {
  if (current_ >= 0) NotifyStatus(kStatusCloseTrack, current_);
}

win::LONG Player::NextIndex(bool wrap) {
  const win::LONG count = static_cast<win::LONG>(tracks_.size());
  if (count == 0) return -1;
  if (state_.random && count > 1) {
    std::uniform_int_distribution<win::LONG> pick(0, count - 2);
    const win::LONG other = pick(random_);
    return other >= current_ ? other + 1 : other;
  }
  const win::LONG next = current_ + 1;
  if (next < count) return next;
  return wrap ? 0 : -1;
}

void Player::TrackEnded() {
  const PlayStatus before = playback_.Status();
  if (before == kStatusSeeking && playback_.Position(Now()) == 0) {
    playback_.Seek(false, false, Now());
    NotifyPlayStatusIfChanged(before);
    return;
  }
  const win::LONG next = NextIndex(state_.repeat);
  if (next < 0) {
    playback_.Stop(Now());
    counter_ = 0;
    NotifyPlayStatusIfChanged(before);
    Report("end of the play list");
    return;
  }
  OpenTrack(next, true);
}

void Player::LoadLyrics() {
  lyrics_ = {};
  lyricsLine_ = -1;
  if (current_ < 0) return;
  const std::string& name = tracks_[current_].lyricsName;
  std::string text;
  if (!name.empty() && ReadTextFile(name, text)) lyrics_ = ParseLrc(text);
}

void Player::UpdateMoving(bool force) {
  const win::LONG position = playback_.Position(Now());
  if (playback_.Running()) counter_ = position;
  if (force || position != lastPosition_) {
    lastPosition_ = position;
    notifier_.NotifyAll(kNotifyCounter, counter_);
    notifier_.NotifyAll(kNotifyPosition, position);
  }
  const Levels levels =
      playback_.Running() && playback_.Status() != kStatusSeeking
          ? LevelsAt(current_, position, state_.volume, state_.adjustVolLevel, state_.adjustSpeanaLevel)
          : Levels{};
  if (force || levels != levels_) {
    levels_ = levels;
    notifier_.NotifyAll(kNotifyVolume, ChannelParam(levels));
    notifier_.NotifyAll(SpectrumEvent(levels), SpectrumParam(levels));
  }
  const win::LONG line = lyrics_.lines.empty() ? -1 : LineAt(lyrics_, position);
  if (line != lyricsLine_) {
    lyricsLine_ = line;
    notifier_.NotifyAll(kNotifyLyrics, line);
  }
}

win::LONG Player::TimerFlags() const { return (onTimer_ ? 1 : 0) | (offTimer_ ? 2 : 0) | (shutDownRecord_ ? 4 : 0); }

void Player::CheckTimers() {
  win::SYSTEMTIME now{};
  win::GetLocalTime(&now);
  const win::LONG minute = now.wHour * 60 + now.wMinute;
  if (minute == lastTimerMinute_) return;
  lastTimerMinute_ = minute;
  if (onTimer_ && minute == onTime_) {
    onTimer_ = false;
    Play();
    notifier_.NotifyAll(kNotifyTimer, 1);
    NotifyStatus(kStatusDisplayTimer, TimerFlags());
    Report("on-timer: play");
  }
  if (offTimer_ && minute == offTime_) {
    offTimer_ = false;
    Stop();
    notifier_.NotifyAll(kNotifyTimer, 2);
    NotifyStatus(kStatusDisplayTimer, TimerFlags());
    Report("off-timer: stop");
  }
}

// ---- IKORUControl: version and window -----------------------------------------

win::LONG Player::Version() const {
  Lock lock(mutex_);
  return options_.version;
}

void Player::SetVersion(win::LONG version) {
  Lock lock(mutex_);
  options_.version = version;
}

win::HRESULT Player::CheckVersion(win::LONG version) const {
  return version >= kOldestPluginVersion && version <= kNewestPluginVersion ? win::S_OK : win::S_FALSE;
}

win::LONG Player::Handle() const { return static_cast<win::LONG>(win::HandleId(MainWindowHandle())); }

bool Player::Visible() const {
  Lock lock(mutex_);
  return visible_;
}

void Player::SetVisible(bool visible) {
  Lock lock(mutex_);
  if (visible == visible_) return;
  visible_ = visible;
  NotifyStatus(kStatusVisible, visible ? 1 : 0);
  WindowChanged();
  Report(visible ? "window shown" : "window hidden");
}

win::LONG Player::Left() const {
  Lock lock(mutex_);
  return state_.left;
}

win::LONG Player::Top() const {
  Lock lock(mutex_);
  return state_.top;
}

win::LONG Player::Width() const { return options_.width; }
win::LONG Player::Height() const { return options_.height; }

void Player::SetLeft(win::LONG left) {
  Lock lock(mutex_);
  MoveTo(left, state_.top);
}

void Player::SetTop(win::LONG top) {
  Lock lock(mutex_);
  MoveTo(state_.left, top);
}

void Player::MoveTo(win::LONG left, win::LONG top, bool finished) {
  Lock lock(mutex_);
  if (left != state_.left || top != state_.top) {
    state_.left = left;
    state_.top = top;
    notifier_.NotifyAll(kNotifyMove, Packed(left, top));
    WindowChanged();
    Report(FormatC("window moved to %d, %d", {left, top}));
  }
  if (finished) NotifyStatus(kStatusMoved, Packed(left, top));
}

void Player::SetStayOnTop(bool on) {
  Lock lock(mutex_);
  if (on == stayOnTop_) return;
  stayOnTop_ = on;
  NotifyStatus(kStatusStayOnTop, on ? 1 : 0);
  Report(std::string("stay on top ") + OnOff(on));
}

// ---- IKORUControl: playback values --------------------------------------------

PlayStatus Player::Status() const {
  Lock lock(mutex_);
  return playback_.Status();
}

win::LONG Player::Track() const {
  Lock lock(mutex_);
  return current_;
}

win::HRESULT Player::SetTrack(win::LONG index) {
  Lock lock(mutex_);
  if (index < 0 || index >= static_cast<win::LONG>(tracks_.size())) return win::E_INVALIDARG;
  if (Forward(RemoteCommand::kGoTo, index)) return win::S_OK;
  OpenTrack(index, false);
  return win::S_OK;
}

win::LONG Player::Position() const {
  Lock lock(mutex_);
  return playback_.Position(Now());
}

void Player::SetPosition(win::LONG ms) {
  Lock lock(mutex_);
  if (current_ < 0 || Forward(RemoteCommand::kSetPosition, ms)) return;
  playback_.SetPosition(ms, Now());
  counter_ = playback_.Position(Now());
  UpdateMoving(true);
  Changed(PlayerChange::kSeeked);
}

win::LONG Player::Length() const {
  Lock lock(mutex_);
  return playback_.Length();
}

win::LONG Player::Volume() const {
  Lock lock(mutex_);
  return state_.volume;
}

void Player::SetVolume(win::LONG volume) {
  Lock lock(mutex_);
  volume = std::clamp<win::LONG>(volume, 0, kMaxVolume);
  if (!Forward(RemoteCommand::kSetVolume, volume)) ApplyVolume(volume);
}

void Player::ApplyVolume(win::LONG volume) {
  volume = std::clamp<win::LONG>(volume, 0, kMaxVolume);
  if (volume == state_.volume) return;
  state_.volume = volume;
  NotifyStatus(kStatusChangeVolume, volume);
  Changed(PlayerChange::kVolume);
  Report("volume " + IntToStr(static_cast<int>(volume)));
}

win::LONG Player::Counter() const {
  Lock lock(mutex_);
  return counter_;
}

void Player::SetCounter(win::LONG ms) {
  Lock lock(mutex_);
  counter_ = ms;
  notifier_.NotifyAll(kNotifyCounter, ms);
}

bool Player::Repeat() const {
  Lock lock(mutex_);
  return state_.repeat;
}

void Player::SetRepeat(bool on) {
  Lock lock(mutex_);
  if (!Forward(RemoteCommand::kSetRepeat, on ? 1 : 0)) ApplyRepeat(on);
}

void Player::ApplyRepeat(bool on) {
  if (on == state_.repeat) return;
  state_.repeat = on;
  NotifyStatus(kStatusRepeat, on ? 1 : 0);
  Changed(PlayerChange::kRepeat);
  Report(std::string("repeat ") + OnOff(on));
}

bool Player::Random() const {
  Lock lock(mutex_);
  return state_.random;
}

void Player::SetRandom(bool on) {
  Lock lock(mutex_);
  if (!Forward(RemoteCommand::kSetRandom, on ? 1 : 0)) ApplyRandom(on);
}

void Player::ApplyRandom(bool on) {
  if (on == state_.random) return;
  state_.random = on;
  NotifyStatus(kStatusRandom, on ? 1 : 0);
  Changed(PlayerChange::kRandom);
  Report(std::string("random ") + OnOff(on));
}

bool Player::RemainTime() const {
  Lock lock(mutex_);
  return state_.remainTime;
}

void Player::SetRemainTime(bool on) {
  Lock lock(mutex_);
  if (on == state_.remainTime) return;
  state_.remainTime = on;
  NotifyStatus(kStatusDisplayTime, on ? 1 : 0);
}

std::string Player::Design() const {
  Lock lock(mutex_);
  return state_.design;
}

void Player::SetDesign(const std::string& name) {
  Lock lock(mutex_);
  state_.design = ResolvePath(ExtractFileDir(exePath_), name);
  ApplyDesignColors(state_.design);
  if (!settings_.SaveDesign(state_.design)) Report("could not save the design in the settings file");
  NotifyStatus(kStatusDesign, 0);
  Report("design " + (state_.design.empty() ? std::string("(none)") : state_.design));
}

void Player::ApplyDesignColors(const std::string& path) {
  if (path.empty() || !FileExists(path)) return;
  for (win::LONG i = 0; i < kColorCount; ++i) {
    const std::string key = IntToStr(static_cast<int>(i));
    colors_[i] = static_cast<win::LONG>(win::GetPrivateProfileIntA("Color", key.c_str(), colors_[i], path.c_str()));
  }
  fonts_[kFontDisplay].color = colors_[kColorDisplayText];
  fonts_[kFontLyrics].color = colors_[kColorLyricsText];
  fonts_[kFontPlayList].color = colors_[kColorPlayListText];
}

win::LONG Player::DisplayMode() const {
  Lock lock(mutex_);
  return state_.displayMode;
}

void Player::SetDisplayMode(win::LONG mode) {
  Lock lock(mutex_);
  if (mode == state_.displayMode) return;
  state_.displayMode = mode;
  NotifyStatus(kStatusDisplayMode, mode);
}

bool Player::OnTimer() const {
  Lock lock(mutex_);
  return onTimer_;
}

void Player::SetOnTimer(bool on) {
  Lock lock(mutex_);
  if (on == onTimer_) return;
  onTimer_ = on;
  NotifyStatus(kStatusDisplayTimer, TimerFlags());
}

win::LONG Player::OnTime() const {
  Lock lock(mutex_);
  return onTime_;
}

void Player::SetOnTime(win::LONG minutes) {
  Lock lock(mutex_);
  onTime_ = minutes;
}

bool Player::OffTimer() const {
  Lock lock(mutex_);
  return offTimer_;
}

void Player::SetOffTimer(bool on) {
  Lock lock(mutex_);
  if (on == offTimer_) return;
  offTimer_ = on;
  NotifyStatus(kStatusDisplayTimer, TimerFlags());
}

win::LONG Player::OffTime() const {
  Lock lock(mutex_);
  return offTime_;
}

void Player::SetOffTime(win::LONG minutes) {
  Lock lock(mutex_);
  offTime_ = minutes;
}

bool Player::ShutDownRecord() const {
  Lock lock(mutex_);
  return shutDownRecord_;
}

void Player::SetShutDownRecord(bool on) {
  Lock lock(mutex_);
  if (on == shutDownRecord_) return;
  shutDownRecord_ = on;
  NotifyStatus(kStatusDisplayTimer, TimerFlags());
}

win::LONG Player::RecLevel() const {
  Lock lock(mutex_);
  return state_.recLevel;
}

void Player::SetRecLevel(win::LONG level) {
  Lock lock(mutex_);
  state_.recLevel = level;
}

win::LONG Player::Rate() const {
  Lock lock(mutex_);
  return state_.rate;
}

void Player::SetRate(win::LONG percent) {
  Lock lock(mutex_);
  state_.rate = std::max<win::LONG>(percent, 1);
  playback_.SetRate(state_.rate, Now());
  Changed(PlayerChange::kRate);
}

win::LONG Player::AdjustVolLevel() const {
  Lock lock(mutex_);
  return state_.adjustVolLevel;
}

void Player::SetAdjustVolLevel(win::LONG level) {
  Lock lock(mutex_);
  if (level == state_.adjustVolLevel) return;
  state_.adjustVolLevel = level;
  NotifyStatus(kStatusAdjustLevel, level);
}

win::LONG Player::AdjustSpeanaLevel() const {
  Lock lock(mutex_);
  return state_.adjustSpeanaLevel;
}

void Player::SetAdjustSpeanaLevel(win::LONG level) {
  Lock lock(mutex_);
  if (level == state_.adjustSpeanaLevel) return;
  state_.adjustSpeanaLevel = level;
  NotifyStatus(kStatusAdjustLevel, level);
}

// ---- IKORUControl: plug-in windows --------------------------------------------

win::HRESULT Player::AddPlugin(win::LONG instance, win::LONG processId, win::LONG window, win::BYTE* mode,
                               win::LONG* runValue) {
  Lock lock(mutex_);
  if (!win::IsWindow(WindowOf(window))) return win::E_INVALIDARG;
  Registration r;
  r.window = WindowOf(window);
  r.instance = win::HandleFromId<win::HINSTANCE>(static_cast<uint32_t>(instance));
  r.processId = static_cast<win::DWORD>(processId);
  if (const Registration* known = notifier_.Find(r.window)) r.mask = known->mask;
  r.mode = r.processId == win::GetCurrentProcessId() ? kModePlugin : kModeOtherProcess;
  r.runValue = ++runCounter_;
  notifier_.Register(r);
  if (mode) *mode = r.mode;
  if (runValue) *runValue = r.runValue;
  notifier_.NotifyWindow(r.window, kNotifyRun, r.runValue);
  Report(FormatC("plug-in window %d registered", {window}));
  return win::S_OK;
}

win::HRESULT Player::RemovePlugin(win::LONG window) {
  Lock lock(mutex_);
  if (!notifier_.Unregister(WindowOf(window))) return win::S_FALSE;
  menus_.RemoveOwnedBy(WindowOf(window));
  Report(FormatC("plug-in window %d removed", {window}));
  return win::S_OK;
}

void Player::ForgetPlugin(win::HMODULE module) {
  Lock lock(mutex_);
  std::vector<win::HWND> windows;
  for (const Registration& r : notifier_.Registrations()) {
    if (r.instance == module) windows.push_back(r.window);
  }
  for (win::HWND w : windows) {
    notifier_.Unregister(w);
    menus_.RemoveOwnedBy(w);
  }
}

win::HRESULT Player::Abort(win::LONG window) {
  Lock lock(mutex_);
  const Registration* r = notifier_.Find(WindowOf(window));
  if (!r) return win::E_INVALIDARG;
  notifier_.Post(r->window, kNotifyAbort, 0);
  // The plug-in hears of its abort before it is ended.
  if (plugins_->IsLoaded(r->instance)) {
    win::PostMessageA(mainWindow_, kEndPlugin, static_cast<win::WPARAM>(win::HandleId(r->instance)), 0);
  }
  Report(FormatC("plug-in window %d aborted", {window}));
  return win::S_OK;
}

void Player::Close() {
  Lock lock(mutex_);
  Report("closing");
  win::PostMessageA(mainWindow_, kCloseLater, 0, 0);
}

void Player::ShutDown() {
  Lock lock(mutex_);
  Report("shutting down");
  win::PostMessageA(mainWindow_, kCloseLater, 0, 0);
}

win::HRESULT Player::GetEvent(win::LONG window, win::LONG* mask) {
  Lock lock(mutex_);
  const Registration* r = notifier_.Find(WindowOf(window));
  if (!r) return win::E_INVALIDARG;
  if (mask) *mask = static_cast<win::LONG>(r->mask);
  return win::S_OK;
}

win::HRESULT Player::SetEvent(win::LONG window, win::LONG mask) {
  Lock lock(mutex_);
  Registration* r = notifier_.Find(WindowOf(window));
  if (!r) return win::E_INVALIDARG;
  r->mask = static_cast<win::DWORD>(mask);
  return win::S_OK;
}

win::HRESULT Player::NotifyEvent(win::LONG window, win::DWORD event, win::LONG param) {
  Lock lock(mutex_);
  if (window == 0) {
    notifier_.NotifyAll(event, param);
    return win::S_OK;
  }
  if (!win::IsWindow(WindowOf(window))) return win::E_INVALIDARG;
  return notifier_.Post(WindowOf(window), event, param) ? win::S_OK : win::E_FAIL;
}

int Player::NotifyPlugins(win::DWORD event, win::LONG param) {
  Lock lock(mutex_);
  return notifier_.NotifyAll(event, param);
}

// ---- IKORUControl: commands ---------------------------------------------------

void Player::Stop() {
  Lock lock(mutex_);
  if (Forward(RemoteCommand::kStop)) return;
  const PlayStatus before = playback_.Status();
  playback_.Stop(Now());
  counter_ = 0;
  NotifyPlayStatusIfChanged(before);
  UpdateMoving(true);
}

void Player::Pause() {
  Lock lock(mutex_);
  // Pause is a toggle: playing pauses, paused plays on.
  if (remote_) {
    if (playback_.Status() == kStatusPlaying) {
      Forward(RemoteCommand::kPause);
    } else if (playback_.Status() == kStatusPaused) {
      Forward(RemoteCommand::kPlay);
    }
    return;
  }
  const PlayStatus before = playback_.Status();
  playback_.Pause(Now());
  NotifyPlayStatusIfChanged(before);
  UpdateMoving(true);
}

void Player::Play() {
  Lock lock(mutex_);
  if (Forward(RemoteCommand::kPlay)) return;
  const PlayStatus before = playback_.Status();
  if (before == kStatusOpen && current_ >= 0) playback_.Load(tracks_[current_].length, Now());
  playback_.Play(Now());
  NotifyPlayStatusIfChanged(before);
  UpdateMoving(true);
}

void Player::FastForward(bool on) {
  Lock lock(mutex_);
  if (remote_) return;  // a followed player has no seeking state to show
  const PlayStatus before = playback_.Status();
  playback_.Seek(on, true, Now());
  NotifyPlayStatusIfChanged(before);
}

void Player::Rewind(bool on) {
  Lock lock(mutex_);
  if (remote_) return;
  const PlayStatus before = playback_.Status();
  playback_.Seek(on, false, Now());
  NotifyPlayStatusIfChanged(before);
}

win::HRESULT Player::Next() {
  Lock lock(mutex_);
  if (Forward(RemoteCommand::kNext)) return win::S_OK;
  const win::LONG next = NextIndex(true);
  if (next < 0) return win::S_FALSE;
  OpenTrack(next, false);
  return win::S_OK;
}

win::HRESULT Player::Back() {
  Lock lock(mutex_);
  if (Forward(RemoteCommand::kPrevious)) return win::S_OK;
  const win::LONG count = static_cast<win::LONG>(tracks_.size());
  if (count == 0) return win::S_FALSE;
  OpenTrack(current_ > 0 ? current_ - 1 : count - 1, false);
  return win::S_OK;
}

void Player::Eject() {
  Lock lock(mutex_);
  if (Forward(RemoteCommand::kStop)) return;
  const PlayStatus before = playback_.Status();
  playback_.Eject(Now());
  counter_ = 0;
  NotifyPlayStatusIfChanged(before);
  UpdateMoving(true);
}

win::HRESULT Player::Seek(win::LONG track, win::LONG positionMs) {
  Lock lock(mutex_);
  // A followed player goes to the other track first; the position can only
  // be set once it has said which track it opened.
  if (remote_ && track >= 0 && track != current_) return SetTrack(track);
  if (track >= 0 && track != current_) {
    const win::HRESULT result = SetTrack(track);
    if (result != win::S_OK) return result;
  }
  if (current_ < 0) return win::S_FALSE;
  SetPosition(positionMs);
  return win::S_OK;
}

void Player::ShowPlayList() {
  Lock lock(mutex_);
  SetPlayListVisible(true);
  for (size_t i = 0; i < tracks_.size(); ++i) {
    Report(FormatC("  %c%d %s  %s", {static_cast<win::LONG>(i) == current_ ? '>' : ' ', static_cast<int>(i + 1),
                                     tracks_[i].title, Clock(tracks_[i].length)}));
  }
}

void Player::ShowProperty() { Report("property window shown"); }

void Player::ShowMenu() {
  Lock lock(mutex_);
  NotifyStatus(kStatusDisplayMenu, kMenuPlugins);
  Report("menu " + menus_.Find(kMenuPlugins)->caption + ":");
  for (const MenuItem& item : menus_.Children(kMenuPlugins)) {
    Report(FormatC("  [0x%X] %s", {item.id, item.caption}));
  }
}

void Player::ShowToolMenu() {
  Lock lock(mutex_);
  NotifyStatus(kStatusDisplayMenu, kMenuTools);
  Report("menu " + menus_.Find(kMenuTools)->caption + ":");
  for (const auto& [name, value] : tools_) Report("  " + name + " = " + value);
  for (const MenuItem& item : menus_.Children(kMenuTools)) {
    Report(FormatC("  [0x%X] %s", {item.id, item.caption}));
  }
}

win::HRESULT Player::Click(win::LONG button) {
  Lock lock(mutex_);
  notifier_.NotifyAll(kNotifyButton | (static_cast<win::DWORD>(button) & 0xFFFF), 0);
  switch (button) {
    case kButtonPlay:
      Play();
      return win::S_OK;
    case kButtonStop:
      Stop();
      return win::S_OK;
    case kButtonPause:
      Pause();
      return win::S_OK;
    case kButtonBack:
      return Back();
    case kButtonNext:
      return Next();
    case kButtonTools:
      ShowToolMenu();
      return win::S_OK;
    case kButtonPlayList:
      ShowPlayList();
      return win::S_OK;
    case kButtonEject:
      Eject();
      return win::S_OK;
    case kButtonRecord: {
      const PlayStatus before = playback_.Status();
      if (before == kStatusRecording) {
        playback_.Stop(Now());
      } else {
        playback_.Record(Now());
      }
      NotifyPlayStatusIfChanged(before);
      return win::S_OK;
    }
    default:
      return win::S_FALSE;
  }
}

win::HRESULT Player::KeyDown(win::LONG key, win::LONG shift) {
  Lock lock(mutex_);
  switch (key & 0xFFFF) {
    case kKeySpace:
      if (playback_.Status() == kStatusPlaying || playback_.Status() == kStatusPaused) {
        Pause();
      } else {
        Play();
      }
      return win::S_OK;
    case kKeyLeft:
      return Back();
    case kKeyRight:
      return Next();
    case kKeyUp:
      SetVolume(state_.volume + kVolumeStep);
      return win::S_OK;
    case kKeyDown:
      SetVolume(state_.volume - kVolumeStep);
      return win::S_OK;
    case kKeyR:
      SetRepeat(!state_.repeat);
      return win::S_OK;
    case kKeyS:
      Stop();
      return win::S_OK;
    default:
      return win::S_FALSE;
  }
}

TextRecord Player::LyricsText(const std::string& text, win::LONG tag) const {
  TextRecord record;
  record.tag = tag;
  record.text = text;
  record.font = fonts_[kFontLyrics];
  record.backColor = colors_[kColorLyrics];
  return record;
}

TextRecord Player::DisplayText() const {
  Lock lock(mutex_);
  if (lyricsLine_ >= 0) {
    const koru::LyricsLine& line = lyrics_.lines[lyricsLine_];
    return LyricsText(line.text, line.tag);
  }
  return LyricsText(current_ >= 0 ? tracks_[current_].title : std::string(), -1);
}

Levels Player::CurrentLevels() const {
  Lock lock(mutex_);
  return levels_;
}

bool Player::SaveSettings() {
  Lock lock(mutex_);
  if (!settings_.Save(state_)) return false;
  NotifyStatus(kStatusSaveIni, 0);
  return true;
}

win::HRESULT Player::Color(win::LONG index, win::LONG* color) const {
  Lock lock(mutex_);
  if (index < 0 || index >= kColorCount) return win::E_INVALIDARG;
  if (color) *color = colors_[index];
  return win::S_OK;
}

win::HRESULT Player::Font(win::LONG index, FontRecord* font) const {
  Lock lock(mutex_);
  if (index < 0 || index >= kFontCount) return win::E_INVALIDARG;
  if (font) *font = fonts_[index];
  return win::S_OK;
}

win::HRESULT Player::FormImage(const std::string& form) {
  Lock lock(mutex_);
  for (const char* known : kForms) {
    if (SameText(form, known)) {
      lastFormImage_ = known;
      Report("image of form " + lastFormImage_ + " made");
      return win::S_OK;
    }
  }
  return win::E_INVALIDARG;
}

std::string Player::LastFormImage() const {
  Lock lock(mutex_);
  return lastFormImage_;
}

// ---- IKORUPlayList ------------------------------------------------------------

win::LONG Player::Tracks() const {
  Lock lock(mutex_);
  return static_cast<win::LONG>(tracks_.size());
}

bool Player::PlayListVisible() const {
  Lock lock(mutex_);
  return playListVisible_;
}

void Player::SetPlayListVisible(bool visible) {
  Lock lock(mutex_);
  if (visible == playListVisible_) return;
  playListVisible_ = visible;
  Report(visible ? "play list shown" : "play list hidden");
}

void Player::NewPlayList() {
  Lock lock(mutex_);
  const PlayStatus before = playback_.Status();
  CloseTrack();
  tracks_.clear();
  current_ = -1;
  playback_.Unload();
  LoadLyrics();
  counter_ = 0;
  NotifyPlayStatusIfChanged(before);
  UpdateMoving(true);
  NotifyStatus(kStatusChangePlayList, 0);
  Changed(PlayerChange::kPlayList);
  Changed(PlayerChange::kTrack);
  Report("new play list");
}

win::HRESULT Player::AddFile(const std::string& name) {
  Lock lock(mutex_);
  if (name.empty()) return win::E_INVALIDARG;
  const std::string path = ExpandFileName(name);
  if (!FileExists(path)) return win::HRESULT_FROM_WIN32(win::ERROR_FILE_NOT_FOUND);
  tracks_.push_back(ReadTrack(path));
  NotifyStatus(kStatusChangePlayList, static_cast<win::LONG>(tracks_.size()));
  Changed(PlayerChange::kPlayList);
  Report("added " + tracks_.back().title);
  if (tracks_.size() == 1) OpenTrack(0, false);
  return win::S_OK;
}

win::HRESULT Player::LoadPlayList(const std::string& name) {
  Lock lock(mutex_);
  if (name.empty()) return win::E_INVALIDARG;
  const std::string path = ExpandFileName(name);
  std::vector<koru::Track> loaded;
  if (!LoadPlayListFile(path, loaded)) return win::HRESULT_FROM_WIN32(win::GetLastError());
  const PlayStatus before = playback_.Status();
  CloseTrack();
  tracks_ = std::move(loaded);
  current_ = -1;
  playback_.Unload();
  LoadLyrics();
  NotifyStatus(kStatusChangePlayList, static_cast<win::LONG>(tracks_.size()));
  Changed(PlayerChange::kPlayList);
  Report(FormatC("play list %s: %d tracks", {path, static_cast<int>(tracks_.size())}));
  if (!tracks_.empty()) {
    OpenTrack(0, false);
  } else {
    NotifyPlayStatusIfChanged(before);
    UpdateMoving(true);
    Changed(PlayerChange::kTrack);
  }
  return win::S_OK;
}

win::HRESULT Player::SavePlayList(const std::string& name) const {
  Lock lock(mutex_);
  if (name.empty()) return win::E_INVALIDARG;
  if (!SavePlayListFile(ExpandFileName(name), tracks_)) return win::HRESULT_FROM_WIN32(win::GetLastError());
  return win::S_OK;
}

win::HRESULT Player::GetTrackInfo(win::LONG index, koru::Track* track) const {
  Lock lock(mutex_);
  if (index < 0 || index >= static_cast<win::LONG>(tracks_.size())) return win::E_INVALIDARG;
  if (track) *track = tracks_[index];
  return win::S_OK;
}

win::HRESULT Player::SetTrackInfo(win::LONG index, const koru::Track& track) {
  Lock lock(mutex_);
  if (index < 0 || index >= static_cast<win::LONG>(tracks_.size())) return win::E_INVALIDARG;
  koru::Track& t = tracks_[index];
  const bool lyricsChanged = t.lyricsName != track.lyricsName;
  const win::LONG length = t.length;
  t = track;
  t.length = length;
  if (index == current_) {
    if (lyricsChanged) {
      LoadLyrics();
      NotifyStatus(kStatusLoadLyrics, 0);
    }
    NotifyStatus(kStatusDisplayTitle, index);
    Changed(PlayerChange::kTrack);
  }
  return win::S_OK;
}

// ---- IKORULyrics --------------------------------------------------------------

win::LONG Player::LyricsLines() const {
  Lock lock(mutex_);
  return static_cast<win::LONG>(lyrics_.lines.size());
}

std::string Player::LyricsComment() const {
  Lock lock(mutex_);
  return lyrics_.comment;
}

win::LONG Player::LyricsWidth() const {
  Lock lock(mutex_);
  return state_.lyricsWidth;
}

win::LONG Player::LyricsHeight() const {
  Lock lock(mutex_);
  return state_.lyricsHeight;
}

win::HRESULT Player::LyricsLine(win::LONG index, TextRecord* line) const {
  Lock lock(mutex_);
  if (index < 0 || index >= static_cast<win::LONG>(lyrics_.lines.size())) return win::E_INVALIDARG;
  if (line) *line = LyricsText(lyrics_.lines[index].text, lyrics_.lines[index].tag);
  return win::S_OK;
}

win::LONG Player::CurrentLyricsLine() const {
  Lock lock(mutex_);
  return lyricsLine_;
}

// ---- IKORUMenu ----------------------------------------------------------------

win::HRESULT Player::MenuAdd(win::LONG window, win::LONG parent, const std::string& caption, win::LONG* id) {
  Lock lock(mutex_);
  if (!id) return win::E_POINTER;
  if (window != 0 && !win::IsWindow(WindowOf(window))) return win::E_INVALIDARG;
  const win::HRESULT result = menus_.Add(window ? WindowOf(window) : nullptr, parent, caption, id);
  if (result == win::S_OK) Report(FormatC("menu item 0x%X added under 0x%X: %s", {*id, parent, caption}));
  return result;
}

win::HRESULT Player::MenuDelete(win::LONG id) {
  Lock lock(mutex_);
  const win::HRESULT result = menus_.Delete(id);
  if (result == win::S_OK) Report(FormatC("menu item 0x%X deleted", {id}));
  return result;
}

win::HRESULT Player::MenuSetCaption(win::LONG id, const std::string& caption) {
  Lock lock(mutex_);
  const win::HRESULT result = menus_.SetCaption(id, caption);
  if (result == win::S_OK) Report(FormatC("menu item 0x%X renamed: %s", {id, caption}));
  return result;
}

win::HRESULT Player::ClickMenu(win::LONG id) {
  Lock lock(mutex_);
  const MenuItem* item = menus_.Find(id);
  if (!item) return win::E_INVALIDARG;
  Report(FormatC("menu item 0x%X clicked: %s", {id, item->caption}));
  if (item->owner) notifier_.NotifyWindow(item->owner, kNotifyMenu, id);
  return win::S_OK;
}

win::HRESULT Player::RemoveMenuItem(win::LONG id) {
  Lock lock(mutex_);
  std::vector<MenuItem> removed;
  const win::HRESULT result = menus_.Delete(id, &removed);
  if (result != win::S_OK) return result;
  for (const MenuItem& item : removed) {
    if (item.owner) notifier_.NotifyWindow(item.owner, StatusEvent(kStatusDeleteMenu), item.id);
  }
  Report(FormatC("menu item 0x%X removed by the player", {id}));
  return win::S_OK;
}

std::vector<MenuItem> Player::MenuItems(win::LONG parent) const {
  Lock lock(mutex_);
  return menus_.Children(parent);
}

std::string Player::MenuCaption(win::LONG id) const {
  Lock lock(mutex_);
  const MenuItem* item = menus_.Find(id);
  return item ? item->caption : std::string();
}

// ---- Following another player -------------------------------------------------

void Player::SetRemote(RemoteControl* remote) {
  Lock lock(mutex_);
  remote_ = remote;
}

void Player::SetWatcher(std::function<void(PlayerChange)> watcher) {
  Lock lock(mutex_);
  watcher_ = std::move(watcher);
}

void Player::FollowTracks(std::vector<koru::Track> tracks, win::LONG current, bool reopen) {
  Lock lock(mutex_);
  if (current >= static_cast<win::LONG>(tracks.size())) current = -1;
  const bool listChanged = tracks != tracks_;
  if (!listChanged && current == current_ && !reopen) return;
  const koru::Track before = current_ >= 0 ? tracks_[current_] : koru::Track{};
  const bool sameTrack = current >= 0 && current == current_ && !reopen;
  tracks_ = std::move(tracks);
  if (listChanged) {
    NotifyStatus(kStatusChangePlayList, static_cast<win::LONG>(tracks_.size()));
    Changed(PlayerChange::kPlayList);
  }
  if (current < 0) {
    const PlayStatus status = playback_.Status();
    CloseTrack();
    current_ = -1;
    playback_.Unload();
    LoadLyrics();
    counter_ = 0;
    NotifyPlayStatusIfChanged(status);
    UpdateMoving(true);
    Changed(PlayerChange::kTrack);
    return;
  }
  if (!sameTrack) {
    OpenTrack(current, false);
    return;
  }
  // The same track, described anew (its title or length became known).
  const koru::Track& now = tracks_[current_];
  if (now.length != before.length) {
    const win::LONG position = playback_.Position(Now());
    playback_.Load(now.length, Now());
    playback_.SetPosition(position, Now());
  }
  if (now.lyricsName != before.lyricsName) {
    LoadLyrics();
    NotifyStatus(kStatusLoadLyrics, 0);
  }
  NotifyStatus(kStatusDisplayTitle, current_);
  UpdateMoving(true);
  Changed(PlayerChange::kTrack);
}

void Player::FollowPlayback(PlayStatus status, win::LONG positionMs, win::LONG ratePercent) {
  Lock lock(mutex_);
  if (current_ < 0) return;
  const PlayStatus before = playback_.Status();
  playback_.SetRate(ratePercent, Now());
  if (status == kStatusPlaying) {
    playback_.Play(Now());
  } else if (status == kStatusPaused) {
    if (before != kStatusPaused) playback_.Play(Now());
    if (playback_.Status() == kStatusPlaying) playback_.Pause(Now());
  } else {
    playback_.Stop(Now());
  }
  playback_.SetPosition(positionMs, Now());
  counter_ = playback_.Position(Now());
  NotifyPlayStatusIfChanged(before);
  UpdateMoving(true);
}

void Player::FollowPosition(win::LONG positionMs) {
  Lock lock(mutex_);
  if (current_ < 0) return;
  playback_.SetPosition(positionMs, Now());
  counter_ = playback_.Position(Now());
  UpdateMoving(true);
  Changed(PlayerChange::kSeeked);
}

void Player::FollowVolume(win::LONG volume) {
  Lock lock(mutex_);
  ApplyVolume(volume);
}

void Player::FollowRepeat(bool on) {
  Lock lock(mutex_);
  ApplyRepeat(on);
}

void Player::FollowRandom(bool on) {
  Lock lock(mutex_);
  ApplyRandom(on);
}

// ---- Messages to the main window ----------------------------------------------

void Player::Hello(win::HWND window) {
  Lock lock(mutex_);
  if (win::IsWindow(window)) notifier_.Post(window, kNotifyOpen, Handle());
}

void Player::ReloadTools() {
  Lock lock(mutex_);
  tools_ = settings_.Tools();
  Report(FormatC("tools reloaded: %d", {static_cast<int>(tools_.size())}));
}

void Player::MainWindowEvent(StatusCode code, win::LONG param) {
  Lock lock(mutex_);
  if (running_) NotifyStatus(code, param);
}

ToolList Player::Tools() const {
  Lock lock(mutex_);
  return tools_;
}

Player::MainTexts Player::Texts() const {
  Lock lock(mutex_);
  MainTexts texts;
  texts.state = StatusName(playback_.Status());
  if (current_ < 0) {
    texts.caption = "KORU - " + texts.state;
    return texts;
  }
  const koru::Track& t = tracks_[current_];
  texts.title = FormatC("%.3d %s", {current_ + 1, t.title});
  texts.time = Clock(playback_.Position(Now())) + " / " + Clock(t.length);
  // Without the time, so that the caption changes with the track and the state only.
  texts.caption = "KORU - " + texts.title + "  " + texts.state;
  return texts;
}

std::vector<std::string> Player::Describe() const {
  Lock lock(mutex_);
  std::vector<std::string> lines;
  lines.push_back(FormatC("status: %s (%d)", {StatusName(playback_.Status()), static_cast<int>(playback_.Status())}));
  if (current_ >= 0) {
    const koru::Track& t = tracks_[current_];
    lines.push_back(
        FormatC("track: %d of %d: %s / %s", {current_ + 1, static_cast<int>(tracks_.size()), t.title, t.artist}));
  } else {
    lines.push_back(FormatC("track: none of %d", {static_cast<int>(tracks_.size())}));
  }
  lines.push_back("position: " + Clock(playback_.Position(Now())) + " of " + Clock(playback_.Length()) +
                  FormatC(" (counter %d ms)", {counter_}));
  lines.push_back(
      FormatC("volume: %d  repeat: %s  random: %s", {state_.volume, OnOff(state_.repeat), OnOff(state_.random)}));
  lines.push_back(FormatC(
      "levels: %d %d  spectrum: %d %d %d %d %d %d %d %d %d %d",
      {levels_.left, levels_.right, levels_.bands[0], levels_.bands[1], levels_.bands[2], levels_.bands[3],
       levels_.bands[4], levels_.bands[5], levels_.bands[6], levels_.bands[7], levels_.bands[8], levels_.bands[9]}));
  if (lyricsLine_ >= 0) {
    lines.push_back(FormatC("lyrics: line %d: %s", {lyricsLine_ + 1, lyrics_.lines[lyricsLine_].text}));
  } else {
    lines.push_back(FormatC("lyrics: %d lines", {static_cast<int>(lyrics_.lines.size())}));
  }
  lines.push_back(FormatC("window: %d, %d, %d x %d, %s",
                          {state_.left, state_.top, options_.width, options_.height, visible_ ? "shown" : "hidden"}));
  lines.push_back(FormatC("plug-ins: %d loaded, %d windows registered",
                          {static_cast<int>(plugins_->Count()), static_cast<int>(notifier_.Registrations().size())}));
  for (const MenuItem& item : menus_.Children(kMenuPlugins)) {
    lines.push_back(FormatC("menu 0x%X: [0x%X] %s", {kMenuPlugins, item.id, item.caption}));
  }
  return lines;
}

}  // namespace koru
