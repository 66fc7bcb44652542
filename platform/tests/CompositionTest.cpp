#include <gtest/gtest.h>
#include <png.h>

#include <thread>
#include <vector>

#include "platform/Bitmaps.h"
#include "platform/Desktop.h"
#include "platform/Drawing.h"
#include "platform/Errors.h"
#include "platform/Gdi.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/Screen.h"
#include "platform/SysColors.h"
#include "platform/Window.h"
#include "testsupport/TempDir.h"

using namespace win;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Paints its client area in the colour kept in GWL_USERDATA.
LRESULT FillingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
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

HWND Make(DWORD exStyle, DWORD style, RECT r, HWND parent, COLORREF color) {
  HWND hwnd = CreateWindowExA(exStyle, "DesktopFilling", "", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              parent, nullptr, nullptr, nullptr);
  SetWindowLongA(hwnd, GWL_USERDATA, static_cast<LONG>(color));
  ShowWindow(hwnd, SW_SHOWNA);
  return hwnd;
}

HWND MakeTop(RECT r, COLORREF color, DWORD exStyle = 0) { return Make(exStyle, WS_POPUP, r, nullptr, color); }

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Owns a snapshot and reads its pixels.
class Picture {
 public:
  explicit Picture(HBITMAP bitmap) : bitmap_(bitmap) {}
  ~Picture() {
    if (bitmap_) DeleteObject(bitmap_);
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  bool Valid() const { return bitmap_ != nullptr; }
  const detail::Surface& Surface() const { return *detail::HandleTable::Get<detail::BitmapObject>(bitmap_)->surface; }
  COLORREF At(int x, int y) const { return Surface().ToColor(Surface().Get(x, y)); }

 private:
  HBITMAP bitmap_;
};

COLORREF DesktopAt(int x, int y) { return Picture(test::SnapshotDesktop()).At(x, y); }

class Composition : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = FillingProc;
    wc.lpszClassName = "DesktopFilling";
    RegisterClassA(&wc);
    test::SetScreenSize(320, 240);
  }
  const COLORREF desktop_ = GetSysColor(COLOR_DESKTOP);
};

TEST_F(Composition, ShowsTheDesktopColourAndWindowsInZOrderWithTopmostLast) {
  HWND topmost = MakeTop({80, 80, 130, 130}, kBlue, WS_EX_TOPMOST);
  HWND lower = MakeTop({10, 10, 110, 110}, kRed);
  HWND upper = MakeTop({50, 50, 150, 150}, kGreen);
  Pump();
  Picture shot(test::SnapshotDesktop());
  ASSERT_TRUE(shot.Valid());
  EXPECT_EQ(shot.Surface().Width(), 320);
  EXPECT_EQ(shot.Surface().Height(), 240);
  EXPECT_EQ(shot.At(5, 5), desktop_);
  EXPECT_EQ(shot.At(319, 239), desktop_);
  EXPECT_EQ(shot.At(20, 20), kRed);
  EXPECT_EQ(shot.At(60, 60), kGreen);  // the later window is above
  EXPECT_EQ(shot.At(90, 90), kBlue);
  EXPECT_EQ(shot.At(140, 140), kGreen);

  // Raising a window needs no paint: each window keeps its own picture.
  SetWindowPos(lower, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(DesktopAt(60, 60), kRed);
  EXPECT_EQ(DesktopAt(90, 90), kBlue);  // still under the topmost window

  ShowWindow(topmost, SW_HIDE);
  EXPECT_EQ(DesktopAt(90, 90), kRed);
  ShowWindow(lower, SW_HIDE);
  EXPECT_EQ(DesktopAt(60, 60), kGreen);
  DestroyWindow(upper);
  EXPECT_EQ(DesktopAt(60, 60), desktop_);
}

TEST_F(Composition, WindowRegionHolesShowWhatLiesBelow) {
  MakeTop({0, 0, 100, 100}, kRed);
  HWND holed = MakeTop({50, 50, 150, 150}, kGreen);
  HRGN shape = CreateRectRgn(0, 0, 100, 100);
  HRGN hole = CreateRectRgn(10, 10, 90, 90);
  CombineRgn(shape, shape, hole, RGN_DIFF);
  DeleteObject(hole);
  ASSERT_TRUE(SetWindowRgn(holed, shape, TRUE));
  Pump();
  Picture shot(test::SnapshotDesktop());
  EXPECT_EQ(shot.At(55, 55), kGreen);      // the frame left around the hole
  EXPECT_EQ(shot.At(70, 70), kRed);        // the window below through the hole
  EXPECT_EQ(shot.At(120, 120), desktop_);  // the desktop through the hole
  EXPECT_EQ(shot.At(145, 145), kGreen);
}

TEST_F(Composition, InvalidatingTheDesktopRepaintsWhatShowsThroughAHole) {
  HWND below = MakeTop({0, 0, 100, 100}, kRed);
  HWND holed = MakeTop({50, 50, 150, 150}, kGreen);
  HRGN shape = CreateRectRgn(0, 0, 100, 100);
  HRGN hole = CreateRectRgn(10, 10, 90, 90);
  CombineRgn(shape, shape, hole, RGN_DIFF);
  DeleteObject(hole);
  SetWindowRgn(holed, shape, TRUE);
  Pump();

  // The window below would now paint yellow, but only where it is invalidated.
  SetWindowLongA(below, GWL_USERDATA, static_cast<LONG>(kYellow));
  const RECT holedBounds{50, 50, 150, 150};
  ASSERT_TRUE(InvalidateRect(GetDesktopWindow(), &holedBounds, TRUE));
  Pump();
  Picture shot(test::SnapshotDesktop());
  EXPECT_EQ(shot.At(70, 70), kYellow);
  EXPECT_EQ(shot.At(20, 20), kRed);  // outside the invalidated rectangle
  EXPECT_EQ(shot.At(55, 55), kGreen);
}

TEST_F(Composition, ShowsWhatWasPaintedUntilPendingPaintsAreServed) {
  MakeTop({0, 0, 60, 60}, kRed);
  EXPECT_EQ(DesktopAt(30, 30), kBlack);  // a fresh surface, not yet painted
  test::PaintPending();
  EXPECT_EQ(DesktopAt(30, 30), kRed);
}

TEST_F(Composition, SnapshotsOfAWindowAndOfAChild) {
  HWND parent = MakeTop({200, 100, 300, 200}, kRed);
  SetWindowLongA(parent, GWL_STYLE, GetWindowLongA(parent, GWL_STYLE) | WS_CLIPCHILDREN);
  HWND child = Make(0, WS_CHILD, {10, 20, 40, 50}, parent, kGreen);
  Pump();

  Picture whole(test::SnapshotWindow(parent));
  ASSERT_TRUE(whole.Valid());
  EXPECT_EQ(whole.Surface().Width(), 100);
  EXPECT_EQ(whole.Surface().Height(), 100);
  EXPECT_EQ(whole.At(0, 0), kRed);
  EXPECT_EQ(whole.At(15, 25), kGreen);

  Picture part(test::SnapshotWindow(child));
  ASSERT_TRUE(part.Valid());
  EXPECT_EQ(part.Surface().Width(), 30);
  EXPECT_EQ(part.Surface().Height(), 30);
  EXPECT_EQ(part.At(0, 0), kGreen);
  EXPECT_EQ(part.At(29, 29), kGreen);

  EXPECT_EQ(test::SnapshotWindow(GetDesktopWindow()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Composition, AHiddenOrDestroyedChildLeavesItsParentRepainted) {
  HWND parent = MakeTop({0, 0, 100, 100}, kRed);
  SetWindowLongA(parent, GWL_STYLE, GetWindowLongA(parent, GWL_STYLE) | WS_CLIPCHILDREN);
  HWND hidden = Make(0, WS_CHILD, {10, 10, 30, 30}, parent, kGreen);
  HWND destroyed = Make(0, WS_CHILD, {50, 50, 70, 70}, parent, kBlue);
  Pump();
  ASSERT_EQ(DesktopAt(20, 20), kGreen);
  ASSERT_EQ(DesktopAt(60, 60), kBlue);

  ShowWindow(hidden, SW_HIDE);
  ASSERT_TRUE(DestroyWindow(destroyed));
  Pump();
  EXPECT_EQ(DesktopAt(20, 20), kRed);
  EXPECT_EQ(DesktopAt(60, 60), kRed);
}

TEST_F(Composition, AChildWhoseThreadEndsLeavesItsParentRepainted) {
  HWND parent = MakeTop({0, 0, 100, 100}, kRed);
  SetWindowLongA(parent, GWL_STYLE, GetWindowLongA(parent, GWL_STYLE) | WS_CLIPCHILDREN);
  Pump();
  std::thread([parent] {
    HWND child = Make(0, WS_CHILD, {10, 10, 30, 30}, parent, kGreen);
    UpdateWindow(child);
  }).join();
  ASSERT_EQ(DesktopAt(20, 20), kGreen);  // the child's picture stays after its thread ended
  Pump();
  EXPECT_EQ(DesktopAt(20, 20), kRed);
}

TEST_F(Composition, WritesReadablePngFiles) {
  testsupport::TempDir dir;
  HWND window = MakeTop({10, 20, 50, 40}, kBlue);
  Pump();
  const std::string desktopPath = dir / "desktop.png";
  const std::string windowPath = dir / "window.png";
  ASSERT_TRUE(test::SaveDesktopPng(desktopPath));
  ASSERT_TRUE(test::SaveWindowPng(window, windowPath));
  EXPECT_FALSE(test::SaveDesktopPng(dir / "missing/folder.png"));

  auto read = [](const std::string& path, png_image& image, std::vector<png_byte>& pixels) {
    image = png_image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    pixels.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
  };
  png_image image;
  std::vector<png_byte> pixels;
  ASSERT_TRUE(read(desktopPath, image, pixels));
  EXPECT_EQ(image.width, 320u);
  EXPECT_EQ(image.height, 240u);
  auto rgbAt = [&](unsigned x, unsigned y) {
    const png_byte* p = &pixels[(y * image.width + x) * 3];
    return RGB(p[0], p[1], p[2]);
  };
  EXPECT_EQ(rgbAt(0, 0), desktop_);
  EXPECT_EQ(rgbAt(30, 30), kBlue);

  ASSERT_TRUE(read(windowPath, image, pixels));
  EXPECT_EQ(image.width, 40u);
  EXPECT_EQ(image.height, 20u);
  EXPECT_EQ(rgbAt(39, 19), kBlue);

  DestroyWindow(window);
  EXPECT_FALSE(test::SaveWindowPng(window, dir / "stale.png"));
}

}  // namespace
