#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/Drawing.h"
#include "platform/Errors.h"
#include "platform/FaultInjection.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Raster.h"
#include "platform/Regions.h"
#include "platform/SysColors.h"
#include "platform/Wait.h"
#include "platform/Window.h"

using namespace win;

namespace {

std::vector<HWND> painted;
std::vector<HWND> erased;

// Paints its client area in the colour kept in GWL_USERDATA.
LRESULT FillingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_ERASEBKGND) erased.push_back(h);
  if (m == WM_PAINT) {
    painted.push_back(h);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongA(h, GWL_USERDATA)));
    RECT client;
    GetClientRect(h, &client);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

void RegisterFilling() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = FillingProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = "Filling";
  RegisterClassA(&wc);
}

HWND Make(DWORD style, int x, int y, int w, int h, HWND parent, COLORREF color) {
  HWND hwnd = CreateWindowExA(0, "Filling", "", style | WS_VISIBLE, x, y, w, h, parent, nullptr, nullptr, nullptr);
  SetWindowLongA(hwnd, GWL_USERDATA, static_cast<LONG>(color));
  return hwnd;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// What the window's top-level surface holds at a client point.
COLORREF PixelOf(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  HWND root = GetAncestor(hwnd, GA_ROOT);
  RECT r;
  GetWindowRect(root, &r);
  std::lock_guard lock(detail::KernelMutex());
  auto surface = detail::TopLevelSurfaceLocked(root);
  return surface->ToColor(surface->Get(p.x - r.left, p.y - r.top));
}

class Painting : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFilling();
    painted.clear();
    erased.clear();
  }
};

TEST_F(Painting, PaintsOnlyInvalidatedWindowsOnce) {
  HWND a = Make(WS_POPUP, 0, 0, 50, 50, nullptr, RGB(255, 0, 0));
  HWND b = Make(WS_POPUP, 100, 0, 50, 50, nullptr, RGB(0, 255, 0));
  Pump();
  EXPECT_EQ(painted, (std::vector<HWND>{b, a}));  // top-level z-order, topmost first
  EXPECT_EQ(PixelOf(a, 10, 10), RGB(255, 0, 0));
  painted.clear();
  Pump();
  EXPECT_TRUE(painted.empty());
  RECT part{5, 5, 10, 10};
  InvalidateRect(b, &part, FALSE);
  RECT update;
  EXPECT_TRUE(GetUpdateRect(b, &update, FALSE));
  EXPECT_EQ(update.left, 5);
  EXPECT_EQ(update.bottom, 10);
  Pump();
  EXPECT_EQ(painted, std::vector<HWND>{b});
  EXPECT_FALSE(GetUpdateRect(b, nullptr, FALSE));
  ValidateRect(a, nullptr);
  InvalidateRect(a, nullptr, TRUE);
  ValidateRect(a, nullptr);
  painted.clear();
  Pump();
  EXPECT_TRUE(painted.empty());
}

TEST_F(Painting, UpdateWindowAndRedrawFlags) {
  HWND a = Make(WS_POPUP, 0, 0, 50, 50, nullptr, RGB(1, 2, 3));
  HWND child = Make(WS_CHILD, 0, 0, 10, 10, a, RGB(4, 5, 6));
  EXPECT_EQ(painted.size(), 0u);
  UpdateWindow(a);
  EXPECT_EQ(painted, (std::vector<HWND>{a, child}));
  painted.clear();
  UpdateWindow(a);
  EXPECT_TRUE(painted.empty());

  RedrawWindow(a, nullptr, nullptr, RDW_INTERNALPAINT);
  EXPECT_FALSE(GetUpdateRect(a, nullptr, FALSE));
  Pump();
  EXPECT_EQ(painted, std::vector<HWND>{a});

  // Without WS_CLIPCHILDREN the children are redrawn too, unless told not to.
  painted.clear();
  RedrawWindow(a, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(painted, std::vector<HWND>{a});
  painted.clear();
  erased.clear();
  RedrawWindow(a, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
  EXPECT_EQ(erased, (std::vector<HWND>{a, child}));
  EXPECT_TRUE(painted.empty());
  RedrawWindow(a, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
  Pump();
  EXPECT_TRUE(painted.empty());

  SetWindowLongA(a, GWL_STYLE, GetWindowLongA(a, GWL_STYLE) | WS_CLIPCHILDREN);
  InvalidateRect(a, nullptr, FALSE);
  EXPECT_FALSE(GetUpdateRect(child, nullptr, FALSE));
  RedrawWindow(a, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  EXPECT_TRUE(GetUpdateRect(child, nullptr, FALSE));
}

TEST_F(Painting, BeginPaintErasesWhenAskedWithClassBrush) {
  HWND a = CreateWindowExA(0, "Filling", "", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
  Pump();
  ValidateRect(a, nullptr);
  InvalidateRect(a, nullptr, FALSE);
  PAINTSTRUCT ps;
  erased.clear();
  BeginPaint(a, &ps);
  EndPaint(a, &ps);
  EXPECT_TRUE(erased.empty());
  InvalidateRect(a, nullptr, TRUE);
  BeginPaint(a, &ps);
  EXPECT_EQ(erased, std::vector<HWND>{a});
  EXPECT_FALSE(ps.fErase);  // DefWindowProc erased with the class brush
  EXPECT_EQ(ps.rcPaint.right, 20);
  EXPECT_EQ(GetPixel(ps.hdc, 3, 3), GetSysColor(COLOR_WINDOW));
  EndPaint(a, &ps);
  EXPECT_FALSE(GetUpdateRect(a, nullptr, FALSE));
}

TEST_F(Painting, ClipChildrenDecidesWhetherParentPaintsUnderChildren) {
  HWND plain = Make(WS_POPUP, 0, 0, 40, 40, nullptr, RGB(255, 0, 0));
  HWND child = Make(WS_CHILD, 10, 10, 10, 10, plain, RGB(0, 0, 255));
  Pump();
  EXPECT_EQ(PixelOf(child, 2, 2), RGB(0, 0, 255));
  HDC dc = GetDC(plain);
  RECT all{0, 0, 40, 40};
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  FillRect(dc, &all, green);
  ReleaseDC(plain, dc);
  EXPECT_EQ(PixelOf(child, 2, 2), RGB(0, 255, 0));

  HWND clipping = Make(WS_POPUP | WS_CLIPCHILDREN, 100, 0, 40, 40, nullptr, RGB(255, 0, 0));
  HWND inner = Make(WS_CHILD, 10, 10, 10, 10, clipping, RGB(0, 0, 255));
  Pump();
  dc = GetDC(clipping);
  FillRect(dc, &all, green);
  ReleaseDC(clipping, dc);
  EXPECT_EQ(PixelOf(inner, 2, 2), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(clipping, 2, 2), RGB(0, 255, 0));
  DeleteObject(green);
}

TEST_F(Painting, WindowRegionHolesAreNotPainted) {
  HWND a = CreateWindowExA(0, "Filling", "", WS_POPUP, 0, 0, 30, 30, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongA(a, GWL_USERDATA, RGB(9, 9, 9));
  HRGN shape = CreateRectRgn(0, 0, 30, 30);
  HRGN hole = CreateRectRgn(10, 10, 20, 20);
  CombineRgn(shape, shape, hole, RGN_DIFF);
  ASSERT_EQ(SetWindowRgn(a, shape, FALSE), 1);
  EXPECT_EQ(detail::FindRegion(shape), nullptr);  // the system owns it now
  ShowWindow(a, SW_SHOW);
  Pump();
  EXPECT_EQ(PixelOf(a, 5, 5), RGB(9, 9, 9));
  EXPECT_EQ(PixelOf(a, 15, 15), RGB(0, 0, 0));
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(a, copy), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(copy, 15, 15));

  test::FailNext("SetWindowRgn");
  EXPECT_EQ(SetWindowRgn(a, hole, TRUE), 0);
  EXPECT_NE(detail::FindRegion(hole), nullptr);  // still the caller's
  EXPECT_EQ(SetWindowRgn(a, nullptr, TRUE), 1);
  EXPECT_EQ(GetWindowRgn(a, copy), ERROR);
  Pump();
  EXPECT_EQ(PixelOf(a, 15, 15), RGB(9, 9, 9));
  DeleteObject(hole);
  DeleteObject(copy);
}

TEST_F(Painting, InvalidatingTheDesktopRepaintsWindowsUnderIt) {
  HWND a = Make(WS_POPUP, 0, 0, 20, 20, nullptr, RGB(1, 1, 1));
  HWND b = Make(WS_POPUP, 200, 200, 20, 20, nullptr, RGB(2, 2, 2));
  Pump();
  painted.clear();
  RECT corner{0, 0, 100, 100};
  InvalidateRect(nullptr, &corner, TRUE);
  Pump();
  EXPECT_EQ(painted, std::vector<HWND>{a});
  (void)b;
}

TEST_F(Painting, ChildMovePaintsWhatItUncovers) {
  HWND parent = Make(WS_POPUP | WS_CLIPCHILDREN, 0, 0, 60, 60, nullptr, RGB(255, 0, 0));
  HWND child = Make(WS_CHILD, 0, 0, 10, 10, parent, RGB(0, 0, 255));
  Pump();
  EXPECT_EQ(PixelOf(parent, 5, 5), RGB(0, 0, 255));
  MoveWindow(child, 30, 30, 10, 10, TRUE);
  Pump();
  EXPECT_EQ(PixelOf(parent, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(parent, 35, 35), RGB(0, 0, 255));
}

}  // namespace
