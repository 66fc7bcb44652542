#include "framework/ExtCtrls.h"

#include <algorithm>
#include <array>

#include "framework/Exceptions.h"
#include "platform/Painting.h"
#include "platform/TextDrawing.h"

namespace {

constexpr char SImageCanvasNeedsBitmap[] = "Can only modify an image if it contains a bitmap";

TRect Inflated(const TRect& rect, int by) {
  return TRect{rect.left - by, rect.top - by, rect.right + by, rect.bottom + by};
}

}  // namespace

// ---- Frame3D ------------------------------------------------------------------------

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetStyle(psSolid);
  // Polylines leave out their last point, so the edges run to the last
  // pixel inside the rectangle.
  TRect edge{Rect.left, Rect.top, Rect.right - 1, Rect.bottom - 1};
  for (int i = 0; i < Width; ++i) {
    const std::array<TPoint, 3> topLeft{Point(edge.left, edge.bottom), Point(edge.left, edge.top),
                                        Point(edge.right, edge.top)};
    Canvas->Pen()->SetColor(TopColor);
    Canvas->Polyline(topLeft);
    const std::array<TPoint, 3> bottomRight{Point(edge.right, edge.top), Point(edge.right, edge.bottom),
                                            Point(edge.left - 1, edge.bottom)};
    Canvas->Pen()->SetColor(BottomColor);
    Canvas->Polyline(bottomRight);
    edge = Inflated(edge, -1);
  }
  Rect = TRect{edge.left, edge.top, edge.right + 1, edge.bottom + 1};
}

// ---- TCustomPanel --------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks, csReplicatable});
  SetBounds(Left(), Top(), 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  if (Value == alignment_) return;
  alignment_ = Value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel Value) {
  if (Value == bevelInner_) return;
  bevelInner_ = Value;
  FrameChanged();
}

void TCustomPanel::SetBevelOuter(TPanelBevel Value) {
  if (Value == bevelOuter_) return;
  bevelOuter_ = Value;
  FrameChanged();
}

void TCustomPanel::SetBevelWidth(TBevelWidth Value) {
  if (Value == bevelWidth_ || Value < 1) return;
  bevelWidth_ = Value;
  FrameChanged();
}

void TCustomPanel::SetBorderWidth(TBorderWidth Value) {
  if (Value == borderWidth_ || Value < 0) return;
  borderWidth_ = Value;
  FrameChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  if (Value == borderStyle_) return;
  borderStyle_ = Value;
  RecreateWnd();
}

void TCustomPanel::FrameChanged() {
  Realign();
  Invalidate();
}

int TCustomPanel::FrameInset() const {
  int inset = borderWidth_;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  return inset;
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (borderStyle_ == bsSingle) Params.Style |= win::WS_BORDER;
}

void TCustomPanel::AlignControls(TControl* AControl, TRect& Rect) {
  Rect = Inflated(Rect, -FrameInset());
  TCustomControl::AlignControls(AControl, Rect);
}

namespace {

void DrawBevel(TCanvas* Canvas, TRect& Rect, TPanelBevel Bevel, int Width) {
  if (Bevel == bvNone) return;
  const bool lowered = Bevel == bvLowered;
  Frame3D(Canvas, Rect, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow, Width);
}

win::UINT AlignmentFormat(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify: return win::DT_RIGHT;
    case taCenter: return win::DT_CENTER;
    default: return win::DT_LEFT;
  }
}

}  // namespace

void TCustomPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = ClientRect();
  DrawBevel(canvas, rect, bevelOuter_, bevelWidth_);
  Frame3D(canvas, rect, Color(), Color(), borderWidth_);
  DrawBevel(canvas, rect, bevelInner_, bevelWidth_);
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(rect);

  const std::string caption = Caption();
  if (caption.empty()) return;
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  const int lineHeight = canvas->TextHeight("W");
  rect.top = (rect.top + rect.bottom - lineHeight) / 2;
  rect.bottom = rect.top + lineHeight;
  win::DrawTextA(canvas->Handle(), caption.c_str(), -1, &rect,
                 win::DT_EXPANDTABS | win::DT_VCENTER | AlignmentFormat(alignment_));
}

void TCustomPanel::WMWindowPosChanged(TMessage& Message) {
  const auto* pos = reinterpret_cast<const win::WINDOWPOS*>(Message.LParam);
  const bool resized = pos && !(pos->flags & win::SWP_NOSIZE) && (pos->cx != Width() || pos->cy != Height());
  if (resized && HandleAllocated()) {
    if (fullRepaint_ || !Caption().empty()) {
      Invalidate();
    } else if (const int inset = FrameInset(); inset > 0) {
      // The frame moves with the edges: where it was and where it goes.
      const TRect right{std::min(Width(), pos->cx) - inset - 1, 0, pos->cx, pos->cy};
      const TRect bottom{0, std::min(Height(), pos->cy) - inset - 1, pos->cx, pos->cy};
      win::InvalidateRect(Handle(), &right, win::TRUE);
      win::InvalidateRect(Handle(), &bottom, win::TRUE);
    }
  }
  TCustomControl::WMWindowPosChanged(Message);
}

// ---- TImage ------------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  picture_->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
  SetBounds(Left(), Top(), 105, 105);
}

TImage::~TImage() { picture_->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  if (!picture_->Graphic()) {
    TBitmap bitmap;
    bitmap.SetSize(Width(), Height());
    picture_->SetGraphic(&bitmap);
  }
  auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic());
  if (!bitmap) throw EInvalidOperation(SImageCanvasNeedsBitmap);
  return bitmap->Canvas();
}

void TImage::SetStretch(bool Value) {
  if (Value == stretch_) return;
  stretch_ = Value;
  PictureChanged(this);
}

void TImage::SetCenter(bool Value) {
  if (Value == center_) return;
  center_ = Value;
  PictureChanged(this);
}

void TImage::SetProportional(bool Value) {
  if (Value == proportional_) return;
  proportional_ = Value;
  PictureChanged(this);
}

void TImage::SetTransparent(bool Value) {
  if (Value == transparent_) return;
  transparent_ = Value;
  PictureChanged(this);
}

TRect TImage::DestRect() {
  int width = picture_->Width(), height = picture_->Height();
  const int clientWidth = Width(), clientHeight = Height();
  if (stretch_ || (proportional_ && (width > clientWidth || height > clientHeight))) {
    if (proportional_ && width > 0 && height > 0) {
      // The side that reaches the control's edge first decides the scale.
      if (static_cast<long long>(width) * clientHeight > static_cast<long long>(height) * clientWidth) {
        height = static_cast<int>(static_cast<long long>(height) * clientWidth / width);
        width = clientWidth;
      } else {
        width = static_cast<int>(static_cast<long long>(width) * clientHeight / height);
        height = clientHeight;
      }
    } else {
      width = clientWidth;
      height = clientHeight;
    }
  }
  TRect rect = Bounds(0, 0, width, height);
  if (center_) {
    const int dx = (clientWidth - width) / 2, dy = (clientHeight - height) / 2;
    rect = Bounds(dx, dy, width, height);
  }
  return rect;
}

void TImage::Paint() {
  TCanvas* canvas = TGraphicControl::Canvas();
  if (ComponentState().Contains(csDesigning)) {
    canvas->Pen()->SetStyle(psDash);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(0, 0, Width(), Height());
  }
  if (TGraphic* graphic = picture_->Graphic()) canvas->StretchDraw(DestRect(), graphic);
}

void TImage::AdjustSize() {
  if (!AutoSize() || picture_->Width() <= 0 || picture_->Height() <= 0) return;
  SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
}

void TImage::PictureChanged(TObject*) {
  AdjustSize();
  if (TGraphic* graphic = picture_->Graphic(); graphic && graphic->Transparent() != transparent_)
    graphic->SetTransparent(transparent_);  // reports a change of its own, which comes back here
  UpdateOpacity();
  Invalidate();
}

void TImage::UpdateOpacity() {
  const TGraphic* graphic = picture_->Graphic();
  const TRect dest = DestRect();
  const bool covers = dest.left <= 0 && dest.top <= 0 && dest.right >= Width() && dest.bottom >= Height();
  SetOpaque(graphic && !graphic->Empty() && !graphic->Transparent() && covers);
}
