// ktvPanel: the framework's panel with a picture in its top-left corner
// under the bevels and caption, a caption with a one-pixel embossed or
// engraved shadow, a pseudo-transparent mode in which the parent's picture
// shows through, and OnPaint after its own drawing.
//
// Pseudo-transparency paints in two passes: the first asks the parent to
// repaint the panel's area and draws nothing; the second, after the parent
// has painted, draws the picture, bevels and caption over it.
#pragma once

#include <memory>

#include "framework/Bitmaps.h"
#include "framework/ExtCtrls.h"

// The private message that repaints a panel at once.
constexpr win::UINT KTV_REPAINT = 0x0590;

class ktvPanel : public TCustomPanel {
 public:
  explicit ktvPanel(TComponent* AOwner);
  ~ktvPanel() override;

  // Null unless a picture was set; while the panel is designed, loaded or
  // read, the first read makes an empty one for the reader to fill.
  TBitmap* Image();
  // Copies the bitmap into the panel's own picture; null frees it.
  void SetImage(TBitmap* Value);

  // True exactly when the control is not opaque.
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool Value);

  // The shadow under the caption: lowered draws it one pixel up and left,
  // raised and space one pixel down and right.
  TBevelCut BevelText() const { return bevelText_; }
  void SetBevelText(TBevelCut Value);
  TColor BevelColor() const { return bevelColor_; }
  void SetBevelColor(TColor Value);

  void Invalidate() override;

  TNotifyEvent OnPaint;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Dispatch(TMessage& Message) override;
  void WMEraseBkgnd(TMessage& Message) override;

 private:
  void DrawBevel(TRect& Rect, TBevelCut Bevel);
  void DrawCaption(TRect Rect);

  std::unique_ptr<TBitmap> image_;
  bool invalidating_ = false;
  int redrawPass_ = 0;
  TBevelCut bevelText_ = bvNone;
  TColor bevelColor_ = clBtnShadow;
};

namespace Panel {

// Adds ktvPanel to the palette page "TOSKA".
void Register();

}  // namespace Panel
