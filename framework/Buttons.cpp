#include "framework/Buttons.h"

#include <algorithm>

#include "platform/FrameControl.h"
#include "platform/TextDrawing.h"

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = [this](TObject* Sender) { GlyphChanged(Sender); };
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::SetNumGlyphs(TNumGlyphs Value) {
  Value = std::clamp(Value, 1, 4);
  if (Value == numGlyphs_) return;
  numGlyphs_ = Value;
  GlyphChanged(this);
}

void TBitBtn::SetLayout(TButtonLayout Value) {
  if (Value == layout_) return;
  layout_ = Value;
  Invalidate();
}

void TBitBtn::SetMargin(int Value) {
  if (Value == margin_ || Value < -1) return;
  margin_ = Value;
  Invalidate();
}

void TBitBtn::SetSpacing(int Value) {
  if (Value == spacing_) return;
  spacing_ = Value;
  Invalidate();
}

void TBitBtn::GlyphChanged(TObject*) {
  glyphImages_.reset();
  Invalidate();
}

TImageList* TBitBtn::GlyphImages() {
  if (glyphImages_ || glyph_->Empty()) return glyphImages_.get();
  const int width = glyph_->Width() / numGlyphs_;
  if (width < 1) return nullptr;
  auto images = std::make_unique<TImageList>(nullptr);
  images->SetWidth(width);
  images->SetHeight(glyph_->Height());
  images->AddMasked(glyph_.get(), glyph_->TransparentColor());
  glyphImages_ = std::move(images);
  return glyphImages_.get();
}

void TBitBtn::CreateParams(TCreateParams& Params) {
  TButton::CreateParams(Params);
  Params.Style = (Params.Style & ~win::BS_TYPEMASK) | win::BS_OWNERDRAW;
}

void TBitBtn::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_DRAWITEM)
    CNDrawItem(Message);
  else
    TButton::Dispatch(Message);
}

void TBitBtn::CNDrawItem(TMessage& Message) {
  DrawItem(*reinterpret_cast<const win::DRAWITEMSTRUCT*>(Message.LParam));
  Message.Result = win::TRUE;
}

// A state without an image of its own shows the up image; disabled, that
// image embossed.
int TBitBtn::ImageIndex(TButtonState State, bool& Embossed) const {
  Embossed = false;
  if (State < numGlyphs_) return State;
  Embossed = State == bsDisabled;
  return bsUp;
}

namespace {

TRect Shifted(TRect rect, int dx, int dy) { return TRect{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy}; }

constexpr win::UINT kCaptionFormat = win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE;

}  // namespace

void TBitBtn::DrawItem(const win::DRAWITEMSTRUCT& DrawItemStruct) {
  const bool pressed = DrawItemStruct.itemState & win::ODS_SELECTED;
  const bool disabled = DrawItemStruct.itemState & win::ODS_DISABLED;
  TCanvas canvas;
  canvas.SetHandle(DrawItemStruct.hDC);
  TRect rect = ClientRect();
  // The focused or default button has a frame in the window-frame colour.
  if ((DrawItemStruct.itemState & win::ODS_FOCUS) || Default()) {
    canvas.Brush()->SetColor(clWindowFrame);
    canvas.FrameRect(rect);
    rect = TRect{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
  }
  win::UINT frame = win::DFCS_BUTTONPUSH | win::DFCS_ADJUSTRECT;
  if (pressed) frame |= win::DFCS_PUSHED;
  if (disabled) frame |= win::DFCS_INACTIVE;
  win::DrawFrameControl(canvas.Handle(), &rect, win::DFC_BUTTON, frame);
  if (pressed) rect = Shifted(rect, 1, 1);

  TImageList* images = GlyphImages();
  const TSize glyphSize = images ? TSize{images->Width(), images->Height()} : TSize{0, 0};
  const std::string caption = Caption();
  canvas.SetFont(Font());
  TRect measured{0, 0, 0, 0};
  if (!caption.empty())
    win::DrawTextA(canvas.Handle(), caption.c_str(), -1, &measured, win::DT_CALCRECT | win::DT_SINGLELINE);
  const TSize captionSize{measured.right, measured.bottom};
  TPoint glyphPos{}, captionPos{};
  PlaceGlyphAndCaption(rect, glyphSize, captionSize, glyphPos, captionPos);

  if (images) {
    const TButtonState state = disabled ? bsDisabled : pressed ? bsDown : bsUp;
    bool embossed = false;
    const int index = ImageIndex(state, embossed);
    images->Draw(&canvas, glyphPos.x, glyphPos.y, index, !embossed);
  }
  if (!caption.empty()) DrawCaption(&canvas, Bounds(captionPos.x, captionPos.y, captionSize.cx, captionSize.cy), !disabled);
  canvas.SetHandle(nullptr);
}

// Disabled, the caption is embossed as the platform draws disabled text.
void TBitBtn::DrawCaption(TCanvas* Canvas, TRect Bounds, bool Enabled) {
  const std::string caption = Caption();
  Canvas->Brush()->SetStyle(bsClear);
  if (!Enabled) {
    Canvas->Font()->SetColor(clBtnHighlight);
    TRect shadow = Shifted(Bounds, 1, 1);
    win::DrawTextA(Canvas->Handle(), caption.c_str(), -1, &shadow, kCaptionFormat);
    Canvas->Font()->SetColor(clBtnShadow);
  }
  win::DrawTextA(Canvas->Handle(), caption.c_str(), -1, &Bounds, kCaptionFormat);
}

void TBitBtn::PlaceGlyphAndCaption(const TRect& Client, const TSize& GlyphSize, const TSize& CaptionSize,
                                   TPoint& GlyphPos, TPoint& CaptionPos) const {
  const int width = Client.right - Client.left, height = Client.bottom - Client.top;
  // Across the layout's direction both are centred.
  GlyphPos = Point((width - GlyphSize.cx + 1) / 2, (height - GlyphSize.cy + 1) / 2);
  CaptionPos = Point((width - CaptionSize.cx + 1) / 2, (height - CaptionSize.cy + 1) / 2);

  const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  const int room = horizontal ? width : height;
  const int glyph = horizontal ? GlyphSize.cx : GlyphSize.cy;
  const int text = horizontal ? CaptionSize.cx : CaptionSize.cy;
  int margin = margin_, spacing = spacing_;
  if (glyph == 0 || text == 0) spacing = 0;
  if (margin == -1) {
    if (spacing == -1) {
      margin = (room - glyph - text) / 3;
      spacing = margin;
    } else {
      margin = (room - glyph - spacing - text + 1) / 2;
    }
  } else if (spacing == -1) {
    spacing = (room - margin - glyph - text) / 2;
  }
  // Along it, from the layout's edge: the glyph, then the caption.
  const bool fromStart = layout_ == blGlyphLeft || layout_ == blGlyphTop;
  const int glyphAt = fromStart ? margin : room - margin - glyph;
  const int textAt = fromStart ? glyphAt + glyph + spacing : glyphAt - spacing - text;
  (horizontal ? GlyphPos.x : GlyphPos.y) = glyphAt;
  (horizontal ? CaptionPos.x : CaptionPos.y) = textAt;
  GlyphPos.x += Client.left;
  GlyphPos.y += Client.top;
  CaptionPos.x += Client.left;
  CaptionPos.y += Client.top;
}
