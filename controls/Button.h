// ktvButton: a push button drawn from a strip of equally wide images, one
// per state, instead of the platform's face, so that it blends into a
// skinned window. It can draw from a user's image list instead, with or
// without the platform's push-button frame, pseudo-transparently over its
// parent, and can repeat its click while it is held down.
#pragma once

#include <memory>

#include "framework/Buttons.h"
#include "framework/ImageList.h"
#include "framework/Timer.h"

class ktvButton : public TBitBtn {
 public:
  explicit ktvButton(TComponent* AOwner);
  ~ktvButton() override;

  // While Repeat is on, a held button clicks after FirstInterval
  // milliseconds and then every NextInterval until it is released.
  bool Repeat() const { return repeat_; }
  void SetRepeat(bool Value) { repeat_ = Value; }
  unsigned FirstInterval() const { return firstInterval_; }
  void SetFirstInterval(unsigned Value) { firstInterval_ = Value; }
  unsigned NextInterval() const { return nextInterval_; }
  void SetNextInterval(unsigned Value) { nextInterval_ = Value; }

  // A user's image list to draw from, not owned; only lists of the class
  // TImageList are taken, anything else counts as none.
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* Value);
  // The list the button draws from: Images, or the one cut from Glyph.
  TImageList* GlyphList() const { return glyphList_; }

  bool DrawFrame() const { return drawFrame_; }
  void SetDrawFrame(bool Value);
  // The images of the states; a negative index has no image of its own.
  int UpIndex() const { return upIndex_; }
  void SetUpIndex(int Value);
  int DownIndex() const { return downIndex_; }
  void SetDownIndex(int Value);
  int DisableIndex() const { return disableIndex_; }
  void SetDisableIndex(int Value);
  // The width of one image of the strip; 0 divides the glyph by NumGlyphs.
  // Takes effect at the next rebuild of the list from the glyph.
  int ImageWidth() const { return imageWidth_; }
  void SetImageWidth(int Value);
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  // True exactly when the control is not opaque.
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool Value);
  // From a press of any mouse button until the next release.
  bool Down() const { return down_; }

  // Rebuilds the glyph list from Glyph; nothing while Glyph is empty.
  void UpdateGlyph();
  void GlyphChanged(TObject* Sender);

  void Loaded() override;
  void Invalidate() override;
  void WndProc(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void DrawItem(const win::DRAWITEMSTRUCT& Item) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void WMEraseBkgnd(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Whether the button draws itself rather than leaving it to the bitmap button.
  bool DrawsItself() const { return !drawFrame_ || glyphList_ || flat_; }
  void DrawFace(const win::DRAWITEMSTRUCT& Item);
  void DrawGlyph(bool Pressed);
  void DrawCaption(TRect Rect);
  void ForgetImages();
  void TimerExpired();
  template <class T>
  void Change(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
  }

  unsigned firstInterval_ = 400;
  unsigned nextInterval_ = 100;
  TTimer* repeatTimer_ = nullptr;
  bool repeat_ = false;
  TImageList* images_ = nullptr;
  TImageList* glyphList_ = nullptr;
  std::unique_ptr<TImageList> ownGlyphList_;
  bool drawFrame_ = true;
  int downIndex_ = -1;
  int upIndex_ = 0;
  int disableIndex_ = -1;
  int imageWidth_ = 0;
  bool flat_ = false;
  bool invalidating_ = false;
  int redrawPass_ = 0;
  std::unique_ptr<TCanvas> canvas_;
  bool down_ = false;
};

namespace Button {

// Adds ktvButton to the palette page "TOSKA".
void Register();

}  // namespace Button
