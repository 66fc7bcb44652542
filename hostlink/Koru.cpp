#include "hostlink/Koru.h"

#include <algorithm>
#include <charconv>
#include <type_traits>
#include <utility>

#include "framework/Dialogs.h"
#include "framework/Exceptions.h"
#include "framework/Format.h"
#include "framework/IniFiles.h"
#include "framework/Palette.h"
#include "framework/SysUtils.h"
#include "platform/Com.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/Presenter.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Window.h"

using namespace Koru_tlb;

namespace {

// ---- The player ----------------------------------------------------------

constexpr char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORU.EXE";
constexpr char kUserKey[] = "Software\\TOSKA\\KORU";
constexpr char kPlayerClass[] = "TFormKORU";
constexpr char kOldPlayerClass[] = "TKoruForm";
// In process, local or remote.
constexpr win::DWORD kServerContext = win::CLSCTX_INPROC_SERVER | win::CLSCTX_LOCAL_SERVER | win::CLSCTX_REMOTE_SERVER;
constexpr int kLeastPlayerVersion = 6100;
constexpr int kPluginVersion = 4300;
constexpr unsigned kHelloCode = 0x401;
constexpr unsigned kToolsChangedCode = 0x403;
constexpr win::UINT kRequestTimeoutMs = 3000;

// The notification codes.
constexpr unsigned kOpen = 1;
constexpr unsigned kClose = 2;
constexpr unsigned kRun = 4;
constexpr unsigned kAbort = 8;
constexpr unsigned kPlayStatus = 16;
constexpr unsigned kTimer = 32;
constexpr unsigned kCounter = 64;
constexpr unsigned kPosition = 128;
constexpr unsigned kVolume = 256;
constexpr unsigned kLyrics = 512;
constexpr unsigned kMove = 1024;
constexpr unsigned kMenu = 2048;
constexpr unsigned kSpeana = 0x10000000;
constexpr unsigned kButton = 0x20000000;
constexpr unsigned kStatus = 0x40000000;
constexpr unsigned kUser = 0x80000000;

// The code that each optional group adds to the mask.
constexpr std::pair<TKORUEventType, unsigned> kEventCodes[] = {
    {evVolume, kVolume}, {evSpeana, kSpeana}, {evLyrics, kLyrics}, {evCounter, kCounter},
    {evPosition, kPosition}, {evTimer, kTimer}, {evMove, kMove},
};

// The player's menus that a plug-in may extend.
constexpr win::LONG kMenu4000 = 0x4000;
constexpr win::LONG kMenu5000 = 0x5000;
constexpr win::LONG kMenu8000 = 0x8000;
constexpr win::LONG kMenu9000 = 0x9000;

// Style flags of the player's font records.
constexpr win::LONG kStyleBold = 1;
constexpr win::LONG kStyleItalic = 2;
constexpr win::LONG kStyleUnderline = 4;
constexpr win::LONG kStyleStrikeOut = 8;

constexpr win::COLORREF kColorNone = 0x1FFFFFFF;
constexpr win::COLORREF kColorWindowText = 0x80000008;

// ---- Calls with a result check ---------------------------------------------

constexpr char kTlbSource[] = "KORU_TLB";

// A property read through a holder: the reference check, the call with an
// out-value that starts at zero, then the result check. `declined` answers
// when the person declined to go on without a reference.
template <class T, class V>
V ReadChecked(const TComInterface<T>& holder, win::HRESULT (T::*getter)(V*), const char* expression, int line,
              std::type_identity_t<V> declined) {
  T* intf = holder.Checked();
  if (!intf) return declined;
  V value{};
  HRCHECK((intf->*getter)(&value), expression, kTlbSource, line);
  return value;
}

template <class T>
std::string ReadCheckedText(const TComInterface<T>& holder, win::HRESULT (T::*getter)(win::BSTR*),
                            const char* expression, int line) {
  T* intf = holder.Checked();
  if (!intf) return {};
  WideString value;
  HRCHECK((intf->*getter)(value.Out()), expression, kTlbSource, line);
  return value.Ansi();
}

win::VARIANT_BOOL AsVariantBool(bool value) { return value ? win::VARIANT_TRUE : win::VARIANT_FALSE; }

win::HWND WindowFromLong(win::LONG value) { return win::HandleFromId<win::HWND>(static_cast<uint32_t>(value)); }

// ---- Records of the player -------------------------------------------------

// The out-values of a text record that display texts and lyrics lines share.
struct TextRecord {
  WideString text;
  win::LONG alignment = 0;
  win::VARIANT_BOOL wordWrap = 0;
  WideString fontName;
  win::LONG charset = 0;
  win::LONG size = 0;
  win::LONG style = 0;
  win::LONG fontColor = 0;
  win::LONG backColor = 0;

  void FillIn(TLyrics& lyrics) const {
    lyrics.Text = text.Ansi();
    lyrics.Alignment = win::LOBYTE(static_cast<win::DWORD>(alignment));
    lyrics.WordWrap = wordWrap != 0;
    ApplyPlayerFont(*lyrics.Font, fontName.Ansi(), charset, size, style, fontColor);
    lyrics.Color = static_cast<win::COLORREF>(backColor);
  }
};

// A decimal number that is the whole of `text`.
bool ReadDecimal(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end;
}

// CD audio tracks whose drive or track number the player left at zero take
// them from their file name (d:\track07.cda is drive 3, track 7).
void ApplyCDRule(TTrackInfo& info) {
  if ((info.Kind != 16 && info.Kind != 17) || (info.Drive != 0 && info.CDTrack != 0)) return;
  const std::string name = LowerCase(info.FileName);
  if (name.size() >= 2 && name[1] == ':') {
    const int drive = name[0] - 'a';
    info.Drive = drive < 0 || drive > 26 ? 0 : drive;
  }
  const size_t track = name.find("track");
  if (track == std::string::npos) return;
  const std::string_view rest = std::string_view(name).substr(track + 5);
  const size_t extension = rest.find(".cda");
  if (extension == std::string_view::npos) return;
  int number = 0;
  info.CDTrack = ReadDecimal(rest.substr(0, extension), number) ? number : 0;
}

// ---- Registry, settings file and folders ------------------------------------

constexpr auto kRegistryOk = static_cast<win::LONG>(win::ERROR_SUCCESS);

// The default value of a key, empty when the key or its text is missing.
std::string ReadDefaultValue(win::HKEY root, const char* path) {
  win::HKEY key{};
  if (win::RegOpenKeyExA(root, path, 0, win::KEY_READ, &key) != kRegistryOk) return {};
  std::string value;
  win::DWORD type = 0;
  win::DWORD size = 0;
  if (win::RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == kRegistryOk &&
      (type == win::REG_SZ || type == win::REG_EXPAND_SZ) && size > 0) {
    std::string data(size, '\0');
    if (win::RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<win::LPBYTE>(data.data()), &size) ==
        kRegistryOk)
      value = data.substr(0, data.find('\0'));
  }
  win::RegCloseKey(key);
  return value;
}

std::string CurrentDirectory() {
  const win::DWORD size = win::GetCurrentDirectoryA(0, nullptr);
  std::string directory(size, '\0');
  const win::DWORD length = win::GetCurrentDirectoryA(size, directory.data());
  directory.resize(length < size ? length : 0);
  return directory;
}

std::string FullPathName(const std::string& name) {
  const win::DWORD size = win::GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::string path(size, '\0');
  const win::DWORD length = win::GetFullPathNameA(name.c_str(), size, path.data(), nullptr);
  if (length == 0 || length >= size) return name;
  path.resize(length);
  return path;
}

}  // namespace

void ApplyPlayerFont(TFont& Font, const std::string& Name, win::LONG Charset, win::LONG Size, win::LONG Style,
                     win::LONG Color) {
  Font.SetName(Name);
  Font.SetCharset(win::LOBYTE(static_cast<win::DWORD>(Charset)));
  if (Size < 0)
    Font.SetHeight(Size);
  else
    Font.SetSize(Size);
  TFontStyles styles;
  if (Style & kStyleBold) styles.Include(fsBold);
  if (Style & kStyleItalic) styles.Include(fsItalic);
  if (Style & kStyleUnderline) styles.Include(fsUnderline);
  if (Style & kStyleStrikeOut) styles.Include(fsStrikeOut);
  Font.SetStyle(styles);
  Font.SetColor(static_cast<TColor>(Color));
}

// ---- TLyrics -----------------------------------------------------------------

TLyrics::TLyrics() : Font(std::make_unique<TFont>()) {}

// ---- TPlayList ---------------------------------------------------------------

TTrackInfo TPlayList::GetTrackInfo(int Index) {
  TTrackInfo info;
  if (!link_->Bound) return info;
  IKORUPlayList* playList = link_->playList_.Checked();
  if (!playList) return info;
  WideString texts[5];
  win::LONG values[7] = {};
  const win::HRESULT hr =
      playList->GetTrackInfo(Index, texts[0].Out(), texts[1].Out(), texts[2].Out(), texts[3].Out(), texts[4].Out(),
                             &values[0], &values[1], &values[2], &values[3], &values[4], &values[5], &values[6]);
  if (win::FAILED(hr)) return info;
  info.Title = texts[0].Ansi();
  info.Artist = texts[1].Ansi();
  info.FileName = texts[2].Ansi();
  info.Text3 = texts[3].Ansi();
  info.LyricsName = texts[4].Ansi();
  info.Value1 = values[0];
  info.Value2 = values[1];
  info.Value3 = values[2];
  info.Kind = values[3];
  info.Drive = win::HIWORD(static_cast<win::DWORD>(values[4]));
  info.CDTrack = win::LOWORD(static_cast<win::DWORD>(values[4]));
  info.Value4 = values[5];
  info.Value5 = values[6];
  ApplyCDRule(info);
  return info;
}

void TPlayList::SetTrackInfo(int Index, const TTrackInfo& Info) {
  if (!link_->Bound) return;
  link_->playList_.Call(&IKORUPlayList::SetTrackInfo, Index, WideString(Info.Title).c_bstr(),
                        WideString(Info.Artist).c_bstr(), WideString(Info.FileName).c_bstr(),
                        WideString(Info.Text3).c_bstr(), WideString(Info.LyricsName).c_bstr(), Info.Value1,
                        Info.Value2, Info.Value3, Info.Kind, (Info.Drive << 16) | Info.CDTrack, Info.Value4,
                        Info.Value5);
}

bool TPlayList::GetVisible() {
  if (!link_->Bound) return false;
  return ReadChecked(link_->playList_, &IKORUPlayList::get_PlayListVisible,
                     "this->get_PlayListVisible((VARIANT_BOOL*)&Value)", 698, win::VARIANT_FALSE) != 0;
}

void TPlayList::SetVisible(bool Value) {
  if (link_->Bound) link_->playList_.Call(&IKORUPlayList::put_PlayListVisible, AsVariantBool(Value));
}

// ---- TLyricsList -------------------------------------------------------------

int TLyricsList::GetCount() {
  const int count =
      link_->Bound ? ReadChecked(link_->lyrics_, &IKORULyrics::get_Lines, "this->get_Lines((long*)&Value)", 785, 0)
                   : 0;
  // A negative count from the player means no lines.
  count_ = std::max(count, 0);
  lines_.erase(lines_.lower_bound(count_), lines_.end());
  return count_;
}

TLyrics* TLyricsList::GetLine(int Index) {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  IKORULyrics* lyrics = link_->lyrics_.Checked();
  if (!lyrics) return nullptr;
  std::unique_ptr<TLyrics>& line = lines_[Index];
  if (!line) line = std::make_unique<TLyrics>();
  win::LONG tag = 0;
  TextRecord record;
  if (win::SUCCEEDED(lyrics->GetLine(Index, &tag, record.text.Out(), &record.alignment, &record.wordWrap,
                                     record.fontName.Out(), &record.charset, &record.size, &record.style,
                                     &record.fontColor, &record.backColor))) {
    line->Line = tag;
    record.FillIn(*line);
  }
  return line.get();
}

void TLyricsList::Clear() {
  lines_.clear();
  count_ = 0;
}

std::string TLyricsList::GetComment() {
  if (!link_->Bound) return {};
  return ReadCheckedText(link_->lyrics_, &IKORULyrics::get_Comment, "this->get_Comment((BSTR*)&Value)", 834);
}

int TLyricsList::GetWidth() {
  if (!link_->Bound) return 246;
  return ReadChecked(link_->lyrics_, &IKORULyrics::get_LyricsWidth, "this->get_LyricsWidth((long*)&Value)", 855, 246);
}

int TLyricsList::GetHeight() {
  if (!link_->Bound) return 38;
  return ReadChecked(link_->lyrics_, &IKORULyrics::get_LyricsHeight, "this->get_LyricsHeight((long*)&Value)", 862,
                     38);
}

// ---- TKORUMenu ---------------------------------------------------------------

TKORUMenu::TKORUMenu(TKORU* ALink, win::LONG AId) : TComponent(ALink), Link(ALink), Id(AId) {}

TKORUMenu::~TKORUMenu() {
  // Every menu object leaves the list, so that the list never holds a
  // destroyed one; only added items are withdrawn from the player's menu.
  Link->RemoveMenu(this);
  if (!Owned || !Link->Bound) return;
  try {
    Link->menu_.Call(&IKORUMenu::Delete, Id);
  } catch (const Exception&) {
    // A declined reference report cannot leave a destructor.
  }
}

TKORUMenu* TKORUMenu::Add(const std::string& Caption) {
  if (!Link->Bound) return nullptr;
  win::LONG newId = 0;
  if (win::FAILED(Link->menu_.Call(&IKORUMenu::Add, Link->WindowLong(), Id, WideString(Caption).c_bstr(), &newId)))
    return nullptr;
  TKORUMenu* item = Link->GetMenu(newId);
  if (item) item->Owned = true;
  return item;
}

void TKORUMenu::SetCaption(const std::string& Caption) {
  if (Link->Bound) Link->menu_.Call(&IKORUMenu::SetCaption, Id, WideString(Caption).c_bstr());
}

// ---- TKORU: lifecycle ----------------------------------------------------------

TKORU::TKORU(TComponent* AOwner) : TComponent(AOwner) {
  DisplayText = std::make_unique<TLyrics>();
  LyricsList = std::make_unique<TLyricsList>(this);
  PlayList = std::make_unique<TPlayList>(this);
  Menu4000 = new TKORUMenu(this, kMenu4000);
  Menu5000 = new TKORUMenu(this, kMenu5000);
  Menu9000 = new TKORUMenu(this, kMenu9000);
  Menu8000 = new TKORUMenu(this, kMenu8000);
  Font = std::make_unique<TFont>();

  EventMask = kDefaultEventMask;
  MessageId = win::RegisterWindowMessageA("WM_KORU");

  ExePath = ReadDefaultValue(win::HKEY_LOCAL_MACHINE, kAppPathsKey);
  if (ExePath.empty()) ExePath = ReadDefaultValue(win::HKEY_CURRENT_USER, kUserKey);

  WindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
  ComInitialized = win::SUCCEEDED(win::CoInitialize(nullptr));

  if (!ComponentState().Contains(csDesigning)) {
    GetKORUHandle();
    win::PostMessageA(win::HWND_BROADCAST, MessageId, kHelloCode, WindowLong());
  }
}

TKORU::~TKORU() {
  try {
    Unbind();
  } catch (const Exception&) {
    // An error raised by an unbind handler cannot leave a destructor.
  }
  if (ComInitialized) win::CoUninitialize();
  DeallocateHWnd(WindowHandle);
  Font.reset();
  DisplayText.reset();
  LyricsList.reset();
  PlayList.reset();
  for (TKORUMenu* menu : {Menu4000, Menu5000, Menu9000, Menu8000}) delete menu;
  ClearMenuList();
  // Menu objects taken out of the list are still owned; they reach back into
  // this component when destroyed, so they go before the base part deletes
  // what it owns.
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (auto* menu = dynamic_cast<TKORUMenu*>(Components(i))) delete menu;
}

void TKORU::Loaded() {
  TComponent::Loaded();
  if (!Bound && autoLink_ && GetKORUHandle()) Bind();
}

void TKORU::SetAutoLink(bool Value) {
  autoLink_ = Value;
  const TComponentState state = ComponentState();
  if (Value && !Bound && !state.Contains(csDesigning) && !state.Contains(csLoading) && !state.Contains(csReading) &&
      GetKORUHandle())
    Bind();
}

win::HWND TKORU::GetKORUHandle() {
  PlayerHandle = win::FindWindowA(kPlayerClass, nullptr);
  if (!PlayerHandle) PlayerHandle = win::FindWindowA(kOldPlayerClass, nullptr);
  return PlayerHandle;
}

bool TKORU::Execute(const std::string& Params) {
  if (ExePath.empty()) return false;
  std::string commandLine = Params.empty() ? std::string() : ExePath + " " + Params;
  const std::string folder = ExtractFileDir(ExePath);
  win::STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = win::STARTF_USESHOWWINDOW | win::STARTF_USESTDHANDLES;
  startup.wShowWindow = win::SW_SHOWNORMAL;
  win::PROCESS_INFORMATION process{};
  if (!win::CreateProcessA(ExePath.c_str(), commandLine.data(), nullptr, nullptr, win::FALSE, 0, nullptr,
                           folder.empty() ? nullptr : folder.c_str(), &startup, &process))
    return false;
  const bool idle = win::WaitForInputIdle(process.hProcess, win::INFINITE) == 0;
  win::CloseHandle(process.hThread);
  win::CloseHandle(process.hProcess);
  return idle;
}

void TKORU::ReportBindError(const std::string& Text) {
  win::MessageBeep(win::MB_ICONEXCLAMATION);
  MessageDlg(Text, mtError, {mbOK}, 0);
}

void TKORU::Bind() {
  if (Bound || ComponentState().Contains(csDesigning)) return;
  if (!GetKORUHandle() && !Execute("")) return;
  try {
    TComInterface<win::IUnknown> object;
    {
      void* unknown = nullptr;
      const win::HRESULT hr = win::CoCreateInstance(CLSID_KORU, nullptr, kServerContext, win::IID_IUnknown, &unknown);
      if (win::FAILED(hr)) return ReportBindError(FormatC("KORUControl Create Instance Error[%x]", {hr}));
      object.Attach(static_cast<win::IUnknown*>(unknown));
    }
    TComInterface<IKORUControl> control;
    TComInterface<IKORUPlayList> playList;
    TComInterface<IKORULyrics> lyrics;
    TComInterface<IKORUMenu> menu;
    const auto query = [&](auto& holder, const win::IID& iid, const char* error) {
      void* intf = nullptr;
      const win::HRESULT hr = object.Checked()->QueryInterface(iid, &intf);
      if (win::FAILED(hr)) {
        ReportBindError(FormatC(error, {hr}));
        return false;
      }
      holder.Attach(static_cast<typename std::remove_reference_t<decltype(holder)>::Interface*>(intf));
      return true;
    };
    if (!query(control, IID_IKORUControl, "IKORUControl Interface Error[%x]") ||
        !query(playList, IID_IKORUPlayList, "IKORUPlayList Interface Error[%x]") ||
        !query(lyrics, IID_IKORULyrics, "IKORULyrics Interface Error[%x]") ||
        !query(menu, IID_IKORUMenu, "IKORUMenu Interface Error[%x]"))
      return;
    control_.Attach(control.Detach());
    playList_.Attach(playList.Detach());
    lyrics_.Attach(lyrics.Detach());
    menu_.Attach(menu.Detach());

    PlayerHandle = WindowFromLong(ReadChecked(control_, &IKORUControl::get_Handle, "this->get_Handle((long*)&Value)",
                                              1622, win::HandleId(PlayerHandle)));
    ClearMenuList();
    Bound = true;

    if (GetVersion() < kLeastPlayerVersion || !CheckVersion(kPluginVersion)) {
      Unbind();
      win::MessageBeep(win::MB_ICONEXCLAMATION);
      MessageDlg(SJ("このバージョンのKORUには対応していません\n対応版をお使いください"), mtWarning, {mbOK}, 0);
      return;
    }
    const auto instance = static_cast<win::LONG>(win::HandleId(win::detail::ModuleOfAddress(kAppPathsKey)));
    control_.Call(&IKORUControl::AddPlugin, instance, static_cast<win::LONG>(win::GetCurrentProcessId()),
                  WindowLong(), &PluginMode, &RunParam);
    SetEvent(EventMask);
    if (OnBind) OnBind(this);
  } catch (const EOleException& e) {
    // The link never came up: no reference stays held.
    if (!Bound) ReleaseInterfaces();
    ReportBindError(e.Message);
  }
}

void TKORU::Unbind() {
  if (!Bound) return;
  RemoveMenu(nullptr);
  control_.Call(&IKORUControl::RemovePlugin, WindowLong());
  Bound = false;
  RunParam = 0;
  ReleaseInterfaces();
  ClearMenuList();
  if (OnUnbind) OnUnbind(this);
}

void TKORU::ReleaseInterfaces() {
  control_.Release();
  playList_.Release();
  lyrics_.Release();
  menu_.Release();
}

int TKORU::GetVersion() {
  if (!Bound) return 0;
  return ReadChecked(control_, &IKORUControl::get_Version, "this->get_Version((long*)&Value)", 1602, 0);
}

bool TKORU::CheckVersion(int Version) {
  return Bound && control_.Call(&IKORUControl::CheckVersion, Version) == win::S_OK;
}

bool TKORU::IsPlugin() {
  if (PluginMode != 0) return PluginMode != 1;
  const std::vector<std::string> words = win::detail::SplitCommandLine(win::GetCommandLineA());
  return std::any_of(words.begin() + (words.empty() ? 0 : 1), words.end(),
                     [](const std::string& word) { return SameText(word, "/PLUGIN"); });
}

void TKORU::Close() {
  if (Bound) control_.Call(&IKORUControl::Close);
}

void TKORU::Abort() {
  if (Bound) control_.Call(&IKORUControl::Abort, WindowLong());
}

void TKORU::ShutDown() {
  if (Bound) control_.Call(&IKORUControl::ShutDown);
}

win::LONG TKORU::WindowLong() const { return static_cast<win::LONG>(win::HandleId(WindowHandle)); }

// ---- TKORU: messages and events ------------------------------------------------

void TKORU::WndProc(TMessage& Message) {
  if (Message.Msg == MessageId) {
    KORUHandler(static_cast<unsigned>(Message.WParam), static_cast<int>(Message.LParam));
    Message.Result = 1;
  } else {
    Message.Result = win::DefWindowProcA(WindowHandle, Message.Msg, Message.WParam, Message.LParam);
  }
}

void TKORU::KORUHandler(unsigned Event, int Param) {
  const unsigned code = Event < 0x10000 ? Event : Event & 0xFFFF0000;
  const int low = static_cast<int>(Event & 0xFFFF);
  switch (code) {
    case kOpen:
      NotifyOpen(WindowFromLong(Param));
      break;
    case kClose:
      NotifyClose(WindowFromLong(Param));
      break;
    case kRun:
      NotifyRun(Param);
      break;
    case kAbort:
      NotifyAbort();
      break;
    case kUser:
      NotifyUser(static_cast<unsigned>(low), Param);
      break;
    default:
      break;
  }
  if (Bound) {
    const auto unsignedParam = static_cast<win::DWORD>(Param);
    switch (code) {
      case kPlayStatus:
        NotifyPlayStatus(Param);
        break;
      case kTimer:
        NotifyTimer(Param);
        break;
      case kCounter:
        NotifyCounter(Param);
        break;
      case kPosition:
        NotifyPosition(Param);
        break;
      case kVolume:
        NotifyVolume(win::LOWORD(unsignedParam), win::HIWORD(unsignedParam));
        break;
      case kLyrics:
        NotifyLyrics(Param);
        break;
      case kMove:
        NotifyMove(static_cast<win::SHORT>(win::LOWORD(unsignedParam)),
                   static_cast<win::SHORT>(win::HIWORD(unsignedParam)));
        break;
      case kMenu:
        NotifyMenu(Param);
        break;
      case kSpeana:
        NotifySpeana(static_cast<int>(Event), Param);
        break;
      case kButton:
        NotifyButton(low, Param);
        break;
      case kStatus:
        NotifyStatus(low, Param);
        break;
      default:
        break;
    }
  }
  if (OnKORU) OnKORU(this, Event, Param);
}

void TKORU::NotifyOpen(win::HWND Wnd) {
  PlayerHandle = Wnd;
  if (!Bound && autoLink_) Bind();
  if (OnOpen) OnOpen(this);
}

void TKORU::NotifyClose(win::HWND) {
  PlayerHandle = nullptr;
  Unbind();
  if (OnClose) OnClose(this);
}

void TKORU::NotifyRun(int Param) {
  RunParam = Param;
  if (OnRun) OnRun(this);
}

void TKORU::NotifyAbort() {
  Aborting = true;
  try {
    if (OnAbort) OnAbort(this);
  } catch (...) {
    Aborting = false;
    throw;
  }
  PlayerHandle = nullptr;
  Aborting = false;
  Unbind();
}

void TKORU::NotifyPlayStatus(int Param) {
  if (OnPlayStatus) OnPlayStatus(this, Param);
}

void TKORU::NotifyVolume(int Left, int Right) {
  if (OnVolume) OnVolume(this, Left, Right);
}

void TKORU::NotifySpeana(int Event, int Param) {
  if (!OnSpeana) return;
  TKORUSpeanaLevel level;
  const auto bands = static_cast<win::DWORD>(Param);
  for (int k = 0; k < 8; ++k) level[k] = static_cast<int>(bands >> (4 * k) & 0xF);
  level[8] = Event & 0xF;
  level[9] = Event >> 4 & 0xF;
  OnSpeana(this, level);
}

void TKORU::NotifyLyrics(int Param) {
  if (OnLyrics) OnLyrics(this, Param);
}

void TKORU::NotifyCounter(int Param) {
  if (OnCounter) OnCounter(this, Param);
}

void TKORU::NotifyPosition(int Param) {
  if (OnPosition) OnPosition(this, Param);
}

void TKORU::NotifyTimer(int Param) {
  if (OnIntTimer) OnIntTimer(this, Param);
}

void TKORU::NotifyMove(int Left, int Top) {
  if (OnMove) OnMove(this, Left, Top);
}

void TKORU::NotifyButton(int Event, int Param) {
  if (OnButton) OnButton(this, static_cast<unsigned>(Event), Param);
}

void TKORU::NotifyMenu(int Id) {
  TKORUMenu* menu = GetMenu(Id);
  if (menu && menu->OnClick) menu->OnClick(menu);
  // The click handler may have unbound or deleted the menu.
  if (!IsMenu(menu)) menu = nullptr;
  if (OnMenu) OnMenu(menu);
}

void TKORU::NotifyStatus(int Type, int Param) {
  if (OnStatus) OnStatus(this, static_cast<unsigned>(Type), Param);
  const bool flag = Param != 0;
  auto raiseFlag = [this, flag](const TKORUFlagEvent& event) {
    if (event) event(this, flag);
  };
  auto raiseParam = [this, Param](const TKORUParamEvent& event) {
    if (event) event(this, Param);
  };
  auto raise = [this](const TNotifyEvent& event) {
    if (event) event(this);
  };
  switch (Type) {
    case 1:
      return raiseFlag(OnVisible);
    case 2:
      return raiseFlag(OnActive);
    case 3:
      return raiseFlag(OnMinimize);
    case 4:
      return raiseFlag(OnStayOnTop);
    case 5:
      return raiseFlag(OnRepeat);
    case 6:
      return raiseFlag(OnRandom);
    case 7:
      return raiseFlag(OnDisplayTime);
    case 8:
      return raiseParam(OnDisplayTrack);
    case 9:
      return raiseParam(OnDisplayTitle);
    case 10:
      if (OnDisplayDevice) OnDisplayDevice(this, static_cast<TKORUDeviceType>(Param));
      return;
    case 11:
      return raiseParam(OnDisplayTimer);
    case 12:
      return raise(OnDisplayCaption);
    case 13:
      return raiseParam(OnChangeVolume);
    case 14:
      return raiseParam(OnOpenTrack);
    case 15:
      return raiseParam(OnCloseTrack);
    case 16:
      LyricsList->Clear();
      return raise(OnLoadLyrics);
    case 17:
      return raise(OnSaveKORUini);
    case 18:
      return raise(OnDesign);
    case 21:
      return raiseParam(OnChangePlayList);
    case 22:
      if (OnDisplayMenu)
        if (TKORUMenu* menu = GetMenu(Param)) OnDisplayMenu(menu);
      return;
    case 25:
      return raiseParam(OnClick);
    case 26:
      return raiseParam(OnDblClick);
    case 27:
      return NotifyDeleteMenu(Param);
    case 28:
      if (OnChangeDisplayMode) OnChangeDisplayMode(this, static_cast<TKORUDisplayMode>(Param));
      return;
    case 30:
      if (OnMoved) {
        const auto place = static_cast<win::DWORD>(Param);
        OnMoved(this, static_cast<win::SHORT>(win::LOWORD(place)), static_cast<win::SHORT>(win::HIWORD(place)));
      }
      return;
    case 31:
      return raiseParam(OnAdjustLevel);
    default:
      return;
  }
}

void TKORU::NotifyUser(unsigned Event, int Param) {
  if (OnUser) OnUser(this, Event, Param);
}

unsigned TKORU::GetEvent() {
  if (!Bound) return EventMask;
  win::LONG mask = 0;
  control_.Call(&IKORUControl::GetEvent, WindowLong(), &mask);
  return static_cast<unsigned>(mask);
}

void TKORU::SetEvent(unsigned Mask) {
  EventMask = Mask;
  if (Bound) control_.Call(&IKORUControl::SetEvent, WindowLong(), static_cast<win::LONG>(Mask));
}

TKORUEventSet TKORU::GetEvents() {
  const unsigned mask = GetEvent();
  TKORUEventSet events;
  for (const auto& [element, code] : kEventCodes)
    if (mask & code) events.Include(element);
  return events;
}

void TKORU::SetEvents(TKORUEventSet Value) {
  unsigned mask = kDefaultEventMask;
  for (const auto& [element, code] : kEventCodes)
    if (Value.Contains(element)) mask |= code;
  SetEvent(mask);
}

int TKORU::NotifyEvent(win::HWND Wnd, unsigned Event, int Param) {
  if (Wnd == WindowHandle || (!Bound && !Wnd))
    return win::PostMessageA(WindowHandle, MessageId, Event, Param);
  if (Bound)
    return control_.Call(&IKORUControl::NotifyEvent, static_cast<win::LONG>(win::HandleId(Wnd)),
                         static_cast<win::LONG>(Event), Param);
  return 0;
}

bool TKORU::Post(unsigned Msg, int WParam, int LParam) {
  if (!PlayerHandle && !GetKORUHandle()) return false;
  const auto wParam = static_cast<win::WPARAM>(static_cast<unsigned>(WParam));
  if (win::PostMessageA(PlayerHandle, Msg, wParam, LParam)) return true;
  return GetKORUHandle() && win::PostMessageA(PlayerHandle, Msg, wParam, LParam);
}

int TKORU::Request(unsigned Msg, int WParam, int LParam) {
  const win::HWND player = GetKORUHandle();
  if (!player) return 0;
  win::DWORD_PTR answer = 0;
  if (!win::SendMessageTimeoutA(player, Msg, static_cast<win::WPARAM>(static_cast<unsigned>(WParam)), LParam,
                                win::SMTO_BLOCK | win::SMTO_ABORTIFHUNG, kRequestTimeoutMs, &answer))
    return 0;
  return static_cast<int>(answer);
}

// ---- TKORU: track information, texts and menus ---------------------------------

TTrackInfo TKORU::GetTrackInfo(int Index) { return Bound ? PlayList->GetTrackInfo(Index) : TTrackInfo(); }

void TKORU::SetTrackInfo(int Index, const TTrackInfo& Info) { PlayList->SetTrackInfo(Index, Info); }

TLyrics* TKORU::GetText() {
  IKORUControl* control = Bound ? control_.Checked() : nullptr;
  if (!control) return DisplayText.get();
  TextRecord record;
  win::VARIANT_BOOL showAccelChar = 0;
  if (win::SUCCEEDED(control->GetText(record.text.Out(), &record.alignment, &record.wordWrap, &showAccelChar,
                                      record.fontName.Out(), &record.charset, &record.size, &record.style,
                                      &record.fontColor, &record.backColor))) {
    record.FillIn(*DisplayText);
    DisplayText->ShowAccelChar = showAccelChar != 0;
  }
  return DisplayText.get();
}

TLyrics* TKORU::GetLyricsText(int Index) { return LyricsList->GetLine(Index); }

TKORUMenu* TKORU::GetMenu(win::LONG Id) {
  switch (Id) {
    case 0:
      return nullptr;
    case kMenu4000:
      return Menu4000;
    case kMenu5000:
      return Menu5000;
    case kMenu8000:
      return Menu8000;
    case kMenu9000:
      return Menu9000;
    default:
      break;
  }
  auto it = std::find_if(MenuList.begin(), MenuList.end(), [Id](const TKORUMenu* menu) { return menu->Id == Id; });
  if (it != MenuList.end()) return *it;
  return MenuList.emplace_back(new TKORUMenu(this, Id));
}

TKORUMenu* TKORU::RemoveMenu(TKORUMenu* Menu) {
  auto it = Menu ? std::find(MenuList.begin(), MenuList.end(), Menu) : MenuList.begin();
  if (it == MenuList.end()) return nullptr;
  TKORUMenu* removed = *it;
  MenuList.erase(it);
  if (!Menu) delete removed;
  return removed;
}

void TKORU::DeleteMenu(TKORUMenu* Menu) {
  if (RemoveMenu(Menu) && Menu) delete Menu;
}

void TKORU::ClearMenuList() {
  const std::vector<TKORUMenu*> menus = std::exchange(MenuList, {});
  for (TKORUMenu* menu : menus) delete menu;
}

void TKORU::NotifyDeleteMenu(win::LONG Id) {
  std::vector<TKORUMenu*> deleted;
  std::erase_if(MenuList, [&](TKORUMenu* menu) {
    if (menu->Id != Id) return false;
    deleted.push_back(menu);
    return true;
  });
  for (TKORUMenu* menu : deleted) delete menu;
}

bool TKORU::IsMenu(const TKORUMenu* Menu) const {
  if (!Menu) return false;
  for (const TKORUMenu* fixed : {Menu4000, Menu5000, Menu9000, Menu8000})
    if (Menu == fixed) return true;
  return std::find(MenuList.begin(), MenuList.end(), Menu) != MenuList.end();
}

// ---- TKORU: properties ---------------------------------------------------------

int TKORU::GetLeft() {
  if (!Bound) return -1;
  return ReadChecked(control_, &IKORUControl::get_Left, "this->get_Left((long*)&Value)", 1656, -1);
}

void TKORU::SetLeft(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_Left, Value);
}

int TKORU::GetTop() {
  if (!Bound) return -1;
  return ReadChecked(control_, &IKORUControl::get_Top, "this->get_Top((long*)&Value)", 1676, -1);
}

void TKORU::SetTop(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_Top, Value);
}

int TKORU::GetWidth() {
  if (!Bound) return -1;
  return ReadChecked(control_, &IKORUControl::get_Width, "this->get_Width((long*)&Value)", 1696, -1);
}

int TKORU::GetHeight() {
  if (!Bound) return -1;
  return ReadChecked(control_, &IKORUControl::get_Height, "this->get_Height((long*)&Value)", 1710, -1);
}

bool TKORU::GetVisible() {
  if (!Bound) return false;
  return ReadChecked(control_, &IKORUControl::get_Visible, "this->get_Visible((long*)&Value)", 1636, 0) != 0;
}

void TKORU::SetVisible(bool Value) {
  if (Bound) control_.Call(&IKORUControl::put_Visible, Value ? 1 : 0);
}

int TKORU::GetPlayStatus() {
  if (!Bound) return 524;
  return ReadChecked(control_, &IKORUControl::get_PlayStatus, "this->get_PlayStatus((long*)&Value)", 1724, 524);
}

int TKORU::GetTracks() {
  if (!Bound) return 0;
  return ReadChecked(playList_, &IKORUPlayList::get_Tracks, "this->get_Tracks((long*)&Value)", 635, 0);
}

int TKORU::GetTrack() {
  if (!Bound) return 0;
  return ReadChecked(control_, &IKORUControl::get_Track, "this->get_Track((long*)&Value)", 1738, 0);
}

void TKORU::SetTrack(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_Track, Value);
}

int TKORU::GetLength() {
  if (!Bound) return 0;
  return ReadChecked(control_, &IKORUControl::get_Length, "this->get_Length((long*)&Value)", 1778, 0);
}

int TKORU::GetPosition() {
  if (!Bound) return 0;
  try {
    return ReadChecked(control_, &IKORUControl::get_Position, "this->get_Position((long*)&Value)", 1758, 0);
  } catch (...) {
    Unbind();
    return 0;
  }
}

void TKORU::SetPosition(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_Position, Value);
}

int TKORU::GetVolume() {
  if (!Bound) return 0;
  return ReadChecked(control_, &IKORUControl::get_Volume, "this->get_Volume((long*)&Value)", 1792, 0);
}

void TKORU::SetVolume(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_Volume, Value);
}

int TKORU::GetCounter() {
  if (!Bound) return 0;
  return ReadChecked(control_, &IKORUControl::get_Counter, "this->get_Counter((long*)&Value)", 1812, 0);
}

void TKORU::SetCounter(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_Counter, Value);
}

bool TKORU::GetRepeat() {
  if (!Bound) return false;
  return ReadChecked(control_, &IKORUControl::get_Repeat, "this->get_Repeat((VARIANT_BOOL*)&Value)", 1838,
                     win::VARIANT_FALSE) != 0;
}

void TKORU::SetRepeat(bool Value) {
  if (Bound) control_.Call(&IKORUControl::put_Repeat, AsVariantBool(Value));
}

bool TKORU::GetRandom() {
  if (!Bound) return false;
  return ReadChecked(control_, &IKORUControl::get_Random, "this->get_Random((VARIANT_BOOL*)&Value)", 1870,
                     win::VARIANT_FALSE) != 0;
}

void TKORU::SetRandom(bool Value) {
  if (Bound) control_.Call(&IKORUControl::put_Random, AsVariantBool(Value));
}

bool TKORU::GetRemainTime() {
  if (!Bound) return false;
  return ReadChecked(control_, &IKORUControl::get_RemainTime, "this->get_RemainTime((VARIANT_BOOL*)&Value)", 1902,
                     win::VARIANT_FALSE) != 0;
}

void TKORU::SetRemainTime(bool Value) {
  if (Bound) control_.Call(&IKORUControl::put_RemainTime, AsVariantBool(Value));
}

bool TKORU::GetOnTimer() {
  if (!Bound) return false;
  return ReadChecked(control_, &IKORUControl::get_OnTimer, "this->get_OnTimer((VARIANT_BOOL*)&Value)", 1994,
                     win::VARIANT_FALSE) != 0;
}

void TKORU::SetOnTimer(bool Value) {
  if (Bound) control_.Call(&IKORUControl::put_OnTimer, AsVariantBool(Value));
}

int TKORU::GetOnTime() {
  if (!Bound) return 0;
  return ReadChecked(control_, &IKORUControl::get_OnTime, "this->get_OnTime((long*)&Value)", 2020, 0);
}

void TKORU::SetOnTime(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_OnTime, Value);
}

bool TKORU::GetOffTimer() {
  if (!Bound) return false;
  return ReadChecked(control_, &IKORUControl::get_OffTimer, "this->get_OffTimer((VARIANT_BOOL*)&Value)", 2046,
                     win::VARIANT_FALSE) != 0;
}

void TKORU::SetOffTimer(bool Value) {
  if (Bound) control_.Call(&IKORUControl::put_OffTimer, AsVariantBool(Value));
}

int TKORU::GetOffTime() {
  if (!Bound) return 0;
  return ReadChecked(control_, &IKORUControl::get_OffTime, "this->get_OffTime((long*)&Value)", 2072, 0);
}

void TKORU::SetOffTime(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_OffTime, Value);
}

bool TKORU::GetShutDownRecord() {
  if (!Bound) return false;
  return ReadChecked(control_, &IKORUControl::get_ShutDownRecord, "this->get_ShutDownRecord((VARIANT_BOOL*)&Value)",
                     2098, win::VARIANT_FALSE) != 0;
}

void TKORU::SetShutDownRecord(bool Value) {
  if (Bound) control_.Call(&IKORUControl::put_ShutDownRecord, AsVariantBool(Value));
}

int TKORU::GetRecLevel() {
  if (!Bound) return 100;
  return ReadChecked(control_, &IKORUControl::get_RecLevel, "this->get_RecLevel((long*)&Value)", 2124, 100);
}

void TKORU::SetRecLevel(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_RecLevel, Value);
}

int TKORU::GetRate() {
  if (!Bound) return 100;
  return ReadChecked(control_, &IKORUControl::get_Rate, "this->get_Rate((long*)&Value)", 2358, 100);
}

void TKORU::SetRate(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_Rate, Value);
}

int TKORU::GetAdjustVolLevel() {
  if (!Bound) return 100;
  return ReadChecked(control_, &IKORUControl::get_AdjustVolLevel, "this->get_AdjustVolLevel((long*)&Value)", 2378,
                     100);
}

void TKORU::SetAdjustVolLevel(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_AdjustVolLevel, Value);
}

int TKORU::GetAdjustSpeanaLevel() {
  if (!Bound) return 100;
  return ReadChecked(control_, &IKORUControl::get_AdjustSpeanaLevel, "this->get_AdjustSpeanaLevel((long*)&Value)",
                     2398, 100);
}

void TKORU::SetAdjustSpeanaLevel(int Value) {
  if (Bound) control_.Call(&IKORUControl::put_AdjustSpeanaLevel, Value);
}

TKORUDisplayMode TKORU::GetDisplayMode() {
  if (!Bound) return TKORUDisplayMode{};
  return ReadChecked(control_, &IKORUControl::get_DisplayMode,
                     "this->get_DisplayMode((Koru_tlb::TKORUDisplayMode*)&Mode)", 1968, TKORUDisplayMode{});
}

void TKORU::SetDisplayMode(TKORUDisplayMode Value) {
  if (Bound) control_.Call(&IKORUControl::put_DisplayMode, Value);
}

// ---- TKORU: commands -----------------------------------------------------------

void TKORU::Play() {
  if (Bound) control_.Call(&IKORUControl::Play);
}

void TKORU::Stop() {
  if (Bound) control_.Call(&IKORUControl::Stop);
}

void TKORU::Pause() {
  if (Bound) control_.Call(&IKORUControl::Pause);
}

void TKORU::FF(bool Flag) {
  if (Bound) control_.Call(&IKORUControl::FF, Flag ? 1 : 0);
}

void TKORU::Rewind(bool Flag) {
  if (Bound) control_.Call(&IKORUControl::Rewind, Flag ? 1 : 0);
}

void TKORU::Back() {
  if (Bound) control_.Call(&IKORUControl::Back);
}

void TKORU::Next() {
  if (Bound) control_.Call(&IKORUControl::Next);
}

void TKORU::Eject() {
  if (Bound) control_.Call(&IKORUControl::Eject);
}

void TKORU::Seek(int A, int B) {
  if (Bound) control_.Call(&IKORUControl::Seek, A, B);
}

void TKORU::Click(int Button) {
  if (Bound) control_.Call(&IKORUControl::Click, Button);
}

void TKORU::KeyDown(win::WORD Key, TShiftState Shift) {
  if (!Bound) return;
  static constexpr TShiftStateItem kShiftBits[] = {ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble};
  win::LONG shift = 0;
  for (int bit = 0; bit < 7; ++bit)
    if (Shift.Contains(kShiftBits[bit])) shift |= 1 << bit;
  control_.Call(&IKORUControl::KeyDown, static_cast<win::LONG>(Key), shift);
}

void TKORU::ShowMenu() {
  if (Bound) control_.Call(&IKORUControl::ShowMenu);
}

void TKORU::ShowToolMenu() {
  if (Bound) control_.Call(&IKORUControl::ShowToolMenu);
}

void TKORU::ShowPlayList() {
  if (Bound) control_.Call(&IKORUControl::ShowPlayList);
}

void TKORU::ShowProperty() {
  if (Bound) control_.Call(&IKORUControl::ShowProperty);
}

void TKORU::SaveKORUini() {
  if (Bound) control_.Call(&IKORUControl::SaveKORUini);
}

void TKORU::GetVolumes(int* Left, int* Right) {
  if (!Bound) {
    *Left = 0;
    *Right = 0;
    return;
  }
  control_.Call(&IKORUControl::GetVolumes, Left, Right);
}

void TKORU::GetSpeana(int* Level) {
  if (!Bound) {
    std::fill(Level, Level + 10, 0);
    return;
  }
  control_.Call(&IKORUControl::GetSpeana, &Level[0], &Level[1], &Level[2], &Level[3], &Level[4], &Level[5],
                &Level[6], &Level[7], &Level[8], &Level[9]);
}

void TKORU::New() {
  if (Bound) playList_.Call(&IKORUPlayList::New);
}

void TKORU::Add(const std::string& Name) {
  if (Bound) playList_.Call(&IKORUPlayList::Add, WideString(Name).c_bstr());
}

void TKORU::Load(const std::string& Name) {
  if (Bound) playList_.Call(&IKORUPlayList::Load, WideString(Name).c_bstr());
}

void TKORU::Save(const std::string& Name) {
  if (Bound) playList_.Call(&IKORUPlayList::Save, WideString(Name).c_bstr());
}

// ---- TKORU: designs, tools, colours and fonts ----------------------------------

std::string TKORU::SettingsFile() const { return ChangeFileExt(ExePath, ".ini"); }

std::string TKORU::GetDesign() {
  if (Bound) return ReadCheckedText(control_, &IKORUControl::get_Design, "this->get_Design((BSTR*)&Value)", 1928);
  std::string design = TIniFile(SettingsFile()).ReadString("KORU", "Design", "");
  if (design.empty()) return design;
  // A relative name is relative to the player's folder.
  const std::string remembered = CurrentDirectory();
  win::SetCurrentDirectoryA(ExtractFileDir(ExePath).c_str());
  design = FullPathName(design);
  win::SetCurrentDirectoryA(remembered.c_str());
  return design;
}

void TKORU::SetDesign(const std::string& Name) {
  if (Bound)
    control_.Call(&IKORUControl::put_Design, WideString(Name).c_bstr());
  else
    TIniFile(SettingsFile()).WriteString("KORU", "Design", Name);
}

bool TKORU::ToolExists(const std::string& Name) { return TIniFile(SettingsFile()).ValueExists("Tool", Name); }

void TKORU::SetTool(const std::string& Name, const std::string& Value) {
  TIniFile(SettingsFile()).WriteString("Tool", Name, Value);
  Post(MessageId, kToolsChangedCode, 0);
}

void TKORU::DeleteTool(const std::string& Name) {
  TIniFile(SettingsFile()).DeleteKey("Tool", Name);
  Post(MessageId, kToolsChangedCode, 0);
}

win::COLORREF TKORU::GetColor(int Index) {
  if (!Bound) return kColorNone;
  win::LONG color = 0;
  control_.Call(&IKORUControl::GetColor, Index, &color);
  return static_cast<win::COLORREF>(color);
}

TFont* TKORU::GetFont(int Index) {
  IKORUControl* control = Bound ? control_.Checked() : nullptr;
  if (!control) return Font.get();
  WideString name;
  win::LONG charset = 0;
  win::LONG size = 0;
  win::LONG style = 0;
  win::LONG color = 0;
  control->GetFont(Index, name.Out(), &charset, &size, &style, &color);
  ApplyPlayerFont(*Font, name.Ansi(), charset, size, style, color);
  return Font.get();
}

void TKORU::GetFormImage(const std::string& Name) {
  if (Bound) control_.Call(&IKORUControl::GetFormImage, WideString(Name).c_bstr());
}

namespace Koru {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<TKORU>()}); }

}  // namespace Koru
