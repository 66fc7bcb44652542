#include "framework/Forms.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Format.h"
#include "platform/Input.h"
#include "platform/SysColors.h"

namespace {

TScreen screenInstance(nullptr);

constexpr int kDefaultFormWidth = 320;
constexpr int kDefaultFormHeight = 240;

}  // namespace

TScreen* Screen = &screenInstance;

// ---- TCustomForm -------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner), canvas_(std::make_unique<TCanvas>()) {
  SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetVisible(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  SetBounds(0, 0, kDefaultFormWidth, kDefaultFormHeight);
  Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (OnDestroy) OnDestroy(this);
  if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
  Screen->RemoveForm(this);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (Value == borderStyle_) return;
  const int clientWidth = ClientWidth(), clientHeight = ClientHeight();
  borderStyle_ = Value;
  RecreateWnd();
  SetClientWidth(clientWidth);
  SetClientHeight(clientHeight);
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (Value == borderIcons_) return;
  borderIcons_ = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (Value == formStyle_) return;
  formStyle_ = Value;
  RecreateWnd();
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WindowClass.style = win::CS_DBLCLKS;
  if (Parent()) return;  // a form placed inside another control is a child window like any
  Params.Style &= ~(win::WS_CHILD | win::WS_GROUP | win::WS_TABSTOP);
  Params.Style |= win::WS_POPUP;
  switch (borderStyle_) {
    case bsNone: break;
    case bsSingle:
    case bsToolWindow: Params.Style |= win::WS_CAPTION | win::WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: Params.Style |= win::WS_CAPTION | win::WS_THICKFRAME; break;
    case bsDialog:
      Params.Style |= win::WS_CAPTION;
      Params.ExStyle |= win::WS_EX_DLGMODALFRAME | win::WS_EX_WINDOWEDGE;
      break;
  }
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) Params.ExStyle |= win::WS_EX_TOOLWINDOW;
  if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu)) {
    Params.Style |= win::WS_SYSMENU;
    const bool boxes = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
    if (boxes && borderIcons_.Contains(biMinimize)) Params.Style |= win::WS_MINIMIZEBOX;
    if (boxes && borderIcons_.Contains(biMaximize)) Params.Style |= win::WS_MAXIMIZEBOX;
  }
  if (formStyle_ == fsStayOnTop) Params.ExStyle |= win::WS_EX_TOPMOST;
}

int TCustomForm::ShowCommand() const { return win::SW_SHOW; }

void TCustomForm::UpdateShowing() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  if (Parent()) {
    TWinControl::UpdateShowing();
    return;
  }
  if (!Visible()) {
    if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_HIDE);
    return;
  }
  if (HandleAllocated())
    win::ShowWindow(Handle(), ShowCommand());
  else
    HandleNeeded();  // which shows the new window
}

void TCustomForm::CMVisibleChanged(TMessage& Message) {
  if (Visible()) {
    DoShow();
    if (!placed_) PlaceOnScreen();
    TWinControl::CMVisibleChanged(Message);
    return;
  }
  const bool wasShown = HandleAllocated() && win::IsWindowVisible(Handle());
  TWinControl::CMVisibleChanged(Message);
  if (wasShown) DoHide();
}

void TCustomForm::PlaceOnScreen() {
  placed_ = true;
  if (position_ == poScreenCenter)
    SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
}

void TCustomForm::Loaded() {
  TWinControl::Loaded();
  if (OnCreate) OnCreate(this);
}

void TCustomForm::PaintWindow(win::HDC DC) {
  PaintOnCanvas(*canvas_, DC, [this] { Paint(); });
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize:
      if (HandleAllocated()) win::ShowWindow(Handle(), win::SW_MINIMIZE);
      break;
    case caFree: Release(); break;
    case caNone: break;
  }
}

void TCustomForm::Release() { win::PostMessageA(Handle(), CM_RELEASE, 0, 0); }

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_CLOSE: WMClose(Message); break;
    case win::WM_ACTIVATE: WMActivate(Message); break;
    case CM_RELEASE: CMRelease(Message); break;
    default: TWinControl::Dispatch(Message); break;
  }
}

// Closing goes through Close, which decides what happens to the window.
void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMActivate(TMessage& Message) {
  DefaultHandler(Message);
  active_ = win::LOWORD(Message.WParam) != win::WA_INACTIVE;
  if (active_) {
    Screen->activeForm_ = this;
    Activate();
  } else {
    if (Screen->activeForm_ == this) Screen->activeForm_ = nullptr;
    Deactivate();
  }
}

void TCustomForm::CMRelease(TMessage&) { delete this; }

// ---- TScreen ---------------------------------------------------------------------------

int TScreen::Width() const { return win::GetSystemMetrics(win::SM_CXSCREEN); }

int TScreen::Height() const { return win::GetSystemMetrics(win::SM_CYSCREEN); }

void TScreen::SetCursor(TCursor Value) {
  cursor_ = Value;
  if (Value != crDefault) {
    win::SetCursor(Cursors(Value));
    return;
  }
  // The window under the mouse sets its own cursor again.
  win::SetCursor(Cursors(crArrow));
  win::POINT point{};
  if (!win::GetCursorPos(&point)) return;
  if (win::HWND window = win::WindowFromPoint(point))
    win::SendMessageA(window, win::WM_SETCURSOR, reinterpret_cast<win::WPARAM>(window),
                      win::MAKELPARAM(static_cast<win::WORD>(win::HTCLIENT), static_cast<win::WORD>(win::WM_MOUSEMOVE)));
}

win::HCURSOR TScreen::Cursors(TCursor Index) const {
  switch (Index) {
    case crNone: return nullptr;
    case crIBeam: return win::LoadCursorA(nullptr, win::IDC_IBEAM);
    case crHourGlass:
    case crSQLWait: return win::LoadCursorA(nullptr, win::IDC_WAIT);
    case crCross: return win::LoadCursorA(nullptr, win::IDC_CROSS);
    case crSizeAll: return win::LoadCursorA(nullptr, win::IDC_SIZEALL);
    case crSizeNESW: return win::LoadCursorA(nullptr, win::IDC_SIZENESW);
    case crSizeNWSE: return win::LoadCursorA(nullptr, win::IDC_SIZENWSE);
    case crSizeNS:
    case crVSplit: return win::LoadCursorA(nullptr, win::IDC_SIZENS);
    case crSizeWE:
    case crHSplit: return win::LoadCursorA(nullptr, win::IDC_SIZEWE);
    case crUpArrow: return win::LoadCursorA(nullptr, win::IDC_UPARROW);
    case crNo:
    case crNoDrop: return win::LoadCursorA(nullptr, win::IDC_NO);
    case crAppStart: return win::LoadCursorA(nullptr, win::IDC_APPSTARTING);
    case crHelp: return win::LoadCursorA(nullptr, win::IDC_HELP);
    case crHandPoint: return win::LoadCursorA(nullptr, win::IDC_HAND);
    default: return win::LoadCursorA(nullptr, win::IDC_ARROW);
  }
}

TCustomForm* TScreen::Forms(int Index) const {
  if (Index < 0 || Index >= FormCount()) throw EListError(Format(SListIndexError, {Index}));
  return forms_[static_cast<size_t>(Index)];
}

void TScreen::RemoveForm(TCustomForm* Form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), Form), forms_.end());
  if (activeForm_ == Form) activeForm_ = nullptr;
}
