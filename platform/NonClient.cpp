#include "platform/NonClient.h"

#include "platform/Drawing.h"
#include "platform/FrameControl.h"
#include "platform/Gdi.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/SysColors.h"
#include "platform/TextDrawing.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace win::detail {

namespace {

struct Frame {
  RECT window{};  // window coordinates: 0, 0, width, height
  RECT client{};  // window coordinates
  DWORD style = 0;
  DWORD exStyle = 0;
  bool active = false;
};

bool ReadFrame(HWND hwnd, Frame& frame) {
  std::lock_guard lock(KernelMutex());
  Window* w = LiveWindowLocked(hwnd);
  if (!w || w->parent != DesktopLocked()) return false;
  const RECT& r = w->windowRect;
  frame.window = RECT{0, 0, r.right - r.left, r.bottom - r.top};
  frame.client = RECT{w->clientRect.left - r.left, w->clientRect.top - r.top, w->clientRect.right - r.left,
                      w->clientRect.bottom - r.top};
  frame.style = w->style;
  frame.exStyle = w->exStyle;
  frame.active = ActiveWindowLocked(w->threadId) == hwnd;
  return frame.client.left > 0 || frame.client.top > 0 || frame.client.right < frame.window.right ||
         frame.client.bottom < frame.window.bottom;
}

void Fill(HDC dc, RECT r, int colorIndex) {
  FillRect(dc, &r, reinterpret_cast<HBRUSH>(static_cast<intptr_t>(colorIndex + 1)));
}

void DrawCaption(HDC dc, const Frame& f, RECT bar, const std::string& text) {
  Fill(dc, bar, f.active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(f.active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  RECT textArea{bar.left + 4, bar.top, bar.right - 4, bar.bottom};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textArea,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, oldFont);
}

}  // namespace

void PaintNonClient(HWND hwnd) {
  Frame f;
  if (!ReadFrame(hwnd, f)) return;
  std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  HRGN client = CreateRectRgn(f.client.left, f.client.top, f.client.right, f.client.bottom);
  HDC dc = GetDCEx(hwnd, client, DCX_WINDOW | DCX_EXCLUDERGN);
  DeleteObject(client);
  if (!dc) return;
  RECT inside = f.window;
  Fill(dc, inside, COLOR_BTNFACE);
  if (f.style & (WS_THICKFRAME | WS_DLGFRAME) || f.exStyle & WS_EX_DLGMODALFRAME)
    DrawEdge(dc, &inside, EDGE_RAISED, BF_RECT | BF_ADJUST);
  else if (f.style & WS_BORDER)
    DrawEdge(dc, &inside, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST | BF_MONO);
  if ((f.style & WS_CAPTION) == WS_CAPTION) {
    const RECT insets = NonClientInsets(f.style, f.exStyle);
    const int frameWidth = insets.left - ((f.exStyle & WS_EX_CLIENTEDGE) ? kClientEdgeWidth : 0) -
                           ((f.exStyle & WS_EX_STATICEDGE) ? kStaticEdgeWidth : 0);
    const RECT bar{frameWidth, frameWidth, f.window.right - frameWidth, frameWidth + kCaptionHeight - 1};
    DrawCaption(dc, f, bar, text);
  }
  if (f.exStyle & WS_EX_CLIENTEDGE) {
    RECT edge{f.client.left - kClientEdgeWidth, f.client.top - kClientEdgeWidth, f.client.right + kClientEdgeWidth,
              f.client.bottom + kClientEdgeWidth};
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  }
  ReleaseDC(hwnd, dc);
}

}  // namespace win::detail
