// The lozenge: the plug-in's only window, a borderless 320 by 60 window cut
// to the outline of its skin, that mirrors the KORU player (track, time,
// titles, lyrics line or spectrum bars, level meters, volume, marks) and
// drives it (buttons, popup menu, keys, dropped files, an entry in the
// player's menu), docked to the player's main window or free. It remembers
// its place and display mode in the settings file beside the plug-in.
//
// The library's entry points "_pinRun" and "_pinAbort" and its data symbol
// "_FormKORULozenge" are defined in Main.cpp.
#pragma once

#include <string>

#include "controls/Button.h"
#include "controls/Panel.h"
#include "controls/Region.h"
#include "controls/Slider.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/ImageList.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"
#include "hostlink/Koru.h"

struct TPinHost;

// The plug-in's version number, written first into its settings file.
constexpr int kLozengeVersion = 6130;

// One row or column of ten segments drawn with plain labels; segment 0 is
// the lowest (or leftmost).
struct TLevelMeter {
  int Level = 0;
  TColor LowColor = clBlack;   // lit segments 0 to 5
  TColor MidColor = clBlack;   // lit segments 6 and 7
  TColor HighColor = clBlack;  // lit segments 8 and 9
  TColor OffColor = clBlack;
  TLabel* Segments[10] = {};
};

class TFormKORULozenge : public TForm {
 public:
  explicit TFormKORULozenge(TComponent* AOwner);
  ~TFormKORULozenge() override;

  void Invalidate() override;

  // Shapes the window, links to the player, restores the settings, docks
  // and shows the window.
  void Start();
  void SaveSettings();
  // The settings file: the plug-in's path with ".ini".
  std::string SettingsFileName() const;
  // The name the player's menu entry carries: the plug-in's file name
  // without extension, or "KORULozenge+" for the library's own name.
  std::string DisplayName() const;

  // ---- Panes, meters, marks and sliders ------------------------------------
  void BuildMeter(TLevelMeter& Meter, TCustomPanel* Panel, bool Vertical, int Count, int Index, TColor Low, TColor Mid,
                  TColor High);
  void SetMeterLevel(TLevelMeter& Meter, int Level);
  void ClearSpeana();
  void ShowPane(int Mode);
  void SetDisplayMode(int Mode);
  void DrawIndicator(ktvPanel* Panel, TImageList* Images, int Index);
  void UpdateRepeat();
  void UpdateRandom();
  void UpdateTimer();
  void UpdateVolume();

  void PanelSpeanaClick(TObject* Sender);
  void PopupLyricsClick(TObject* Sender);
  void PanelRepeatClick(TObject* Sender);
  void PanelRandomClick(TObject* Sender);
  void LabelPositionMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void LabelPositionMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void LabelPositionMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void VolumeChange(TObject* Sender);

  void KORUSpeana(TObject* Sender, TKORUSpeanaLevel& Level);
  void KORUVolume(TObject* Sender, int Left, int Right);
  void KORUDisplayTitle(TObject* Sender, int Param);
  void KORUDisplayTrack(TObject* Sender, int Param);
  void KORUCounter(TObject* Sender, int Param);
  void KORUOpenTrack(TObject* Sender, int Param);
  void KORUCloseTrack(TObject* Sender, int Param);
  void KORULoadLyrics(TObject* Sender);
  void KORULyrics(TObject* Sender, int Param);
  void KORURepeat(TObject* Sender, bool Flag);
  void KORURandom(TObject* Sender, bool Flag);
  void KORUDisplayTimer(TObject* Sender, int Param);
  void KORUChangeVolume(TObject* Sender, int Param);

  // ---- Menus, buttons, keys ------------------------------------------------
  void PopupMenuPopup(TObject* Sender);
  void PopupPlayerVisibleClick(TObject* Sender);
  void PopupHelpClick(TObject* Sender);
  void PopupExitClick(TObject* Sender);
  void PopupDesignToolPlusClick(TObject* Sender);
  void PopupDesignMenuPlusClick(TObject* Sender);
  void PopupDesignToolClick(TObject* Sender);
  void PopupDesignMenuClick(TObject* Sender);
  void BtnPlayListClick(TObject* Sender);
  void BtnLogoClick(TObject* Sender);
  void BtnToolClick(TObject* Sender);
  void BtnUpClick(TObject* Sender);
  void BtnPlayClick(TObject* Sender);
  void BtnDownClick(TObject* Sender);
  void FormKeyDown(TObject* Sender, win::WORD& Key, TShiftState Shift);
  void KORUPlayStatus(TObject* Sender, int Param);
  void KORUMenu(TObject* Sender);

  // ---- Following the player -------------------------------------------------
  void KORUMove(TObject* Sender, int Left, int Right);
  void MoveTo(int X, int Y);
  void PopupPositionClick(TObject* Sender);
  void FormMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void FormMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void FormMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void KORUStayOnTop(TObject* Sender, bool Flag);

  // ---- Closing ----------------------------------------------------------------
  void FormClose(TObject* Sender, TCloseAction& Action);
  void KORUClose(TObject* Sender) {}
  void KORUAbort(TObject* Sender) {}
  void KORUUnbind(TObject* Sender) {}

  // Children of the form resource.
  ktvRegion* RegionForm = nullptr;
  TPanel* PanelDisplay = nullptr;
  TLabel* LabelTrack = nullptr;
  TLabel* LabelTime = nullptr;
  ktvPanel* PanelTimer = nullptr;
  TLabel* LabelArtist = nullptr;
  TLabel* LabelTitle = nullptr;
  ktvPanel* PanelRepeat = nullptr;
  ktvPanel* PanelRandom = nullptr;
  ktvPanel* PanelVolume = nullptr;
  TLabel* LabelPositionBack = nullptr;
  TLabel* LabelPosition = nullptr;
  TPanel* PanelLyrics = nullptr;
  TLabel* LabelLyrics = nullptr;
  TPanel* PanelSpeana = nullptr;
  ktvSlider* VolumeLeft = nullptr;
  ktvSlider* VolumeRight = nullptr;
  ktvButton* BtnPlayList = nullptr;
  ktvButton* BtnLogo = nullptr;
  ktvButton* BtnTool = nullptr;
  ktvButton* BtnUp = nullptr;
  ktvButton* BtnPlay = nullptr;
  ktvButton* BtnDown = nullptr;
  TKORU* KORU = nullptr;
  TImageList* ImageList = nullptr;
  TPopupMenu* PopupMenu = nullptr;
  TMenuItem* PopupTitle = nullptr;
  TMenuItem* PopupLyrics = nullptr;
  TMenuItem* PopupSpeana = nullptr;
  TMenuItem* PopupPosition = nullptr;
  TMenuItem* PopupPositionFree = nullptr;
  TMenuItem* PopupPositionUpper = nullptr;
  TMenuItem* PopupPositionUnder = nullptr;
  TMenuItem* PopupPositionRight = nullptr;
  TMenuItem* PopupPositionLeft = nullptr;
  TMenuItem* PopupPositionOffset = nullptr;
  TMenuItem* PopupDesign = nullptr;
  TMenuItem* PopupDesignToolPlus = nullptr;
  TMenuItem* PopupDesignMenuPlus = nullptr;
  TMenuItem* PopupDesignTool = nullptr;
  TMenuItem* PopupDesignMenu = nullptr;
  TMenuItem* PopupPlayerVisible = nullptr;
  TMenuItem* PopupHelp = nullptr;
  TMenuItem* PopupExit = nullptr;

  // Own fields.
  bool Closing = false;
  int Position = 0;     // docking mode 0 to 5
  int DisplayMode = 0;  // 0 title, 1 lyrics, 2 spectrum
  int TrackLength = 0;
  TColor LyricsBackDefault = 0;
  TColor LyricsBack = 0;
  TColor LyricsFontDefault = 0;
  TColor LyricsFont = 0;
  int Dragging = 0;
  int GrabX = 0;
  int GrabY = 0;
  int SeekPosition = 0;  // milliseconds chosen on the position bar, -1 when idle
  int OffsetLeft = 0;
  int OffsetTop = 0;
  bool Invalidating = false;
  bool VolumeUpdating = false;
  TKORUMenu* HostMenuEntry = nullptr;
  TLevelMeter SpeanaMeters[10];
  TLevelMeter VolumeMeters[2];

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;

 private:
  void ReadSettings();
  void ApplyRestoredPosition();
  void PrepareVolumeSlider(ktvSlider* Slider);
  void SetDesignFile(const std::string& FileName);
  void WMDropFiles(TMessage& Message);
};

// The module's state, shared by the entry points and the window.
namespace Lozenge {

// The host object handed to "_pinRun", kept for the library's life.
TPinHost* Host();
// The file-name part of the plug-in's path as the host reports it.
const std::string& PluginFileName();
// The folder of the plug-in's path, without a trailing separator.
std::string PluginFolder();

}  // namespace Lozenge

// The one lozenge window, or null; exported as "_FormKORULozenge".
extern TFormKORULozenge* FormKORULozenge;
