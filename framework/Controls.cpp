#include "framework/Controls.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "framework/Application.h"
#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Format.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"
#include "platform/DeviceContext.h"
#include "platform/Drawing.h"
#include "platform/Input.h"
#include "platform/Painting.h"

namespace {

// The windows of the framework's controls. Looked up by every message, so
// the lock is held only for the look-up, never while a control runs.
std::mutex& ControlWindowsMutex() {
  static std::mutex mutex;
  return mutex;
}
std::unordered_map<win::HWND, TWinControl*>& ControlWindows() {
  static std::unordered_map<win::HWND, TWinControl*> windows;
  return windows;
}

// The control whose window is being created on this thread: the messages of
// the creation arrive before CreateWindowExA answers the handle.
thread_local TWinControl* creatingControl = nullptr;

TControl* captureControl = nullptr;

constexpr win::LPARAM kAltMask = 0x20000000;

bool Contains(const TRect& rect, const TPoint& point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

TPoint PointOf(win::LPARAM lParam) { return Point(win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)); }

// The point of a context menu asked for by the menu key rather than the mouse.
bool IsKeyboardPoint(const TPoint& point) { return point.x == -1 && point.y == -1; }

win::LPARAM PackPoint(int x, int y) { return win::MAKELPARAM(static_cast<win::WORD>(x), static_cast<win::WORD>(y)); }

bool KeyIsDown(int virtualKey) { return win::GetKeyState(virtualKey) < 0; }

// Restores a device context's drawing state when a child's painting ends,
// whether it ends normally or by an exception.
class SavedDC {
 public:
  explicit SavedDC(win::HDC dc) : dc_(dc), level_(win::SaveDC(dc)) {}
  ~SavedDC() { win::RestoreDC(dc_, level_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  win::HDC dc_;
  int level_;
};

}  // namespace

TShiftState KeysToShiftState(win::WPARAM Keys) {
  TShiftState shift;
  if (Keys & win::MK_SHIFT) shift.Include(ssShift);
  if (Keys & win::MK_CONTROL) shift.Include(ssCtrl);
  if (Keys & win::MK_LBUTTON) shift.Include(ssLeft);
  if (Keys & win::MK_RBUTTON) shift.Include(ssRight);
  if (Keys & win::MK_MBUTTON) shift.Include(ssMiddle);
  if (KeyIsDown(win::VK_MENU)) shift.Include(ssAlt);
  return shift;
}

TShiftState KeyDataToShiftState(win::LPARAM KeyData) {
  TShiftState shift;
  if (KeyIsDown(win::VK_SHIFT)) shift.Include(ssShift);
  if (KeyIsDown(win::VK_CONTROL)) shift.Include(ssCtrl);
  if (KeyData & kAltMask) shift.Include(ssAlt);
  if (KeyIsDown(win::VK_LBUTTON)) shift.Include(ssLeft);
  if (KeyIsDown(win::VK_RBUTTON)) shift.Include(ssRight);
  if (KeyIsDown(win::VK_MBUTTON)) shift.Include(ssMiddle);
  return shift;
}

TWinControl* FindControl(win::HWND Handle) {
  std::lock_guard lock(ControlWindowsMutex());
  auto found = ControlWindows().find(Handle);
  return found == ControlWindows().end() ? nullptr : found->second;
}

TControl* GetCaptureControl() { return captureControl; }

TCustomForm* GetParentForm(TControl* Control) {
  if (!Control) return nullptr;
  while (Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(Control);
}

// ---- TControl ----------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {
  font_->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl() {
  Destroying();
  if (captureControl == this) captureControl = nullptr;
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == parent_) return;
  if (AParent == this) throw EInvalidOperation(SControlParentSetToSelf);
  if (parent_) parent_->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  Invalidate();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  BoundsChanged();
}

void TControl::BoundsChanged() {
  Invalidate();
  RequestAlign();
}

void TControl::SetBoundsRect(const TRect& Rect) {
  SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
}

TRect TControl::ClientRect() { return Rect(0, 0, width_, height_); }

void TControl::SetClientWidth(int Value) { SetWidth(width_ - ClientWidth() + Value); }

void TControl::SetClientHeight(int Value) { SetHeight(height_ - ClientHeight() + Value); }

TPoint TControl::ClientOrigin() {
  if (!parent_) return Point(left_, top_);
  const TPoint origin = parent_->ClientOrigin();
  return Point(origin.x + left_, origin.y + top_);
}

TPoint TControl::ClientToScreen(const TPoint& Point) {
  const TPoint origin = ClientOrigin();
  return ::Point(Point.x + origin.x, Point.y + origin.y);
}

TPoint TControl::ScreenToClient(const TPoint& Point) {
  const TPoint origin = ClientOrigin();
  return ::Point(Point.x - origin.x, Point.y - origin.y);
}

void TControl::SetAlign(TAlign Value) {
  if (Value == align_) return;
  align_ = Value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_) parent_->AlignControl(this);
}

void TControl::SetVisible(bool Value) {
  if (Value == visible_) return;
  visible_ = Value;
  Perform(CM_VISIBLECHANGED, Value, 0);
  RequestAlign();
}

void TControl::Show() { SetVisible(true); }

void TControl::Hide() { SetVisible(false); }

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value) {
  if (Value == parentColor_) return;
  parentColor_ = Value;
  if (Value && parent_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool Value) {
  if (Value == parentFont_) return;
  parentFont_ = Value;
  if (Value && parent_) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::FontChanged() {
  if (!takingParentFont_) parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentValues() {
  if (parentColor_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
  if (parentFont_) Perform(CM_PARENTFONTCHANGED, 0, 0);
  if (parentShowHint_) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

std::string TControl::Text() {
  const auto length = static_cast<size_t>(Perform(win::WM_GETTEXTLENGTH, 0, 0));
  std::string text(length + 1, '\0');
  const auto copied = static_cast<size_t>(
      Perform(win::WM_GETTEXT, static_cast<win::WPARAM>(text.size()), reinterpret_cast<win::LPARAM>(text.data())));
  text.resize(std::min(copied, length));
  return text;
}

void TControl::SetText(const std::string& Value) {
  if (Text() == Value) return;
  Perform(win::WM_SETTEXT, 0, reinterpret_cast<win::LPARAM>(Value.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetName(const std::string& NewName) {
  const bool captionIsName = controlStyle_.Contains(csSetCaption) && Name() == Text();
  TComponent::SetName(NewName);
  if (captionIsName) SetText(NewName);
}

void TControl::SetShowHint(bool Value) {
  if (Value == showHint_) return;
  showHint_ = Value;
  parentShowHint_ = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool Value) {
  if (Value == parentShowHint_) return;
  parentShowHint_ = Value;
  if (Value && parent_) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

bool TControl::SetOpaque(bool Opaque) {
  if (Opaque == controlStyle_.Contains(csOpaque)) return false;
  if (Opaque)
    controlStyle_.Include(csOpaque);
  else
    controlStyle_.Exclude(csOpaque);
  return true;
}

void TControl::SetAutoSize(bool Value) {
  if (Value == autoSize_) return;
  autoSize_ = Value;
  if (Value) AdjustSize();
}

void TControl::SetPopupMenuComponent(TPopupMenu* Menu, TComponent* Component) {
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  popupMenu_ = Menu;
  popupComponent_ = Component;
  if (popupComponent_) popupComponent_->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == popupComponent_) {
    popupMenu_ = nullptr;
    popupComponent_ = nullptr;
  }
}

bool TControl::MouseCapture() const { return captureControl == this; }

void TControl::SetMouseCapture(bool Value) {
  if (Value == MouseCapture()) return;
  if (Value) {
    auto* self = dynamic_cast<TWinControl*>(this);
    TWinControl* window = self ? self : parent_;
    // The platform's capture first: taking it tells the former holder,
    // which lets go of its own capture control.
    if (window && window->HandleAllocated()) win::SetCapture(window->handle_);
    captureControl = this;
  } else {
    captureControl = nullptr;
    win::ReleaseCapture();
  }
}

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || !parent_ || !parent_->HandleAllocated()) return;
  const TRect bounds = BoundsRect();
  win::InvalidateRect(parent_->handle_, &bounds, !IsOpaque);
}

void TControl::Invalidate() { InvalidateControl(visible_, controlStyle_.Contains(csOpaque)); }

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  if (!controlStyle_.Contains(csOpaque)) {
    Invalidate();
    Update();
    return;
  }
  // An opaque control covers its area: it and the controls above it are
  // painted straight away, without erasing anything.
  const win::HDC dc = win::GetDC(parent_->handle_);
  try {
    parent_->PaintControls(dc, this);
  } catch (...) {
    win::ReleaseDC(parent_->handle_, dc);
    throw;
  }
  win::ReleaseDC(parent_->handle_, dc);
}

void TControl::SetZOrder(bool TopMost) {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  if (TopMost)
    list.push_back(this);
  else
    list.insert(list.begin(), this);
  Invalidate();
}

win::LRESULT TControl::Perform(win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  TMessage message{Msg, WParam, LParam, 0};
  WndProc(message);
  return message.Result;
}

void TControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_LBUTTONDBLCLK:
      if (!controlStyle_.Contains(csDoubleClicks)) Message.Msg = win::WM_LBUTTONDOWN;
      controlState_.Include(csLButtonDown);
      break;
    case win::WM_LBUTTONDOWN:
      controlState_.Include(csLButtonDown);
      break;
    case win::WM_LBUTTONUP:
      controlState_.Exclude(csLButtonDown);
      break;
    default:
      break;
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_LBUTTONDOWN: WMLButtonDown(Message); break;
    case win::WM_LBUTTONUP: WMLButtonUp(Message); break;
    case win::WM_LBUTTONDBLCLK: WMLButtonDblClk(Message); break;
    case win::WM_RBUTTONDOWN: WMRButtonDown(Message); break;
    case win::WM_RBUTTONDBLCLK: DoMouseDown(Message, mbRight, {ssDouble}); break;
    case win::WM_RBUTTONUP: WMRButtonUp(Message); break;
    case win::WM_MBUTTONDOWN: WMMButtonDown(Message); break;
    case win::WM_MBUTTONDBLCLK: DoMouseDown(Message, mbMiddle, {ssDouble}); break;
    case win::WM_MBUTTONUP: WMMButtonUp(Message); break;
    case win::WM_MOUSEMOVE: WMMouseMove(Message); break;
    case win::WM_CANCELMODE: WMCancelMode(Message); break;
    case win::WM_CONTEXTMENU: WMContextMenu(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); break;
    case CM_COLORCHANGED: CMColorChanged(Message); break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    case CM_TEXTCHANGED: CMTextChanged(Message); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); break;
    case CM_SHOWHINTCHANGED: CMShowHintChanged(Message); break;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); break;
    default: DefaultHandler(Message); break;
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_SETTEXT:
      text_ = reinterpret_cast<const char*>(Message.LParam);
      Message.Result = win::TRUE;
      break;
    case win::WM_GETTEXTLENGTH:
      Message.Result = static_cast<win::LRESULT>(text_.size());
      break;
    case win::WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(Message.LParam);
      const size_t size = Message.WParam;
      if (!buffer || size == 0) {
        Message.Result = 0;
        break;
      }
      const size_t copied = std::min(text_.size(), size - 1);
      std::copy_n(text_.data(), copied, buffer);
      buffer[copied] = '\0';
      Message.Result = static_cast<win::LRESULT>(copied);
      break;
    }
    default:
      Message.Result = 0;
      break;
  }
}

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift) {
  if (controlStyle_.Contains(csNoStdEvents)) return;
  const TPoint point = PointOf(Message.LParam);
  MouseDown(Button, KeysToShiftState(Message.WParam) + Shift, point.x, point.y);
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
  if (controlStyle_.Contains(csNoStdEvents)) return;
  const TPoint point = PointOf(Message.LParam);
  MouseUp(Button, KeysToShiftState(Message.WParam), point.x, point.y);
}

void TControl::WMLButtonDown(TMessage& Message) {
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
  DoMouseDown(Message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TMessage& Message) {
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (controlStyle_.Contains(csClickEvents)) DblClick();
  DoMouseDown(Message, mbLeft, {ssDouble});
}

void TControl::WMLButtonUp(TMessage& Message) {
  if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (controlState_.Contains(csClicked)) {
    controlState_.Exclude(csClicked);
    if (Contains(ClientRect(), PointOf(Message.LParam))) Click();
  }
  DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonDown(TMessage& Message) { DoMouseDown(Message, mbRight, {}); }

// The platform's answer to a right release is the request for the context menu.
void TControl::WMRButtonUp(TMessage& Message) {
  DoMouseUp(Message, mbRight);
  DefaultHandler(Message);
}

void TControl::WMMButtonDown(TMessage& Message) { DoMouseDown(Message, mbMiddle, {}); }

void TControl::WMMButtonUp(TMessage& Message) { DoMouseUp(Message, mbMiddle); }

void TControl::WMMouseMove(TMessage& Message) {
  if (controlStyle_.Contains(csNoStdEvents)) return;
  const TPoint point = PointOf(Message.LParam);
  MouseMove(KeysToShiftState(Message.WParam), point.x, point.y);
}

void TControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  if (popupMenu_ && popupMenu_->AutoPopup) {
    TPoint point = PointOf(Message.LParam);
    if (IsKeyboardPoint(point)) point = ClientToScreen(Point(0, 0));
    popupMenu_->PopupComponent = this;
    popupMenu_->Popup(point.x, point.y);
    Message.Result = 1;
    return;
  }
  DefaultHandler(Message);
}

// A press that another window's mode interrupts makes no click.
void TControl::WMCancelMode(TMessage&) {
  controlState_.Exclude(csClicked);
  controlState_.Exclude(csLButtonDown);
  if (MouseCapture()) SetMouseCapture(false);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage& Message) {
  // Shown: paint it; hidden: repaint what it covered.
  InvalidateControl(true, Message.WParam && controlStyle_.Contains(csOpaque));
}

void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMFontChanged(TMessage&) { Invalidate(); }

void TControl::CMTextChanged(TMessage&) { Invalidate(); }

void TControl::CMParentColorChanged(TMessage&) {
  if (!parentColor_ || !parent_) return;
  SetColor(parent_->Color());
  parentColor_ = true;
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!parentFont_ || !parent_) return;
  takingParentFont_ = true;
  try {
    font_->Assign(parent_->Font());
  } catch (...) {
    takingParentFont_ = false;
    throw;
  }
  takingParentFont_ = false;
}

void TControl::CMShowHintChanged(TMessage&) {}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!parentShowHint_ || !parent_) return;
  SetShowHint(parent_->ShowHint());
  parentShowHint_ = true;
}

void TControl::Loaded() {
  TComponent::Loaded();
  RequestAlign();
}

// ---- TWinControl -------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
  Destroying();
  if (Parent()) Parent()->RemoveControl(this);
  DestroyHandle();
  // The children outlive their parent unless their owner frees them.
  for (TControl* control : controls_) control->parent_ = nullptr;
  controls_.clear();
  tabList_.clear();
}

win::HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_) return;
  if (Parent()) Parent()->HandleNeeded();  // which makes this one's too
  if (!handle_) CreateHandle();
}

void TWinControl::SetParentWindow(win::HWND Value) {
  if (Value == parentWindow_) return;
  parentWindow_ = Value;
  if (!Parent()) RecreateWnd();
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount()) throw EListError(Format(SListIndexError, {Index}));
  return controls_[static_cast<size_t>(Index)];
}

void TWinControl::InsertControl(TControl* AControl) {
  if (AControl->parent_ == this) return;
  if (AControl->parent_) AControl->parent_->RemoveControl(AControl);
  AControl->parent_ = this;
  controls_.push_back(AControl);
  auto* windowed = dynamic_cast<TWinControl*>(AControl);
  if (windowed) tabList_.push_back(windowed);
  AControl->SetParentValues();
  if (windowed && handle_ && !ComponentState().Contains(csLoading) && !ComponentState().Contains(csDestroying))
    windowed->CreateHandle();
  AControl->Invalidate();
  AControl->RequestAlign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto found = std::find(controls_.begin(), controls_.end(), AControl);
  if (found == controls_.end()) return;
  AControl->Invalidate();
  if (auto* windowed = dynamic_cast<TWinControl*>(AControl)) {
    windowed->DestroyHandle();
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), windowed), tabList_.end());
  }
  if (captureControl == AControl) captureControl = nullptr;
  controls_.erase(found);
  AControl->parent_ = nullptr;
  if (AControl->Align() != alNone) Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  for (; Control; Control = Control->Parent())
    if (Control == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* control = *it;
    if (!AllowWinControls && dynamic_cast<TWinControl*>(control)) continue;
    if (!control->Visible() || (!control->Enabled() && !AllowDisabled)) continue;
    if (Contains(control->BoundsRect(), Pos)) return control;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  const std::vector<TControl*> children = controls_;
  for (TControl* control : children) {
    control->WndProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyChildren(win::UINT Msg) {
  const std::vector<TControl*> children = controls_;
  for (TControl* control : children) control->Perform(Msg, 0, 0);
}

// ---- alignment ----

void TWinControl::DisableAlign() { ++alignLevel_; }

void TWinControl::EnableAlign() {
  if (--alignLevel_ == 0 && ControlState().Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (ComponentState().Contains(csDestroying)) return;
  if (alignLevel_ != 0 || ComponentState().Contains(csLoading)) {
    controlState_.Include(csAlignmentNeeded);
    return;
  }
  DisableAlign();
  try {
    TRect rect = ClientRect();
    AlignControls(AControl, rect);
  } catch (...) {
    controlState_.Exclude(csAlignmentNeeded);
    EnableAlign();
    throw;
  }
  controlState_.Exclude(csAlignmentNeeded);
  EnableAlign();
}

namespace {

// Where a control stands among those of its alignment: the order in which
// they are stacked from the edge inwards.
int StackPosition(const TControl* control, TAlign align) {
  switch (align) {
    case alTop: return control->Top();
    case alBottom: return -(control->Top() + control->Height());
    case alLeft: return control->Left();
    case alRight: return -(control->Left() + control->Width());
    default: return 0;
  }
}

}  // namespace

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> stack;
    for (TControl* control : controls_)
      if (control->Align() == align && control->Visible()) stack.push_back(control);
    // The control that changed keeps its place against those it ties with.
    std::stable_sort(stack.begin(), stack.end(), [&](const TControl* a, const TControl* b) {
      const int pa = StackPosition(a, align), pb = StackPosition(b, align);
      if (pa != pb) return pa < pb;
      return a == AControl && b != AControl;
    });
    for (TControl* control : stack) {
      const int width = std::max(0, static_cast<int>(Rect.right - Rect.left));
      const int height = std::max(0, static_cast<int>(Rect.bottom - Rect.top));
      switch (align) {
        case alTop:
          control->SetBounds(Rect.left, Rect.top, width, control->Height());
          Rect.top += control->Height();
          break;
        case alBottom:
          control->SetBounds(Rect.left, Rect.bottom - control->Height(), width, control->Height());
          Rect.bottom -= control->Height();
          break;
        case alLeft:
          control->SetBounds(Rect.left, Rect.top, control->Width(), height);
          Rect.left += control->Width();
          break;
        case alRight:
          control->SetBounds(Rect.right - control->Width(), Rect.top, control->Width(), height);
          Rect.right -= control->Width();
          break;
        default:
          control->SetBounds(Rect.left, Rect.top, width, height);
          break;
      }
    }
  }
}

// ---- bounds ----

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == Left() && ATop == Top() && AWidth == Width() && AHeight == Height()) return;
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (handle_)
    win::SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  BoundsChanged();
}

void TWinControl::BoundsChanged() {
  RequestAlign();
  Realign();
}

// The window's place as the platform has it, which may differ from the one
// asked for (or come from outside, as a user's sizing).
void TWinControl::UpdateBounds() {
  TRect rect{};
  if (!win::GetWindowRect(handle_, &rect)) return;
  if (win::GetWindowLongA(handle_, win::GWL_STYLE) & win::WS_CHILD)
    win::MapWindowPoints(nullptr, win::GetParent(handle_), reinterpret_cast<win::LPPOINT>(&rect), 2);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (rect.left == Left() && rect.top == Top() && width == Width() && height == Height()) return;
  left_ = rect.left;
  top_ = rect.top;
  width_ = width;
  height_ = height;
  BoundsChanged();
}

bool TWinControl::Showing() const {
  if (handle_) return win::IsWindowVisible(handle_) != win::FALSE;
  return false;
}

TRect TWinControl::ClientRect() {
  TRect rect{};
  if (handle_ && win::GetClientRect(handle_, &rect)) return rect;
  // Without a window: the size less the frame the window will have.
  TCreateParams params;
  CreateParams(params);
  const TRect insets = win::detail::NonClientInsets(params.Style, params.ExStyle);
  return Rect(0, 0, std::max(0, static_cast<int>(Width() - insets.left - insets.right)),
              std::max(0, static_cast<int>(Height() - insets.top - insets.bottom)));
}

TPoint TWinControl::ClientOrigin() {
  if (handle_) {
    TPoint origin{0, 0};
    win::ClientToScreen(handle_, &origin);
    return origin;
  }
  TCreateParams params;
  CreateParams(params);
  const TRect insets = win::detail::NonClientInsets(params.Style, params.ExStyle);
  TPoint origin = Point(Left() + insets.left, Top() + insets.top);
  if (Parent()) {
    const TPoint parentOrigin = Parent()->ClientOrigin();
    origin.x += parentOrigin.x;
    origin.y += parentOrigin.y;
  }
  return origin;
}

void TWinControl::SetZOrder(bool TopMost) {
  TControl::SetZOrder(TopMost);
  if (handle_)
    win::SetWindowPos(handle_, TopMost ? win::HWND_TOP : win::HWND_BOTTOM, 0, 0, 0, 0,
                      win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
}

// ---- the window ----

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams{};
  Params.Caption = text_;
  Params.Style = win::WS_CHILD | win::WS_CLIPSIBLINGS;
  if (ControlStyle().Contains(csAcceptsControls)) {
    Params.Style |= win::WS_CLIPCHILDREN;
    Params.ExStyle |= win::WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) Params.Style |= win::WS_DISABLED;
  if (tabStop_) Params.Style |= win::WS_TABSTOP;
  Params.X = Left();
  Params.Y = Top();
  Params.Width = Width();
  Params.Height = Height();
  Params.WndParent = Parent() ? Parent()->handle_ : parentWindow_;
  Params.WindowClass.style = win::CS_VREDRAW | win::CS_HREDRAW | win::CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = &win::DefWindowProcA;
  Params.WindowClass.hCursor = win::LoadCursorA(nullptr, win::IDC_ARROW);
  Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
  win::WNDCLASSA wc{};
  if (!win::GetClassInfoA(nullptr, ControlClassName, &wc)) return;
  Params.WindowClass.style = wc.style;
  Params.WindowClass.lpfnWndProc = wc.lpfnWndProc;
  Params.WindowClass.hCursor = wc.hCursor;
  Params.WindowClass.hbrBackground = wc.hbrBackground;
}

void TWinControl::RegisterWindowClass(const TCreateParams& Params) {
  const char* name = Params.WinClassName.c_str();
  win::WNDCLASSA existing{};
  if (win::GetClassInfoA(nullptr, name, &existing)) {
    if (existing.lpfnWndProc == &TWinControl::WindowProcedure) return;
    win::UnregisterClassA(name, nullptr);
  }
  win::WNDCLASSA wc{};
  wc.style = Params.WindowClass.style;
  wc.lpfnWndProc = &TWinControl::WindowProcedure;
  wc.hCursor = Params.WindowClass.hCursor;
  wc.hbrBackground = Params.WindowClass.hbrBackground;
  wc.lpszClassName = name;
  if (!win::RegisterClassA(&wc)) RaiseLastOSError();
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & win::WS_CHILD) && !params.WndParent)
    throw EInvalidOperation(Format(SParentRequired, {Name()}));
  defWndProc_ = params.WindowClass.lpfnWndProc ? params.WindowClass.lpfnWndProc : &win::DefWindowProcA;
  RegisterWindowClass(params);
  CreateWindowHandle(params);
  if (!handle_) RaiseLastOSError();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  // A child is made visible with its window; a top-level window is shown
  // once it is complete.
  win::DWORD style = Params.Style;
  if ((style & win::WS_CHILD) && Visible()) style |= win::WS_VISIBLE;
  TWinControl* const outer = creatingControl;
  creatingControl = this;
  const win::HWND hwnd = win::CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), style,
                                              Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent,
                                              nullptr, nullptr, Params.Param);
  creatingControl = outer;
  std::lock_guard lock(ControlWindowsMutex());
  if (!hwnd) {  // refused after its first messages bound it
    if (handle_) ControlWindows().erase(handle_);
    handle_ = nullptr;
    return;
  }
  if (!handle_) {  // a window that sent nothing while it was made
    handle_ = hwnd;
    ControlWindows()[hwnd] = this;
  }
}

void TWinControl::CreateHandle() {
  if (!handle_) {
    CreateWnd();
    UpdateBounds();
  }
  for (TWinControl* child : tabList_)
    if (!child->handle_) child->CreateHandle();
  if (ControlState().Contains(csAlignmentNeeded)) Realign();
  if (!(win::GetWindowLongA(handle_, win::GWL_STYLE) & win::WS_CHILD) && Visible())
    win::ShowWindow(handle_, ShowCommand());
}

void TWinControl::DestroyWnd() {
  text_ = Text();
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  controlState_.Include(csDestroyingHandle);
  win::DestroyWindow(handle_);
  controlState_.Exclude(csDestroyingHandle);
  if (handle_) {  // a window gone without its last message
    std::lock_guard lock(ControlWindowsMutex());
    ControlWindows().erase(handle_);
    handle_ = nullptr;
  }
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TWinControl* child : tabList_) child->DestroyHandle();
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyHandle();
  CreateHandle();
}

void TWinControl::WMNCDestroy(TMessage& Message) {
  DefaultHandler(Message);
  std::lock_guard lock(ControlWindowsMutex());
  ControlWindows().erase(handle_);
  handle_ = nullptr;
}

win::LRESULT TWinControl::WindowProcedure(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
  TWinControl* control = FindControl(hwnd);
  if (!control && creatingControl) {
    control = creatingControl;
    creatingControl = nullptr;
    control->handle_ = hwnd;
    std::lock_guard lock(ControlWindowsMutex());
    ControlWindows()[hwnd] = control;
  }
  if (!control) return win::DefWindowProcA(hwnd, message, wParam, lParam);
  TMessage msg{message, wParam, lParam, 0};
  control->MainWndProc(msg);  // may free the control
  return msg.Result;
}

// The last stop of an exception raised while a message is handled: the
// application shows it, and the window goes on.
void TWinControl::MainWndProc(TMessage& Message) {
  try {
    WndProc(Message);
  } catch (...) {
    if (!Application) throw;
    Application->HandleException(this);
  }
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!handle_) {
    TControl::DefaultHandler(Message);
    return;
  }
  Message.Result = win::CallWindowProcA(defWndProc_, handle_, Message.Msg, Message.WParam, Message.LParam);
}

void TWinControl::WndProc(TMessage& Message) {
  if (Message.Msg >= win::WM_MOUSEFIRST && Message.Msg < win::WM_MOUSEWHEEL && IsControlMouseMsg(Message)) {
    // The window still gives its platform answer, such as the context menu
    // request of a right release over a graphic child.
    if (Message.Result == 0) DefaultHandler(Message);
    return;
  }
  TControl::WndProc(Message);
}

// A mouse message over a graphic child (or for the child that holds the
// mouse) is the child's, in its own coordinates.
bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  const TPoint point = PointOf(Message.LParam);
  TControl* control = nullptr;
  if (captureControl)
    control = captureControl->Parent() == this ? captureControl : nullptr;
  else
    control = ControlAtPos(point, false);
  if (!control) return false;
  TMessage forwarded{Message.Msg, Message.WParam, PackPoint(point.x - control->Left(), point.y - control->Top()), 0};
  control->WndProc(forwarded);
  Message.Result = forwarded.Result;
  return true;
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_PAINT: WMPaint(Message); break;
    case win::WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case win::WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); break;
    case win::WM_SETCURSOR: WMSetCursor(Message); break;
    case win::WM_SETFOCUS: WMSetFocus(Message); break;
    case win::WM_KILLFOCUS: WMKillFocus(Message); break;
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN: WMKeyDown(Message); break;
    case win::WM_KEYUP:
    case win::WM_SYSKEYUP: WMKeyUp(Message); break;
    case win::WM_CHAR: WMChar(Message); break;
    case win::WM_CAPTURECHANGED: WMCaptureChanged(Message); break;
    case win::WM_NCDESTROY: WMNCDestroy(Message); break;
    case win::WM_COMMAND: WMCommand(Message); break;
    case win::WM_DRAWITEM: WMDrawItem(Message); break;
    default: TControl::Dispatch(Message); break;
  }
}

void TWinControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  const TPoint point = PointOf(Message.LParam);
  if (!IsKeyboardPoint(point)) {
    if (TControl* control = ControlAtPos(ScreenToClient(point), false)) {
      Message.Result = control->Perform(win::WM_CONTEXTMENU, Message.WParam, Message.LParam);
      if (Message.Result != 0) return;
    }
  }
  TControl::WMContextMenu(Message);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
  UpdateShowing();
}

// ---- painting ----

void TWinControl::WMPaint(TMessage& Message) { PaintHandler(Message); }

void TWinControl::PaintHandler(TMessage& Message) {
  auto dc = reinterpret_cast<win::HDC>(Message.WParam);
  if (dc) {
    PaintWindow(dc);
    PaintControls(dc, nullptr);
    return;
  }
  // The update region, taken before BeginPaint validates it, tells the
  // graphic children that need painting at the cost of a region test each.
  const win::HRGN update = win::CreateRectRgn(0, 0, 0, 0);
  win::GetUpdateRgn(handle_, update, win::FALSE);
  win::PAINTSTRUCT paint{};
  dc = win::BeginPaint(handle_, &paint);
  paintRegion_ = update;
  try {
    PaintWindow(dc);
    PaintControls(dc, nullptr);
  } catch (...) {
    paintRegion_ = {};
    win::EndPaint(handle_, &paint);
    win::DeleteObject(update);
    throw;
  }
  paintRegion_ = {};
  win::EndPaint(handle_, &paint);
  win::DeleteObject(update);
}

void TWinControl::PaintWindow(win::HDC DC) {
  TMessage message{win::WM_PAINT, reinterpret_cast<win::WPARAM>(DC), 0, 0};
  DefaultHandler(message);
}

void TWinControl::PaintControls(win::HDC DC, TControl* First) {
  auto it = First ? std::find(controls_.begin(), controls_.end(), First) : controls_.begin();
  const std::vector<TControl*> children(it, controls_.end());
  for (TControl* control : children) {
    if (dynamic_cast<TWinControl*>(control) || !control->Visible()) continue;
    // Only children the update region reaches: a few changed among many
    // paint alone.
    const TRect bounds = control->BoundsRect();
    if (!(paintRegion_ ? win::RectInRegion(paintRegion_, &bounds) : win::RectVisible(DC, &bounds))) continue;
    SavedDC saved(DC);
    TPoint origin{};
    win::GetViewportOrgEx(DC, &origin);
    win::SetViewportOrgEx(DC, origin.x + bounds.left, origin.y + bounds.top, nullptr);
    win::IntersectClipRect(DC, 0, 0, control->Width(), control->Height());
    // A copy of this control is a copy of its graphic children too.
    const bool copy = controlState_.Contains(csPaintCopy);
    if (copy) control->controlState_.Include(csPaintCopy);
    try {
      control->Perform(win::WM_PAINT, reinterpret_cast<win::WPARAM>(DC), 0);
    } catch (...) {
      control->controlState_.Exclude(csPaintCopy);
      throw;
    }
    control->controlState_.Exclude(csPaintCopy);
  }
}

void TWinControl::PaintTo(win::HDC DC, int X, int Y) {
  controlState_.Include(csPaintCopy);
  SavedDC saved(DC);
  try {
    TPoint origin{};
    win::GetViewportOrgEx(DC, &origin);
    win::SetViewportOrgEx(DC, origin.x + X, origin.y + Y, nullptr);
    win::IntersectClipRect(DC, 0, 0, Width(), Height());
    Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WPARAM>(DC), 0);
    Perform(win::WM_PAINT, reinterpret_cast<win::WPARAM>(DC), 0);
    for (TWinControl* child : tabList_)
      if (child->Visible()) child->PaintTo(DC, child->Left(), child->Top());
  } catch (...) {
    controlState_.Exclude(csPaintCopy);
    throw;
  }
  controlState_.Exclude(csPaintCopy);
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  const TRect rect = ClientRect();
  win::FillRect(reinterpret_cast<win::HDC>(Message.WParam), &rect, brush_->Handle());
  Message.Result = 1;
}

void TWinControl::Invalidate() {
  if (handle_) win::InvalidateRect(handle_, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
  if (handle_) win::UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

// ---- messages ----

void TWinControl::WMWindowPosChanged(TMessage& Message) {
  DefaultHandler(Message);
  UpdateBounds();
}

void TWinControl::WMSetCursor(TMessage& Message) {
  if (win::LOWORD(static_cast<win::DWORD_PTR>(Message.LParam)) == win::HTCLIENT && Screen) {
    TCursor cursor = Screen->Cursor();
    if (cursor == crDefault) {
      TPoint point{};
      win::GetCursorPos(&point);
      win::ScreenToClient(handle_, &point);
      TControl* control = ControlAtPos(point, false);
      cursor = control && control->Cursor() != crDefault ? control->Cursor() : Cursor();
    }
    if (cursor != crDefault) {
      win::SetCursor(Screen->Cursors(cursor));
      Message.Result = win::TRUE;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMSetFocus(TMessage& Message) {
  DefaultHandler(Message);
  if (OnEnter) OnEnter(this);
}

void TWinControl::WMKillFocus(TMessage& Message) {
  DefaultHandler(Message);
  if (OnExit) OnExit(this);
}

// The window lost the platform's capture: so did the control holding the
// mouse through it (unless the window took the capture again itself).
void TWinControl::WMCaptureChanged(TMessage& Message) {
  const bool kept = reinterpret_cast<win::HWND>(Message.LParam) == handle_;
  if (!kept && captureControl && (captureControl == this || captureControl->Parent() == this))
    captureControl = nullptr;
  DefaultHandler(Message);
}

void TWinControl::ReflectToChild(win::HWND Child, TMessage& Message) {
  TWinControl* control = Child ? FindControl(Child) : nullptr;
  if (control && control != this)
    Message.Result = control->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
  else
    DefaultHandler(Message);
}

void TWinControl::WMCommand(TMessage& Message) { ReflectToChild(reinterpret_cast<win::HWND>(Message.LParam), Message); }

void TWinControl::WMDrawItem(TMessage& Message) {
  const auto* item = reinterpret_cast<const win::DRAWITEMSTRUCT*>(Message.LParam);
  ReflectToChild(item ? item->hwndItem : nullptr, Message);
}

void TWinControl::CMEnabledChanged(TMessage& Message) {
  if (handle_) win::EnableWindow(handle_, Enabled());
  TControl::CMEnabledChanged(Message);
}

void TWinControl::CMVisibleChanged(TMessage&) { UpdateShowing(); }

void TWinControl::UpdateShowing() {
  if (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  if (!Visible()) {
    if (handle_) win::ShowWindow(handle_, win::SW_HIDE);
    return;
  }
  if (!handle_ && !(Parent() && Parent()->handle_)) return;
  HandleNeeded();
  win::ShowWindow(handle_, ShowCommand());
}

int TWinControl::ShowCommand() const { return win::SW_SHOWNA; }

void TWinControl::CMColorChanged(TMessage& Message) {
  brush_->SetColor(Color());
  NotifyChildren(CM_PARENTCOLORCHANGED);
  TControl::CMColorChanged(Message);
}

void TWinControl::CMFontChanged(TMessage& Message) {
  NotifyChildren(CM_PARENTFONTCHANGED);
  TControl::CMFontChanged(Message);
}

void TWinControl::CMShowHintChanged(TMessage&) { NotifyChildren(CM_PARENTSHOWHINTCHANGED); }

// ---- focus and keys ----

bool TWinControl::CanFocus() {
  for (TWinControl* control = this; control; control = control->Parent())
    if (!control->Visible() || !control->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() { return handle_ && win::GetFocus() == handle_; }

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation(SCannotFocus);
  win::SetFocus(Handle());
}

void TWinControl::SetTabStop(bool Value) {
  if (Value == tabStop_) return;
  tabStop_ = Value;
  if (!handle_) return;
  const auto style = static_cast<win::DWORD>(win::GetWindowLongA(handle_, win::GWL_STYLE));
  win::SetWindowLongA(handle_, win::GWL_STYLE,
                      static_cast<win::LONG>(Value ? style | win::WS_TABSTOP : style & ~win::WS_TABSTOP));
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->tabList_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  if (!Parent()) return;
  auto& list = Parent()->tabList_;
  list.erase(std::find(list.begin(), list.end(), this));
  const auto index = static_cast<size_t>(std::clamp(Value, 0, static_cast<int>(list.size())));
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), this);
}

void TWinControl::KeyDown(win::WORD& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(win::WORD& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

namespace {

// The form that previews the keys of `control`, or null.
TCustomForm* PreviewingForm(TWinControl* control) {
  TCustomForm* form = GetParentForm(control);
  return form && form != control && form->KeyPreview() ? form : nullptr;
}

}  // namespace

bool TWinControl::DoKeyDown(TMessage& Message) {
  if (TCustomForm* form = PreviewingForm(this); form && form->DoKeyDown(Message)) return true;
  auto key = static_cast<win::WORD>(Message.WParam);
  if (!ControlStyle().Contains(csNoStdEvents)) KeyDown(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  if (TCustomForm* form = PreviewingForm(this); form && form->DoKeyUp(Message)) return true;
  auto key = static_cast<win::WORD>(Message.WParam);
  if (!ControlStyle().Contains(csNoStdEvents)) KeyUp(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  if (TCustomForm* form = PreviewingForm(this); form && form->DoKeyPress(Message)) return true;
  auto key = static_cast<char>(Message.WParam);
  if (!ControlStyle().Contains(csNoStdEvents)) KeyPress(key);
  Message.WParam = static_cast<win::BYTE>(key);
  return key == 0;
}

void TWinControl::WMKeyDown(TMessage& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

// ---- TGraphicControl and TCustomControl -------------------------------------------

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), canvas_(std::make_unique<TCanvas>()) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Paint() {}

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == win::WM_PAINT)
    WMPaint(Message);
  else
    TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TMessage& Message) {
  const auto dc = reinterpret_cast<win::HDC>(Message.WParam);
  if (dc) PaintOnCanvas(*canvas_, dc, [this] { Paint(); });
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), canvas_(std::make_unique<TCanvas>()) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {}

void TCustomControl::PaintWindow(win::HDC DC) {
  PaintOnCanvas(*canvas_, DC, [this] { Paint(); });
}

void PaintOnCanvas(TCanvas& Canvas, win::HDC DC, const std::function<void()>& Paint) {
  Canvas.Lock();
  Canvas.SetHandle(DC);
  try {
    Paint();
  } catch (...) {
    Canvas.SetHandle(nullptr);
    Canvas.Unlock();
    throw;
  }
  Canvas.SetHandle(nullptr);
  Canvas.Unlock();
}
