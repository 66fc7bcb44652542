#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Bitmaps.h"
#include "platform/Desktop.h"
#include "platform/Drawing.h"
#include "platform/Gdi.h"
#include "platform/Input.h"
#include "platform/LiveDesktop.h"
#include "platform/LivePresenter.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/Window.h"
#include "testsupport/XServer.h"

using namespace win;
using testsupport::XRect;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Received>& Log() {
  static std::vector<Received> log;
  return log;
}

struct Drop {
  std::vector<std::string> files;
  POINT point{};
};
std::vector<Drop>& Drops() {
  static std::vector<Drop> drops;
  return drops;
}

void TakeDrop(HDROP hdrop) {
  Drop drop;
  const UINT count = DragQueryFileA(hdrop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    char name[1024] = {};
    DragQueryFileA(hdrop, i, name, sizeof name);
    drop.files.push_back(name);
  }
  DragQueryPoint(hdrop, &drop.point);
  DragFinish(hdrop);
  Drops().push_back(drop);
}

// Paints its client area in the colour kept in GWL_USERDATA, with a yellow
// square at (10, 10), and logs the input it receives.
LRESULT LiveProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongA(h, GWL_USERDATA)));
      RECT client;
      GetClientRect(h, &client);
      FillRect(dc, &client, brush);
      DeleteObject(brush);
      HBRUSH yellow = CreateSolidBrush(kYellow);
      RECT square{10, 10, 30, 30};
      FillRect(dc, &square, yellow);
      DeleteObject(yellow);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_CONTEXTMENU: {
      HMENU menu = CreatePopupMenu();
      AppendMenuA(menu, MF_STRING, 101, "Play");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING, 102, "Stop");
      AppendMenuA(menu, MF_STRING | MF_GRAYED, 103, "Grayed");
      HMENU more = CreatePopupMenu();
      AppendMenuA(more, MF_STRING, 104, "Inside");
      AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(more), "More");
      TrackPopupMenu(menu, 0, GET_X_LPARAM(l), GET_Y_LPARAM(l), 0, h, nullptr);
      DestroyMenu(menu);
      return 0;
    }
    case WM_COMMAND:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_MOUSEWHEEL:
    case WM_MOVE:
    case WM_DROPFILES:
    case WM_SETFOCUS:
      Log().push_back({m, w, l});
      if (m == WM_DROPFILES) {
        TakeDrop(reinterpret_cast<HDROP>(w));
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(h, m, w, l);
}

bool Logged(UINT message) {
  for (const Received& r : Log())
    if (r.message == message) return true;
  return false;
}

const Received* Find(UINT message) {
  for (const Received& r : Log())
    if (r.message == message) return &r;
  return nullptr;
}

// Serves the thread's messages until `done` holds; false when it does not
// within a generous bound (a hang guard, not a measure of speed).
bool PumpUntil(const std::function<bool()>& done) {
  for (int round = 0; round < 300; ++round) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return false;
}

// Owns a desktop snapshot and reads its pixels as 0x00RRGGBB.
class Snapshot {
 public:
  Snapshot() : bitmap_(test::SnapshotDesktop()) {}
  ~Snapshot() { DeleteObject(bitmap_); }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;
  uint32_t At(int x, int y) const {
    const detail::Surface& s = *detail::HandleTable::Get<detail::BitmapObject>(bitmap_)->surface;
    const COLORREF c = s.ToColor(s.Get(x, y));
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  }

 private:
  HBITMAP bitmap_;
};

uint32_t Rgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

// A lozenge-like outline of w by h: rows that widen to the middle and
// narrow again, with a hole.
HRGN Outline(int w, int h) {
  HRGN outline = CreateRectRgn(0, 0, 0, 0);
  for (int y = 0; y < h; y += 4) {
    const int inset = std::abs(h / 2 - y) * w / h / 2;
    HRGN band = CreateRectRgn(inset, y, w - inset, std::min(h, y + 4));
    CombineRgn(outline, outline, band, RGN_OR);
    DeleteObject(band);
  }
  HRGN hole = CreateRectRgn(w / 2 - 5, h / 2 - 5, w / 2 + 5, h / 2 + 5);
  CombineRgn(outline, outline, hole, RGN_DIFF);
  DeleteObject(hole);
  return outline;
}

bool InShape(const std::vector<XRect>& shape, int x, int y) {
  for (const XRect& r : shape)
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
  return false;
}

class LiveDesktop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new testsupport::XServer(800, 600);
    WNDCLASSA wc{};
    wc.lpfnWndProc = LiveProc;
    wc.lpszClassName = "LiveTest";
    RegisterClassA(&wc);
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(server_->Running()) << "Xvfb could not be started";
    // The pointer leaves where an earlier test put it: a synchronous move
    // to where it already is would wait for a motion that never comes.
    ASSERT_TRUE(testsupport::Xdotool({"mousemove", "0", "0"}));
    Start(1);
  }
  void TearDown() override {
    for (HWND h : windows_) DestroyWindow(h);
    live::Stop();
    Log().clear();
    Drops().clear();
  }

  void Start(int scale) {
    live::Stop();
    std::string error;
    ASSERT_TRUE(live::Start(live::Options{scale}, &error)) << error;
  }

  HWND Make(RECT r, COLORREF color, DWORD style = WS_POPUP, DWORD exStyle = 0) {
    HWND hwnd = CreateWindowExA(exStyle, "LiveTest", "Live", style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongA(hwnd, GWL_USERDATA, static_cast<LONG>(color));
    ShowWindow(hwnd, SW_SHOWNA);
    UpdateWindow(hwnd);
    windows_.push_back(hwnd);
    return hwnd;
  }

  // Every screen pixel inside the X window's outline equals the platform's
  // snapshot of the same place (scaled by `scale`).
  void ExpectScreenMatches(HWND hwnd, int scale = 1) {
    live::test::Flush();
    const unsigned long xwindow = live::test::XWindowOf(hwnd);
    ASSERT_NE(xwindow, 0u);
    const XRect place = testsupport::WindowPlace(xwindow);
    const std::vector<XRect> shape = testsupport::WindowShape(xwindow);
    const testsupport::ScreenImage screen = testsupport::ReadScreen();
    Snapshot snapshot;
    int compared = 0;
    int differing = 0;
    for (int y = place.top; y < place.bottom; ++y)
      for (int x = place.left; x < place.right; ++x) {
        if (!InShape(shape, x - place.left, y - place.top)) continue;
        ++compared;
        if (screen.At(x, y) != snapshot.At(x / scale, y / scale)) ++differing;
      }
    EXPECT_GT(compared, 0);
    EXPECT_EQ(differing, 0) << "of " << compared << " pixels";
  }

  static testsupport::XServer* server_;
  std::vector<HWND> windows_;
};

testsupport::XServer* LiveDesktop::server_ = nullptr;

TEST_F(LiveDesktop, AWindowIsAnXWindowAtItsPlaceWithItsPixels) {
  HWND hwnd = Make({100, 80, 300, 200}, kBlue);
  live::test::Flush();
  EXPECT_EQ(testsupport::WindowPlace(live::test::XWindowOf(hwnd)), (XRect{100, 80, 300, 200}));
  ExpectScreenMatches(hwnd);
  const testsupport::ScreenImage screen = testsupport::ReadScreen();
  EXPECT_EQ(screen.At(150, 150), Rgb(kBlue));
  EXPECT_EQ(screen.At(115, 95), Rgb(kYellow));
}

TEST_F(LiveDesktop, TheOutlineIsTheWindowRegionAndFollowsItsChanges) {
  HWND hwnd = Make({50, 50, 250, 170}, kRed);
  HRGN ellipse = Outline(200, 120);
  ASSERT_TRUE(SetWindowRgn(hwnd, ellipse, TRUE));
  PumpUntil([] { return true; });
  live::test::Flush();
  auto expectShapeEqualsRegion = [&] {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(hwnd, region), ERROR);
    const std::vector<XRect> shape = testsupport::WindowShape(live::test::XWindowOf(hwnd));
    int differing = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 200; ++x)
        if (InShape(shape, x, y) != static_cast<bool>(PtInRegion(region, x, y))) ++differing;
    EXPECT_EQ(differing, 0);
    DeleteObject(region);
  };
  expectShapeEqualsRegion();
  ExpectScreenMatches(hwnd);

  ASSERT_TRUE(SetWindowRgn(hwnd, CreateRectRgn(20, 10, 120, 60), TRUE));
  PumpUntil([] { return true; });
  live::test::Flush();
  expectShapeEqualsRegion();
  ExpectScreenMatches(hwnd);

  // Without a region the window is whole again.
  ASSERT_TRUE(SetWindowRgn(hwnd, nullptr, TRUE));
  PumpUntil([] { return true; });
  live::test::Flush();
  const std::vector<XRect> shape = testsupport::WindowShape(live::test::XWindowOf(hwnd));
  ASSERT_EQ(shape.size(), 1u);
  EXPECT_EQ(shape[0].right - shape[0].left, 200);
  EXPECT_EQ(shape[0].bottom - shape[0].top, 120);
}

TEST_F(LiveDesktop, RepaintedPartsReachTheScreen) {
  HWND hwnd = Make({100, 100, 260, 200}, kBlue);
  ExpectScreenMatches(hwnd);
  SetWindowLongA(hwnd, GWL_USERDATA, static_cast<LONG>(kGreen));
  RECT part{40, 20, 100, 60};
  InvalidateRect(hwnd, &part, TRUE);
  UpdateWindow(hwnd);
  ExpectScreenMatches(hwnd);
  const testsupport::ScreenImage screen = testsupport::ReadScreen();
  EXPECT_EQ(screen.At(100 + 50, 100 + 30), Rgb(kGreen));  // repainted
  EXPECT_EQ(screen.At(100 + 120, 100 + 80), Rgb(kBlue));  // kept
}

TEST_F(LiveDesktop, StackingFollowsThePlatform) {
  HWND lower = Make({100, 100, 300, 300}, kRed);
  HWND upper = Make({200, 200, 400, 400}, kBlue);
  SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  live::test::Flush();
  EXPECT_EQ(testsupport::ReadScreen().At(250, 250), Rgb(kBlue));
  SetWindowPos(lower, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  live::test::Flush();
  EXPECT_EQ(testsupport::ReadScreen().At(250, 250), Rgb(kRed));
  ExpectScreenMatches(upper);
  ExpectScreenMatches(lower);
}

TEST_F(LiveDesktop, MovesResizesAndHidingFollowThePlatform) {
  HWND hwnd = Make({10, 10, 110, 60}, kGreen);
  MoveWindow(hwnd, 200, 150, 180, 90, TRUE);
  UpdateWindow(hwnd);
  live::test::Flush();
  const unsigned long xwindow = live::test::XWindowOf(hwnd);
  EXPECT_EQ(testsupport::WindowPlace(xwindow), (XRect{200, 150, 380, 240}));
  ExpectScreenMatches(hwnd);
  ShowWindow(hwnd, SW_HIDE);
  live::test::Flush();
  EXPECT_EQ(live::test::XWindowOf(hwnd), 0u);
}

TEST_F(LiveDesktop, ACaptionedWindowShowsItsClientAreaAsTheXWindow) {
  HWND hwnd = Make({100, 100, 300, 250}, kBlue, WS_OVERLAPPEDWINDOW);
  live::test::Flush();
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  RECT client;
  GetClientRect(hwnd, &client);
  const XRect place = testsupport::WindowPlace(live::test::XWindowOf(hwnd));
  EXPECT_EQ(place.left, origin.x);
  EXPECT_EQ(place.top, origin.y);
  EXPECT_EQ(place.right - place.left, client.right);
  EXPECT_EQ(place.bottom - place.top, client.bottom);
  ExpectScreenMatches(hwnd);
}

TEST_F(LiveDesktop, ClicksOnTheXWindowArriveAsPlatformMouseMessages) {
  HWND hwnd = Make({100, 100, 300, 200}, kBlue);
  live::test::Flush();
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "150", "130", "click", "1"}));
  ASSERT_TRUE(PumpUntil([] { return Logged(WM_LBUTTONUP); }));
  const Received* down = Find(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(GET_X_LPARAM(down->lParam), 50);
  EXPECT_EQ(GET_Y_LPARAM(down->lParam), 30);
  (void)hwnd;
}

TEST_F(LiveDesktop, KeysArriveWithTheirVirtualKeyCodes) {
  HWND hwnd = Make({100, 100, 300, 200}, kBlue);
  SetFocus(hwnd);
  live::test::Flush();
  const std::string xwindow = std::to_string(live::test::XWindowOf(hwnd));
  ASSERT_TRUE(testsupport::Xdotool({"windowfocus", "--sync", xwindow}));
  ASSERT_TRUE(testsupport::Xdotool({"key", "shift+a", "F5", "Left"}));
  std::vector<WPARAM> keys;
  ASSERT_TRUE(PumpUntil([&] {
    keys.clear();
    for (const Received& r : Log())
      if (r.message == WM_KEYDOWN) keys.push_back(r.wParam);
    return keys.size() >= 4;
  }));
  EXPECT_EQ(keys, (std::vector<WPARAM>{VK_SHIFT, 'A', VK_F1 + 4, VK_LEFT}));
}

TEST_F(LiveDesktop, TheWindowThePlatformActivatesTakesTheXFocus) {
  HWND first = Make({40, 40, 200, 140}, kBlue);
  HWND second = Make({240, 40, 400, 140}, kRed);
  for (HWND hwnd : {first, second, first}) {
    ASSERT_TRUE(SetForegroundWindow(hwnd));
    live::test::Flush();
    EXPECT_EQ(testsupport::FocusedXWindow(), live::test::XWindowOf(hwnd));
  }
  // A click on the other X window activates it on the platform in turn.
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "300", "90", "click", "1"}));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == second; }));
  live::test::Flush();
  EXPECT_EQ(testsupport::FocusedXWindow(), live::test::XWindowOf(second));
}

TEST_F(LiveDesktop, TheWheelTurnsTheFocusWindowsWheel) {
  HWND hwnd = Make({100, 100, 300, 200}, kBlue);
  SetFocus(hwnd);
  live::test::Flush();
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "150", "150", "click", "4", "click", "5"}));
  std::vector<SHORT> turns;
  ASSERT_TRUE(PumpUntil([&] {
    turns.clear();
    for (const Received& r : Log())
      if (r.message == WM_MOUSEWHEEL) turns.push_back(static_cast<SHORT>(HIWORD(r.wParam)));
    return turns.size() >= 2;
  }));
  EXPECT_EQ(turns, (std::vector<SHORT>{WHEEL_DELTA, -WHEEL_DELTA}));
}

TEST_F(LiveDesktop, AMoveOfTheXWindowMovesThePlatformWindow) {
  HWND hwnd = Make({100, 100, 300, 200}, kBlue);
  live::test::Flush();
  const std::string xwindow = std::to_string(live::test::XWindowOf(hwnd));
  ASSERT_TRUE(testsupport::Xdotool({"windowmove", "--sync", xwindow, "320", "240"}));
  RECT r{};
  ASSERT_TRUE(PumpUntil([&] {
    GetWindowRect(hwnd, &r);
    return r.left == 320 && r.top == 240;
  }));
  EXPECT_EQ(r.right, 520);
  EXPECT_TRUE(Logged(WM_MOVE));
  // The platform's picture and the screen still agree.
  ExpectScreenMatches(hwnd);
}

TEST_F(LiveDesktop, FilesDroppedFromAFileManagerArriveWithTheirWindowsPaths) {
  HWND hwnd = Make({100, 100, 300, 200}, kBlue, WS_POPUP, WS_EX_ACCEPTFILES);
  live::test::Flush();
  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "160", "140"}));
  // The file manager is another program: this thread serves the window
  // meanwhile.
  const unsigned long xwindow = live::test::XWindowOf(hwnd);
  std::atomic<int> dropped{-1};
  std::thread fileManager([&] {
    dropped = testsupport::DropFilesOnWindow(xwindow, 160, 140, {"/tmp/live drop/first.mp3", "/usr/share/second.kpl"});
  });
  const bool arrived = PumpUntil([&] { return dropped >= 0 && !Drops().empty(); });
  fileManager.join();
  ASSERT_TRUE(arrived);
  EXPECT_EQ(dropped, 1);
  ASSERT_EQ(Drops().size(), 1u);
  EXPECT_EQ(Drops()[0].files, (std::vector<std::string>{"Z:\\tmp\\live drop\\first.mp3", "Z:\\usr\\share\\second.kpl"}));
  EXPECT_EQ(Drops()[0].point.x, 60);
  EXPECT_EQ(Drops()[0].point.y, 40);
}

TEST_F(LiveDesktop, AResizeOfACaptionedWindowsXWindowResizesItsClientArea) {
  HWND hwnd = Make({100, 100, 300, 250}, kBlue, WS_OVERLAPPEDWINDOW);
  live::test::Flush();
  const std::string xwindow = std::to_string(live::test::XWindowOf(hwnd));
  ASSERT_TRUE(testsupport::Xdotool({"windowsize", "--sync", xwindow, "260", "140"}));
  RECT client{};
  ASSERT_TRUE(PumpUntil([&] {
    GetClientRect(hwnd, &client);
    return client.right == 260 && client.bottom == 140;
  }));
  UpdateWindow(hwnd);
  ExpectScreenMatches(hwnd);
}

TEST_F(LiveDesktop, AWindowMadeAgainForStayOnTopKeepsItsOutlineAndStaysAbove) {
  HWND below = Make({60, 60, 360, 260}, kRed);
  HWND first = Make({100, 100, 300, 220}, kBlue);
  ASSERT_TRUE(SetWindowRgn(first, Outline(200, 120), TRUE));
  live::test::Flush();
  const unsigned long firstX = live::test::XWindowOf(first);
  // The lozenge's way: a new window with the new style, the old one destroyed.
  HWND again = Make({100, 100, 300, 220}, kBlue, WS_POPUP, WS_EX_TOPMOST);
  ASSERT_TRUE(SetWindowRgn(again, Outline(200, 120), TRUE));
  DestroyWindow(first);
  SetWindowPos(below, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  PumpUntil([] { return true; });
  live::test::Flush();
  EXPECT_NE(live::test::XWindowOf(again), firstX);
  EXPECT_EQ(live::test::XWindowOf(first), 0u);
  const std::vector<XRect> shape = testsupport::WindowShape(live::test::XWindowOf(again));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(again, region);
  int differing = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 200; ++x)
      if (InShape(shape, x, y) != static_cast<bool>(PtInRegion(region, x, y))) ++differing;
  EXPECT_EQ(differing, 0);
  DeleteObject(region);
  // The stay-on-top window stays above the raised one.
  EXPECT_EQ(testsupport::ReadScreen().At(120, 160), Rgb(kBlue));
  ExpectScreenMatches(again);
  ExpectScreenMatches(below);
}

TEST_F(LiveDesktop, ARightClickOpensThePopupMenuAsAWindowAndAClickChoosesAnItem) {
  Make({100, 100, 300, 200}, kBlue);
  live::test::Flush();
  // The person's hands, on a thread of their own: the menu's loop runs on
  // this one.
  std::atomic<bool> clicked{false};
  RECT menuPlace{};
  bool menuMatches = false;
  std::thread person([&] {
    testsupport::Xdotool({"mousemove", "--sync", "150", "150", "click", "3"});
    HWND menu = nullptr;
    for (int i = 0; i < 250 && !menu; ++i) {
      menu = FindWindowA("#32768", nullptr);
      if (!menu) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (menu) {
      live::test::Flush();
      GetWindowRect(menu, &menuPlace);
      const testsupport::XRect place = testsupport::WindowPlace(live::test::XWindowOf(menu));
      menuMatches = place.left == menuPlace.left && place.top == menuPlace.top && place.right == menuPlace.right;
      testsupport::Xdotool({"mousemove", "--sync", std::to_string(menuPlace.left + 30),
                            std::to_string(menuPlace.top + 1 + 9)});
      live::test::Flush();
      // For a person to look at, beside the test binary's other pictures.
      test::SaveDesktopPng("popup-menu.png");
      // "Stop", under "Play" and the separator.
      testsupport::Xdotool({"mousemove", "--sync", std::to_string(menuPlace.left + 30),
                            std::to_string(menuPlace.top + 1 + 19 + 9 + 9), "click", "1"});
    }
    clicked = true;
  });
  const bool chosen = PumpUntil([&] { return clicked && Logged(WM_COMMAND); });
  person.join();
  ASSERT_TRUE(chosen);
  EXPECT_EQ(menuPlace.left, 150);
  EXPECT_EQ(menuPlace.top, 150);
  EXPECT_TRUE(menuMatches);
  EXPECT_EQ(LOWORD(Find(WM_COMMAND)->wParam), 102);
  EXPECT_EQ(FindWindowA("#32768", nullptr), nullptr);
}

TEST_F(LiveDesktop, AScaleEnlargesPixelsOutlineAndInputTogether) {
  Start(2);
  HWND hwnd = Make({50, 40, 150, 90}, kBlue);
  ASSERT_TRUE(SetWindowRgn(hwnd, Outline(100, 50), TRUE));
  PumpUntil([] { return true; });
  live::test::Flush();
  const unsigned long xwindow = live::test::XWindowOf(hwnd);
  EXPECT_EQ(testsupport::WindowPlace(xwindow), (XRect{100, 80, 300, 180}));
  const std::vector<XRect> shape = testsupport::WindowShape(xwindow);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  GetWindowRgn(hwnd, region);
  int differing = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      if (InShape(shape, x, y) != static_cast<bool>(PtInRegion(region, x / 2, y / 2))) ++differing;
  EXPECT_EQ(differing, 0);
  DeleteObject(region);
  ExpectScreenMatches(hwnd, 2);

  ASSERT_TRUE(testsupport::Xdotool({"mousemove", "--sync", "160", "120", "click", "1"}));
  ASSERT_TRUE(PumpUntil([] { return Logged(WM_LBUTTONUP); }));
  const Received* down = Find(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(GET_X_LPARAM(down->lParam), 30);
  EXPECT_EQ(GET_Y_LPARAM(down->lParam), 20);
}

TEST_F(LiveDesktop, TheEnvironmentStartsItWhenAWindowIsShown) {
  live::Stop();
  setenv("LOZG_LIVE", "1", 1);
  setenv("LOZG_SCALE", "2", 1);
  HWND hwnd = Make({30, 20, 130, 70}, kGreen);
  unsetenv("LOZG_LIVE");
  unsetenv("LOZG_SCALE");
  ASSERT_TRUE(live::IsRunning());
  live::test::Flush();
  const XRect place = testsupport::WindowPlace(live::test::XWindowOf(hwnd));
  EXPECT_EQ(place.left, 60);
  EXPECT_EQ(place.bottom, 140);
}

TEST_F(LiveDesktop, StartRefusesASecondStartAndABadScale) {
  std::string error;
  EXPECT_FALSE(live::Start(live::Options{1}, &error));
  EXPECT_FALSE(error.empty());
  live::Stop();
  EXPECT_FALSE(live::Start(live::Options{0}, &error));
  EXPECT_FALSE(live::IsRunning());
}

}  // namespace

namespace {

TEST(LivePresenter, TheShellOpensURLsAsTheyAreAndWindowsPathsAsHostPaths) {
  EXPECT_EQ(live::ShellTarget("https://example.org/help.html"), "https://example.org/help.html");
  EXPECT_EQ(live::ShellTarget("Z:\\usr\\share"), "/usr/share");
  EXPECT_EQ(live::ShellTarget("Z:\\no\\such\\file.html"), "");
  EXPECT_EQ(live::ShellTarget(""), "");
  // Nothing to open answers the platform's "file not found".
  live::LivePresenter presenter;
  EXPECT_EQ(presenter.ShellExecute(nullptr, "open", "Z:\\no\\such\\file.html", "", "", 1), SE_ERR_FNF);
}

}  // namespace
