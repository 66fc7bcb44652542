#include "resources/LozengeForm.h"

#include <functional>

#include "platform/Fonts.h"
#include "platform/Text.h"
#include "plugin/Main.h"
#include "resources/Artwork.h"

namespace {

constexpr TColor kPaneColor = 0xACBCBC;
constexpr TColor kPaneText = 0x3A4646;
constexpr TColor kBarBack = 0x96A0A0;

using Form = TFormKORULozenge;

// A handler of the form, as the resource names it.
template <class Method>
auto Handler(Form* form, Method method) {
  return std::bind_front(method, form);
}

void SetFont(TFont* font, const std::string& name, int height, bool bold) {
  font->SetName(name);
  font->SetHeight(height);
  font->SetCharset(win::SHIFTJIS_CHARSET);
  font->SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
}

template <class T>
T* Add(TComponentLoader& loader, Form* form, const char* name, TWinControl* parent) {
  T* control = loader.Add(new T(form));
  control->SetName(name);
  if (parent) control->SetParent(parent);
  return control;
}

TPanel* AddPane(TComponentLoader& loader, Form* form, const char* name) {
  auto* pane = Add<TPanel>(loader, form, name, form);
  pane->SetBounds(37, 11, 246, 38);
  pane->SetBevelOuter(bvNone);
  pane->SetCaption("");
  pane->SetColor(kPaneColor);
  pane->Font()->SetColor(kPaneText);
  pane->OnClick = Handler(form, &Form::PanelSpeanaClick);
  return pane;
}

TLabel* AddLabel(TComponentLoader& loader, Form* form, const char* name, TWinControl* parent, TRect bounds,
                 const std::string& caption) {
  auto* label = Add<TLabel>(loader, form, name, parent);
  label->SetAutoSize(false);
  label->SetBounds(bounds.left, bounds.top, bounds.right, bounds.bottom);
  label->SetCaption(caption);
  label->OnClick = Handler(form, &Form::PanelSpeanaClick);
  return label;
}

ktvPanel* AddMark(TComponentLoader& loader, Form* form, const char* name, TWinControl* parent, int left, int top) {
  auto* mark = Add<ktvPanel>(loader, form, name, parent);
  mark->SetBounds(left, top, 12, 10);
  mark->SetBevelOuter(bvNone);
  mark->SetCaption("");
  TBitmap image;
  image.SetSize(12, 10);
  mark->SetImage(&image);
  return mark;
}

ktvButton* AddButton(TComponentLoader& loader, Form* form, const char* name, int left, int top, const char* glyph,
                     const char* hint) {
  auto* button = Add<ktvButton>(loader, form, name, form);
  button->SetBounds(left, top, 12, 12);
  button->SetCaption("");
  button->SetCursor(crHandPoint);
  button->SetHint(hint);
  button->SetShowHint(*hint != '\0');
  TBitmap strip;
  LoadArtwork(glyph, &strip);
  strip.SetTransparentColor(clFuchsia);
  button->SetGlyph(&strip);
  button->SetNumGlyphs(4);
  button->SetImageWidth(12);
  button->SetDrawFrame(false);
  button->SetDisableIndex(1);
  button->SetDownIndex(2);
  button->SetTransparent(true);
  return button;
}

ktvSlider* AddSlider(TComponentLoader& loader, Form* form, const char* name, int left) {
  auto* slider = Add<ktvSlider>(loader, form, name, form);
  slider->SetBounds(left, 3, 10, 54);
  slider->SetOrientation(trVertical);
  slider->SetBevelOuter(bvNone);
  slider->SetCaption("");
  slider->SetMax(1000);
  slider->SetFrequency(100);
  slider->SetHint("Volume");
  slider->SetShowHint(true);
  slider->SetCursor(crHandPoint);
  slider->SetColor(clFuchsia);
  TBitmap thumb;
  LoadArtwork("thumb.bmp", &thumb);
  slider->SetButtonImage(&thumb);
  slider->OnChange = Handler(form, &Form::VolumeChange);
  return slider;
}

TMenuItem* AddItem(TComponentLoader& loader, Form* form, const char* name, TMenuItem* parent,
                   const std::string& caption, TNotifyEvent onClick = nullptr) {
  auto* item = loader.Add(new TMenuItem(form));
  item->SetName(name);
  item->SetCaption(caption);
  item->OnClick = std::move(onClick);
  parent->Add(item);
  return item;
}

TMenuItem* AddRadio(TComponentLoader& loader, Form* form, const char* name, TMenuItem* parent,
                    const std::string& caption, int tag, int group, TNotifyEvent onClick) {
  TMenuItem* item = AddItem(loader, form, name, parent, caption, std::move(onClick));
  item->Tag = tag;
  item->RadioItem = true;
  item->GroupIndex = group;
  return item;
}

void BuildTitlePane(TComponentLoader& loader, Form* form) {
  TPanel* pane = form->PanelDisplay = AddPane(loader, form, "PanelDisplay");
  pane->SetVisible(false);
  form->LabelTrack = AddLabel(loader, form, "LabelTrack", pane, Rect(5, 2, 21, 12), "000");
  SetFont(form->LabelTrack->Font(), SJ("ＭＳ ゴシック"), -12, true);
  form->LabelTime = AddLabel(loader, form, "LabelTime", pane, Rect(5, 14, 35, 12), "00:00");
  SetFont(form->LabelTime->Font(), SJ("ＭＳ ゴシック"), -12, true);
  form->PanelTimer = AddMark(loader, form, "PanelTimer", pane, 27, 2);
  for (TLabel** label : {&form->LabelArtist, &form->LabelTitle}) {
    const bool artist = label == &form->LabelArtist;
    *label = AddLabel(loader, form, artist ? "LabelArtist" : "LabelTitle", pane, Rect(50, artist ? 2 : 16, 175, 12),
                      "");
    SetFont((*label)->Font(), SJ("ＭＳ Ｐゴシック"), -12, true);
    (*label)->SetShowHint(true);
  }
  form->PanelRepeat = AddMark(loader, form, "PanelRepeat", pane, 230, 3);
  form->PanelRepeat->SetHint("Repeat");
  form->PanelRepeat->SetCursor(crHandPoint);
  form->PanelRepeat->OnClick = Handler(form, &Form::PanelRepeatClick);
  form->PanelRandom = AddMark(loader, form, "PanelRandom", pane, 230, 17);
  form->PanelRandom->SetHint("Random");
  form->PanelRandom->SetCursor(crHandPoint);
  form->PanelRandom->OnClick = Handler(form, &Form::PanelRandomClick);
  form->PanelVolume = Add<ktvPanel>(loader, form, "PanelVolume", pane);
  form->PanelVolume->SetBounds(5, 26, 40, 11);
  form->PanelVolume->SetBevelOuter(bvNone);
  form->PanelVolume->SetCaption("");
  form->PanelVolume->OnClick = Handler(form, &Form::PanelSpeanaClick);
  for (TLabel** label : {&form->LabelPositionBack, &form->LabelPosition}) {
    const bool back = label == &form->LabelPositionBack;
    *label = AddLabel(loader, form, back ? "LabelPositionBack" : "LabelPosition", pane,
                      Rect(50, 32, back ? 190 : 95, 3), "");
    (*label)->SetColor(back ? kBarBack : kPaneText);
    (*label)->SetCursor(crHandPoint);
    (*label)->OnClick = nullptr;
    (*label)->OnMouseDown = Handler(form, &Form::LabelPositionMouseDown);
    (*label)->OnMouseMove = Handler(form, &Form::LabelPositionMouseMove);
    (*label)->OnMouseUp = Handler(form, &Form::LabelPositionMouseUp);
  }
}

void BuildLyricsPane(TComponentLoader& loader, Form* form) {
  TPanel* pane = form->PanelLyrics = AddPane(loader, form, "PanelLyrics");
  pane->SetShowHint(true);
  TLabel* label = form->LabelLyrics = AddLabel(loader, form, "LabelLyrics", pane, Rect(0, 0, 246, 38), "");
  label->SetAlignment(taCenter);
  label->SetLayout(tlCenter);
  label->SetWordWrap(true);
  label->SetShowAccelChar(false);
  SetFont(label->Font(), SJ("ＭＳ Ｐゴシック"), -12, false);
}

void BuildIndicatorImages(TComponentLoader& loader, Form* form) {
  form->ImageList = loader.Add(new TImageList(form));
  form->ImageList->SetName("ImageList");
  form->ImageList->SetWidth(12);
  form->ImageList->SetHeight(10);
  TBitmap marks;
  LoadArtwork("indicators.bmp", &marks);
  form->ImageList->AddMasked(&marks, kPaneColor);
}

void BuildPopupMenu(TComponentLoader& loader, Form* form) {
  TPopupMenu* menu = form->PopupMenu = loader.Add(new TPopupMenu(form));
  menu->SetName("PopupMenu");
  menu->AutoHotkeys = maManual;
  menu->OnPopup = Handler(form, &Form::PopupMenuPopup);
  TMenuItem* root = menu->Items();

  const auto displayMode = Handler(form, &Form::PopupLyricsClick);
  form->PopupTitle = AddRadio(loader, form, "PopupTitle", root, SJ("タイトル"), 0, 0, displayMode);
  form->PopupLyrics = AddRadio(loader, form, "PopupLyrics", root, SJ("歌詞"), 1, 0, displayMode);
  form->PopupSpeana = AddRadio(loader, form, "PopupSpeana", root, SJ("スペアナ"), 2, 0, displayMode);
  AddItem(loader, form, "N6", root, "-")->GroupIndex = 1;

  TMenuItem* position = form->PopupPosition = AddItem(loader, form, "PopupPosition", root, SJ("表示位置"));
  position->GroupIndex = 1;
  const auto dock = Handler(form, &Form::PopupPositionClick);
  form->PopupPositionFree = AddRadio(loader, form, "PopupPositionFree", position, SJ("フリー"), 0, 2, dock);
  form->PopupPositionUpper = AddRadio(loader, form, "PopupPositionUpper", position, SJ("プレイヤー上"), 1, 2, dock);
  form->PopupPositionUnder = AddRadio(loader, form, "PopupPositionUnder", position, SJ("プレイヤー下"), 2, 2, dock);
  form->PopupPositionRight = AddRadio(loader, form, "PopupPositionRight", position, SJ("プレイヤー左"), 3, 2, dock);
  form->PopupPositionLeft = AddRadio(loader, form, "PopupPositionLeft", position, SJ("プレイヤー右"), 4, 2, dock);
  form->PopupPositionOffset =
      AddRadio(loader, form, "PopupPositionOffset", position, SJ("プレイヤー相対"), 5, 2, dock);

  TMenuItem* design = form->PopupDesign = AddItem(loader, form, "PopupDesign", root, SJ("デザイン"));
  design->GroupIndex = 1;
  form->PopupDesignToolPlus = AddItem(loader, form, "PopupDesignToolPlus", design, "KORULozenge+ (Tool Version)",
                                      Handler(form, &Form::PopupDesignToolPlusClick));
  form->PopupDesignMenuPlus = AddItem(loader, form, "PopupDesignMenuPlus", design, "KORULozenge+ (Menu Version)",
                                      Handler(form, &Form::PopupDesignMenuPlusClick));
  form->PopupDesignTool = AddItem(loader, form, "PopupDesignTool", design, "KORULozenge (Tool Version)",
                                  Handler(form, &Form::PopupDesignToolClick));
  form->PopupDesignMenu = AddItem(loader, form, "PopupDesignMenu", design, "KORULozenge (Menu Version)",
                                  Handler(form, &Form::PopupDesignMenuClick));

  AddItem(loader, form, "N7", root, "-")->GroupIndex = 1;
  form->PopupPlayerVisible = AddItem(loader, form, "PopupPlayerVisible", root, SJ("プレイヤー非表示"),
                                     Handler(form, &Form::PopupPlayerVisibleClick));
  AddItem(loader, form, "N2", root, "-")->GroupIndex = 1;
  form->PopupHelp = AddItem(loader, form, "PopupHelp", root, SJ("ヘルプ"), Handler(form, &Form::PopupHelpClick));
  form->PopupExit = AddItem(loader, form, "PopupExit", root, SJ("終了"), Handler(form, &Form::PopupExitClick));
  for (TMenuItem* item : {form->PopupPlayerVisible, form->PopupHelp, form->PopupExit}) item->GroupIndex = 1;
}

void WireLink(TComponentLoader& loader, Form* form) {
  TKORU* link = form->KORU = loader.Add(new TKORU(form));
  link->SetName("KORU");
  link->SetEvents({evMove});
  link->OnClose = Handler(form, &Form::KORUClose);
  link->OnAbort = Handler(form, &Form::KORUAbort);
  link->OnUnbind = Handler(form, &Form::KORUUnbind);
  link->OnMove = Handler(form, &Form::KORUMove);
  link->OnStayOnTop = Handler(form, &Form::KORUStayOnTop);
  link->OnPlayStatus = Handler(form, &Form::KORUPlayStatus);
  link->OnMenu = Handler(form, &Form::KORUMenu);
  link->OnVolume = Handler(form, &Form::KORUVolume);
  link->OnSpeana = Handler(form, &Form::KORUSpeana);
  link->OnLyrics = Handler(form, &Form::KORULyrics);
  link->OnCounter = Handler(form, &Form::KORUCounter);
  link->OnRepeat = Handler(form, &Form::KORURepeat);
  link->OnRandom = Handler(form, &Form::KORURandom);
  link->OnChangeVolume = Handler(form, &Form::KORUChangeVolume);
  link->OnDisplayTrack = Handler(form, &Form::KORUDisplayTrack);
  link->OnDisplayTitle = Handler(form, &Form::KORUDisplayTitle);
  link->OnDisplayTimer = Handler(form, &Form::KORUDisplayTimer);
  link->OnOpenTrack = Handler(form, &Form::KORUOpenTrack);
  link->OnCloseTrack = Handler(form, &Form::KORUCloseTrack);
  link->OnLoadLyrics = Handler(form, &Form::KORULoadLyrics);
}

}  // namespace

void LoadFormKORULozenge(Form* form) {
  TComponentLoader loader;
  loader.Add(form);
  form->SetName("FormKORULozenge");
  form->SetBorderStyle(bsNone);
  form->SetBorderIcons({});
  form->SetCaption("KORU Lozenge+");
  form->SetClientWidth(320);
  form->SetClientHeight(60);
  form->SetColor(clTeal);
  form->SetKeyPreview(true);
  form->SetScaled(false);
  SetFont(form->Font(), SJ("ＭＳ Ｐゴシック"), -12, false);
  form->OnClose = Handler(form, &Form::FormClose);
  form->OnKeyDown = Handler(form, &Form::FormKeyDown);
  form->OnMouseDown = Handler(form, &Form::FormMouseDown);
  form->OnMouseMove = Handler(form, &Form::FormMouseMove);
  form->OnMouseUp = Handler(form, &Form::FormMouseUp);

  form->RegionForm = Add<ktvRegion>(loader, form, "RegionForm", form);
  form->RegionForm->SetBounds(0, 0, 320, 60);
  form->RegionForm->SetAlign(alClient);
  form->RegionForm->SetTransparentColor(clTeal);
  LoadArtwork("skin.bmp", form->RegionForm->Picture()->Bitmap());
  form->RegionForm->OnMouseDown = form->OnMouseDown;
  form->RegionForm->OnMouseMove = form->OnMouseMove;
  form->RegionForm->OnMouseUp = form->OnMouseUp;

  BuildTitlePane(loader, form);
  BuildLyricsPane(loader, form);
  form->PanelSpeana = AddPane(loader, form, "PanelSpeana");

  form->VolumeLeft = AddSlider(loader, form, "VolumeLeft", 6);
  form->VolumeRight = AddSlider(loader, form, "VolumeRight", 304);
  form->BtnPlayList = AddButton(loader, form, "BtnPlayList", 19, 8, "btn_playlist.bmp", "PlayList");
  form->BtnLogo = AddButton(loader, form, "BtnLogo", 19, 25, "btn_logo.bmp", "");
  form->BtnTool = AddButton(loader, form, "BtnTool", 19, 41, "btn_tool.bmp", "Tool");
  form->BtnUp = AddButton(loader, form, "BtnUp", 290, 8, "btn_up.bmp", "Up");
  form->BtnPlay = AddButton(loader, form, "BtnPlay", 290, 25, "btn_play.bmp", "Play/Stop");
  form->BtnPlay->SetDownIndex(3);
  form->BtnDown = AddButton(loader, form, "BtnDown", 290, 41, "btn_down.bmp", "Down");
  form->BtnPlayList->OnClick = Handler(form, &Form::BtnPlayListClick);
  form->BtnLogo->OnClick = Handler(form, &Form::BtnLogoClick);
  form->BtnTool->OnClick = Handler(form, &Form::BtnToolClick);
  form->BtnUp->OnClick = Handler(form, &Form::BtnUpClick);
  form->BtnPlay->OnClick = Handler(form, &Form::BtnPlayClick);
  form->BtnDown->OnClick = Handler(form, &Form::BtnDownClick);

  WireLink(loader, form);
  BuildIndicatorImages(loader, form);
  BuildPopupMenu(loader, form);
  form->SetPopupMenu(form->PopupMenu);
  form->RegionForm->SetPopupMenu(form->PopupMenu);
  loader.Loaded();
}
