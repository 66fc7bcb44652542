#include "controls/Slider.h"

#include <algorithm>

#include "framework/Palette.h"

namespace {

// a * b / c truncated toward zero, without overflowing 32 bits on the way.
int MulDivTruncated(int a, int b, int c) { return static_cast<int>(int64_t{a} * b / c); }

}  // namespace

ktvSlider::ktvSlider(TComponent* AOwner) : ktvPanel(AOwner) {
  SetAutoSize(true);
  thumb_ = new TImage(this);
  thumb_->SetParent(this);
  thumb_->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int X, int Y) { ButtonMouseDown(X, Y); };
  thumb_->OnMouseMove = [this](TObject*, TShiftState, int X, int Y) { ButtonMouseMove(X, Y); };
  thumb_->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ButtonMouseUp(); };
  thumb_->Picture()->Bitmap()->SetSize(0, 0);
  thumb_->SetBounds(0, 0, 0, 0);
  thumb_->Hide();
  SetBounds(Left(), Top(), 128, 32);
  SetBevelOuter(bvLowered);
  SetBevelInner(bvNone);
  SetCaption("");
}

ktvSlider::~ktvSlider() {
  delete thumb_;
  thumb_ = nullptr;
}

void ktvSlider::Loaded() {
  ktvPanel::Loaded();
  TBitmap* picture = thumb_->Picture()->Bitmap();
  if (!picture->Empty() && picture->Width() != 0) {
    thumb_->SetBounds(thumb_->Left(), thumb_->Top(), picture->Width(), picture->Height());
    customThumb_ = true;
  }
  thumb_->Show();
  SetOrientation(orientation_);
  // The loaded position stays, clamped into the loaded range.
  SetPosition(position_);
}

TBitmap* ktvSlider::ButtonImage() {
  const TComponentState reading{csDesigning, csLoading, csReading};
  if (customThumb_ || !(ComponentState() * reading).Empty()) return thumb_->Picture()->Bitmap();
  return nullptr;
}

void ktvSlider::SetButtonImage(TBitmap* Value) {
  if (Value) {
    thumb_->SetBounds(thumb_->Left(), thumb_->Top(), Value->Width(), Value->Height());
    thumb_->Picture()->Bitmap()->Assign(Value);
    customThumb_ = true;
  } else {
    SetOrientation(orientation_);
    DrawDefaultButton();
  }
  SetPosition(position_);
  Invalidate();
}

void ktvSlider::SetMin(int Value) {
  min_ = Value;
  SetPosition(position_);
  Invalidate();
}

void ktvSlider::SetMax(int Value) {
  max_ = Value;
  SetPosition(position_);
  Invalidate();
}

void ktvSlider::SetTickStyle(TTickStyle Value) {
  tickStyle_ = Value;
  SetPosition(position_);
  Invalidate();
}

void ktvSlider::SetTickMarks(TTickMark Value) {
  tickMarks_ = Value;
  SetPosition(position_);
  Invalidate();
}

void ktvSlider::SetFrequency(int Value) {
  frequency_ = Value;
  Invalidate();
}

void ktvSlider::SetAutoSize(bool Value) {
  ktvPanel::SetAutoSize(Value);
  Invalidate();
}

void ktvSlider::SetPosition(int Value) {
  if (Value > max_) Value = max_;
  if (Value < min_) Value = min_;
  const int old = position_;
  position_ = Value;
  if (!thumb_) return;
  const TPoint origin = ButtonOrigin(Value);
  if (Transparent()) Invalidate();
  thumb_->SetBounds(origin.x, origin.y, thumb_->Width(), thumb_->Height());
  if (Value != old && OnChange) OnChange(this);
}

void ktvSlider::SetOrientation(TTrackBarOrientation Value) {
  orientation_ = Value;
  if (!thumb_->Visible()) return;
  if (!customThumb_) {
    const int b = BevelInset();
    // A slider too narrow for the bevels and the thumb's margins gets a
    // thumb without width rather than a negative one.
    int width = 13;
    int height = 13;
    if (orientation_ == trVertical)
      width = std::max(0, std::min(Width() - 12, Width() - 2 * b));
    else
      height = std::max(0, std::min(Height() - 12, Height() - 2 * b));
    thumb_->SetBounds(thumb_->Left(), thumb_->Top(), width, height);
    thumb_->Picture()->Bitmap()->SetSize(width, height);
    DrawDefaultButton();
  }
  SetPosition(position_);
  Invalidate();
}

void ktvSlider::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == Left() && ATop == Top() && AWidth == Width() && AHeight == Height()) return;
  const bool resized = AWidth != Width() || AHeight != Height();
  ktvPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (thumb_ && resized) {
    SetOrientation(orientation_);
    SetPosition(position_);
  }
}

int ktvSlider::BevelInset() {
  int inset = 0;
  if (BevelOuter() != bvNone) inset += BevelWidth();
  if (BevelInner() != bvNone) inset += BevelWidth();
  return inset;
}

int ktvSlider::TravelLength() {
  const int b = BevelInset();
  return orientation_ == trHorizontal ? Width() - 2 * b - thumb_->Width() : Height() - 2 * b - thumb_->Height();
}

TPoint ktvSlider::ButtonOrigin(int Position) {
  const int b = BevelInset();
  const int travel = TravelLength();
  const bool horizontal = orientation_ == trHorizontal;
  int along = 0;
  if (max_ != min_) {
    const int offset = MulDivTruncated(Position - min_, travel, max_ - min_);
    along = horizontal ? b + offset : b + travel - offset;
  }
  const int extent = horizontal ? Height() : Width();
  const int size = horizontal ? thumb_->Height() : thumb_->Width();
  int across = b;
  if (tickStyle_ != tsNone) {
    if (tickMarks_ == tmTopLeft)
      across = extent - b - size;
    else if (tickMarks_ == tmBoth)
      across = (extent - size) / 2;
  }
  return horizontal ? Point(along, across) : Point(across, along);
}

void ktvSlider::DrawDefaultButton() {
  customThumb_ = false;
  TBitmap* bitmap = thumb_->Picture()->Bitmap();
  if (bitmap->Empty()) return;
  const int width = thumb_->Width();
  const int height = thumb_->Height();
  const int hw = width / 2;
  const int hh = height / 2;
  TCanvas* canvas = bitmap->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(Rect(0, 0, width, height));
  TRect rect = Rect(0, 0, width, height);
  Frame3D(canvas, rect, clBtnHighlight, clBlack, 1);
  if (orientation_ == trVertical) {
    TRect groove = Rect(1, hh, width - 1, hh + 2);
    Frame3D(canvas, groove, clBlack, clBtnShadow, 1);
    TRect upper = Rect(1, 1, width - 1, hh);
    Frame3D(canvas, upper, cl3DLight, clBtnShadow, 1);
    TRect lower = Rect(1, hh + 1, width - 1, height - 1);
    Frame3D(canvas, lower, cl3DLight, clBtnShadow, 1);
  } else {
    TRect groove = Rect(hw, 1, hw + 2, height - 1);
    Frame3D(canvas, groove, clBlack, clBtnShadow, 1);
    TRect left = Rect(1, 1, hw, height - 1);
    Frame3D(canvas, left, cl3DLight, clBtnShadow, 1);
    TRect right = Rect(hw + 1, 1, width - 1, height - 1);
    Frame3D(canvas, right, cl3DLight, clBtnShadow, 1);
  }
}

void ktvSlider::Paint() {
  if (painting_) return;
  painting_ = true;
  if (!Caption().empty()) SetCaption("");
  ktvPanel::Paint();
  if (tickStyle_ != tsNone) {
    DrawTrack();
    DrawTicks();
    thumb_->Repaint();
  }
  painting_ = false;
}

void ktvSlider::DrawTrack() {
  const int hw = thumb_->Width() / 2;
  const int hh = thumb_->Height() / 2;
  TRect track;
  if (orientation_ == trVertical) {
    const TPoint top = ButtonOrigin(max_);
    const TPoint bottom = ButtonOrigin(min_);
    track = Rect(top.x + hw, top.y + hh - 2, top.x + hw + 1, bottom.y + hh + 3);
  } else {
    const TPoint left = ButtonOrigin(min_);
    const TPoint right = ButtonOrigin(max_);
    track = Rect(left.x + hw - 2, left.y + hh, right.x + hw + 3, left.y + hh + 1);
  }
  TCanvas* canvas = Canvas();
  canvas->Brush()->SetColor(clBlack);
  canvas->FillRect(track);
  if (orientation_ == trVertical) {
    track.left -= 1;
    track.right += 2;
  } else {
    track.top -= 1;
    track.bottom += 2;
  }
  Frame3D(canvas, track, clBtnShadow, clBtnHighlight, 1);
  Frame3D(canvas, track, clBlack, cl3DLight, 1);
}

void ktvSlider::DrawTicks() {
  const int step = tickStyle_ == tsAuto ? frequency_ : max_ - min_;
  if (step <= 0) return;
  const int b = BevelInset();
  const int hw = thumb_->Width() / 2;
  const int hh = thumb_->Height() / 2;
  for (int64_t v = min_; v <= max_; v += step) {
    const TPoint at = ButtonOrigin(static_cast<int>(v));
    TRect tick;
    if (orientation_ == trVertical) {
      tick.top = at.y + hh;
      tick.bottom = at.y + hh + 2;
      tick.left = tickMarks_ == tmBottomRight ? at.x + thumb_->Width() + 1 : b + 1;
      tick.right = tickMarks_ == tmTopLeft ? at.x - 2 : Width() - b - 1;
    } else {
      tick.left = at.x + hw;
      tick.right = at.x + hw + 2;
      tick.top = tickMarks_ == tmBottomRight ? at.y + thumb_->Height() + 1 : b + 1;
      tick.bottom = tickMarks_ == tmTopLeft ? at.y - b : Height() - b - 1;
    }
    Frame3D(Canvas(), tick, clBlack, cl3DLight, 1);
  }
}

void ktvSlider::ButtonMouseDown(int X, int Y) {
  dragging_ = true;
  grabX_ = X;
  grabY_ = Y;
}

void ktvSlider::ButtonMouseUp() { dragging_ = false; }

void ktvSlider::ButtonMouseMove(int X, int Y) {
  if (!dragging_) return;
  const int b = BevelInset();
  const int travel = TravelLength();
  const int d = orientation_ == trHorizontal ? X + thumb_->Left() - grabX_ - b
                                             : travel - (Y + thumb_->Top() - grabY_ - b);
  if (travel != 0)
    SetPosition(min_ + MulDivTruncated(max_ - min_, d, travel));
  else
    SetPosition(0);
}

namespace Slider {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<ktvSlider>()}); }

}  // namespace Slider
