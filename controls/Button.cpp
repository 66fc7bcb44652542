#include "controls/Button.h"

#include "controls/Transparency.h"
#include "framework/Palette.h"
#include "platform/Button.h"
#include "platform/FrameControl.h"
#include "platform/Input.h"
#include "platform/TextDrawing.h"

namespace {

// Binds a canvas to a device context for the length of a scope.
class CanvasBinding {
 public:
  CanvasBinding(TCanvas* canvas, win::HDC dc) : canvas_(canvas) { canvas_->SetHandle(dc); }
  ~CanvasBinding() { canvas_->SetHandle(nullptr); }
  CanvasBinding(const CanvasBinding&) = delete;
  CanvasBinding& operator=(const CanvasBinding&) = delete;

 private:
  TCanvas* canvas_;
};

}  // namespace

ktvButton::ktvButton(TComponent* AOwner) : TBitBtn(AOwner), canvas_(std::make_unique<TCanvas>()) {
  Glyph()->OnChange = [this](TObject* Sender) { GlyphChanged(Sender); };
}

ktvButton::~ktvButton() {
  delete repeatTimer_;
  if (images_) images_->RemoveFreeNotification(this);
}

void ktvButton::Loaded() {
  TBitBtn::Loaded();
  if (!Glyph()->Empty()) UpdateGlyph();
}

void ktvButton::GlyphChanged(TObject*) {
  UpdateGlyph();
  Invalidate();
}

void ktvButton::UpdateGlyph() {
  TBitmap* glyph = Glyph();
  if (glyph->Empty()) return;
  ownGlyphList_.reset();
  glyphList_ = nullptr;
  auto list = std::make_unique<TImageList>(nullptr);
  int width = imageWidth_;
  if (width == 0) width = NumGlyphs() != 0 ? glyph->Width() / NumGlyphs() : glyph->Width();
  if (width == 0) width = Width();
  list->SetWidth(width);
  list->SetHeight(glyph->Height());
  glyph->SetTransparent(Transparent());
  list->Masked = true;
  if (Transparent()) {
    list->BkColor = clNone;
    list->DrawingStyle = dsTransparent;
  } else {
    list->BkColor = glyph->TransparentColor();
    list->DrawingStyle = dsNormal;
  }
  list->AddMasked(glyph, glyph->TransparentColor());
  ownGlyphList_ = std::move(list);
  glyphList_ = ownGlyphList_.get();
}

void ktvButton::ForgetImages() {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = nullptr;
}

void ktvButton::SetImages(TImageList* Value) {
  ownGlyphList_.reset();
  ForgetImages();
  if (Value && Value->ClassName() == "TImageList") {
    images_ = Value;
    images_->FreeNotification(this);
    glyphList_ = Value;
    imageWidth_ = Value->Width();
  } else {
    glyphList_ = nullptr;
    UpdateGlyph();
  }
  Invalidate();
}

// A user's list that goes is let go of, so that nothing draws from it later.
void ktvButton::Notification(TComponent* AComponent, TOperation Operation) {
  TBitBtn::Notification(AComponent, Operation);
  if (Operation != opRemove || AComponent != images_) return;
  images_ = nullptr;
  if (glyphList_ == AComponent) glyphList_ = nullptr;
}

void ktvButton::SetDrawFrame(bool Value) { Change(drawFrame_, Value); }
void ktvButton::SetImageWidth(int Value) { Change(imageWidth_, Value); }
void ktvButton::SetUpIndex(int Value) { Change(upIndex_, Value); }
void ktvButton::SetDownIndex(int Value) { Change(downIndex_, Value); }
void ktvButton::SetDisableIndex(int Value) { Change(disableIndex_, Value); }
void ktvButton::SetFlat(bool Value) { Change(flat_, Value); }

void ktvButton::SetTransparent(bool Value) {
  if (SetOpaque(!Value) && HandleAllocated()) RecreateWnd();
  UpdateGlyph();
  Invalidate();
}

void ktvButton::CreateParams(TCreateParams& Params) {
  TBitBtn::CreateParams(Params);
  if (Transparent()) Params.Style &= ~(win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS);
}

void ktvButton::Invalidate() {
  if (invalidating_) return;
  TBitBtn::Invalidate();
  invalidating_ = true;
  if (Transparent()) InvalidateInParent(this);
  invalidating_ = false;
}

void ktvButton::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_DRAWITEM:
    case CN_DRAWITEM:
      if (DrawsItself()) {
        DrawItem(*reinterpret_cast<const win::DRAWITEMSTRUCT*>(Message.LParam));
        Message.Result = 1;
        return;
      }
      break;
    case win::WM_WINDOWPOSCHANGED:
      if (Transparent() && HandleAllocated()) Invalidate();
      break;
    default:
      break;
  }
  TBitBtn::WndProc(Message);
}

void ktvButton::WMEraseBkgnd(TMessage& Message) { Message.Result = 1; }

void ktvButton::DrawItem(const win::DRAWITEMSTRUCT& Item) {
  if (!DrawsItself()) {
    TBitBtn::DrawItem(Item);
    return;
  }
  if (Transparent() && StartParentPass(this, redrawPass_)) return;
  redrawPass_ = 0;
  CanvasBinding binding(canvas_.get(), Item.hDC);
  DrawFace(Item);
}

void ktvButton::DrawFace(const win::DRAWITEMSTRUCT& Item) {
  TRect rect = ClientRect();
  const bool pressed = (Item.itemState & win::ODS_SELECTED) != 0;
  if (!Glyph()->Empty() && (!glyphList_ || glyphList_->Count() == 0)) UpdateGlyph();
  if (drawFrame_) {
    win::UINT state = win::DFCS_BUTTONPUSH | win::DFCS_ADJUSTRECT;
    if (pressed) state |= win::DFCS_PUSHED;
    if (Item.itemState & win::ODS_DISABLED) state |= win::DFCS_INACTIVE;
    if (flat_) state |= win::DFCS_FLAT;
    win::DrawFrameControl(canvas_->Handle(), &rect, win::DFC_BUTTON, state);
  }
  if (glyphList_ && glyphList_->Count() > 0)
    DrawGlyph(pressed);
  else
    DrawCaption(rect);
}

// Pressed wins over disabled; a pressed button without an image of its own
// shows the up image one pixel right and down.
void ktvButton::DrawGlyph(bool Pressed) {
  int x = (Width() - glyphList_->Width()) / 2;
  int y = (Height() - glyphList_->Height()) / 2;
  int index = upIndex_;
  if (Pressed) {
    if (downIndex_ >= 0) {
      index = downIndex_;
    } else {
      ++x;
      ++y;
    }
  } else if (!Enabled() && disableIndex_ >= 0) {
    index = disableIndex_;
  }
  if (index >= 0 && index < glyphList_->Count()) glyphList_->Draw(canvas_.get(), x, y, index, true);
}

void ktvButton::DrawCaption(TRect Rect) {
  canvas_->Brush()->SetStyle(bsClear);
  canvas_->SetFont(Font());
  const int lineHeight = canvas_->TextHeight("W");
  Rect.top = (Rect.top + Rect.bottom - lineHeight) / 2;
  Rect.bottom = Rect.top + lineHeight;
  const std::string caption = Caption();
  win::DrawTextA(canvas_->Handle(), caption.c_str(), -1, &Rect, win::DT_CENTER | win::DT_VCENTER | win::DT_EXPANDTABS);
}

void ktvButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  down_ = true;
  TBitBtn::MouseDown(Button, Shift, X, Y);
  if (!repeat_) return;
  if (!repeatTimer_) {
    repeatTimer_ = new TTimer(this);
    repeatTimer_->SetEnabled(false);
  }
  repeatTimer_->SetOnTimer([this](TObject*) { TimerExpired(); });
  repeatTimer_->SetInterval(firstInterval_);
  repeatTimer_->SetEnabled(true);
}

void ktvButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  down_ = false;
  TBitBtn::MouseUp(Button, Shift, X, Y);
  if (repeatTimer_) repeatTimer_->SetEnabled(false);
}

void ktvButton::TimerExpired() {
  repeatTimer_->SetInterval(nextInterval_);
  if (!repeat_ || !HandleAllocated() || win::GetCapture() != Handle()) return;
  try {
    Click();
  } catch (...) {
    repeatTimer_->SetEnabled(false);
    throw;
  }
}

namespace Button {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<ktvButton>()}); }

}  // namespace Button
