#include "platform/Button.h"

#include <map>
#include <mutex>

#include "platform/Drawing.h"
#include "platform/FrameControl.h"
#include "platform/Gdi.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/SysColors.h"
#include "platform/TextDrawing.h"
#include "platform/Window.h"

namespace win {

namespace {

// What a button shows and does beyond its window record. A framework control
// subclasses the class under a class name of its own, so the state cannot
// live in the class's window bytes; it is kept here by handle.
struct ButtonState {
  bool pushed = false;    // shows pressed
  bool tracking = false;  // the left button went down on it and is not up yet
  bool focused = false;
  HFONT font{};
};

std::mutex& StatesMutex() {
  static auto* m = new std::mutex;
  return *m;
}

std::map<HWND, ButtonState>& States() {
  static auto* states = [] {
    auto* map = new std::map<HWND, ButtonState>;
    detail::AddWindowDestroyedListener([](HWND hwnd) {
      std::lock_guard lock(StatesMutex());
      States().erase(hwnd);
    });
    return map;
  }();
  return *states;
}

ButtonState StateOf(HWND hwnd) {
  std::lock_guard lock(StatesMutex());
  return States()[hwnd];
}

template <class Change>
void UpdateState(HWND hwnd, Change change) {
  std::lock_guard lock(StatesMutex());
  change(States()[hwnd]);
}

DWORD TypeOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)) & BS_TYPEMASK; }

bool IsOwnerDrawn(HWND hwnd) { return TypeOf(hwnd) == BS_OWNERDRAW; }

// The platform's own face: the push-button frame and the centred caption,
// grey while disabled.
void DrawPushButton(HWND hwnd, HDC dc, const ButtonState& state) {
  RECT rect{};
  GetClientRect(hwnd, &rect);
  UINT frame = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
  if (state.pushed) frame |= DFCS_PUSHED;
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  if (!enabled) frame |= DFCS_INACTIVE;
  if (TypeOf(hwnd) == BS_DEFPUSHBUTTON) {
    // The default button has a black frame around its face.
    RECT outer = rect;
    FrameRect(dc, &outer, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    rect = RECT{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
  }
  DrawFrameControl(dc, &rect, DFC_BUTTON, frame);
  if (state.pushed) rect = RECT{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
  const int length = GetWindowTextLengthA(hwnd);
  if (length <= 0) return;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(hwnd, text.data(), length + 1);
  const HGDIOBJ oldFont = SelectObject(dc, state.font ? state.font : GetStockObject(DEFAULT_GUI_FONT));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColor = SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  DrawTextA(dc, text.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
}

// An owner-drawn button asks its parent to draw it.
void SendDrawItem(HWND hwnd, HDC dc, UINT action, const ButtonState& state) {
  const HWND parent = GetParent(hwnd);
  if (!parent) return;
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(GetWindowLongA(hwnd, GWL_ID));
  item.itemAction = action;
  if (state.pushed) item.itemState |= ODS_SELECTED;
  if (state.focused) item.itemState |= ODS_FOCUS;
  if (!IsWindowEnabled(hwnd)) item.itemState |= ODS_DISABLED;
  item.hwndItem = hwnd;
  item.hDC = dc;
  GetClientRect(hwnd, &item.rcItem);
  SendMessageA(parent, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void Draw(HWND hwnd, HDC dc, UINT action) {
  const ButtonState state = StateOf(hwnd);
  if (IsOwnerDrawn(hwnd))
    SendDrawItem(hwnd, dc, action, state);
  else
    DrawPushButton(hwnd, dc, state);
}

// A change of the pressed or focused look shows at once, as a person
// pressing the button expects.
void Redraw(HWND hwnd, UINT action) {
  if (!IsWindowVisible(hwnd)) return;
  const HDC dc = GetDC(hwnd);
  if (!dc) return;
  Draw(hwnd, dc, action);
  ReleaseDC(hwnd, dc);
}

void SetPushed(HWND hwnd, bool pushed) {
  bool changed = false;
  UpdateState(hwnd, [&](ButtonState& s) {
    changed = s.pushed != pushed;
    s.pushed = pushed;
  });
  if (changed) Redraw(hwnd, ODA_SELECT);
}

void NotifyClicked(HWND hwnd) {
  const HWND parent = GetParent(hwnd);
  if (!parent) return;
  const auto id = static_cast<WORD>(GetWindowLongA(hwnd, GWL_ID));
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

bool ClientContains(HWND hwnd, LPARAM point) {
  RECT rect{};
  GetClientRect(hwnd, &rect);
  const int x = GET_X_LPARAM(point), y = GET_Y_LPARAM(point);
  return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

void Press(HWND hwnd) {
  UpdateState(hwnd, [](ButtonState& s) { s.tracking = true; });
  SetCapture(hwnd);
  if (GetFocus() != hwnd) SetFocus(hwnd);
  SetPushed(hwnd, true);
}

// Ends a press; true when it ended inside, which makes the click.
bool Release(HWND hwnd) {
  bool wasTracking = false, wasPushed = false;
  UpdateState(hwnd, [&](ButtonState& s) {
    wasTracking = s.tracking;
    wasPushed = s.pushed;
    s.tracking = false;
  });
  if (!wasTracking) return false;
  SetPushed(hwnd, false);
  if (GetCapture() == hwnd) ReleaseCapture();
  return wasPushed;
}

// A press that ends some other way (the capture taken away, the focus lost,
// a mode cancelled) makes no click.
void AbandonPress(HWND hwnd) {
  bool wasTracking = false;
  UpdateState(hwnd, [&](ButtonState& s) {
    wasTracking = s.tracking;
    s.tracking = false;
  });
  if (!wasTracking) return;
  SetPushed(hwnd, false);
  if (GetCapture() == hwnd) ReleaseCapture();
}

void SetFocused(HWND hwnd, bool focused) {
  UpdateState(hwnd, [&](ButtonState& s) { s.focused = focused; });
  Redraw(hwnd, ODA_FOCUS);
}

// WM_PAINT; a wParam names a device context already prepared for painting.
LRESULT Paint(HWND hwnd, WPARAM wParam) {
  if (const auto given = reinterpret_cast<HDC>(wParam)) {
    Draw(hwnd, given, ODA_DRAWENTIRE);
    return 0;
  }
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(hwnd, &paint);
  if (dc) Draw(hwnd, dc, ODA_DRAWENTIRE);
  EndPaint(hwnd, &paint);
  return 0;
}

[[maybe_unused]] const bool kClassRegistered = [] {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS | CS_PARENTDC | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
  wc.lpfnWndProc = &ButtonWndProc;
  wc.lpszClassName = "BUTTON";
  return RegisterClassA(&wc) != 0;
}();

}  // namespace

LRESULT ButtonWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Press(hwnd);
      return 0;
    case WM_MOUSEMOVE:
      if (StateOf(hwnd).tracking) SetPushed(hwnd, ClientContains(hwnd, lParam));
      return 0;
    case WM_LBUTTONUP:
      if (Release(hwnd)) NotifyClicked(hwnd);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd) AbandonPress(hwnd);
      return 0;
    case WM_CANCELMODE:
      AbandonPress(hwnd);
      return 0;
    case WM_SETFOCUS:
      SetFocused(hwnd, true);
      return 0;
    case WM_KILLFOCUS:
      AbandonPress(hwnd);
      SetFocused(hwnd, false);
      return 0;
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      return Paint(hwnd, wParam);
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return result;
    }
    case WM_SETFONT:
      UpdateState(hwnd, [&](ButtonState& s) { s.font = reinterpret_cast<HFONT>(wParam); });
      if (LOWORD(static_cast<DWORD_PTR>(lParam))) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(StateOf(hwnd).font);
    case BM_GETSTATE: {
      const ButtonState state = StateOf(hwnd);
      return (state.pushed ? BST_PUSHED : 0) | (state.focused ? BST_FOCUS : 0);
    }
    case BM_SETSTATE:
      SetPushed(hwnd, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      const auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
      SetWindowLongA(hwnd, GWL_STYLE,
                     static_cast<LONG>((style & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK)));
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      // As a person's click at the button's corner: the press, the release.
      if (!IsWindowEnabled(hwnd)) return 0;
      SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
      SendMessageA(hwnd, WM_LBUTTONUP, 0, 0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace win
