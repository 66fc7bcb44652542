// The window scroll bars: range and position, the room they take from the
// client area, their picture in the non-client area, and the scroll
// messages that real presses on their parts send.
#include "platform/ScrollBars.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/Clock.h"
#include "platform/Drawing.h"
#include "platform/Errors.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Raster.h"
#include "platform/SysColors.h"
#include "platform/Window.h"
#include "testsupport/WinPrint.h"

using namespace win;

namespace {

struct Scroll {
  UINT message;
  int code;
  int position;
  friend bool operator==(const Scroll&, const Scroll&) = default;
};

std::vector<Scroll> scrolls;
std::vector<int> trackPositions;  // nTrackPos, as the thumb messages came
std::function<void(HWND, UINT, WPARAM)> onScroll;  // a test's answer to a scroll, after it is recorded

LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_HSCROLL || m == WM_VSCROLL) {
    scrolls.push_back({m, LOWORD(w), static_cast<SHORT>(HIWORD(w))});
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_TRACKPOS, 0, 0, 0, 0, 0};
    if (LOWORD(w) == SB_THUMBTRACK || LOWORD(w) == SB_THUMBPOSITION) {
      GetScrollInfo(h, m == WM_HSCROLL ? SB_HORZ : SB_VERT, &info);
      trackPositions.push_back(info.nTrackPos);
    }
    if (onScroll) onScroll(h, m, w);
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

void ReleaseTheButton(HWND, UINT, UINT_PTR, DWORD) { test::ReleaseMouse(test::MouseButton::Left); }

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

class ScrollBarsTest : public testing::Test {
 protected:
  void SetUp() override {
    scrolls.clear();
    trackPositions.clear();
    onScroll = nullptr;
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = "Scrolled";
    RegisterClassA(&wc);
  }

  void TearDown() override {
    if (hwnd) DestroyWindow(hwnd);
    Pump();
    UnregisterClassA("Scrolled", nullptr);
  }

  HWND Make(DWORD style, DWORD exStyle = 0) {
    hwnd = CreateWindowExA(exStyle, "Scrolled", "", WS_POPUP | WS_VISIBLE | style, 20, 30, 200, 120, nullptr, nullptr,
                           nullptr, nullptr);
    Pump();
    UpdateWindow(hwnd);
    return hwnd;
  }

  detail::ScrollBarLayout Layout(int bar) {
    detail::ScrollBarLayout layout;
    EXPECT_TRUE(detail::LayoutScrollBar(hwnd, bar, layout));
    return layout;
  }

  POINT OnScreen(POINT window) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return POINT{r.left + window.x, r.top + window.y};
  }

  void Press(POINT window) {
    test::MoveMouse(POINT{0, 0});  // a fresh press, never a double click
    test::Click(OnScreen(window));
    Pump();
  }

  COLORREF PixelAt(POINT window) {
    HDC dc = GetWindowDC(hwnd);
    const COLORREF color = GetPixel(dc, window.x, window.y);
    ReleaseDC(hwnd, dc);
    return color;
  }

  static POINT Middle(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

  HWND hwnd{};
};

TEST_F(ScrollBarsTest, RangeAndPositionStayInsideEachOther) {
  Make(WS_VSCROLL);
  int min = -1, max = -1;
  ASSERT_TRUE(GetScrollRange(hwnd, SB_VERT, &min, &max));
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 100);
  EXPECT_EQ(SetScrollPos(hwnd, SB_VERT, 40, TRUE), 0);
  EXPECT_EQ(SetScrollPos(hwnd, SB_VERT, 400, TRUE), 40);
  EXPECT_EQ(GetScrollPos(hwnd, SB_VERT), 100);
  ASSERT_TRUE(SetScrollRange(hwnd, SB_VERT, 22800, 25199, TRUE));
  EXPECT_EQ(GetScrollPos(hwnd, SB_VERT), 22800);
  EXPECT_FALSE(SetScrollRange(hwnd, SB_VERT, 5, 4, TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // No horizontal bar: refused, and nothing kept for it.
  EXPECT_EQ(SetScrollPos(hwnd, SB_HORZ, 5, TRUE), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(GetScrollRange(hwnd, SB_HORZ, &min, &max));
}

TEST_F(ScrollBarsTest, TheBarsTakeTheirRoomFromTheClientAreaInsideTheEdges) {
  Make(WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE);
  RECT client{};
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 200 - 4 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(client.bottom, 120 - 4 - GetSystemMetrics(SM_CYHSCROLL));
  const detail::ScrollBarLayout vertical = Layout(SB_VERT);
  EXPECT_EQ(vertical.bar.left, 2 + client.right);
  EXPECT_EQ(vertical.bar.top, 2);
  EXPECT_EQ(vertical.lineDown.bottom, 2 + client.bottom);
  auto hit = [&](POINT window) {
    const POINT s = OnScreen(window);
    return SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(s.x), static_cast<WORD>(s.y)));
  };
  EXPECT_EQ(hit(Middle(vertical.thumb)), HTVSCROLL);
  EXPECT_EQ(hit(Middle(Layout(SB_HORZ).lineUp)), HTHSCROLL);
  EXPECT_EQ(hit(POINT{195, 115}), HTBORDER);  // the square between the bars
  EXPECT_EQ(hit(POINT{50, 50}), HTCLIENT);
}

TEST_F(ScrollBarsTest, EdgesArrowsAndThumbArePainted) {
  Make(WS_VSCROLL, WS_EX_CLIENTEDGE);
  EXPECT_EQ(PixelAt(POINT{0, 0}), GetSysColor(COLOR_BTNSHADOW));        // the sunken edge's outer line
  EXPECT_EQ(PixelAt(POINT{199, 119}), GetSysColor(COLOR_BTNHIGHLIGHT));
  detail::ScrollBarLayout bar = Layout(SB_VERT);
  EXPECT_EQ(PixelAt(Middle(bar.lineUp)), GetSysColor(COLOR_BTNTEXT));  // the arrow's glyph
  EXPECT_EQ(bar.thumb.top, bar.lineUp.bottom);                        // position 0: at the top
  EXPECT_EQ(PixelAt(POINT{bar.thumb.left + 1, bar.thumb.top + 1}), GetSysColor(COLOR_BTNHIGHLIGHT));
  SetScrollPos(hwnd, SB_VERT, 100, TRUE);
  bar = Layout(SB_VERT);
  EXPECT_EQ(bar.thumb.bottom, bar.lineDown.top);
  EXPECT_EQ(PixelAt(POINT{bar.thumb.left + 1, bar.thumb.top + 1}), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(PixelAt(POINT{bar.lineUp.left + 4, bar.lineUp.bottom + 2}), GetSysColor(COLOR_SCROLLBAR));

  SetScrollRange(hwnd, SB_VERT, 3, 3, TRUE);  // nothing to scroll: no thumb, grey arrows
  bar = Layout(SB_VERT);
  EXPECT_EQ(bar.thumb.right, bar.thumb.left);
  EXPECT_EQ(PixelAt(Middle(bar.lineUp)), GetSysColor(COLOR_GRAYTEXT));
}

TEST_F(ScrollBarsTest, PressesOnArrowsAndTrackSendTheirCodesThenTheEnd) {
  Make(WS_VSCROLL | WS_HSCROLL);
  SetScrollPos(hwnd, SB_VERT, 50, TRUE);
  const detail::ScrollBarLayout bar = Layout(SB_VERT);
  Press(Middle(bar.lineUp));
  Press(Middle(bar.lineDown));
  Press(POINT{Middle(bar.thumb).x, bar.thumb.top - 2});
  Press(POINT{Middle(bar.thumb).x, bar.thumb.bottom + 2});
  Press(Middle(Layout(SB_HORZ).lineDown));
  EXPECT_EQ(scrolls, (std::vector<Scroll>{{WM_VSCROLL, SB_LINEUP, 0},
                                          {WM_VSCROLL, SB_ENDSCROLL, 0},
                                          {WM_VSCROLL, SB_LINEDOWN, 0},
                                          {WM_VSCROLL, SB_ENDSCROLL, 0},
                                          {WM_VSCROLL, SB_PAGEUP, 0},
                                          {WM_VSCROLL, SB_ENDSCROLL, 0},
                                          {WM_VSCROLL, SB_PAGEDOWN, 0},
                                          {WM_VSCROLL, SB_ENDSCROLL, 0},
                                          {WM_HSCROLL, SB_LINERIGHT, 0},
                                          {WM_HSCROLL, SB_ENDSCROLL, 0}}));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetScrollPos(hwnd, SB_VERT), 50);  // the window decides what a scroll does
}

// Held down, an arrow scrolls again after a delay and then at a steady pace
// until the button comes up.
TEST_F(ScrollBarsTest, AHeldArrowRepeatsItsScrollUntilReleased) {
  test::ManualClockScope clock;
  test::ManualClock::SetAutoAdvance(true);
  Make(WS_VSCROLL);
  std::vector<ULONGLONG> times;
  onScroll = [&](HWND, UINT, WPARAM w) {
    if (LOWORD(w) != SB_LINEDOWN) return;
    times.push_back(GetTickCount64());
    if (times.size() == 4) test::ReleaseMouse(test::MouseButton::Left);
  };
  test::MoveMouse(OnScreen(Middle(Layout(SB_VERT).lineDown)));
  test::PressMouse(test::MouseButton::Left);
  SetTimer(hwnd, 1, 5000, ReleaseTheButton);  // should the repeating stop short
  Pump();
  KillTimer(hwnd, 1);
  ASSERT_EQ(times.size(), 4u);
  EXPECT_EQ(times[1] - times[0], 400u);
  EXPECT_EQ(times[2] - times[1], 50u);
  EXPECT_EQ(times[3] - times[2], 50u);
  EXPECT_EQ(scrolls.back(), (Scroll{WM_VSCROLL, SB_ENDSCROLL, 0}));
  EXPECT_EQ(GetCapture(), nullptr);
}

// Held down on the track, paging goes on until the thumb reaches the
// pointer, and no further.
TEST_F(ScrollBarsTest, HeldOnTheTrackPagingStopsWhereTheThumbReachesThePointer) {
  test::ManualClockScope clock;
  test::ManualClock::SetAutoAdvance(true);
  Make(WS_VSCROLL);
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  onScroll = [](HWND h, UINT, WPARAM w) {
    if (LOWORD(w) == SB_PAGEDOWN) SetScrollPos(h, SB_VERT, GetScrollPos(h, SB_VERT) + 10, TRUE);
  };
  const detail::ScrollBarLayout bar = Layout(SB_VERT);
  const POINT pointer{Middle(bar.lineDown).x, (bar.lineUp.bottom + bar.lineDown.top) / 2};  // mid-track
  test::MoveMouse(OnScreen(pointer));
  test::PressMouse(test::MouseButton::Left);
  // The button comes up a second later, long after the paging has stopped.
  SetTimer(hwnd, 1, 1000, ReleaseTheButton);
  Pump();
  KillTimer(hwnd, 1);
  const detail::ScrollBarLayout after = Layout(SB_VERT);
  EXPECT_LE(after.thumb.top, pointer.y);
  EXPECT_GT(after.thumb.bottom, pointer.y);
  const auto pages = std::count(scrolls.begin(), scrolls.end(), Scroll{WM_VSCROLL, SB_PAGEDOWN, 0});
  EXPECT_EQ(pages, GetScrollPos(hwnd, SB_VERT) / 10);
  EXPECT_GT(pages, 1);
  EXPECT_EQ(scrolls.back(), (Scroll{WM_VSCROLL, SB_ENDSCROLL, 0}));
}

TEST_F(ScrollBarsTest, DraggingTheThumbTracksAndThenGivesItsPosition) {
  Make(WS_VSCROLL);
  const detail::ScrollBarLayout bar = Layout(SB_VERT);
  const POINT grab = Middle(bar.thumb);
  test::MoveMouse(OnScreen(grab));
  test::PressMouse(test::MouseButton::Left);
  test::MoveMouse(OnScreen(POINT{grab.x, grab.y + 1}));
  test::MoveMouse(OnScreen(POINT{grab.x + 30, 500}));  // far below and beside the bar: the end of the range
  test::ReleaseMouse(test::MouseButton::Left);
  Pump();
  ASSERT_EQ(scrolls.size(), 4u);
  EXPECT_EQ(scrolls[0].code, SB_THUMBTRACK);
  EXPECT_GT(scrolls[0].position, 0);
  EXPECT_LT(scrolls[0].position, 10);
  EXPECT_EQ(scrolls[1], (Scroll{WM_VSCROLL, SB_THUMBTRACK, 100}));
  EXPECT_EQ(scrolls[2], (Scroll{WM_VSCROLL, SB_THUMBPOSITION, 100}));
  EXPECT_EQ(scrolls[3], (Scroll{WM_VSCROLL, SB_ENDSCROLL, 0}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBarsTest, AScrollInfoShowsTheBarWhileItsPageDoesNotCoverTheRange) {
  Make(0, WS_EX_CLIENTEDGE);
  auto clientWidth = [&] {
    RECT client{};
    GetClientRect(hwnd, &client);
    return client.right;
  };
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 30, 90, 0};
  EXPECT_EQ(SetScrollInfo(hwnd, SB_VERT, &info, TRUE), 70);  // the last page starts at 70
  EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(clientWidth(), 196 - GetSystemMetrics(SM_CXVSCROLL));
  SCROLLINFO read{sizeof(SCROLLINFO), SIF_ALL, -1, -1, 0, -1, -1};
  ASSERT_TRUE(GetScrollInfo(hwnd, SB_VERT, &read));
  EXPECT_EQ((std::vector<int>{read.nMin, read.nMax, static_cast<int>(read.nPage), read.nPos, read.nTrackPos}),
            (std::vector<int>{0, 99, 30, 70, 70}));
  detail::ScrollBarLayout bar = Layout(SB_VERT);
  const int track = bar.lineDown.top - bar.lineUp.bottom;
  EXPECT_EQ(bar.thumb.bottom - bar.thumb.top, track * 30 / 100);  // as much of the track as the page is of the range
  EXPECT_EQ(bar.thumb.bottom, bar.lineDown.top);
  EXPECT_EQ(PixelAt(POINT{bar.thumb.left + 1, bar.thumb.top + 1}), GetSysColor(COLOR_BTNHIGHLIGHT));

  info = {sizeof(SCROLLINFO), SIF_PAGE, 0, 0, 100, 0, 0};  // everything fits: the bar goes, its room comes back
  EXPECT_EQ(SetScrollInfo(hwnd, SB_VERT, &info, TRUE), 0);
  EXPECT_FALSE(GetWindowLongA(hwnd, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(clientWidth(), 196);
  info.fMask = SIF_PAGE | SIF_DISABLENOSCROLL;  // kept, disabled
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(Layout(SB_VERT).thumb.bottom, Layout(SB_VERT).thumb.top);

  info = {sizeof(SCROLLINFO) - 1, SIF_ALL, 0, 10, 1, 0, 0};
  EXPECT_EQ(SetScrollInfo(hwnd, SB_VERT, &info, TRUE), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  info = {sizeof(SCROLLINFO), SIF_RANGE, 10, 9, 0, 0, 0};
  EXPECT_EQ(SetScrollInfo(hwnd, SB_VERT, &info, TRUE), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ScrollBarsTest, TheTrackPositionHoldsTheWholeDraggedPositionBeyondSixteenBits) {
  Make(0);
  SCROLLINFO info{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE, 0, 199999, 1000, 0, 0};
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
  const detail::ScrollBarLayout bar = Layout(SB_VERT);
  const POINT grab = Middle(bar.thumb);
  test::MoveMouse(OnScreen(grab));
  test::PressMouse(test::MouseButton::Left);
  test::MoveMouse(OnScreen(POINT{grab.x, 500}));
  test::ReleaseMouse(test::MouseButton::Left);
  Pump();
  EXPECT_EQ(trackPositions, (std::vector<int>{199000, 199000}));
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(hwnd, SB_VERT, &info);
  EXPECT_EQ(info.nTrackPos, 0);  // no drag now: the position, which the window never moved
}

}  // namespace
