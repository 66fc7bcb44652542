// Extra controls: the panel (a windowed container with bevels and a
// caption), the image control (a picture painted on its parent), and the
// three-dimensional frame they draw with.
#pragma once

#include <memory>

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/Picture.h"
#include "framework/StdCtrls.h"

// How a bevel is cut: lowered shows the button-shadow colour at its top
// and left, raised and space the button-highlight colour.
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TPanelBevel = TBevelCut;
using TBevelWidth = int;
using TBorderWidth = int;

// Draws Width one-pixel frames along the inside of Rect, each with its top
// and left edges in TopColor and its bottom and right edges in BottomColor
// (which owns the top-right and bottom-left corners), shrinking Rect by one
// pixel on every side after each; Rect ends shrunk by Width.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

// A panel: from the edge inwards its outer bevel, a border of BorderWidth
// in Color, its inner bevel, then the face in Color with the caption on one
// line, vertically centred and aligned by Alignment. Aligned children fill
// what the bevels and the border leave. BorderStyle bsSingle adds a
// window border around it all.
class TCustomPanel : public TCustomControl {
 public:
  explicit TCustomPanel(TComponent* AOwner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  TPanelBevel BevelInner() const { return bevelInner_; }
  void SetBevelInner(TPanelBevel Value);
  TPanelBevel BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TPanelBevel Value);
  TBevelWidth BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(TBevelWidth Value);
  TBorderWidth BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(TBorderWidth Value);
  // bsNone or bsSingle; a change re-creates the window.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value);
  // Whether a change of size repaints all of the panel, or only what the
  // bevels and the border need.
  bool FullRepaint() const { return fullRepaint_; }
  void SetFullRepaint(bool Value) { fullRepaint_ = Value; }
  // A locked panel stays put at design time; kept for the forms that set it.
  bool Locked() const { return locked_; }
  void SetLocked(bool Value) { locked_ = Value; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  // The children's room: the client area less bevels and border.
  void AlignControls(TControl* AControl, TRect& Rect) override;
  // How far the bevels and the border reach in from each side.
  int FrameInset() const;

  // Without FullRepaint (and without a caption) only the strips of the
  // bevels and the border along the new right and bottom edges repaint.
  void WMWindowPosChanged(TMessage& Message) override;

 private:
  // A change of the frame: the children realign and the panel repaints.
  void FrameChanged();

  TAlignment alignment_ = taCenter;
  TPanelBevel bevelInner_ = bvNone;
  TPanelBevel bevelOuter_ = bvRaised;
  TBevelWidth bevelWidth_ = 1;
  TBorderWidth borderWidth_ = 0;
  TBorderStyle borderStyle_ = bsNone;
  bool fullRepaint_ = true;
  bool locked_ = false;
};

class TPanel : public TCustomPanel {
 public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// An image control: its picture painted at its top-left corner, centred
// (Center), or stretched over the control (Stretch). Proportional keeps the
// picture's shape: stretched, it fits the control; otherwise only a picture
// larger than the control is shrunk to fit. Transparent
// leaves out the picture's transparent colour, so that what lies behind
// shows. An AutoSize image takes the picture's size. Every change of the
// picture repaints the control.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* Value) { picture_->Assign(Value); }
  // The canvas of the picture's bitmap, for drawing on the picture; a
  // picture without a graphic first gets a bitmap of the control's size.
  // EInvalidOperation when the picture holds a graphic other than a bitmap.
  TCanvas* Canvas();

  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value);
  bool Center() const { return center_; }
  void SetCenter(bool Value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool Value);
  // Also the picture's graphic's Transparent, now and for later graphics.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);

 protected:
  // Where the picture is painted, in the control's coordinates.
  TRect DestRect();
  void Paint() override;
  void AdjustSize() override;
  // The picture changed: the size (AutoSize), the opacity, a repaint.
  virtual void PictureChanged(TObject* Sender);

 private:
  // Opaque when the picture covers the whole control without holes.
  void UpdateOpacity();

  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
};
