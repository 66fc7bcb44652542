#include <gtest/gtest.h>

#include "platform/Bitmaps.h"
#include "platform/Desktop.h"
#include "platform/Drawing.h"
#include "platform/Gdi.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Raster.h"
#include "platform/Screen.h"
#include "platform/SysColors.h"
#include "platform/Window.h"

using namespace win;

namespace {

LRESULT WhiteProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT client;
    GetClientRect(h, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

class Picture {
 public:
  explicit Picture(HBITMAP bitmap) : bitmap_(bitmap), dc_(CreateCompatibleDC(nullptr)) {
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Picture() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_;
};

class NonClient : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WhiteProc;
    wc.lpszClassName = "NonClientWhite";
    RegisterClassA(&wc);
    test::SetScreenSize(400, 300);
  }
  void TearDown() override {
    for (HWND h : windows_) DestroyWindow(h);
  }
  HWND Make(DWORD style, DWORD exStyle, const char* text) {
    HWND h = CreateWindowExA(exStyle, "NonClientWhite", text, style, 40, 30, 240, 150, nullptr, nullptr, nullptr,
                             nullptr);
    windows_.push_back(h);
    return h;
  }
  std::vector<HWND> windows_;
};

TEST_F(NonClient, ACaptionedWindowShowsItsFrameAndCaptionInSnapshots) {
  HWND h = Make(WS_OVERLAPPEDWINDOW, 0, "Caption text");
  ShowWindow(h, SW_SHOW);
  SetActiveWindow(h);
  Pump();
  // For a person to look at, beside the test binary's other pictures.
  EXPECT_TRUE(test::SaveDesktopPng("captioned-window.png"));
  Picture shot(test::SnapshotDesktop());
  const int frame = detail::kSizingFrameWidth;
  // The active caption behind the text's end, the frame, the white client.
  EXPECT_EQ(shot.At(40 + 200, 30 + frame + 8), GetSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(shot.At(40 + 2, 30 + 80), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(shot.At(40 + 100, 30 + 80), RGB(255, 255, 255));
  // Some of the caption's text is drawn in the caption text colour.
  int textPixels = 0;
  for (int x = 40 + frame + 4; x < 40 + 100; ++x)
    for (int y = 30 + frame; y < 30 + frame + detail::kCaptionHeight; ++y)
      if (shot.At(x, y) == GetSysColor(COLOR_CAPTIONTEXT)) ++textPixels;
  EXPECT_GT(textPixels, 20);
}

TEST_F(NonClient, TheCaptionFollowsActivationAndText) {
  HWND first = Make(WS_OVERLAPPEDWINDOW, 0, "First");
  ShowWindow(first, SW_SHOW);
  Pump();
  HWND second = Make(WS_OVERLAPPEDWINDOW, 0, "Second");
  MoveWindow(second, 40, 190, 240, 100, TRUE);
  ShowWindow(second, SW_SHOW);
  SetActiveWindow(first);
  SetActiveWindow(second);
  Pump();
  {
    Picture shot(test::SnapshotDesktop());
    EXPECT_EQ(shot.At(40 + 200, 30 + 12), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_EQ(shot.At(40 + 200, 190 + 12), GetSysColor(COLOR_ACTIVECAPTION));
  }
  // A longer text reaches further along the bar.
  int before = 0;
  {
    Picture shot(test::SnapshotDesktop());
    for (int x = 40 + 90; x < 40 + 200; ++x)
      if (shot.At(x, 30 + 12) == GetSysColor(COLOR_INACTIVECAPTIONTEXT)) ++before;
  }
  SetWindowTextA(first, "First with a much longer caption text");
  Pump();
  Picture shot(test::SnapshotDesktop());
  int after = 0;
  for (int x = 40 + 90; x < 40 + 200; ++x)
    for (int y = 30 + 6; y < 30 + 18; ++y)
      if (shot.At(x, y) == GetSysColor(COLOR_INACTIVECAPTIONTEXT)) ++after;
  EXPECT_EQ(before, 0);
  EXPECT_GT(after, 0);
}

TEST_F(NonClient, BorderlessWindowsGetNoFramePaint) {
  HWND h = Make(WS_POPUP, 0, "Popup");
  ShowWindow(h, SW_SHOW);
  Pump();
  Picture shot(test::SnapshotDesktop());
  EXPECT_EQ(shot.At(40, 30), RGB(255, 255, 255));
  EXPECT_EQ(shot.At(40 + 239, 30 + 149), RGB(255, 255, 255));
}

}  // namespace
