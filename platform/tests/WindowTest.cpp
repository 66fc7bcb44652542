#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Screen.h"
#include "platform/Window.h"

using namespace win;

namespace {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::mutex seenLock;
std::vector<Seen> seen;

// Messages of interest for the order tests; the rest pass unrecorded.
bool Recorded(UINT m) {
  switch (m) {
    case WM_NCCREATE: case WM_CREATE: case WM_SIZE: case WM_MOVE: case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGING: case WM_WINDOWPOSCHANGED: case WM_DESTROY: case WM_NCDESTROY:
    case WM_ACTIVATE: case WM_ENABLE: case WM_STYLECHANGING: case WM_STYLECHANGED:
      return true;
    default:
      return false;
  }
}

LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (Recorded(m)) {
    std::lock_guard lock(seenLock);
    seen.push_back({h, m, w, l});
  }
  return DefWindowProcA(h, m, w, l);
}

std::vector<UINT> MessagesOf(HWND h) {
  std::lock_guard lock(seenLock);
  std::vector<UINT> out;
  for (auto& s : seen)
    if (s.hwnd == h) out.push_back(s.message);
  return out;
}

void ClearSeen() {
  std::lock_guard lock(seenLock);
  seen.clear();
}

ATOM Register(const char* name, WNDPROC proc = RecordingProc, int windowExtra = 0) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = windowExtra;
  wc.lpszClassName = name;
  return RegisterClassA(&wc);
}

HWND TopLevel(const char* cls, const char* title = "", DWORD style = WS_POPUP, DWORD exStyle = 0,
              HWND owner = nullptr) {
  return CreateWindowExA(exStyle, cls, title, style, 0, 0, 100, 100, owner, nullptr, nullptr, nullptr);
}

HWND Child(const char* cls, HWND parent, int x = 0, int y = 0, int w = 10, int h = 10, int id = 0) {
  return CreateWindowExA(0, cls, "", WS_CHILD, x, y, w, h, parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)),
                         nullptr, nullptr);
}

std::vector<HWND> ZOrder() {
  std::vector<HWND> order;
  EnumWindows([](HWND h, LPARAM p) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&order));
  return order;
}

}  // namespace

TEST(WindowClass, RegistrationErrorsAndLookups) {
  ATOM atom = Register("TTestForm");
  ASSERT_GE(atom, 0xC000);
  EXPECT_EQ(Register("ttestFORM"), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  WNDCLASSA noProc{};
  noProc.lpszClassName = "NoProc";
  EXPECT_EQ(RegisterClassA(&noProc), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  WNDCLASSA info{};
  ASSERT_TRUE(GetClassInfoA(nullptr, "TTESTFORM", &info));
  EXPECT_EQ(info.lpfnWndProc, &RecordingProc);
  EXPECT_FALSE(GetClassInfoA(nullptr, "Nothing", &info));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);

  EXPECT_EQ(TopLevel("Nothing"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  HWND byAtom = TopLevel(MAKEINTATOM(atom));
  ASSERT_NE(byAtom, nullptr);
  char name[32];
  EXPECT_EQ(GetClassNameA(byAtom, name, sizeof name), 9);
  EXPECT_STREQ(name, "TTestForm");

  EXPECT_FALSE(UnregisterClassA("TTestForm", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
  DestroyWindow(byAtom);
  EXPECT_TRUE(UnregisterClassA("TTestForm", nullptr));
  EXPECT_FALSE(UnregisterClassA("TTestForm", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
}

TEST(WindowLife, CreationAndDestructionSendTheirMessagesInOrder) {
  Register("Rec");
  // A listener stays for the rest of the process, so it records into a list
  // that lives as long.
  static std::vector<HWND> destroyed;
  [[maybe_unused]] static const bool listening = [] {
    detail::AddWindowDestroyedListener([](HWND h) { destroyed.push_back(h); });
    return true;
  }();
  destroyed.clear();

  HWND parent = CreateWindowExA(0, "Rec", "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 20, 300, 200, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(MessagesOf(parent), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW,
                                                   WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
  char title[16];
  EXPECT_EQ(GetWindowTextA(parent, title, sizeof title), 4);  // set by the default procedure's WM_NCCREATE
  EXPECT_STREQ(title, "Main");

  HWND child = Child("Rec", parent);
  HWND grandchild = Child("Rec", child);
  ClearSeen();
  ASSERT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> order;
  for (auto& s : seen) order.emplace_back(s.hwnd, s.message);
  // Hidden first; WM_DESTROY from the top down, WM_NCDESTROY from the bottom up.
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{parent, WM_WINDOWPOSCHANGING},
                                                       {parent, WM_WINDOWPOSCHANGED},
                                                       {parent, WM_DESTROY},
                                                       {child, WM_DESTROY},
                                                       {grandchild, WM_DESTROY},
                                                       {grandchild, WM_NCDESTROY},
                                                       {child, WM_NCDESTROY},
                                                       {parent, WM_NCDESTROY}}));
  EXPECT_EQ(destroyed, (std::vector<HWND>{grandchild, child, parent}));
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_FALSE(IsWindow(child));
}

TEST(WindowLife, CreateFailsWhenWmCreateAnswersMinusOne) {
  WNDCLASSA wc{};
  wc.lpszClassName = "Refuses";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    RecordingProc(h, m, w, l);
    if (m == WM_CREATE) {
      EXPECT_EQ(reinterpret_cast<const CREATESTRUCTA*>(l)->lpCreateParams, reinterpret_cast<void*>(0x1234));
      return -1;
    }
    return DefWindowProcA(h, m, w, l);
  };
  RegisterClassA(&wc);
  ClearSeen();
  EXPECT_EQ(CreateWindowExA(0, "Refuses", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                            reinterpret_cast<void*>(0x1234)),
            nullptr);
  ASSERT_EQ(seen.size(), 4u);
  HWND h = seen[0].hwnd;
  EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(ZOrder().empty());
}

TEST(WindowLife, StaleHandlesAreRefusedAndNeverReused) {
  Register("Rec");
  HWND first = TopLevel("Rec");
  ASSERT_TRUE(DestroyWindow(first));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(DestroyWindow(first));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(PostMessageA(first, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(SendMessageA(first, WM_GETTEXTLENGTH, 0, 0), 0);
  RECT r;
  EXPECT_FALSE(GetWindowRect(first, &r));
  HWND second = TopLevel("Rec");
  EXPECT_NE(second, first);
}

TEST(WindowLife, OnlyTheOwningThreadDestroysAWindow) {
  Register("Rec");
  HWND h = TopLevel("Rec");
  std::thread other([h] {
    EXPECT_FALSE(DestroyWindow(h));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  });
  other.join();
  EXPECT_TRUE(IsWindow(h));
  EXPECT_FALSE(DestroyWindow(GetDesktopWindow()));
}

TEST(WindowLife, WindowsGoWithTheirThread) {
  Register("Rec");
  HWND h{};
  std::thread maker([&] { h = TopLevel("Rec"); });
  maker.join();
  ASSERT_NE(h, nullptr);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(ZOrder().empty());
}

TEST(WindowLife, OwnedWindowsAreDestroyedBeforeTheirOwner) {
  Register("Rec");
  HWND owner = TopLevel("Rec");
  HWND owned = TopLevel("Rec", "", WS_POPUP, 0, owner);
  ClearSeen();
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front().hwnd, owned);
  EXPECT_EQ(seen.back().hwnd, owner);
}

TEST(FindWindow, FindsTopLevelWindowsByClassAndTitleOnly) {
  Register("TFormKORU");
  Register("TKoruForm");
  HWND messageOnly = CreateWindowExA(0, "TFormKORU", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  HWND holder = TopLevel("TKoruForm");
  HWND child = Child("TFormKORU", holder);
  ASSERT_NE(messageOnly, nullptr);
  EXPECT_EQ(FindWindowA("TFormKORU", nullptr), nullptr);  // neither message-only nor child windows count
  EXPECT_EQ(FindWindowA("tkoruform", nullptr), holder);
  EXPECT_EQ(FindWindowExA(HWND_MESSAGE, nullptr, "TFormKORU", nullptr), messageOnly);
  EXPECT_EQ(FindWindowExA(holder, nullptr, "TFormKORU", nullptr), child);

  HWND player = TopLevel("TFormKORU", "KORU");
  HWND second = TopLevel("TFormKORU", "Other");
  EXPECT_EQ(FindWindowA("TFormKORU", nullptr), second);  // the topmost in z-order
  EXPECT_EQ(FindWindowA("TFormKORU", "koru"), player);
  EXPECT_EQ(FindWindowA(nullptr, "Other"), second);
  EXPECT_EQ(FindWindowExA(nullptr, second, "TFormKORU", nullptr), player);
  EXPECT_EQ(FindWindowA("TFormKORU", "Missing"), nullptr);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{second, player, holder}));
}

TEST(WindowText, TruncationKeepsDoubleByteCharactersWhole) {
  Register("Rec");
  HWND h = TopLevel("Rec");
  const std::string& text = SJ("日本");
  ASSERT_EQ(text.size(), 4u);
  ASSERT_TRUE(SetWindowTextA(h, text.c_str()));
  EXPECT_EQ(GetWindowTextLengthA(h), 4);
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(GetWindowTextA(h, buffer, 4), 2);  // room for three bytes: only the first character fits
  EXPECT_EQ(std::string(buffer), text.substr(0, 2));
  EXPECT_EQ(GetWindowTextA(h, buffer, 5), 4);
  EXPECT_EQ(std::string(buffer), text);
  SetWindowTextA(h, nullptr);
  EXPECT_EQ(GetWindowTextLengthA(h), 0);
}

TEST(WindowTree, ParentsOwnersAndSiblings) {
  Register("Rec");
  HWND main = TopLevel("Rec", "", WS_OVERLAPPED);
  HWND popup = TopLevel("Rec", "", WS_POPUP, 0, main);
  HWND overlapped = TopLevel("Rec", "", WS_OVERLAPPED, 0, popup);
  HWND first = Child("Rec", main, 0, 0, 10, 10, 7);
  HWND second = Child("Rec", main);
  HWND inner = Child("Rec", first);

  EXPECT_EQ(GetParent(first), main);
  EXPECT_EQ(GetParent(popup), main);          // a popup's owner
  EXPECT_EQ(GetParent(overlapped), nullptr);  // an overlapped window has no parent even when owned
  EXPECT_EQ(GetWindow(overlapped, GW_OWNER), popup);
  EXPECT_EQ(GetAncestor(inner, GA_ROOT), main);
  EXPECT_EQ(GetAncestor(overlapped, GA_ROOTOWNER), main);
  EXPECT_EQ(GetAncestor(main, GA_PARENT), GetDesktopWindow());

  // Children keep their creation order, the first created on top.
  EXPECT_EQ(GetWindow(main, GW_CHILD), first);
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetWindow(second, GW_HWNDPREV), first);
  EXPECT_TRUE(IsChild(main, inner));
  EXPECT_FALSE(IsChild(main, popup));
  EXPECT_EQ(GetWindowLongPtrA(first, GWLP_ID), 7);
  EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(first, GWLP_HWNDPARENT)), main);
  EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(popup, GWLP_HWNDPARENT)), main);

  // A window cannot become its own descendant.
  EXPECT_EQ(SetParent(main, inner), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetParent(inner, second), first);
  EXPECT_TRUE(IsChild(second, inner));
  EXPECT_FALSE(IsChild(first, inner));

  std::vector<HWND> below;
  EnumChildWindows(main, [](HWND h, LPARAM p) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&below));
  EXPECT_EQ(below, (std::vector<HWND>{first, second, inner}));
}

TEST(WindowLongs, StylesProceduresUserDataAndExtraBytes) {
  Register("Rec", RecordingProc, 8);
  HWND h = TopLevel("Rec");
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0);
  SetWindowLongPtrA(h, GWLP_USERDATA, 0x1234567890LL);
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_USERDATA), 0x1234567890LL);

  ClearSeen();
  LONG old = SetWindowLongA(h, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_BORDER));
  EXPECT_EQ(static_cast<DWORD>(old) & WS_POPUP, WS_POPUP);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(h, GWL_STYLE)), WS_POPUP | WS_BORDER);
  EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
  SetWindowLongA(h, GWL_EXSTYLE, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);  // topmost only through SetWindowPos
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(h, GWL_EXSTYLE)), WS_EX_TOOLWINDOW);

  // Subclassing: the new procedure hands on to the old one.
  static WNDPROC previous;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(
      +[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        return m == WM_USER ? 99 : CallWindowProcA(previous, w, m, wp, lp);
      })));
  EXPECT_EQ(previous, &RecordingProc);
  EXPECT_EQ(SendMessageA(h, WM_USER, 0, 0), 99);
  EXPECT_EQ(SendMessageA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("sub")), TRUE);
  EXPECT_EQ(GetWindowTextLengthA(h), 3);
  EXPECT_EQ(GetWindowLongA(h, GWLP_WNDPROC), 0);  // a procedure does not fit 32 bits
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);

  SetWindowLongA(h, 4, -5);
  EXPECT_EQ(GetWindowLongA(h, 4), -5);
  SetWindowLongPtrA(h, 0, 0x0102030405060708LL);
  EXPECT_EQ(GetWindowLongPtrA(h, 0), 0x0102030405060708LL);
  SetLastError(0);
  EXPECT_EQ(GetWindowLongA(h, 6), 0);  // past the eight extra bytes
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
  EXPECT_EQ(GetWindowLongA(h, -100), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
}

TEST(ZOrder, TopmostWindowsStayAboveTheOthers) {
  Register("Rec");
  HWND a = TopLevel("Rec");
  HWND b = TopLevel("Rec");
  HWND c = TopLevel("Rec");
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{c, b, a}));

  ASSERT_TRUE(SetWindowPos(a, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_TRUE(GetWindowLongA(a, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{a, c, b}));
  HWND d = TopLevel("Rec");  // a new window goes to the top of its band
  HWND e = TopLevel("Rec", "", WS_POPUP, WS_EX_TOPMOST);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{e, a, d, c, b}));

  SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{e, a, b, d, c}));
  SetWindowPos(d, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // after a topmost one: top of its band
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{e, a, d, b, c}));
  SetWindowPos(d, b, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{e, a, b, d, c}));
  SetWindowPos(e, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_FALSE(GetWindowLongA(e, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{a, e, b, d, c}));
  SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_FALSE(GetWindowLongA(a, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{e, b, d, c, a}));
}

TEST(ZOrder, OwnedWindowsStayAboveTheirOwner) {
  Register("Rec");
  HWND owner = TopLevel("Rec");
  HWND owned = TopLevel("Rec", "", WS_POPUP, 0, owner);
  HWND other = TopLevel("Rec");
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{other, owned, owner}));
  SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{owned, owner, other}));
  SetWindowPos(owned, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(ZOrder(), (std::vector<HWND>{owned, owner, other}));
}

TEST(Geometry, ClientAreaFollowsTheStylesAndMapsToTheScreen) {
  Register("Rec");
  HWND frame =
      CreateWindowExA(0, "Rec", "", WS_OVERLAPPEDWINDOW, 100, 50, 300, 200, nullptr, nullptr, nullptr, nullptr);
  RECT client;
  GetClientRect(frame, &client);
  EXPECT_EQ(client.right, 300 - 2 * detail::kSizingFrameWidth);
  EXPECT_EQ(client.bottom, 200 - 2 * detail::kSizingFrameWidth - detail::kCaptionHeight);
  POINT p{0, 0};
  ClientToScreen(frame, &p);
  EXPECT_EQ(p.x, 100 + detail::kSizingFrameWidth);
  EXPECT_EQ(p.y, 50 + detail::kSizingFrameWidth + detail::kCaptionHeight);

  HWND child = CreateWindowExA(0, "Rec", "", WS_CHILD | WS_BORDER, 10, 20, 50, 40, frame, nullptr, nullptr, nullptr);
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, p.x + 10);
  EXPECT_EQ(r.top, p.y + 20);
  POINT q{r.left + detail::kBorderWidth + 5, r.top + detail::kBorderWidth + 6};
  ScreenToClient(child, &q);
  EXPECT_EQ(q.x, 5);
  EXPECT_EQ(q.y, 6);
  POINT m{0, 0};
  MapWindowPoints(child, frame, &m, 1);
  EXPECT_EQ(m.x, 10 + detail::kBorderWidth);
  EXPECT_EQ(m.y, 20 + detail::kBorderWidth);

  // Moving the parent carries the child along.
  MoveWindow(frame, 200, 50, 300, 200, TRUE);
  RECT moved;
  GetWindowRect(child, &moved);
  EXPECT_EQ(moved.left, r.left + 100);
  EXPECT_EQ(moved.top, r.top);
}

TEST(Geometry, WindowPosMessagesReportAndMayAdjustTheChange) {
  WNDCLASSA wc{};
  wc.lpszClassName = "Clamp";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_WINDOWPOSCHANGING) {
      auto* pos = reinterpret_cast<WINDOWPOS*>(l);
      if (!(pos->flags & SWP_NOSIZE)) pos->cx = std::min(pos->cx, 120);
    }
    return RecordingProc(h, m, w, l);
  };
  RegisterClassA(&wc);
  HWND h = TopLevel("Clamp");  // a popup: no frame, the client area is the window
  ClearSeen();
  SetWindowPos(h, nullptr, 30, 40, 500, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.right, 150);
  EXPECT_EQ(r.bottom, 100);
  EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}));
  EXPECT_EQ(seen[2].lParam, MAKELPARAM(30, 40));
  EXPECT_EQ(seen[3].lParam, MAKELPARAM(120, 60));

  ClearSeen();
  SetWindowPos(h, nullptr, 0, 0, 10, 10, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
  EXPECT_EQ(MessagesOf(h), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
  GetWindowRect(h, &r);
  EXPECT_EQ(r.right - r.left, 120);
}

TEST(Visibility, ShowWindowAndVisibleAncestors) {
  Register("Rec");
  HWND parent = TopLevel("Rec");
  HWND child = CreateWindowExA(0, "Rec", "", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  ClearSeen();
  EXPECT_FALSE(ShowWindow(parent, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(parent, SW_SHOWNORMAL));
  EXPECT_EQ(MessagesOf(parent), (std::vector<UINT>{WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
  EXPECT_TRUE(ShowWindow(parent, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(parent));
}

TEST(Visibility, MinimisingAndRestoringAreAnnouncedBySizeKinds) {
  Register("Rec");
  HWND window = TopLevel("Rec", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND child = Child("Rec", window);
  RECT before{};
  GetWindowRect(window, &before);
  ClearSeen();
  ShowWindow(window, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(window));
  ShowWindow(window, SW_SHOWMINIMIZED);  // already minimised: nothing more
  ShowWindow(window, SW_SHOW);           // shows, but keeps it minimised
  EXPECT_TRUE(IsIconic(window));
  ShowWindow(window, SW_RESTORE);
  EXPECT_FALSE(IsIconic(window));
  std::vector<WPARAM> sizeKinds;
  for (const Seen& s : seen)
    if (s.hwnd == window && s.message == WM_SIZE) sizeKinds.push_back(s.wParam);
  EXPECT_EQ(sizeKinds, (std::vector<WPARAM>{SIZE_MINIMIZED, SIZE_RESTORED}));
  RECT after{};
  GetWindowRect(window, &after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.right, before.right);
  ShowWindow(child, SW_MINIMIZE);  // only top-level windows minimise
  EXPECT_FALSE(IsIconic(child));
  DestroyWindow(window);
}

TEST(Activation, ForegroundActiveAndEnabledWindows) {
  Register("Rec");
  HWND a = TopLevel("Rec");
  HWND b = TopLevel("Rec");
  HWND child = Child("Rec", a);
  ClearSeen();
  ASSERT_TRUE(SetForegroundWindow(child));  // its top-level window
  EXPECT_EQ(GetForegroundWindow(), a);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(ZOrder().front(), a);
  EXPECT_EQ(SetActiveWindow(b), a);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].hwnd, a);
  EXPECT_EQ(LOWORD(seen[1].wParam), WA_INACTIVE);
  EXPECT_EQ(reinterpret_cast<HWND>(seen[1].lParam), b);
  EXPECT_EQ(seen[2].hwnd, b);
  EXPECT_EQ(LOWORD(seen[2].wParam), WA_ACTIVE);
  DestroyWindow(a);
  EXPECT_EQ(GetForegroundWindow(), nullptr);

  ClearSeen();
  EXPECT_FALSE(EnableWindow(b, FALSE));
  EXPECT_FALSE(IsWindowEnabled(b));
  EXPECT_TRUE(EnableWindow(b, FALSE));
  EXPECT_TRUE(EnableWindow(b, TRUE));
  EXPECT_TRUE(IsWindowEnabled(b));
  EXPECT_EQ(MessagesOf(b), (std::vector<UINT>{WM_ENABLE, WM_ENABLE}));
}

TEST(Desktop, HasTheScreenSizeAndPlacesDefaultWindowsOnIt) {
  RECT screen;
  GetWindowRect(GetDesktopWindow(), &screen);
  EXPECT_EQ(screen.right, 1024);
  EXPECT_EQ(screen.bottom, 768);
  test::SetScreenSize(1920, 1080);
  GetClientRect(GetDesktopWindow(), &screen);
  EXPECT_EQ(screen.right, 1920);
  Register("Rec");
  HWND h = CreateWindowExA(0, "Rec", "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                           nullptr, nullptr);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_GE(r.left, 0);
  EXPECT_GT(r.right - r.left, 0);
  EXPECT_LE(r.right, 1920);
  EXPECT_LE(r.bottom, 1080);
  EXPECT_EQ(GetWindowThreadProcessId(h, nullptr), GetCurrentThreadId());
  EXPECT_FALSE(GetWindowRect(h, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(SetForegroundWindow(GetDesktopWindow()));
  EXPECT_FALSE(SetWindowPos(GetDesktopWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_EQ(CreateWindowExA(0, "Rec", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
}
