#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Window.h"

using namespace win;

namespace {

struct Heard {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Heard> heard;
HMENU shrinkOnOpen{};  // the owner deletes this menu's first item when it opens

LRESULT OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(w) == shrinkOnOpen) DeleteMenu(shrinkOnOpen, 0, MF_BYPOSITION);
  if (m == WM_INITMENU || m == WM_INITMENUPOPUP || m == WM_COMMAND || m == WM_USER) heard.push_back({m, w, l});
  return DefWindowProcA(h, m, w, l);
}

std::vector<UINT> HeardMessages() {
  std::vector<UINT> messages;
  for (const Heard& h : heard) messages.push_back(h.message);
  return messages;
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

std::string StringOf(HMENU menu, UINT item, UINT flags) {
  char buffer[64];
  GetMenuStringA(menu, item, buffer, sizeof buffer, flags);
  return buffer;
}

class Menus : public ::testing::Test {
 protected:
  void SetUp() override {
    heard.clear();
    shrinkOnOpen = nullptr;
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = "MenuOwner";
    RegisterClassA(&wc);
    owner_ = CreateWindowExA(0, "MenuOwner", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    test::SetMenuErrorReporter([this](const std::string& e) { errors_.push_back(e); });
    // File: Open(1), -, Recent > [a.txt(10), b.txt(11)], E&xit(2) grayed
    recent_ = CreatePopupMenu();
    AppendMenuA(recent_, MF_STRING, 10, "a.txt");
    AppendMenuA(recent_, MF_STRING, 11, "b.txt");
    menu_ = CreatePopupMenu();
    AppendMenuA(menu_, MF_STRING, 1, "&Open");
    AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(recent_), "&Recent");
    AppendMenuA(menu_, MF_STRING | MF_GRAYED, 2, "E&xit");
  }
  void TearDown() override {
    test::SetMenuErrorReporter({});
    test::ClearMenuChoices();
  }
  HWND owner_{};
  HMENU menu_{};
  HMENU recent_{};
  std::vector<std::string> errors_;
};

TEST_F(Menus, ItemsByPositionAndByCommandReachSubmenus) {
  EXPECT_EQ(GetMenuItemCount(menu_), 4);
  EXPECT_EQ(GetMenuItemID(menu_, 0), 1u);
  EXPECT_EQ(GetMenuItemID(menu_, 2), 0xFFFFFFFFu);  // a submenu
  EXPECT_EQ(GetMenuItemID(menu_, 9), 0xFFFFFFFFu);
  EXPECT_EQ(GetSubMenu(menu_, 2), recent_);
  EXPECT_EQ(GetSubMenu(menu_, 0), nullptr);
  EXPECT_EQ(StringOf(menu_, 11, MF_BYCOMMAND), "b.txt");  // found in the submenu
  EXPECT_EQ(StringOf(menu_, 3, MF_BYPOSITION), "E&xit");
  EXPECT_EQ(GetMenuStringA(menu_, 3, nullptr, 0, MF_BYPOSITION), 5);

  EXPECT_EQ(GetMenuState(menu_, 1, MF_BYPOSITION), MF_SEPARATOR);
  EXPECT_EQ(GetMenuState(menu_, 2, MF_BYPOSITION), MF_POPUP | (2u << 8));
  EXPECT_EQ(GetMenuState(menu_, 2, MF_BYCOMMAND), MF_GRAYED);
  EXPECT_EQ(GetMenuState(menu_, 99, MF_BYCOMMAND), 0xFFFFFFFFu);

  EXPECT_EQ(CheckMenuItem(menu_, 10, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
  EXPECT_EQ(CheckMenuItem(menu_, 10, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(EnableMenuItem(menu_, 2, MF_ENABLED), static_cast<BOOL>(MF_GRAYED));
  EXPECT_EQ(EnableMenuItem(menu_, 99, MF_ENABLED), -1);

  ASSERT_TRUE(InsertMenuA(menu_, 2, MF_BYCOMMAND | MF_STRING, 3, "Save"));  // before Exit
  EXPECT_EQ(GetMenuItemID(menu_, 3), 3u);
  ASSERT_TRUE(ModifyMenuA(menu_, 3, MF_BYCOMMAND | MF_STRING | MF_CHECKED, 4, "Save as"));
  EXPECT_EQ(GetMenuItemID(menu_, 3), 4u);
  EXPECT_EQ(GetMenuState(menu_, 4, MF_BYCOMMAND), MF_CHECKED);
  EXPECT_FALSE(InsertMenuA(menu_, 77, MF_BYCOMMAND, 5, "x"));
  EXPECT_EQ(GetLastError(), ERROR_MENU_ITEM_NOT_FOUND);
}

TEST_F(Menus, TextsAreCutToTheBufferWithoutSplittingACharacter) {
  const std::string japanese = SJ("終了");  // two double-byte characters
  AppendMenuA(menu_, MF_STRING, 5, japanese.c_str());
  char buffer[4] = "xxx";
  EXPECT_EQ(GetMenuStringA(menu_, 5, buffer, 4, MF_BYCOMMAND), 2);
  EXPECT_EQ(std::string(buffer), japanese.substr(0, 2));

  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_FTYPE;
  char text[3];
  info.dwTypeData = text;
  info.cch = sizeof text;
  ASSERT_TRUE(GetMenuItemInfoA(menu_, 0, TRUE, &info));
  EXPECT_STREQ(text, "&O");
  EXPECT_EQ(info.cch, 2u);
  EXPECT_EQ(info.wID, 1u);
  info.dwTypeData = nullptr;
  ASSERT_TRUE(GetMenuItemInfoA(menu_, 0, TRUE, &info));
  EXPECT_EQ(info.cch, 5u);  // the whole length when asked without a buffer

  info.cbSize = 4;
  EXPECT_FALSE(GetMenuItemInfoA(menu_, 0, TRUE, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Menus, ItemInfoSetsRadioMarksAndSubmenus) {
  HMENU sub = CreatePopupMenu();
  AppendMenuA(sub, MF_STRING, 20, "inner");
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_DATA;
  info.fType = MFT_RADIOCHECK;
  info.fState = MFS_CHECKED;
  info.wID = 30;
  info.dwTypeData = const_cast<LPSTR>("More");
  info.hSubMenu = sub;
  info.dwItemData = 1234;
  ASSERT_TRUE(InsertMenuItemA(menu_, 0, TRUE, &info));
  MENUITEMINFOA read{};
  read.cbSize = sizeof read;
  read.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
  ASSERT_TRUE(GetMenuItemInfoA(menu_, 0, TRUE, &read));
  EXPECT_EQ(read.fType, MFT_RADIOCHECK);
  EXPECT_EQ(read.fState, MFS_CHECKED);
  EXPECT_EQ(read.wID, 30u);
  EXPECT_EQ(read.hSubMenu, sub);
  EXPECT_EQ(read.dwItemData, 1234u);

  // A menu cannot be held twice nor hold its own parent.
  EXPECT_FALSE(AppendMenuA(recent_, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "again"));
  EXPECT_FALSE(AppendMenuA(recent_, MF_POPUP, reinterpret_cast<UINT_PTR>(menu_), "loop"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(GetMenuItemCount(recent_), 2);

  info.fMask = MIIM_STATE;
  info.fState = MFS_GRAYED;
  ASSERT_TRUE(SetMenuItemInfoA(menu_, 20, FALSE, &info));
  EXPECT_EQ(GetMenuState(menu_, 20, MF_BYCOMMAND), MF_GRAYED | MF_DISABLED);
}

TEST_F(Menus, RadioChecksWithinARange) {
  HMENU modes = CreatePopupMenu();
  for (UINT id = 100; id < 104; ++id) AppendMenuA(modes, MF_STRING, id, "mode");
  CheckMenuItem(modes, 100, MF_CHECKED);
  CheckMenuItem(modes, 103, MF_CHECKED);  // outside the range below
  ASSERT_TRUE(CheckMenuRadioItem(modes, 100, 102, 101, MF_BYCOMMAND));
  auto items = test::ReadMenu(modes);
  EXPECT_FALSE(items[0].checked);
  EXPECT_TRUE(items[1].checked);
  EXPECT_TRUE(items[1].radio);
  EXPECT_FALSE(items[2].checked);
  EXPECT_TRUE(items[3].checked);
  // A chosen item outside the range changes nothing.
  EXPECT_FALSE(CheckMenuRadioItem(modes, 0, 1, 3, MF_BYPOSITION));
  EXPECT_TRUE(test::ReadMenu(modes)[1].checked);
  DestroyMenu(modes);
}

TEST_F(Menus, DeletingDestroysSubmenusRemovingKeepsThem) {
  ASSERT_TRUE(RemoveMenu(menu_, 2, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(recent_));
  EXPECT_EQ(GetMenuItemCount(menu_), 3);
  ASSERT_TRUE(AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(recent_), "Recent"));  // free again
  ASSERT_TRUE(DeleteMenu(menu_, 3, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(recent_));

  HMENU sub = CreatePopupMenu();
  AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
  ASSERT_TRUE(DestroyMenu(menu_));
  EXPECT_FALSE(IsMenu(menu_));
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_FALSE(DestroyMenu(menu_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
  EXPECT_EQ(GetMenuItemCount(menu_), -1);
}

TEST_F(Menus, AChoiceByCommandIsPostedToTheOwner) {
  HMENU seen{};
  std::vector<test::MenuItemView> shown;
  test::QueueMenuChoice(11, [&] {
    seen = test::ShownMenu();
    shown = test::ReadMenu(seen);
  });
  ASSERT_TRUE(TrackPopupMenu(menu_, TPM_RIGHTBUTTON, 5, 5, 0, owner_, nullptr));
  EXPECT_EQ(seen, menu_);
  EXPECT_EQ(test::ShownMenu(), nullptr);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].caption, "&Open");
  EXPECT_EQ(shown[0].accelerator, 'O');
  EXPECT_TRUE(shown[1].separator);
  EXPECT_EQ(shown[2].submenu, recent_);
  ASSERT_EQ(shown[2].items.size(), 2u);
  EXPECT_EQ(shown[2].items[1].caption, "b.txt");
  EXPECT_TRUE(shown[3].grayed);
  EXPECT_EQ(shown[3].accelerator, 'x');

  // The menu opened, then its submenu on the way to the item.
  ASSERT_EQ(HeardMessages(), (std::vector<UINT>{WM_INITMENU, WM_INITMENUPOPUP, WM_INITMENUPOPUP}));
  EXPECT_EQ(heard[1].wParam, reinterpret_cast<WPARAM>(menu_));
  EXPECT_EQ(heard[2].wParam, reinterpret_cast<WPARAM>(recent_));
  EXPECT_EQ(LOWORD(static_cast<DWORD_PTR>(heard[2].lParam)), 2);
  Pump();
  ASSERT_EQ(heard.size(), 4u);
  EXPECT_EQ(heard[3].message, WM_COMMAND);
  EXPECT_EQ(heard[3].wParam, 11u);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(Menus, ReturnCmdAnswersTheIdAndNoNotifySendsNothing) {
  test::QueueMenuChoice({"Recent", "a.txt"});
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD | TPM_NONOTIFY, 0, 0, owner_, nullptr), 10);
  test::QueueMenuChoice({"Open"});  // accelerator marks are ignored
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD, 0, 0, owner_, nullptr), 1);
  Pump();
  EXPECT_EQ(HeardMessages(), (std::vector<UINT>{WM_INITMENU, WM_INITMENUPOPUP}));  // no WM_COMMAND
  test::QueueMenuDismiss();
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD, 0, 0, owner_, nullptr), 0);
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD, 0, 0, owner_, nullptr), 0);  // nothing queued
  EXPECT_TRUE(errors_.empty());
}

TEST_F(Menus, ChoicesThatCannotBeMadeAreTestErrorsAndDismiss) {
  const size_t earlier = test::MenuErrors().size();  // the record is the process's
  test::QueueMenuChoice(2);                   // grayed
  test::QueueMenuChoice({"Recent"});          // a submenu
  test::QueueMenuChoice({"Open", "deeper"});  // no submenu
  test::QueueMenuChoice({"Missing"});
  test::QueueMenuChoice(99);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD, 0, 0, owner_, nullptr), 0);
  ASSERT_EQ(errors_.size(), 5u);
  EXPECT_NE(errors_[0].find("grayed"), std::string::npos);
  EXPECT_NE(errors_[1].find("opens a submenu"), std::string::npos);
  EXPECT_NE(errors_[2].find("opens no submenu"), std::string::npos);
  EXPECT_NE(errors_[3].find("Missing"), std::string::npos);
  EXPECT_NE(errors_[4].find("99"), std::string::npos);
  EXPECT_EQ(test::MenuErrors().size(), earlier + 5u);
  Pump();
  const std::vector<UINT> messages = HeardMessages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), WM_COMMAND), 0);
}

TEST_F(Menus, SubmenusAreChosenFromAfterTheOwnerPreparedThem) {
  shrinkOnOpen = recent_;
  test::QueueMenuChoice(10);
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD, 0, 0, owner_, nullptr), 0);
  test::QueueMenuChoice({"Recent", "b.txt"});
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD, 0, 0, owner_, nullptr), 0);  // b.txt went too
  ASSERT_EQ(errors_.size(), 2u);
  EXPECT_NE(errors_[0].find("went away"), std::string::npos);
  EXPECT_NE(errors_[1].find("b.txt"), std::string::npos);
  EXPECT_EQ(GetMenuItemCount(recent_), 0);
}

TEST_F(Menus, TheMenuServesMessagesWhileShownAndCanBeEnded) {
  PostMessageA(owner_, WM_USER, 7, 0);
  bool nestedRefused = false;
  test::QueueMenuChoice(1, [&] {
    EXPECT_EQ(HeardMessages().back(), static_cast<UINT>(WM_USER));  // served by the menu's loop
    nestedRefused =
        !TrackPopupMenu(recent_, 0, 0, 0, 0, owner_, nullptr) && GetLastError() == ERROR_POPUP_ALREADY_ACTIVE;
    EndMenu();
  });
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD, 0, 0, owner_, nullptr), 0);  // ended: no choice
  EXPECT_TRUE(nestedRefused);

  // A quit message ends the menu and stays for the caller's loop.
  test::QueueMenuChoice(1, [] { PostQuitMessage(3); });
  EXPECT_EQ(TrackPopupMenuEx(menu_, TPM_RETURNCMD, 0, 0, owner_, nullptr), 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);

  EXPECT_FALSE(TrackPopupMenu(menu_, 0, 0, 0, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(TrackPopupMenu(nullptr, 0, 0, 0, 0, owner_, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
}

}  // namespace
