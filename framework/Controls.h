// The control family: TControl (a visual component placed on a parent),
// TWinControl (a control with a platform window of its own, and a parent of
// other controls), TGraphicControl (a control without a window that paints
// on its parent) and TCustomControl (a windowed control that paints itself
// on a canvas). Messages reach a control through WndProc and Dispatch with
// the platform's message numbers; the framework's own notifications (CM_)
// and the messages a parent reflects to its child controls (CN_) have
// numbers of their own above WM_USER.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/AllocateHWnd.h"
#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Sets.h"
#include "platform/Messages.h"
#include "platform/Types.h"

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

// ---- Messages of the framework ---------------------------------------------------

constexpr win::UINT CM_BASE = 0xB000;
constexpr win::UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr win::UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr win::UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr win::UINT CM_PARENTFONTCHANGED = CM_BASE + 17;
constexpr win::UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr win::UINT CM_PARENTCOLORCHANGED = CM_BASE + 21;
constexpr win::UINT CM_VISIBLECHANGED = CM_BASE + 22;  // WParam: the new visibility
constexpr win::UINT CM_SHOWHINTCHANGED = CM_BASE + 24;
constexpr win::UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 25;
constexpr win::UINT CM_RELEASE = CM_BASE + 33;  // posted to a form that frees itself

// A parent hands the notifications that concern one of its windowed children
// (WM_COMMAND, WM_DRAWITEM) to that child as CN_BASE + the message.
constexpr win::UINT CN_BASE = 0xBC00;
constexpr win::UINT CN_COMMAND = CN_BASE + win::WM_COMMAND;
constexpr win::UINT CN_DRAWITEM = CN_BASE + win::WM_DRAWITEM;

// ---- Types -----------------------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// The borders of a form; a control with a border of its own takes bsNone
// or bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

// Cursors: the platform's cursors by number; crDefault is the control's
// parent's (in the end the window class's).
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// What a control's class is made to do.
enum TControlStyleItem {
  csAcceptsControls,  // a parent of other controls (its window clips them)
  csCaptureMouse,     // holds the mouse from a press to its release
  csDesignInteractive,
  csClickEvents,  // a left press and release inside makes a click
  csFramed,
  csSetCaption,  // the name given at design time becomes the caption
  csOpaque,      // paints all of its area: nothing behind it needs erasing
  csDoubleClicks,  // a double click makes DblClick; otherwise it is a second press
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,  // can be painted into another device context (PaintTo)
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
};
using TControlStyle = TSet<TControlStyleItem>;

// What a control is doing now.
enum TControlStateItem {
  csLButtonDown,  // the left button went down on the control and is not up yet
  csClicked,      // that press may still end in a click
  csPalette,
  csReadingState,
  csAlignmentNeeded,  // an alignment was asked for while it could not run
  csFocusing,
  csCreating,
  csPaintCopy,  // painting into another device context, not the control's own window
  csCustomPaint,
  csDestroyingHandle,
  csDocking,
};
using TControlState = TSet<TControlStateItem>;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, win::WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// The shift state of a mouse message's MK_ bits, with Alt from the key state.
TShiftState KeysToShiftState(win::WPARAM Keys);
// The shift state at a key message (its lParam's key data): Shift, Ctrl and
// the mouse buttons from the key state, Alt from the key data.
TShiftState KeyDataToShiftState(win::LPARAM KeyData);

// The control whose window is `Handle`, or null.
TWinControl* FindControl(win::HWND Handle);
// The control that holds the mouse (see TControl::MouseCapture), or null.
TControl* GetCaptureControl();
// The form a control lies on (the form itself for a form), or null.
TCustomForm* GetParentForm(TControl* Control);

// Runs Paint with the canvas bound to the device context, and unbinds it
// whatever Paint does.
void PaintOnCanvas(TCanvas& Canvas, win::HDC DC, const std::function<void()>& Paint);

// ---- TControl ----------------------------------------------------------------------

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // Setting the parent removes the control from the former parent's list
  // and appends it to the new one's (at the top of the z-order).
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const { return parent_ != nullptr; }

  // Bounds in the parent's client coordinates.
  int Left() const { return left_; }
  void SetLeft(int Value) { SetBounds(Value, top_, width_, height_); }
  int Top() const { return top_; }
  void SetTop(int Value) { SetBounds(left_, Value, width_, height_); }
  int Width() const { return width_; }
  void SetWidth(int Value) { SetBounds(left_, top_, Value, height_); }
  int Height() const { return height_; }
  void SetHeight(int Value) { SetBounds(left_, top_, width_, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& Rect);

  // The client area in the control's own coordinates; its size sets the
  // control's size less any frame.
  virtual TRect ClientRect();
  int ClientWidth() { return ClientRect().right; }
  void SetClientWidth(int Value);
  int ClientHeight() { return ClientRect().bottom; }
  void SetClientHeight(int Value);
  // The client area's top-left corner on the screen.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(const TPoint& Point);
  TPoint ScreenToClient(const TPoint& Point);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign Value);

  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  void Show();
  void Hide();
  // Whether the control and all its parents are visible (a windowed
  // control: whether its window is shown).
  virtual bool Showing() const;

  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool Value);

  // A control with ParentColor or ParentFont takes its parent's colour or
  // font, now and at every change of the parent's; setting its own clears
  // the flag.
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool Value);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool Value);

  // The caption and the text are one; a windowed control keeps it in its
  // window while it has one.
  std::string Text();
  void SetText(const std::string& Value);
  std::string Caption() { return Text(); }
  void SetCaption(const std::string& Value) { SetText(Value); }

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value) { hint_ = Value; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool Value);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value) { cursor_ = Value; }

  // Whether the control sizes itself to its content (see AdjustSize).
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSize(bool Value);

  // The menu of a right click; the control is told when the menu goes. A
  // template so that the menus unit's class is complete where it is set.
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  template <class Menu>
  void SetPopupMenu(Menu* Value) {
    SetPopupMenuComponent(Value, Value);
  }
  void SetPopupMenu(std::nullptr_t) { SetPopupMenuComponent(nullptr, nullptr); }

  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle Value) { controlStyle_ = Value; }
  // Includes or excludes csOpaque; false when the style already said so.
  bool SetOpaque(bool Opaque);
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState Value) { controlState_ = Value; }

  // Holding the mouse: mouse messages go to this control until it lets go.
  bool MouseCapture() const;
  void SetMouseCapture(bool Value);

  // Painting. Invalidate marks the control's area for painting (a graphic
  // control's area in its parent, erased behind it unless csOpaque);
  // Update paints what is marked now; Repaint and Refresh do both.
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }

  // Moves the control to the top or the bottom of its parent's z-order.
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }

  // Sends the message straight to the control's WndProc and answers its Result.
  win::LRESULT Perform(win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam);
  // Every message of the control passes here; the default keeps the mouse
  // state and hands the message to Dispatch.
  virtual void WndProc(TMessage& Message);
  // Hands the message to the handler of its number, or to DefaultHandler.
  virtual void Dispatch(TMessage& Message);
  // What a message without a handler gets: a graphic control keeps its text
  // here; a windowed control asks the platform's window procedure.
  virtual void DefaultHandler(TMessage& Message);

  // Makes the click the control's own (fires OnClick).
  virtual void Click();

  void Loaded() override;
  // A caption that was the old name follows the new one (csSetCaption).
  void SetName(const std::string& NewName) override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

 protected:
  friend class TWinControl;

  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

  // Tells the parent that this control's alignment needs redoing.
  virtual void RequestAlign();
  // Moves the control within its parent's list and z-order.
  virtual void SetZOrder(bool TopMost);
  // Marks the control's area in its parent for painting.
  void InvalidateControl(bool IsVisible, bool IsOpaque);
  // The bounds changed: realign (and repaint a graphic control).
  virtual void BoundsChanged();
  // Sizes an AutoSize control to its content; the default keeps the size.
  virtual void AdjustSize() {}

  // Message handlers, called by Dispatch.
  virtual void WMLButtonDown(TMessage& Message);
  virtual void WMLButtonUp(TMessage& Message);
  virtual void WMLButtonDblClk(TMessage& Message);
  virtual void WMRButtonDown(TMessage& Message);
  virtual void WMRButtonUp(TMessage& Message);
  virtual void WMMButtonDown(TMessage& Message);
  virtual void WMMButtonUp(TMessage& Message);
  virtual void WMMouseMove(TMessage& Message);
  virtual void WMCancelMode(TMessage& Message);
  // Shows the popup menu at the message's point on the screen (the
  // control's top-left corner for the menu key's -1, -1), else passes the
  // request on to the parent.
  virtual void WMContextMenu(TMessage& Message);
  virtual void CMEnabledChanged(TMessage& Message);
  virtual void CMVisibleChanged(TMessage& Message);
  virtual void CMColorChanged(TMessage& Message);
  virtual void CMFontChanged(TMessage& Message);
  virtual void CMTextChanged(TMessage& Message);
  virtual void CMParentColorChanged(TMessage& Message);
  virtual void CMParentFontChanged(TMessage& Message);
  virtual void CMShowHintChanged(TMessage& Message);
  virtual void CMParentShowHintChanged(TMessage& Message);

 private:
  void SetPopupMenuComponent(TPopupMenu* Menu, TComponent* Component);
  void FontChanged();
  void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TMessage& Message, TMouseButton Button);
  void SetParentValues();

  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = true;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  bool takingParentFont_ = false;
  std::string text_;
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TCursor cursor_ = crDefault;
  bool autoSize_ = false;
  TPopupMenu* popupMenu_ = nullptr;
  TComponent* popupComponent_ = nullptr;  // the same menu as a component
  TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState controlState_;
};

// ---- TWinControl -------------------------------------------------------------------

// The window class a windowed control registers (WinClassName in
// TCreateParams names it; the procedure is the framework's).
struct TWndClass {
  win::UINT style = 0;
  win::WNDPROC lpfnWndProc = nullptr;  // the procedure messages fall back to; DefWindowProcA unless subclassed
  win::HCURSOR hCursor{};
  win::HBRUSH hbrBackground{};
};

// What a windowed control's window is created from.
struct TCreateParams {
  std::string Caption;
  win::DWORD Style = 0;
  win::DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  win::HWND WndParent{};
  void* Param = nullptr;
  TWndClass WindowClass;
  std::string WinClassName;  // the control's class name unless a class changes it
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The window, created with the parent's (and the windowed children's)
  // the first time it is asked for; EInvalidOperation for a child control
  // without a parent.
  win::HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  // A window of another program or unit to be this control's parent when
  // the control has no parent control.
  win::HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(win::HWND Value);

  // The children, in z-order (the bottom first).
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const;  // EListError for a bad index
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  // Whether the control is this one or lies anywhere below it.
  bool ContainsControl(TControl* Control) const;
  // The child under the client point, the topmost first; only visible and
  // enabled ones, unless AllowDisabled; windowed children only with AllowWinControls.
  TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
  // Sends the message to every child, until one sets a non-zero Result.
  void Broadcast(TMessage& Message);

  // Aligning the children: DisableAlign and EnableAlign bracket changes
  // that should realign once; Realign aligns all now.
  void DisableAlign();
  void EnableAlign();
  void Realign();

  // The background brush, of the control's Color.
  TBrush* Brush() const { return brush_.get(); }

  // Focus.
  virtual bool CanFocus();
  bool Focused();
  virtual void SetFocus();
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool Value);
  int TabOrder() const;
  void SetTabOrder(int Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  bool Showing() const override;
  TRect ClientRect() override;
  TPoint ClientOrigin() override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void DefaultHandler(TMessage& Message) override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void Loaded() override;

  // Paints the control and its children into a device context at (X, Y)
  // of it (csPaintCopy is set while it does).
  void PaintTo(win::HDC DC, int X, int Y);

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  friend class TControl;

  // The window's parameters; subclasses adjust what the base set.
  virtual void CreateParams(TCreateParams& Params);
  // Takes the platform's window class `ControlClassName` as the class to
  // subclass: its class style and its procedure become the defaults.
  void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
  // Registers the class and makes the window (CreateWindowHandle).
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  // Makes the window and then its windowed children's.
  virtual void CreateHandle();
  // Keeps the text, then destroys the window (DestroyWindowHandle).
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  // Destroys the children's windows, then this one's.
  void DestroyHandle();
  // Destroys the window and makes it again with new parameters; bounds,
  // text, children and visibility stay.
  void RecreateWnd();

  // Lays out the aligned children inside Rect (the client area).
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  virtual void AlignControl(TControl* AControl);
  void BoundsChanged() override;

  // WM_PAINT: the window's own painting, then its graphic children's.
  void PaintHandler(TMessage& Message);
  virtual void PaintWindow(win::HDC DC);
  // Paints the visible graphic children from First (or all) up the z-order.
  void PaintControls(win::HDC DC, TControl* First);

  // Key events; a form with KeyPreview sees them first. Setting Key to 0
  // ends a key's handling.
  virtual void KeyDown(win::WORD& Key, TShiftState Shift);
  virtual void KeyUp(win::WORD& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  bool DoKeyDown(TMessage& Message);
  bool DoKeyUp(TMessage& Message);
  bool DoKeyPress(TMessage& Message);

  // Shows or hides the window after a change of visibility.
  virtual void UpdateShowing();
  // The window's visibility command when it is shown.
  virtual int ShowCommand() const;
  void SetZOrder(bool TopMost) override;

  // Message handlers, called by Dispatch.
  virtual void WMPaint(TMessage& Message);
  virtual void WMEraseBkgnd(TMessage& Message);
  virtual void WMWindowPosChanged(TMessage& Message);
  virtual void WMSetCursor(TMessage& Message);
  virtual void WMSetFocus(TMessage& Message);
  virtual void WMKillFocus(TMessage& Message);
  virtual void WMKeyDown(TMessage& Message);
  virtual void WMKeyUp(TMessage& Message);
  virtual void WMChar(TMessage& Message);
  virtual void WMCaptureChanged(TMessage& Message);
  virtual void WMNCDestroy(TMessage& Message);
  // A child window's WM_COMMAND and WM_DRAWITEM go to the child as
  // CN_COMMAND and CN_DRAWITEM.
  virtual void WMCommand(TMessage& Message);
  virtual void WMDrawItem(TMessage& Message);
  // A graphic child under the point shows its own menu first.
  void WMContextMenu(TMessage& Message) override;
  void CMEnabledChanged(TMessage& Message) override;
  void CMVisibleChanged(TMessage& Message) override;
  void CMColorChanged(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;
  void CMShowHintChanged(TMessage& Message) override;

  // The procedure the window's messages fall back to (DefaultHandler).
  win::WNDPROC DefWndProc() const { return defWndProc_; }

 private:
  static win::LRESULT WindowProcedure(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
  void MainWndProc(TMessage& Message);
  bool IsControlMouseMsg(TMessage& Message);
  void RegisterWindowClass(const TCreateParams& Params);
  void UpdateBounds();
  void NotifyChildren(win::UINT Msg);
  void ReflectToChild(win::HWND Child, TMessage& Message);

  win::HRGN paintRegion_{};  // the update region while the window paints itself
  win::HWND handle_{};
  win::HWND parentWindow_{};
  win::WNDPROC defWndProc_ = nullptr;
  std::vector<TControl*> controls_;
  std::unique_ptr<TBrush> brush_;
  std::vector<TWinControl*> tabList_;  // the windowed children in tab order
  int alignLevel_ = 0;
  bool tabStop_ = false;
};

// ---- TGraphicControl and TCustomControl -------------------------------------------

// A control without a window: its parent paints it, binding Canvas to the
// parent's device context with the origin at the control's corner and the
// drawing clipped to its bounds.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;

  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint();
  virtual void WMPaint(TMessage& Message);
  void Dispatch(TMessage& Message) override;

 private:
  std::unique_ptr<TCanvas> canvas_;
};

// A windowed control that paints itself: Paint draws on Canvas, which is
// bound to the window's device context during WM_PAINT.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;

  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint();
  void PaintWindow(win::HDC DC) override;

 private:
  std::unique_ptr<TCanvas> canvas_;
};
