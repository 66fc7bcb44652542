#include "framework/StdCtrls.h"

#include "platform/DeviceContext.h"
#include "platform/TextDrawing.h"

// ---- TCustomLabel -------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
  SetAutoSize(true);
  SetBounds(Left(), Top(), 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (Value == alignment_) return;
  alignment_ = Value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  if (Value == layout_) return;
  layout_ = Value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (Value == wordWrap_) return;
  wordWrap_ = Value;
  Changed();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (Value == showAccelChar_) return;
  showAccelChar_ = Value;
  Changed();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (SetOpaque(!Value)) Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  if (Value == focusControl_) return;
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = Value;
  if (focusControl_) focusControl_->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustSize();
}

std::string TCustomLabel::GetLabelText() { return Caption(); }

win::UINT TCustomLabel::TextFlags() const {
  win::UINT flags = win::DT_EXPANDTABS;
  if (wordWrap_) flags |= win::DT_WORDBREAK;
  if (!showAccelChar_) flags |= win::DT_NOPREFIX;
  switch (alignment_) {
    case taLeftJustify: flags |= win::DT_LEFT; break;
    case taRightJustify: flags |= win::DT_RIGHT; break;
    case taCenter: flags |= win::DT_CENTER; break;
  }
  return flags;
}

void TCustomLabel::DoDrawText(TRect& Rect, win::UINT Flags) {
  std::string text = GetLabelText();
  // An empty caption (or a lone '&' prefix) still measures one line high.
  if ((Flags & win::DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
  Flags |= TextFlags();
  TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(bsClear);
  const int length = static_cast<int>(text.size());
  if (Enabled() || (Flags & win::DT_CALCRECT)) {
    win::DrawTextA(canvas->Handle(), text.c_str(), length, &Rect, Flags);
    return;
  }
  // The platform's disabled text: a highlight one pixel down and right, the
  // shadow over it.
  TRect shifted{Rect.left + 1, Rect.top + 1, Rect.right + 1, Rect.bottom + 1};
  canvas->Font()->SetColor(clBtnHighlight);
  win::DrawTextA(canvas->Handle(), text.c_str(), length, &shifted, Flags);
  canvas->Font()->SetColor(clBtnShadow);
  win::DrawTextA(canvas->Handle(), text.c_str(), length, &Rect, Flags);
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(client);
  }
  // A label without text is only its background: a bar or a meter segment.
  if (GetLabelText().empty()) return;
  TRect rect = client;
  if (layout_ != tlTop) {
    TRect measured = client;
    DoDrawText(measured, win::DT_CALCRECT);
    const int room = Height() - measured.bottom;
    const int offset = layout_ == tlBottom ? room : room / 2;
    rect.top += offset;
    rect.bottom += offset;
  }
  DoDrawText(rect, 0);
}

void TCustomLabel::AdjustSize() {
  if (!AutoSize() || ComponentState().Contains(csLoading)) return;
  // Measured on a device context of the display's kind: the label may have
  // no parent yet, and the parent no window.
  const win::HDC dc = win::CreateCompatibleDC(nullptr);
  TCanvas* canvas = Canvas();
  const bool wasBound = canvas->HandleAllocated();
  const win::HDC previous = wasBound ? canvas->Handle() : nullptr;
  canvas->SetHandle(dc);
  TRect rect = ClientRect();
  try {
    DoDrawText(rect, win::DT_CALCRECT);
  } catch (...) {
    canvas->SetHandle(previous);
    win::DeleteDC(dc);
    throw;
  }
  canvas->SetHandle(previous);
  win::DeleteDC(dc);
  int left = Left();
  if (alignment_ == taRightJustify) left += Width() - rect.right;
  SetBounds(left, Top(), rect.right, rect.bottom);
}

// The text's measure changed: an AutoSize label takes its new size; any
// label repaints.
void TCustomLabel::Changed() {
  AdjustSize();
  Invalidate();
}

void TCustomLabel::CMTextChanged(TMessage&) { Changed(); }

void TCustomLabel::CMFontChanged(TMessage&) { Changed(); }

// ---- TButtonControl and TButton --------------------------------------------------------

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  // The platform's button takes the mouse and makes the click itself.
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks, csOpaque});
}

void TButtonControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_LBUTTONUP:
    case win::WM_MOUSEMOVE:
      // The button presses, tracks and clicks in the platform's procedure;
      // the control's mouse events follow.
      DefaultHandler(Message);
      TWinControl::Dispatch(Message);
      break;
    case CN_COMMAND: CNCommand(Message); break;
    default: TWinControl::Dispatch(Message); break;
  }
}

void TButtonControl::CNCommand(TMessage& Message) {
  if (win::HIWORD(static_cast<win::DWORD_PTR>(Message.WParam)) == win::BN_CLICKED) Click();
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(Left(), Top(), 75, 25);
  SetTabStop(true);
}

void TButton::SetDefault(bool Value) {
  if (Value == default_) return;
  default_ = Value;
  if (!HandleAllocated()) return;
  // An owner-drawn button stays one: it draws its default look itself.
  const auto type = static_cast<win::DWORD>(win::GetWindowLongA(Handle(), win::GWL_STYLE)) & win::BS_TYPEMASK;
  if (type == win::BS_OWNERDRAW)
    Invalidate();
  else
    win::SendMessageA(Handle(), win::BM_SETSTYLE, Value ? win::BS_DEFPUSHBUTTON : win::BS_PUSHBUTTON, win::TRUE);
}

void TButton::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  CreateSubClass(Params, "BUTTON");
  Params.Style |= default_ ? win::BS_DEFPUSHBUTTON : win::BS_PUSHBUTTON;
}
