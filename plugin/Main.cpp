#include "plugin/Main.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Application.h"
#include "framework/Consts.h"
#include "framework/Dialogs.h"
#include "framework/Format.h"
#include "framework/IniFiles.h"
#include "framework/SysUtils.h"
#include "platform/Errors.h"
#include "platform/Input.h"
#include "platform/Mutex.h"
#include "platform/Painting.h"
#include "platform/Presenter.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "player/PinHost.h"
#include "resources/LozengeForm.h"

namespace {

constexpr char kSection[] = "KORULozg";
constexpr int kPluginInterfaceVersion = 6000;
constexpr win::LONG kLyricsControl = 19;
constexpr int kButtonTool = 5;

// The player's play states that the play button follows.
constexpr int kStatusNotReady = 524;
constexpr int kStatusStopped = 525;
constexpr int kStatusPlaying = 526;
constexpr int kStatusRecording = 527;

constexpr TColor kMeterMid = 0x007777;
constexpr TColor kMeterHigh = 0x440088;

// Indicator images of ImageList.
constexpr int kRepeatOff = 0, kRepeatOn = 1, kRandomOff = 2, kRandomOn = 3, kTimerOff = 4, kTimerOn = 5;

TPinHost* host = nullptr;
win::HANDLE mutex{};
std::string pluginFileName;

// v / 2, truncated toward zero as every division of the geometry is.
int Half(int v) { return v / 2; }

TColor SegmentColor(const TLevelMeter& meter, int index) {
  if (index < 6) return meter.LowColor;
  return index < 8 ? meter.MidColor : meter.HighColor;
}

}  // namespace

TFormKORULozenge* FormKORULozenge __asm__("_FormKORULozenge") = nullptr;

namespace Lozenge {

TPinHost* Host() { return host; }
const std::string& PluginFileName() { return pluginFileName; }
std::string PluginFolder() { return host ? ExcludeTrailingBackslash(ExtractFilePath(host->GetPluginPath())) : ""; }

}  // namespace Lozenge

// ---- Construction and start ---------------------------------------------------

TFormKORULozenge::TFormKORULozenge(TComponent* AOwner) : TForm(AOwner) {
  LoadFormKORULozenge(this);
  for (int i = 0; i < 2; ++i) {
    BuildMeter(VolumeMeters[i], PanelVolume, false, 2, i, PanelDisplay->Font()->Color(), kMeterMid, kMeterHigh);
    SetMeterLevel(VolumeMeters[i], 0);
  }
  for (int i = 0; i < 10; ++i) {
    BuildMeter(SpeanaMeters[i], PanelSpeana, true, 10, i, PanelSpeana->Font()->Color(), kMeterMid, kMeterHigh);
    SetMeterLevel(SpeanaMeters[i], 0);
  }
  VolumeLeft->SetColor(clFuchsia);
  PrepareVolumeSlider(VolumeLeft);
  PrepareVolumeSlider(VolumeRight);
  DisplayMode = 1;
  SeekPosition = -1;
}

TFormKORULozenge::~TFormKORULozenge() { KORU->Unbind(); }

void TFormKORULozenge::PrepareVolumeSlider(ktvSlider* Slider) {
  Slider->SetTickStyle(tsNone);
  if (TBitmap* thumb = Slider->ButtonImage()) {
    thumb->SetTransparentColor(Slider->Color());
    thumb->SetTransparent(true);
  }
  Slider->Button()->SetTransparent(true);
  Slider->SetTransparent(true);
}

void TFormKORULozenge::Start() {
  if (TForm* owner = host ? host->GetOwnerForm() : nullptr) SetFormStyle(owner->FormStyle());
  win::SetForegroundWindow(Handle());
  RegionForm->SetTransparentColor(clTeal);
  RegionForm->Create();
  RegionForm->Set();
  KORU->Bind();
  HostMenuEntry = KORU->Menu4000->Add(DisplayName() + SJ(" 非表示"));

  Position = 0;
  SetLeft(Half(Screen->Width() - Width()));
  SetTop(Half(Screen->Height() - Height()));
  DisplayMode = 1;
  if (!KORU->ExePath.empty()) {
    // The settings of older versions lived in the player's own file.
    TIniFile playerSettings(ChangeFileExt(KORU->ExePath, ".ini"));
    if (playerSettings.SectionExists("LozgPlus")) playerSettings.EraseSection("LozgPlus");
  }
  ReadSettings();
  ApplyRestoredPosition();
  SetDisplayMode(DisplayMode);
  KORUPlayStatus(this, KORU->GetPlayStatus());
  UpdateVolume();
  UpdateRepeat();
  UpdateRandom();
  UpdateTimer();
  Show();
}

std::string TFormKORULozenge::SettingsFileName() const {
  return host ? ChangeFileExt(host->GetPluginPath(), ".ini") : "";
}

std::string TFormKORULozenge::DisplayName() const {
  const std::string base = ChangeFileExt(pluginFileName, "");
  return base == "LozgPlus" ? "KORULozenge+" : base;
}

void TFormKORULozenge::ReadSettings() {
  TIniFile settings(SettingsFileName());
  Position = settings.ReadInteger(kSection, "Position", 0);
  SetLeft(settings.ReadInteger(kSection, "Left", Left()));
  SetTop(settings.ReadInteger(kSection, "Top", Top()));
  OffsetLeft = settings.ReadInteger(kSection, "OffsetLeft", Left() - KORU->GetLeft());
  OffsetTop = settings.ReadInteger(kSection, "OffsetTop", Top() - KORU->GetTop());
  DisplayMode = settings.ReadInteger(kSection, "DisplayMode", 1);
}

void TFormKORULozenge::SaveSettings() {
  // One replacement of the file: a save cut short leaves the old settings whole.
  const std::pair<const char*, int> values[] = {{"Version", kLozengeVersion}, {"Position", Position},
                                                {"Left", Left()},              {"Top", Top()},
                                                {"OffsetLeft", OffsetLeft},    {"OffsetTop", OffsetTop},
                                                {"DisplayMode", DisplayMode}};
  std::vector<std::string> texts;
  std::vector<win::ProfileEntry> entries;
  texts.reserve(std::size(values));  // the entries point into it
  for (const auto& [key, value] : values) {
    texts.push_back(IntToStr(value));
    entries.push_back({kSection, key, texts.back().c_str()});
  }
  const std::string fileName = SettingsFileName();
  if (!win::WritePrivateProfileEntriesA(entries.data(), static_cast<win::DWORD>(entries.size()), fileName.c_str()))
    throw EIniFileException(Format(SIniFileWriteError, {fileName}));
}

void TFormKORULozenge::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.Style &= 0xF9FFFFFF;  // neither clip siblings nor children
  Params.ExStyle |= win::WS_EX_ACCEPTFILES;
}

void TFormKORULozenge::Invalidate() {
  if (Invalidating) return;
  Invalidating = true;
  // What lies behind the cut-away parts repaints too.
  const win::RECT behind{Left(), Top(), Left() + Width(), Top() + Height()};
  win::InvalidateRect(win::GetDesktopWindow(), &behind, win::TRUE);
  TForm::Invalidate();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
  Invalidating = false;
}

void TFormKORULozenge::FormClose(TObject* Sender, TCloseAction& Action) {
  Closing = true;
  KORU->Unbind();
  if (Application) Application->ProcessMessages();
  SaveSettings();
}

void TFormKORULozenge::Dispatch(TMessage& Message) {
  if (Message.Msg == win::WM_DROPFILES) {
    WMDropFiles(Message);
    return;
  }
  TForm::Dispatch(Message);
}

// ---- Panes, meters, marks and sliders ------------------------------------------

void TFormKORULozenge::BuildMeter(TLevelMeter& Meter, TCustomPanel* Panel, bool Vertical, int Count, int Index,
                                  TColor Low, TColor Mid, TColor High) {
  const int b = (Panel->BevelInner() != bvNone ? Panel->BevelWidth() : 0) +
                (Panel->BevelOuter() != bvNone ? Panel->BevelWidth() : 0);
  const int w = Panel->Width() - 2 * b;
  const int h = Panel->Height() - 2 * b;
  Meter.LowColor = Low;
  Meter.MidColor = Mid;
  Meter.HighColor = High;
  Meter.OffColor = Panel->Color();

  TRect segments[10];
  if (Vertical) {
    const int cw = w / Count, sh = h / 10;
    int x = b + Half(w - cw * Count) + Index * cw;
    int y0 = b + Half(h - sh * 10);
    int segmentHeight = sh - 1;
    if (segmentHeight <= 0) {
      segmentHeight = 1;
    } else {
      ++y0;
    }
    const int bottom = y0 + 9 * sh;
    int segmentWidth = cw;
    if (Count == 2) {
      segmentWidth = cw - 1;
      if (Index == 1) ++x;
    } else if (Count != 1) {
      segmentWidth = cw - 2;
      ++x;
    }
    for (int i = 0; i < 10; ++i) segments[i] = Bounds(x, bottom - i * sh, segmentWidth, segmentHeight);
  } else {
    const int sw = w / 10, rh = h / Count;
    const int x0 = b + Half(w - sw * 10);
    int y = b + Half(h - rh * Count) + Index * rh;
    const int segmentWidth = std::max(sw - 1, 1);
    int segmentHeight = rh;
    if (Count == 2) {
      segmentHeight = rh - 1;
      if (Index == 1) ++y;
    } else if (Count != 1) {
      segmentHeight = rh - 2;
      ++y;
    }
    for (int i = 0; i < 10; ++i) segments[i] = Bounds(x0 + i * sw, y, segmentWidth, segmentHeight);
  }

  for (int i = 0; i < 10; ++i) {
    TLabel*& segment = Meter.Segments[i];
    if (!segment) segment = new TLabel(Panel->Owner());
    segment->SetParent(Panel);
    segment->SetCaption("");
    segment->SetAutoSize(false);
    segment->SetBoundsRect(segments[i]);
    segment->SetColor(SegmentColor(Meter, i));
    segment->SetCursor(crDefault);
    segment->SetParentShowHint(true);
    segment->SetShowHint(true);
    segment->OnClick = Panel->OnClick;
    segment->OnMouseDown = Panel->OnMouseDown;
    segment->OnMouseMove = Panel->OnMouseMove;
    segment->OnMouseUp = Panel->OnMouseUp;
    segment->SetVisible(true);
  }
}

void TFormKORULozenge::SetMeterLevel(TLevelMeter& Meter, int Level) {
  Meter.Level = std::clamp(Level, 0, 10);
  for (int i = 0; i < 10; ++i) {
    const TColor color = i < Meter.Level ? SegmentColor(Meter, i) : Meter.OffColor;
    // A steady level repaints nothing.
    if (Meter.Segments[i]->Color() != color) Meter.Segments[i]->SetColor(color);
  }
}

void TFormKORULozenge::ClearSpeana() {
  for (TLevelMeter& meter : SpeanaMeters) SetMeterLevel(meter, 0);
}

void TFormKORULozenge::ShowPane(int Mode) {
  if (Mode == 0) {
    PanelSpeana->Hide();
    PanelLyrics->Hide();
    PanelDisplay->Show();
    KORU->SetEvents({evVolume, evCounter, evMove});
  } else if (Mode == 2) {
    PanelLyrics->Hide();
    PanelDisplay->Hide();
    ClearSpeana();
    PanelSpeana->Show();
    KORU->SetEvents({evSpeana, evMove});
  } else {
    PanelSpeana->Hide();
    PanelDisplay->Hide();
    PanelLyrics->Show();
    if (DisplayMode == 1) {
      KORULoadLyrics(this);
      KORULyrics(this, -1);
    }
    KORU->SetEvents({evLyrics, evMove});
  }
}

void TFormKORULozenge::SetDisplayMode(int Mode) {
  DisplayMode = Mode;
  LabelLyrics->SetCaption("");
  if (Mode == 0) {
    PopupTitle->SetChecked(true);
    KORUDisplayTitle(this, KORU->GetTrack());
  } else if (Mode == 2) {
    PopupSpeana->SetChecked(true);
  } else {
    PopupLyrics->SetChecked(true);
    DisplayMode = 1;
  }
  ShowPane(DisplayMode);
}

void TFormKORULozenge::PanelSpeanaClick(TObject* Sender) {
  ++DisplayMode;
  if (DisplayMode == 3) DisplayMode = 0;
  SetDisplayMode(DisplayMode);
}

void TFormKORULozenge::PopupLyricsClick(TObject* Sender) { SetDisplayMode(static_cast<TComponent*>(Sender)->Tag); }

void TFormKORULozenge::KORUSpeana(TObject* Sender, TKORUSpeanaLevel& Level) {
  if (Closing) return;
  for (int k = 0; k < 10; ++k) SetMeterLevel(SpeanaMeters[k], Level[k]);
}

void TFormKORULozenge::KORUVolume(TObject* Sender, int Left, int Right) {
  if (Closing) return;
  SetMeterLevel(VolumeMeters[0], Left);
  SetMeterLevel(VolumeMeters[1], Right);
}

void TFormKORULozenge::KORUDisplayTitle(TObject* Sender, int Param) {
  const TTrackInfo info = KORU->GetTrackInfo(Param);
  std::string text = info.Title;
  if (text.empty()) text = ExtractFileName(info.FileName);
  if (text.empty()) {
    text = FormatC("KORU Lozenge+ Ver.%d.%2d.%d",
                   {kLozengeVersion / 1000, (kLozengeVersion % 1000) / 10, kLozengeVersion % 10});
  }
  LabelTitle->SetCaption(text);
  LabelTitle->SetHint(text);
  LabelArtist->SetCaption(info.Artist);
  LabelArtist->SetHint(info.Artist);
  PanelLyrics->SetHint(KORU->LyricsList->GetComment());
}

void TFormKORULozenge::KORUDisplayTrack(TObject* Sender, int Param) {
  LabelTrack->SetCaption(FormatC("%.3d", {Param}));
  TrackLength = KORU->GetLength();
}

void TFormKORULozenge::KORUCounter(TObject* Sender, int Param) {
  int first = 0, second = 0, value = 0, full = 0;
  if (KORU->GetTracks() != 0) {
    first = (Param / 1000) / 60;
    second = (Param / 1000) % 60;
    value = Param;
    full = TrackLength != 0 ? TrackLength : 60000;
  } else {
    const int counter = KORU->GetCounter();
    LabelTrack->SetCaption(FormatC("%.3d", {counter / 60000}));
    first = (counter / 1000) % 60;
    second = std::max(counter % 1000, 0);
    value = first;
    full = 60;
  }
  LabelTime->SetCaption(FormatC("%.2d:%.2d", {first, second}));
  const int track = LabelPositionBack->Width();
  // The product is taken in 32 bits, as the bar always has been.
  int width = static_cast<int>(static_cast<uint32_t>(track) * static_cast<uint32_t>(value)) / full;
  if (width == 0) width = 1;
  if (width > track) width = track;
  LabelPosition->SetWidth(width);
}

void TFormKORULozenge::LabelPositionMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  SeekPosition = 0;
  LabelPositionMouseMove(Sender, Shift, X, Y);
}

void TFormKORULozenge::LabelPositionMouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
  if (SeekPosition < 0 || !KORU->Bound) return;
  const int length = KORU->GetLength();
  if (length == 0) return;
  if (Sender == LabelPosition) X = LabelPositionBack->ScreenToClient(LabelPosition->ClientToScreen(Point(X, Y))).x;
  int pos = static_cast<int>(std::trunc(length * (static_cast<double>(X) / (LabelPositionBack->Width() - 4))));
  pos = ((pos + 5) / 10) * 10;
  if (pos >= length) pos = length - 1;
  if (pos < 0) pos = 0;
  SeekPosition = pos;
  KORU->SetCounter(pos);
  KORUCounter(this, pos);
}

void TFormKORULozenge::LabelPositionMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  LabelPositionMouseMove(Sender, Shift, X, Y);
  KORU->SetPosition(SeekPosition);
  SeekPosition = -1;
}

void TFormKORULozenge::KORUOpenTrack(TObject* Sender, int Param) {
  const TTrackInfo info = KORU->GetTrackInfo(Param);
  LabelTitle->SetHint(info.Title);
  LabelArtist->SetHint(info.Artist);
  KORULoadLyrics(this);
  if (DisplayMode == 0) return;
  if (DisplayMode == 2) {
    ShowPane(2);
    return;
  }
  const bool hasLyrics = !KORU->GetTrackInfo(Param).LyricsName.empty() && KORU->LyricsList->GetCount() > 1;
  ShowPane(hasLyrics ? 1 : 2);
}

void TFormKORULozenge::KORUCloseTrack(TObject* Sender, int Param) { LabelLyrics->SetColor(PanelLyrics->Color()); }

void TFormKORULozenge::KORULoadLyrics(TObject* Sender) {
  PanelLyrics->SetHint(KORU->LyricsList->GetComment());
  LabelLyrics->SetWidth(KORU->LyricsList->GetWidth());
  LabelLyrics->SetHeight(KORU->LyricsList->GetHeight());
  LabelLyrics->SetLeft(Half(PanelLyrics->Width() - LabelLyrics->Width()));
  LabelLyrics->SetTop(Half(PanelLyrics->Height() - LabelLyrics->Height()));
  TControl* playerLyrics = host ? host->GetControl(kLyricsControl) : nullptr;
  if (!playerLyrics) return;
  LyricsBackDefault = LyricsBack = playerLyrics->Color();
  LyricsFontDefault = LyricsFont = playerLyrics->Font()->Color();
}

void TFormKORULozenge::KORULyrics(TObject* Sender, int Param) {
  if (Closing || (DisplayMode != 1 && Param >= 0)) return;
  TLyrics* text = KORU->GetText();
  if (!text || text->Font->Height() == 0) return;
  LabelLyrics->SetCaption(text->Text);
  const auto alignment = static_cast<TAlignment>(text->Alignment);
  if (LabelLyrics->Alignment() != alignment) LabelLyrics->SetAlignment(alignment);
  if (LabelLyrics->WordWrap() != text->WordWrap) LabelLyrics->SetWordWrap(text->WordWrap);
  if (LabelLyrics->ShowAccelChar() != text->ShowAccelChar) LabelLyrics->SetShowAccelChar(text->ShowAccelChar);

  if (static_cast<TColor>(text->Color) != LyricsBack) {
    LyricsBack = static_cast<TColor>(text->Color);
    LabelLyrics->SetColor(LyricsBack == LyricsBackDefault ? PanelLyrics->Color() : LyricsBack);
  }
  TFont* font = LabelLyrics->Font();
  const TFont* sent = text->Font.get();
  if (font->Name() != sent->Name() || font->Charset() != sent->Charset() || font->Height() != sent->Height() ||
      font->Style() != sent->Style() || sent->Color() != LyricsFont) {
    font->Assign(text->Font.get());
    font->SetHeight(sent->Height());
    LyricsFont = sent->Color();
    if (LyricsFont == LyricsFontDefault) font->SetColor(PanelLyrics->Font()->Color());
  }
}

void TFormKORULozenge::DrawIndicator(ktvPanel* Panel, TImageList* Images, int Index) {
  TBitmap* image = Panel->Image();
  if (!image) return;
  TCanvas* canvas = image->Canvas();
  canvas->CopyMode = cmSrcCopy;
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Panel->Color());
  canvas->FillRect(Rect(0, 0, image->Width(), image->Height()));
  if (Index < Images->Count()) {
    Images->Draw(canvas, 0, 0, Index, true);
    Panel->Invalidate();
  }
}

void TFormKORULozenge::UpdateRepeat() {
  DrawIndicator(PanelRepeat, ImageList, KORU->GetRepeat() ? kRepeatOn : kRepeatOff);
}

void TFormKORULozenge::UpdateRandom() {
  DrawIndicator(PanelRandom, ImageList, KORU->GetRandom() ? kRandomOn : kRandomOff);
}

void TFormKORULozenge::UpdateTimer() {
  const bool on = KORU->GetOnTimer() || KORU->GetOffTimer() || KORU->GetShutDownRecord();
  DrawIndicator(PanelTimer, ImageList, on ? kTimerOn : kTimerOff);
}

void TFormKORULozenge::KORURepeat(TObject* Sender, bool Flag) { UpdateRepeat(); }
void TFormKORULozenge::KORURandom(TObject* Sender, bool Flag) { UpdateRandom(); }
void TFormKORULozenge::KORUDisplayTimer(TObject* Sender, int Param) { UpdateTimer(); }

void TFormKORULozenge::PanelRepeatClick(TObject* Sender) { KORU->SetRepeat(!KORU->GetRepeat()); }
void TFormKORULozenge::PanelRandomClick(TObject* Sender) { KORU->SetRandom(!KORU->GetRandom()); }

void TFormKORULozenge::UpdateVolume() {
  const int volume = KORU->GetVolume();
  VolumeUpdating = true;
  VolumeLeft->SetPosition(volume);
  VolumeRight->SetPosition(volume);
  VolumeUpdating = false;
}

void TFormKORULozenge::VolumeChange(TObject* Sender) {
  if (VolumeUpdating) return;
  VolumeUpdating = true;
  KORU->SetVolume(static_cast<ktvSlider*>(Sender)->Position());
  VolumeUpdating = false;
}

void TFormKORULozenge::KORUChangeVolume(TObject* Sender, int Param) { UpdateVolume(); }

// ---- Menus, buttons, keys and dropped files -------------------------------------

void TFormKORULozenge::PopupMenuPopup(TObject* Sender) {
  PopupPlayerVisible->SetCaption(KORU->GetVisible() ? SJ("プレイヤー非表示") : SJ("プレイヤー表示"));
}

void TFormKORULozenge::PopupPlayerVisibleClick(TObject* Sender) { KORU->SetVisible(!KORU->GetVisible()); }

void TFormKORULozenge::PopupHelpClick(TObject* Sender) {
  const std::string page = Lozenge::PluginFolder() + "\\KORULozg.htm";
  win::ShellExecuteA(Handle(), nullptr, page.c_str(), nullptr, nullptr, win::SW_SHOWNORMAL);
}

void TFormKORULozenge::PopupExitClick(TObject* Sender) { KORU->Abort(); }

void TFormKORULozenge::SetDesignFile(const std::string& FileName) {
  KORU->SetDesign(Lozenge::PluginFolder() + FileName);
}

void TFormKORULozenge::PopupDesignToolPlusClick(TObject* Sender) { SetDesignFile("\\KORULozengeT+.korud"); }
void TFormKORULozenge::PopupDesignMenuPlusClick(TObject* Sender) { SetDesignFile("\\KORULozengeM+.korud"); }
void TFormKORULozenge::PopupDesignToolClick(TObject* Sender) { SetDesignFile("\\KORULozengeT.korud"); }
void TFormKORULozenge::PopupDesignMenuClick(TObject* Sender) { SetDesignFile("\\KORULozengeM.korud"); }

void TFormKORULozenge::BtnPlayListClick(TObject* Sender) {
  KORU->PlayList->SetVisible(!KORU->PlayList->GetVisible());
}
void TFormKORULozenge::BtnLogoClick(TObject* Sender) { PopupPlayerVisibleClick(Sender); }
void TFormKORULozenge::BtnToolClick(TObject* Sender) { KORU->Click(kButtonTool); }
void TFormKORULozenge::BtnUpClick(TObject* Sender) { KORU->Back(); }
void TFormKORULozenge::BtnDownClick(TObject* Sender) { KORU->Next(); }

void TFormKORULozenge::BtnPlayClick(TObject* Sender) {
  if (BtnPlay->UpIndex() != 0) {
    KORU->Stop();
  } else {
    KORU->Play();
  }
}

void TFormKORULozenge::KORUPlayStatus(TObject* Sender, int Param) {
  if (Param == kStatusNotReady || Param == kStatusStopped) {
    BtnPlay->SetUpIndex(0);
  } else if (Param == kStatusPlaying) {
    BtnPlay->SetUpIndex(3);
  } else if (Param == kStatusRecording) {
    BtnPlay->SetUpIndex(2);
  }
  UpdateVolume();
  UpdateRepeat();
  UpdateRandom();
  UpdateTimer();
}

void TFormKORULozenge::KORUMenu(TObject* Sender) {
  if (!Sender || Sender != HostMenuEntry) return;
  if (Visible()) {
    Hide();
    HostMenuEntry->SetCaption(DisplayName() + SJ(" 表示"));
  } else {
    Show();
    HostMenuEntry->SetCaption(DisplayName() + SJ(" 非表示"));
  }
}

void TFormKORULozenge::FormKeyDown(TObject* Sender, win::WORD& Key, TShiftState Shift) { KORU->KeyDown(Key, Shift); }

void TFormKORULozenge::WMDropFiles(TMessage& Message) {
  const auto drop = reinterpret_cast<win::HDROP>(Message.WParam);
  const win::UINT count = win::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (win::UINT i = 0; i < count; ++i) {
    // Each name is taken whole, however long: a cut name would be some other file.
    const win::UINT length = win::DragQueryFileA(drop, i, nullptr, 0);
    std::string name(length + 1, '\0');
    name.resize(win::DragQueryFileA(drop, i, name.data(), length + 1));
    if (LowerCase(ExtractFileExt(name)) == ".korud") {
      KORU->SetDesign(name);
    } else {
      KORU->Add(name);
    }
  }
  win::DragFinish(drop);
  Message.Result = 0;
}

// ---- Following the player -----------------------------------------------------

void TFormKORULozenge::KORUMove(TObject* Sender, int Left, int Right) {
  const int x = Left, y = Right;  // the player's new left and top
  const int pw = KORU->GetWidth(), ph = KORU->GetHeight();
  const int w = Width(), h = Height();
  switch (Position) {
    case 1:
      SetLeft(x + Half(pw - w));
      SetTop(y - h);
      break;
    case 2:
      SetLeft(x + Half(pw - w));
      SetTop(y + ph);
      break;
    case 3:
      SetLeft(x - w);
      SetTop(y + Half(ph - h));
      break;
    case 4:
      SetLeft(x + pw);
      SetTop(y + Half(ph - h));
      break;
    case 5:
      SetLeft(x + OffsetLeft);
      SetTop(y + OffsetTop);
      break;
    default:
      break;
  }
}

void TFormKORULozenge::MoveTo(int X, int Y) {
  const int pw = KORU->GetWidth(), ph = KORU->GetHeight();
  const int w = Width(), h = Height();
  SetLeft(X);
  SetTop(Y);
  switch (Position) {
    case 1:
      KORU->SetLeft(X - Half(pw - w));
      KORU->SetTop(Y + h);
      break;
    case 2:
      KORU->SetLeft(X - Half(pw - w));
      KORU->SetTop(Y - ph);
      break;
    case 3:
      KORU->SetLeft(X + w);
      KORU->SetTop(Y - Half(ph - h));
      break;
    case 4:
      KORU->SetLeft(X - pw);
      KORU->SetTop(Y - Half(ph - h));
      break;
    case 5:
      OffsetLeft = X - KORU->GetLeft();
      OffsetTop = Y - KORU->GetTop();
      break;
    default:
      break;
  }
}

void TFormKORULozenge::PopupPositionClick(TObject* Sender) {
  auto* item = static_cast<TMenuItem*>(Sender);
  item->SetChecked(true);
  Position = item->Tag;
  OffsetLeft = Left() - KORU->GetLeft();
  OffsetTop = Top() - KORU->GetTop();
  KORUMove(this, KORU->GetLeft(), KORU->GetTop());
}

void TFormKORULozenge::ApplyRestoredPosition() {
  TMenuItem* chosen = PopupPositionFree;
  for (int i = 0; i < PopupPosition->Count(); ++i) {
    if (PopupPosition->Items(i)->Tag == Position) {
      chosen = PopupPosition->Items(i);
      break;
    }
  }
  PopupPositionClick(chosen);
}

void TFormKORULozenge::FormMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Dragging) return;
  win::SetCapture(Handle());
  Dragging = 1;
  const TPoint grab = static_cast<TControl*>(Sender)->ClientToScreen(Point(X, Y));
  GrabX = grab.x - Left();
  GrabY = grab.y - Top();
}

void TFormKORULozenge::FormMouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
  if (!Dragging) return;
  const TPoint at = static_cast<TControl*>(Sender)->ClientToScreen(Point(X, Y));
  MoveTo(at.x - GrabX, at.y - GrabY);
}

void TFormKORULozenge::FormMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  win::ReleaseCapture();
  if (!Dragging) return;
  const TPoint at = static_cast<TControl*>(Sender)->ClientToScreen(Point(X, Y));
  MoveTo(at.x - GrabX, at.y - GrabY);
  Dragging = 0;
}

void TFormKORULozenge::KORUStayOnTop(TObject* Sender, bool Flag) {
  if (Closing) return;
  SetFormStyle(Flag ? fsStayOnTop : fsNormal);
  // The new window needs its outline again.
  RegionForm->Set();
}

// ---- The library's entry points ---------------------------------------------------

namespace {

// What the lozenge raises must not cross into the host: the host's
// application shows it.
template <class Fn>
void Guarded(Fn fn) {
  try {
    fn();
  } catch (...) {
    if (Application) Application->HandleException(nullptr);
  }
}

void Run(TPinHost* pinHost) {
  host = pinHost;
  if (!host->AcceptsVersion(kPluginInterfaceVersion)) {
    MessageDlg(SJ("このバージョンのKORUには対応していません\n対応版をお使いください"), mtWarning, {mbOK}, 0);
    host->Unload();
    return;
  }
  mutex = win::CreateMutexA(nullptr, win::FALSE, "KORULozenge");
  if (!mutex || win::GetLastError() == win::ERROR_ALREADY_EXISTS) {
    host->Unload();
    return;
  }
  pluginFileName = ExtractFileName(host->GetPluginPath());
  FormKORULozenge = new TFormKORULozenge(host->GetOwnerForm());
  FormKORULozenge->Start();
}

void Abort() {
  if (FormKORULozenge) {
    // A closed window has saved already. It goes too: left to its owner, it
    // would be freed after the host has unloaded this library's code.
    if (!FormKORULozenge->Closing) Guarded([] { FormKORULozenge->SaveSettings(); });
    delete FormKORULozenge;
    FormKORULozenge = nullptr;
  }
  if (mutex) {
    win::ReleaseMutex(mutex);
    win::CloseHandle(mutex);
    mutex = {};
  }
}

}  // namespace

extern "C" {

void LozengeRun(TPinHost* pinHost) __asm__("_pinRun");
void LozengeAbort() __asm__("_pinAbort");

void LozengeRun(TPinHost* pinHost) {
  Guarded([pinHost] { Run(pinHost); });
}

void LozengeAbort() { Abort(); }

}  // extern "C"
