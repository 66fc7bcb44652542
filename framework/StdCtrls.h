// Standard controls: the label (text painted on its parent) and the push
// button (the platform's "BUTTON" window).
#pragma once

#include <string>

#include "framework/Controls.h"
#include "platform/Button.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A label: its caption drawn with DrawText in its Font, aligned by Alignment
// and Layout, wrapped at word breaks when WordWrap, with the character after
// '&' underlined when ShowAccelChar. An AutoSize label (the default) takes
// the size of its text (no wider than it was when it wraps); a Transparent one
// leaves its background to what lies behind it. Disabled, the text is drawn
// embossed, in the button-highlight colour one pixel right and down, then
// in the button-shadow colour in place.
class TCustomLabel : public TGraphicControl {
 public:
  explicit TCustomLabel(TComponent* AOwner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout Value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool Value);
  // Whether the background is left unpainted (the control is then not csOpaque).
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool Value);
  // The control that its accelerator character focuses; forgotten when it goes.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* Value);

  void Loaded() override;

 protected:
  void Paint() override;
  // Sizes the label to its text: the width of the widest line (wrapped
  // within the current width when WordWrap) and the lines' height; a
  // right-justified label keeps its right edge. Not while loading.
  void AdjustSize() override;
  // Draws (or with DT_CALCRECT measures) the caption in Rect with the
  // label's flags added to Flags.
  virtual void DoDrawText(TRect& Rect, win::UINT Flags);
  // The text shown; the caption.
  virtual std::string GetLabelText();
  // The DrawText flags of the alignment, wrapping and accelerators.
  win::UINT TextFlags() const;

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CMTextChanged(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;

 private:
  void Changed();

  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
 public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

// The base of the button controls: a windowed control whose window is one
// of the platform's button classes, which presses, captures the mouse and
// reports the click by WM_COMMAND to its parent. The framework's mouse
// events still fire; the platform's procedure sees the mouse messages too.
class TButtonControl : public TWinControl {
 public:
  explicit TButtonControl(TComponent* AOwner);

 protected:
  void Dispatch(TMessage& Message) override;
  // The reflected WM_COMMAND; BN_CLICKED makes Click.
  virtual void CNCommand(TMessage& Message);
};

// A push button; Default makes it the default push button of its form.
class TButton : public TButtonControl {
 public:
  explicit TButton(TComponent* AOwner);

  bool Default() const { return default_; }
  void SetDefault(bool Value);

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  bool default_ = false;
};
