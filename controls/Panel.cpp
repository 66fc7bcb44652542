#include "controls/Panel.h"

#include "controls/Transparency.h"
#include "framework/Palette.h"
#include "platform/Drawing.h"
#include "platform/TextDrawing.h"

namespace {

void Shrink(TRect& Rect, int By) {
  Rect.left += By;
  Rect.top += By;
  Rect.right -= By;
  Rect.bottom -= By;
}

void Move(TRect& Rect, int Dx, int Dy) {
  Rect.left += Dx;
  Rect.right += Dx;
  Rect.top += Dy;
  Rect.bottom += Dy;
}

win::UINT AlignmentFormat(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify:
      return win::DT_RIGHT;
    case taCenter:
      return win::DT_CENTER;
    default:
      return win::DT_LEFT;
  }
}

}  // namespace

ktvPanel::ktvPanel(TComponent* AOwner) : TCustomPanel(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
}

ktvPanel::~ktvPanel() = default;

TBitmap* ktvPanel::Image() {
  const TComponentState reading{csDesigning, csLoading, csReading};
  if (!image_ && !(ComponentState() * reading).Empty()) image_ = std::make_unique<TBitmap>();
  return image_.get();
}

void ktvPanel::SetImage(TBitmap* Value) {
  if (Value) {
    if (!image_) image_ = std::make_unique<TBitmap>();
    image_->Assign(Value);
  } else {
    image_.reset();
  }
  Invalidate();
}

void ktvPanel::SetTransparent(bool Value) {
  if (!SetOpaque(!Value) || !HandleAllocated()) return;
  RecreateWnd();
  Invalidate();
  Update();
}

void ktvPanel::SetBevelText(TBevelCut Value) {
  bevelText_ = Value;
  Invalidate();
}

void ktvPanel::SetBevelColor(TColor Value) {
  bevelColor_ = Value;
  Invalidate();
}

void ktvPanel::Invalidate() {
  if (invalidating_) return;
  TCustomPanel::Invalidate();
  invalidating_ = true;
  if (Transparent()) InvalidateInParent(this);
  invalidating_ = false;
}

// The panel's own parameter step is left out: the panel draws its border
// itself.
void ktvPanel::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  if (Transparent()) Params.Style &= ~(win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS);
}

void ktvPanel::Dispatch(TMessage& Message) {
  if (Message.Msg == KTV_REPAINT) {
    Repaint();
    return;
  }
  TCustomPanel::Dispatch(Message);
}

// A transparent panel leaves its background to the parent; an opaque one
// fills it in its colour.
void ktvPanel::WMEraseBkgnd(TMessage& Message) {
  if (!Transparent()) {
    const TRect client = ClientRect();
    win::FillRect(reinterpret_cast<win::HDC>(Message.WParam), &client, Brush()->Handle());
  }
  Message.Result = 1;
}

void ktvPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(rect);
  } else if (Parent() && StartParentPass(this, redrawPass_)) {
    return;
  }
  if (image_ && image_->Width() != 0 && image_->Height() != 0) {
    canvas->CopyMode = cmSrcCopy;
    canvas->Draw(0, 0, image_.get());
  }
  DrawBevel(rect, BevelOuter());
  if (BorderWidth() != 0 && Color() != clNone)
    Frame3D(canvas, rect, Color(), Color(), BorderWidth());
  else
    Shrink(rect, BorderWidth());
  DrawBevel(rect, BevelInner());
  if (!Caption().empty()) DrawCaption(rect);
  if (OnPaint) OnPaint(this);
}

void ktvPanel::DrawBevel(TRect& Rect, TBevelCut Bevel) {
  if (Bevel == bvNone) return;
  const bool lowered = Bevel == bvLowered;
  Frame3D(Canvas(), Rect, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
          BevelWidth());
}

void ktvPanel::DrawCaption(TRect Rect) {
  TCanvas* canvas = Canvas();
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  const int lineHeight = canvas->TextHeight("W");
  Rect.top = (Rect.top + Rect.bottom - lineHeight) / 2;
  Rect.bottom = Rect.top + lineHeight;
  const win::UINT format = AlignmentFormat(Alignment()) | win::DT_EXPANDTABS | win::DT_VCENTER;
  const std::string caption = Caption();
  auto draw = [&](TRect at) { win::DrawTextA(canvas->Handle(), caption.c_str(), -1, &at, format); };
  if (bevelText_ != bvNone) {
    const int offset = bevelText_ == bvLowered ? -1 : 1;
    TRect shadow = Rect;
    Move(shadow, offset, offset);
    canvas->Font()->SetColor(bevelColor_);
    draw(shadow);
    canvas->Font()->SetColor(Font()->Color());
  }
  draw(Rect);
}

namespace Panel {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<ktvPanel>()}); }

}  // namespace Panel
