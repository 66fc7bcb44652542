#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/Regions.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Window.h"

using namespace win;

namespace {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD pos;  // GetMessagePos while the message was handled
};

std::mutex seenLock;
std::vector<Seen> seen;
std::map<HWND, LRESULT> hitCodes;  // a window's answer to WM_NCHITTEST, when set
std::map<HWND, LRESULT> activateAnswers;  // and to WM_MOUSEACTIVATE

bool Recorded(UINT m) {
  return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK) ||
         (m >= WM_KEYFIRST && m <= WM_KEYLAST) || m == WM_SETFOCUS || m == WM_KILLFOCUS || m == WM_NCHITTEST ||
         m == WM_SETCURSOR || m == WM_CAPTURECHANGED || m == WM_DROPFILES || m == WM_MOUSEACTIVATE;
}

LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (Recorded(m)) {
    std::lock_guard lock(seenLock);
    seen.push_back({h, m, w, l, GetMessagePos()});
    if (m == WM_NCHITTEST && hitCodes.count(h)) return hitCodes[h];
    if (m == WM_MOUSEACTIVATE && activateAnswers.count(h)) return activateAnswers[h];
  }
  return DefWindowProcA(h, m, w, l);
}

std::vector<Seen> SeenMessages(UINT message) {
  std::lock_guard lock(seenLock);
  std::vector<Seen> out;
  for (auto& s : seen)
    if (s.message == message) out.push_back(s);
  return out;
}

std::vector<UINT> MessagesOf(HWND h) {
  std::lock_guard lock(seenLock);
  std::vector<UINT> out;
  for (auto& s : seen)
    if (s.hwnd == h && s.message != WM_NCHITTEST && s.message != WM_SETCURSOR) out.push_back(s.message);
  return out;
}

void ClearSeen() {
  std::lock_guard lock(seenLock);
  seen.clear();
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

const char* Register(const char* name, UINT style = 0, HCURSOR cursor = nullptr) {
  WNDCLASSA wc{};
  wc.style = style;
  wc.lpfnWndProc = RecordingProc;
  wc.hCursor = cursor;
  wc.lpszClassName = name;
  RegisterClassA(&wc);
  return name;
}

HWND Popup(const char* cls, RECT r, DWORD style = 0, DWORD exStyle = 0) {
  return CreateWindowExA(exStyle, cls, "", WS_POPUP | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
}

HWND Child(const char* cls, HWND parent, RECT r, DWORD style = 0) {
  return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, parent, nullptr, nullptr, nullptr);
}

HWND ReceiverOf(UINT message) {
  auto all = SeenMessages(message);
  return all.empty() ? nullptr : all.back().hwnd;
}

HWND ClickReceiver(POINT pt) {
  ClearSeen();
  test::Click(pt);
  Pump();
  return ReceiverOf(WM_LBUTTONDOWN);
}

POINT PointOf(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

// ---- routing ----

TEST(InputMouseRouting, TheHolesOfAWindowRegionAreNotHit) {
  const char* cls = Register("Shaped");
  HWND below = Popup(cls, {0, 0, 100, 100});
  HWND shaped = Popup(cls, {10, 10, 110, 110});
  // Only the right half of the upper window is there (window coordinates).
  ASSERT_NE(SetWindowRgn(shaped, CreateRectRgn(50, 0, 100, 100), FALSE), 0);
  EXPECT_EQ(WindowFromPoint({30, 30}), below);
  EXPECT_EQ(WindowFromPoint({70, 30}), shaped);
  EXPECT_EQ(WindowFromPoint({105, 105}), shaped);
  EXPECT_EQ(WindowFromPoint({300, 300}), nullptr);
  EXPECT_EQ(ClickReceiver({70, 30}), shaped);
  EXPECT_EQ(ClickReceiver({30, 30}), below);  // and activates it, which raises it
  EXPECT_EQ(WindowFromPoint({70, 30}), below);
}

TEST(InputMouseRouting, TransparentHitPassesToTheSiblingBelowThenTheParent) {
  const char* cls = Register("Layers");
  HWND parent = Popup(cls, {0, 0, 200, 200});
  HWND top = Child(cls, parent, {10, 10, 110, 110});
  HWND lower = Child(cls, parent, {20, 20, 120, 120});
  ASSERT_EQ(GetWindow(top, GW_HWNDNEXT), lower);
  EXPECT_EQ(ClickReceiver({50, 50}), top);
  hitCodes[top] = HTTRANSPARENT;
  EXPECT_EQ(ClickReceiver({50, 50}), lower);
  EXPECT_EQ(PointOf(SeenMessages(WM_LBUTTONDOWN).back().lParam).x, 30);  // client coordinates of `lower`
  hitCodes[lower] = HTTRANSPARENT;
  EXPECT_EQ(ClickReceiver({50, 50}), parent);
  EXPECT_EQ(WindowFromPoint({50, 50}), parent);
}

TEST(InputMouseRouting, HiddenAndDisabledChildrenAreSkippedADisabledTopLevelSwallows) {
  const char* cls = Register("Skips");
  HWND back = Popup(cls, {0, 0, 300, 300});
  HWND parent = Popup(cls, {0, 0, 200, 200});
  HWND child = Child(cls, parent, {0, 0, 100, 100});
  ShowWindow(child, SW_HIDE);
  EXPECT_EQ(ClickReceiver({50, 50}), parent);
  ShowWindow(child, SW_SHOW);
  EnableWindow(child, FALSE);
  EXPECT_EQ(ClickReceiver({50, 50}), parent);
  EnableWindow(parent, FALSE);
  EXPECT_EQ(ClickReceiver({50, 50}), nullptr);  // not passed on to the window behind
  EXPECT_TRUE(MessagesOf(back).empty());
  EXPECT_EQ(WindowFromPoint({50, 50}), parent);
}

TEST(InputMouseRouting, ClientAndNonClientMessagesWithTheirCoordinatesKeysAndPosition) {
  const char* cls = Register("Framed");
  HWND w = CreateWindowExA(0, cls, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 200, 150, nullptr, nullptr,
                           nullptr, nullptr);
  RECT client;
  GetClientRect(w, &client);
  POINT origin{0, 0};
  ClientToScreen(w, &origin);

  ClearSeen();
  test::MoveMouse({origin.x + 5, origin.y + 7});
  test::PressKey(VK_SHIFT);
  test::PressMouse(test::MouseButton::Left);
  Pump();
  auto setCursor = SeenMessages(WM_SETCURSOR);
  ASSERT_FALSE(setCursor.empty());
  EXPECT_EQ(LOWORD(setCursor.back().lParam), HTCLIENT);
  EXPECT_EQ(HIWORD(setCursor.back().lParam), WM_LBUTTONDOWN);
  auto down = SeenMessages(WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].wParam, MK_LBUTTON | MK_SHIFT);
  EXPECT_EQ(PointOf(down[0].lParam).x, 5);
  EXPECT_EQ(PointOf(down[0].lParam).y, 7);
  EXPECT_EQ(GET_X_LPARAM(down[0].pos), origin.x + 5);
  EXPECT_EQ(GET_Y_LPARAM(down[0].pos), origin.y + 7);
  EXPECT_LT(GetKeyState(VK_LBUTTON), 0);
  test::ReleaseMouse(test::MouseButton::Left);
  test::ReleaseKey(VK_SHIFT);
  Pump();
  EXPECT_EQ(SeenMessages(WM_LBUTTONUP).at(0).wParam, MK_SHIFT);
  EXPECT_GE(GetKeyState(VK_LBUTTON), 0);

  ClearSeen();
  test::Click({origin.x + 50, origin.y - 5}, test::MouseButton::Right);  // the caption
  Pump();
  auto nc = SeenMessages(WM_NCRBUTTONDOWN);
  ASSERT_EQ(nc.size(), 1u);
  EXPECT_EQ(nc[0].wParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(PointOf(nc[0].lParam).x, origin.x + 50);  // screen coordinates
  EXPECT_TRUE(SeenMessages(WM_RBUTTONDOWN).empty());
  EXPECT_EQ(SeenMessages(WM_NCRBUTTONUP).size(), 1u);
}

TEST(InputMouseRouting, APressActivatesAnInactiveWindowUnlessItDeclines) {
  const char* cls = Register("Activated");
  HWND a = Popup(cls, {0, 0, 100, 100});
  HWND b = Popup(cls, {200, 0, 300, 100});
  HWND button = Child(cls, b, {10, 10, 50, 50});
  SetActiveWindow(a);
  ClearSeen();
  EXPECT_EQ(ClickReceiver({220, 20}), button);
  EXPECT_EQ(SeenMessages(WM_MOUSEACTIVATE).size(), 2u);  // the child asks its parent
  EXPECT_EQ(SeenMessages(WM_MOUSEACTIVATE)[0].wParam, reinterpret_cast<WPARAM>(b));
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetForegroundWindow(), b);
  EXPECT_EQ(GetFocus(), b);  // the activated window takes the focus

  SetActiveWindow(a);
  activateAnswers[b] = MA_NOACTIVATEANDEAT;
  EXPECT_EQ(ClickReceiver({220, 20}), nullptr);
  EXPECT_EQ(GetActiveWindow(), a);
  activateAnswers[b] = MA_NOACTIVATE;
  EXPECT_EQ(ClickReceiver({220, 20}), button);
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST(InputMouseRouting, DefaultHitTestAnswersByTheWindowsRects) {
  const char* cls = Register("HitCodes");
  HWND w = CreateWindowExA(0, cls, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 200, 150, nullptr, nullptr,
                           nullptr, nullptr);
  auto hit = [&](int x, int y) { return SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  EXPECT_EQ(hit(origin.x + 1, origin.y + 1), HTCLIENT);
  EXPECT_EQ(hit(origin.x + 50, origin.y - 5), HTCAPTION);
  EXPECT_EQ(hit(290, origin.y - 5), HTCLOSE);
  EXPECT_EQ(hit(101, 150), HTLEFT);
  EXPECT_EQ(hit(298, 248), HTBOTTOMRIGHT);
  EXPECT_EQ(hit(150, 100), HTTOP);
  EXPECT_EQ(hit(99, 150), HTNOWHERE);
  EXPECT_EQ(hit(300, 150), HTNOWHERE);
}

TEST(InputCursors, StableHandlesAndTheDefaultAnswerToSetCursor) {
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
  ASSERT_NE(arrow, nullptr);
  EXPECT_NE(arrow, hand);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);

  const char* handClass = Register("HandCursor", 0, hand);
  const char* plain = Register("PlainCursor");
  HWND parent = Popup(plain, {0, 0, 200, 200}, WS_BORDER);
  HWND child = Child(handClass, parent, {20, 20, 80, 80});
  SetCursor(nullptr);
  test::MoveMouse({50, 50});
  EXPECT_EQ(GetCursor(), hand);
  test::MoveMouse({0, 0});  // the border of the parent
  EXPECT_EQ(GetCursor(), arrow);
  test::MoveMouse({150, 150});  // the parent's client area: its class has no cursor
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_EQ(SetCursor(hand), arrow);
  EXPECT_EQ(SetCursor(reinterpret_cast<HCURSOR>(child)), nullptr);
  EXPECT_EQ(GetCursor(), hand);
}

// ---- capture ----

TEST(InputCapture, RedirectsEveryMouseMessageAndAnnouncesTheLoser) {
  const char* cls = Register("Captures");
  HWND a = Popup(cls, {0, 0, 100, 100});
  HWND b = Popup(cls, {200, 0, 300, 100});
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(GetCapture(), a);
  ClearSeen();
  test::MoveMouse({250, 50});
  test::PressMouse(test::MouseButton::Left);
  Pump();
  EXPECT_TRUE(MessagesOf(b).empty());
  EXPECT_TRUE(SeenMessages(WM_NCHITTEST).empty());
  auto down = SeenMessages(WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].hwnd, a);
  EXPECT_EQ(PointOf(down[0].lParam).x, 250);
  test::ReleaseMouse(test::MouseButton::Left);

  ClearSeen();
  EXPECT_EQ(SetCapture(b), a);
  auto changed = SeenMessages(WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].hwnd, a);
  EXPECT_EQ(changed[0].lParam, reinterpret_cast<LPARAM>(b));
  test::MoveMouse({-20, 10});
  Pump();
  auto move = SeenMessages(WM_MOUSEMOVE);
  ASSERT_EQ(move.size(), 1u);
  EXPECT_EQ(move[0].hwnd, b);
  EXPECT_EQ(PointOf(move[0].lParam).x, -200);  // the cursor stops at the screen's edge

  ClearSeen();
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  ASSERT_EQ(SeenMessages(WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(SeenMessages(WM_CAPTURECHANGED)[0].hwnd, b);
  EXPECT_EQ(ClickReceiver({50, 50}), a);
}

TEST(InputCapture, CaptureAndFocusAreDroppedWithTheirWindow) {
  const char* cls = Register("Doomed");
  HWND parent = Popup(cls, {0, 0, 200, 200});
  HWND child = Child(cls, parent, {0, 0, 100, 100});
  SetCapture(child);
  SetFocus(child);
  ASSERT_EQ(GetFocus(), child);
  DestroyWindow(child);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_NE(GetFocus(), child);
  EXPECT_EQ(ClickReceiver({50, 50}), parent);

  HWND other = Child(cls, parent, {0, 0, 100, 100});
  SetFocus(other);
  DestroyWindow(parent);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(ClickReceiver({50, 50}), nullptr);
}

// ---- double clicks ----

struct DoubleClickCase {
  DWORD pause;
  int dx;
  UINT secondPress;
};

TEST(InputDoubleClicks, SecondPressInTimeAndPlaceForClassesThatAskForThem) {
  test::ManualClockScope clock;
  const char* dbl = Register("WantsDbl", CS_DBLCLKS);
  const char* plain = Register("NoDbl");
  HWND w = Popup(dbl, {0, 0, 100, 100});
  SetActiveWindow(w);
  const DoubleClickCase cases[] = {
      {100, 0, WM_LBUTTONDBLCLK},
      {100, 2, WM_LBUTTONDBLCLK},  // within the 4 by 4 rectangle
      {100, 3, WM_LBUTTONDOWN},    // too far
      {600, 0, WM_LBUTTONDOWN},    // too slow
  };
  for (const auto& c : cases) {
    test::ManualClock::Advance(1000);  // far from any earlier press
    ClearSeen();
    test::Click({50, 50});
    test::ManualClock::Advance(c.pause);
    test::Click({50 + c.dx, 50});
    Pump();
    EXPECT_EQ(MessagesOf(w), (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE,
                                                c.secondPress, WM_LBUTTONUP}))
        << "pause " << c.pause << " dx " << c.dx;
  }

  // A third press starts over; another button is not the same click.
  test::ManualClock::Advance(1000);
  ClearSeen();
  test::Click({50, 50});
  test::Click({50, 50});
  test::Click({50, 50});
  test::Click({50, 50}, test::MouseButton::Right);
  Pump();
  EXPECT_EQ(SeenMessages(WM_LBUTTONDBLCLK).size(), 1u);
  EXPECT_EQ(SeenMessages(WM_LBUTTONDOWN).size(), 2u);
  EXPECT_EQ(SeenMessages(WM_RBUTTONDOWN).size(), 1u);

  DestroyWindow(w);
  HWND p = Popup(plain, {0, 0, 100, 100});
  test::ManualClock::Advance(1000);
  ClearSeen();
  test::Click({50, 50});
  test::Click({50, 50});
  Pump();
  EXPECT_EQ(SeenMessages(WM_LBUTTONDOWN).size(), 2u);
  EXPECT_TRUE(SeenMessages(WM_LBUTTONDBLCLK).empty());
  EXPECT_EQ(SeenMessages(WM_LBUTTONDOWN)[0].hwnd, p);
}

// ---- focus ----

TEST(InputFocus, KillThenSetWithTheOtherWindowAndActivationOfItsTopLevel) {
  const char* cls = Register("Focusing");
  HWND top1 = Popup(cls, {0, 0, 100, 100});
  HWND a = Child(cls, top1, {0, 0, 10, 10});
  HWND b = Child(cls, top1, {20, 0, 30, 10});
  HWND top2 = Popup(cls, {200, 0, 300, 100});
  HWND c = Child(cls, top2, {0, 0, 10, 10});
  SetFocus(a);
  ClearSeen();
  EXPECT_EQ(SetFocus(b), a);
  {
    std::lock_guard lock(seenLock);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].hwnd, a);
    EXPECT_EQ(seen[0].message, WM_KILLFOCUS);
    EXPECT_EQ(seen[0].wParam, reinterpret_cast<WPARAM>(b));
    EXPECT_EQ(seen[1].hwnd, b);
    EXPECT_EQ(seen[1].message, WM_SETFOCUS);
    EXPECT_EQ(seen[1].wParam, reinterpret_cast<WPARAM>(a));
  }
  ClearSeen();
  EXPECT_EQ(SetFocus(b), b);  // already there: nothing is announced
  EXPECT_TRUE(SeenMessages(WM_SETFOCUS).empty());

  SetActiveWindow(top1);
  SetFocus(c);
  EXPECT_EQ(GetActiveWindow(), top2);
  EXPECT_EQ(GetFocus(), c);
}

TEST(InputFocus, LeavesAHiddenWindowForItsParentAndADisabledOneForNone) {
  const char* cls = Register("FocusLoss");
  HWND top = Popup(cls, {0, 0, 100, 100});
  HWND child = Child(cls, top, {0, 0, 10, 10});
  SetFocus(child);
  ShowWindow(child, SW_HIDE);
  EXPECT_EQ(GetFocus(), top);
  ShowWindow(child, SW_SHOW);
  SetFocus(child);
  ClearSeen();
  EnableWindow(child, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(SeenMessages(WM_KILLFOCUS).size(), 1u);
  EXPECT_EQ(SetFocus(child), nullptr);  // a disabled window takes no focus
  EXPECT_EQ(GetFocus(), nullptr);
}

// ---- keys ----

TEST(InputKeys, MessagesCarryTheKeyBitsAndUpdateTheKeyStateAsRead) {
  const char* cls = Register("Keyed");
  HWND top = Popup(cls, {0, 0, 100, 100});
  HWND edit = Child(cls, top, {0, 0, 10, 10});
  // No focus yet: the active window takes the keys.
  SetActiveWindow(top);
  ClearSeen();
  test::PressKey('A');
  test::ReleaseKey('A');
  Pump();
  EXPECT_EQ(ReceiverOf(WM_KEYDOWN), top);

  SetFocus(edit);
  const SHORT toggleBefore = GetKeyState('A') & 1;
  ClearSeen();
  test::PressKey('A');
  EXPECT_GE(GetKeyState('A'), 0);  // not read yet
  EXPECT_LT(GetAsyncKeyState('A'), 0);
  test::PressKey('A');  // held: the key repeats
  test::ReleaseKey('A');
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, edit);
  EXPECT_EQ(msg.message, WM_KEYDOWN);
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(static_cast<DWORD>(msg.lParam), 0x001E0001u);  // repeat 1, scan code 0x1E
  EXPECT_LT(GetKeyState('A'), 0);
  EXPECT_NE(GetKeyState('A') & 1, toggleBefore);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(static_cast<DWORD>(msg.lParam), 0x401E0001u);  // previously down
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_KEYUP);
  EXPECT_EQ(static_cast<DWORD>(msg.lParam), 0xC01E0001u);
  EXPECT_GE(GetKeyState('A'), 0);
  EXPECT_GE(GetAsyncKeyState('A'), 0);

  ClearSeen();
  test::PressKey(VK_MENU);
  test::PressKey('X');
  test::ReleaseKey('X');
  test::ReleaseKey(VK_MENU);
  test::PressKey(VK_F10);
  test::ReleaseKey(VK_F10);
  test::PressKey(VK_LEFT);
  Pump();
  auto sysDown = SeenMessages(WM_SYSKEYDOWN);
  ASSERT_EQ(sysDown.size(), 3u);
  EXPECT_EQ(sysDown[1].wParam, static_cast<WPARAM>('X'));
  EXPECT_TRUE(sysDown[1].lParam & (1 << 29));   // Alt held
  EXPECT_FALSE(sysDown[2].lParam & (1 << 29));  // F10 alone
  EXPECT_EQ(SeenMessages(WM_SYSKEYUP).size(), 3u);
  EXPECT_EQ(SeenMessages(WM_SYSCHAR).size(), 1u);
  auto down = SeenMessages(WM_KEYDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_TRUE(down[0].lParam & (1 << 24));  // an extended key
  test::ReleaseKey(VK_LEFT);
}

TEST(InputKeys, InputIsQueuedAsSuchAndTakenAfterPostedMessages) {
  const char* cls = Register("Queued");
  HWND top = Popup(cls, {0, 0, 100, 100});
  SetFocus(top);
  test::PressKey('Q');
  EXPECT_EQ(HIWORD(GetQueueStatus(QS_KEY | QS_MOUSE)), QS_KEY);
  test::MoveMouse({10, 10});
  EXPECT_EQ(HIWORD(GetQueueStatus(QS_KEY | QS_MOUSE)), QS_KEY | QS_MOUSEMOVE);
  PostMessageA(top, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER);
  EXPECT_EQ(msg.pt.x, 10);  // posted messages carry the cursor's place too
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_KEYDOWN);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_MOUSEMOVE);
}

std::string TypedCharacters() {
  std::string out;
  for (auto& s : SeenMessages(WM_CHAR)) out += static_cast<char>(s.wParam);
  return out;
}

TEST(InputKeys, TranslateMessageGivesTheCharactersOfTheShiftCapsAndControlState) {
  const char* cls = Register("Typed");
  HWND top = Popup(cls, {0, 0, 100, 100});
  SetFocus(top);
  ClearSeen();
  test::PressKey('A');
  test::ReleaseKey('A');
  test::PressKey(VK_SHIFT);
  test::PressKey('A');
  test::PressKey('1');
  test::ReleaseKey(VK_SHIFT);
  test::PressKey(VK_CAPITAL);
  test::ReleaseKey(VK_CAPITAL);
  test::PressKey('B');
  test::PressKey(VK_RETURN);
  test::PressKey(VK_CONTROL);
  test::PressKey('C');
  test::ReleaseKey(VK_CONTROL);
  test::PressKey(VK_CAPITAL);
  test::ReleaseKey(VK_CAPITAL);
  test::PressKey(VK_OEM_2);
  test::PressKey(VK_F1);
  Pump();
  EXPECT_EQ(TypedCharacters(), std::string("aA!B\r\x03/"));

  MSG up{top, WM_KEYUP, 'A', 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(&up));
  MSG f1{top, WM_KEYDOWN, VK_F1, 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(&f1));
  MSG space{top, WM_KEYDOWN, VK_SPACE, 0, 0, {}};
  EXPECT_TRUE(TranslateMessage(&space));
}

TEST(InputKeys, TypingGivesKeysForWhatKeysMakeAndBytesForDoubleByteCharacters) {
  const char* cls = Register("Typist");
  HWND top = Popup(cls, {0, 0, 100, 100});
  SetFocus(top);
  ClearSeen();
  const std::string text = std::string("aB ") + SJ("日本") + "?\t";
  test::TypeText(text.c_str());
  Pump();
  EXPECT_EQ(TypedCharacters(), text);
  EXPECT_EQ(SeenMessages(WM_KEYDOWN).size(), 7u);  // a, Shift, b, space, Shift, /, tab
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

// ---- dropped files ----

TEST(InputDroppedFiles, GoToTheNearestAcceptingWindowWithTheirNamesAndPoint) {
  const char* cls = Register("DropTarget");
  HWND top = Popup(cls, {0, 0, 200, 200});
  HWND child = Child(cls, top, {50, 50, 150, 150});
  const char* files[] = {"C:\\music\\one.mp3", "C:\\d.korud"};
  EXPECT_FALSE(test::DropFiles({60, 60}, files, 2));  // nobody accepts
  ASSERT_EQ(WindowFromPoint({60, 70}), child);
  DragAcceptFiles(top, TRUE);
  EXPECT_TRUE(GetWindowLongA(top, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  ClearSeen();
  ASSERT_TRUE(test::DropFiles({60, 70}, files, 2));
  Pump();
  auto drops = SeenMessages(WM_DROPFILES);
  ASSERT_EQ(drops.size(), 1u);
  EXPECT_EQ(drops[0].hwnd, top);
  HDROP drop = reinterpret_cast<HDROP>(drops[0].wParam);
  EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  EXPECT_EQ(DragQueryFileA(drop, 0, nullptr, 0), 16u);
  char name[276];
  EXPECT_EQ(DragQueryFileA(drop, 1, name, sizeof name), 10u);
  EXPECT_STREQ(name, "C:\\d.korud");
  EXPECT_EQ(DragQueryFileA(drop, 2, name, sizeof name), 0u);
  POINT pt{};
  EXPECT_TRUE(DragQueryPoint(drop, &pt));
  EXPECT_EQ(pt.x, 60);
  EXPECT_EQ(pt.y, 70);
  DragFinish(drop);
  EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u);
  EXPECT_FALSE(DragQueryPoint(drop, &pt));
  DragAcceptFiles(top, FALSE);
  EXPECT_FALSE(GetWindowLongA(top, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  EXPECT_FALSE(test::DropFiles({60, 60}, files, 2));
}

TEST(InputDroppedFiles, AShortBufferGetsATerminatedPrefixAndNothingBeyondIt) {
  const char* cls = Register("ShortBuffer");
  HWND top = Popup(cls, {0, 0, 100, 100}, 0, WS_EX_ACCEPTFILES);
  const std::string dbcs = std::string("C:\\") + SJ("曲") + ".mp3";  // the double-byte character at 3 and 4
  const char* files[] = {"C:\\abcdef.mp3", dbcs.c_str()};
  ASSERT_TRUE(test::DropFiles({10, 10}, files, 2));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, top, WM_DROPFILES, WM_DROPFILES, PM_REMOVE));
  HDROP drop = reinterpret_cast<HDROP>(msg.wParam);

  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(DragQueryFileA(drop, 0, buffer, 6), 5u);
  EXPECT_STREQ(buffer, "C:\\ab");
  EXPECT_EQ(buffer[6], '#');
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(DragQueryFileA(drop, 0, buffer, 0), 0u);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(DragQueryFileA(drop, 0, buffer, 1), 0u);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], '#');
  // Half of a double-byte character is never copied.
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(DragQueryFileA(drop, 1, buffer, 5), 3u);
  EXPECT_STREQ(buffer, "C:\\");
  EXPECT_EQ(DragQueryFileA(drop, 1, buffer, 6), 5u);
  DragFinish(drop);
}

// ---- other threads ----

TEST(InputInjection, FromAnotherThreadReachesTheOwnersQueue) {
  const char* cls = Register("Remote");
  std::atomic<HWND> window{nullptr};
  std::atomic<DWORD> thread{0};
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    HWND w = Popup(cls, {0, 0, 100, 100});
    SetFocus(w);
    window = w;
    thread = GetCurrentThreadId();
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (msg.message == WM_CHAR) PostQuitMessage(0);
    }
    DestroyWindow(w);
  });
  ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
  ClearSeen();
  test::Click({20, 30});
  test::TypeText("z");
  owner.join();
  CloseHandle(ready);
  EXPECT_EQ(ReceiverOf(WM_LBUTTONDOWN), window.load());
  EXPECT_EQ(PointOf(SeenMessages(WM_LBUTTONDOWN).at(0).lParam).y, 30);
  EXPECT_EQ(TypedCharacters(), "z");
  EXPECT_EQ(GetFocus(), nullptr);  // the focus is the other thread's
}

}  // namespace
