#include "platform/Button.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/Gdi.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/SysColors.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace win {
namespace {

struct DrawCall {
  UINT ctlType, ctlId, action, state;
  HWND item;
  RECT rect;
  bool hadDc;
};

struct ParentLog {
  std::vector<DrawCall> draws;
  std::vector<WPARAM> commands;  // wParam of each WM_COMMAND from the button
  std::vector<LPARAM> commandWindows;
};

ParentLog& Log() {
  static ParentLog log;
  return log;
}

LRESULT ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    Log().draws.push_back({item->CtlType, item->CtlID, item->itemAction, item->itemState, item->hwndItem,
                           item->rcItem, item->hDC != nullptr});
    return TRUE;
  }
  if (message == WM_COMMAND) {
    Log().commands.push_back(wParam);
    Log().commandWindows.push_back(lParam);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// A shown top-level window with one 40 by 20 button at (10, 10).
class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Log() = ParentLog{};
    WNDCLASSA wc{};
    wc.lpfnWndProc = &ParentProc;
    wc.lpszClassName = "ButtonTestParent";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_WINDOW + 1));
    RegisterClassA(&wc);
    parent = CreateWindowExA(0, "ButtonTestParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(parent);
  }
  void TearDown() override { DestroyWindow(parent); }

  HWND MakeButton(DWORD type, const char* text = "") {
    HWND button = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | type, 10, 10, 40, 20, parent,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(kId)), nullptr, nullptr);
    Pump();
    Log().draws.clear();
    return button;
  }

  COLORREF Pixel(int x, int y) {
    std::lock_guard lock(detail::KernelMutex());
    auto surface = detail::TopLevelSurfaceLocked(parent);
    return surface ? surface->ToColor(surface->Get(x, y)) : CLR_INVALID;
  }

  static constexpr int kId = 77;
  HWND parent{};
};

TEST_F(ButtonTest, TheClassIsThereFromTheStart) {
  WNDCLASSA wc{};
  ASSERT_TRUE(GetClassInfoA(nullptr, "button", &wc));
  EXPECT_EQ(wc.lpfnWndProc, &ButtonWndProc);
  EXPECT_TRUE(wc.style & CS_DBLCLKS);
}

TEST_F(ButtonTest, OwnerDrawnButtonIsSelectedWhilePressedInsideAndClicksOnceOnReleaseInside) {
  HWND button = MakeButton(BS_OWNERDRAW);
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  ASSERT_FALSE(Log().draws.empty());  // the press also takes the focus
  const DrawCall pressed = Log().draws.back();
  EXPECT_EQ(pressed.ctlType, ODT_BUTTON);
  EXPECT_EQ(pressed.ctlId, static_cast<UINT>(kId));
  EXPECT_EQ(pressed.item, button);
  EXPECT_EQ(pressed.action, ODA_SELECT);
  EXPECT_TRUE(pressed.state & ODS_SELECTED);
  EXPECT_TRUE(pressed.hadDc);
  EXPECT_EQ(pressed.rect.right, 40);
  EXPECT_EQ(pressed.rect.bottom, 20);
  EXPECT_EQ(GetCapture(), button);
  EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);

  // Out and back: released, then pressed again; moves that change nothing draw nothing.
  Log().draws.clear();
  SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(45, 5));
  SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(-3, 30));
  SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(39, 19));
  ASSERT_EQ(Log().draws.size(), 2u);
  EXPECT_FALSE(Log().draws[0].state & ODS_SELECTED);
  EXPECT_TRUE(Log().draws[1].state & ODS_SELECTED);
  EXPECT_TRUE(Log().commands.empty());

  SendMessageA(button, WM_LBUTTONUP, 0, At(39, 19));
  ASSERT_EQ(Log().commands.size(), 1u);
  EXPECT_EQ(Log().commands[0], MAKEWPARAM(kId, BN_CLICKED));
  EXPECT_EQ(Log().commandWindows[0], reinterpret_cast<LPARAM>(button));
  EXPECT_FALSE(Log().draws.back().state & ODS_SELECTED);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);

  // A release without a press is nothing.
  SendMessageA(button, WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(Log().commands.size(), 1u);
}

TEST_F(ButtonTest, ReleaseOutsideOrALostCaptureMakesNoClick) {
  HWND button = MakeButton(BS_OWNERDRAW);
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(60, 5));
  SendMessageA(button, WM_LBUTTONUP, 0, At(60, 5));
  EXPECT_TRUE(Log().commands.empty());
  EXPECT_EQ(GetCapture(), nullptr);

  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  SetCapture(parent);  // another window takes the mouse mid-press
  EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  SendMessageA(button, WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_TRUE(Log().commands.empty());
  ReleaseCapture();
}

TEST_F(ButtonTest, StateMessagesAndProgrammaticClicks) {
  HWND button = MakeButton(BS_OWNERDRAW);
  SendMessageA(button, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
  ASSERT_FALSE(Log().draws.empty());
  EXPECT_TRUE(Log().draws.back().state & ODS_SELECTED);
  SendMessageA(button, BM_SETSTATE, FALSE, 0);
  EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  EXPECT_TRUE(Log().commands.empty());  // showing pressed is no click

  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_EQ(Log().commands.size(), 1u);

  EnableWindow(button, FALSE);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_EQ(Log().commands.size(), 1u);
  Log().draws.clear();
  Pump();
  ASSERT_FALSE(Log().draws.empty());
  EXPECT_EQ(Log().draws.back().action, ODA_DRAWENTIRE);
  EXPECT_TRUE(Log().draws.back().state & ODS_DISABLED);
}

TEST_F(ButtonTest, FocusIsReportedToTheOwner) {
  HWND button = MakeButton(BS_OWNERDRAW);
  SetFocus(button);
  ASSERT_FALSE(Log().draws.empty());
  EXPECT_EQ(Log().draws.back().action, ODA_FOCUS);
  EXPECT_TRUE(Log().draws.back().state & ODS_FOCUS);
  EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_FOCUS, BST_FOCUS);
  SetFocus(parent);
  EXPECT_FALSE(Log().draws.back().state & ODS_FOCUS);
}

TEST_F(ButtonTest, PushButtonPaintsRaisedAndSunkenAndClicksWithoutOwnerDrawing) {
  HWND button = MakeButton(BS_PUSHBUTTON, "OK");
  EXPECT_TRUE(Log().draws.empty());
  // Raised: the light edge at the top left, the face inside.
  EXPECT_EQ(Pixel(10, 10), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(49, 29), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(Pixel(13, 12), GetSysColor(COLOR_BTNFACE));

  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  EXPECT_NE(Pixel(10, 10), GetSysColor(COLOR_BTNHIGHLIGHT));  // sunken at once
  SendMessageA(button, WM_LBUTTONUP, 0, At(5, 5));
  EXPECT_EQ(Pixel(10, 10), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Log().commands.size(), 1u);
}

TEST_F(ButtonTest, StyleChangesKeepTheRestOfTheStyle) {
  HWND button = MakeButton(BS_PUSHBUTTON);
  SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  const auto style = static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE));
  EXPECT_EQ(style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(style & WS_CHILD);
  Pump();
  EXPECT_EQ(Pixel(10, 10), 0x000000u);  // the default button's black frame
}

}  // namespace
}  // namespace win
