// Menus: popup menus and menu bars as handles holding items (strings,
// separators and submenus with their check and enable states), and the
// tracking of a popup menu. A tracked menu is modal: it serves the thread's
// messages while it is shown, tells its owner window what was chosen and
// ends. No person chooses here: the choice comes from the test API's queue.
// Texts are code page 932; an '&' in a caption marks the next character as
// the item's accelerator, "&&" is an ampersand.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace win {

// Item flags of AppendMenu, InsertMenu, ModifyMenu and GetMenuState.
constexpr UINT MF_INSERT = 0x00000000;
constexpr UINT MF_CHANGE = 0x00000080;
constexpr UINT MF_APPEND = 0x00000100;
constexpr UINT MF_DELETE = 0x00000200;
constexpr UINT MF_REMOVE = 0x00001000;
constexpr UINT MF_BYCOMMAND = 0x00000000;
constexpr UINT MF_BYPOSITION = 0x00000400;
constexpr UINT MF_SEPARATOR = 0x00000800;
constexpr UINT MF_ENABLED = 0x00000000;
constexpr UINT MF_GRAYED = 0x00000001;
constexpr UINT MF_DISABLED = 0x00000002;
constexpr UINT MF_UNCHECKED = 0x00000000;
constexpr UINT MF_CHECKED = 0x00000008;
constexpr UINT MF_STRING = 0x00000000;
constexpr UINT MF_POPUP = 0x00000010;
constexpr UINT MF_MENUBARBREAK = 0x00000020;
constexpr UINT MF_MENUBREAK = 0x00000040;
constexpr UINT MF_UNHILITE = 0x00000000;
constexpr UINT MF_HILITE = 0x00000080;
constexpr UINT MF_DEFAULT = 0x00001000;
constexpr UINT MF_RIGHTJUSTIFY = 0x00004000;

// Item types and states of MENUITEMINFOA.
constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_MENUBARBREAK = MF_MENUBARBREAK;
constexpr UINT MFT_MENUBREAK = MF_MENUBREAK;
constexpr UINT MFT_RADIOCHECK = 0x00000200;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFT_RIGHTJUSTIFY = MF_RIGHTJUSTIFY;
constexpr UINT MFS_GRAYED = 0x00000003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_UNHILITE = MF_UNHILITE;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

// Which members of MENUITEMINFOA a call reads or fills.
constexpr UINT MIIM_STATE = 0x00000001;
constexpr UINT MIIM_ID = 0x00000002;
constexpr UINT MIIM_SUBMENU = 0x00000004;
constexpr UINT MIIM_TYPE = 0x00000010;  // fType and, for strings, dwTypeData
constexpr UINT MIIM_DATA = 0x00000020;
constexpr UINT MIIM_STRING = 0x00000040;
constexpr UINT MIIM_FTYPE = 0x00000100;

// TrackPopupMenu flags.
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;   // no WM_INITMENU, WM_INITMENUPOPUP or WM_COMMAND
constexpr UINT TPM_RETURNCMD = 0x0100;  // the chosen id is returned instead of posted

struct MENUITEMINFOA {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  DWORD_PTR dwItemData;
  LPSTR dwTypeData;
  UINT cch;  // in: the buffer's size; out: the text's length
  HBITMAP hbmpItem;
};

struct TPMPARAMS {
  UINT cbSize;
  RECT rcExclude;
};

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and, with it, every submenu its items hold.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// With MF_POPUP, `idOrSubmenu` is the submenu's handle, which the item then
// owns. With MF_SEPARATOR the text is ignored.
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text);
BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOA* info);
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info);
// DeleteMenu destroys an item's submenu; RemoveMenu leaves it to the caller.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);

int GetMenuItemCount(HMENU menu);  // -1 for a bad handle
// 0xFFFFFFFF for a submenu item or a position past the end.
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
// The text's length; with a buffer, the text copied into it (cut to the size).
int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags);
// The MF_ flags of the item (for a submenu item, its item count in the high
// byte); 0xFFFFFFFF when there is no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// The previous check state (MF_CHECKED or MF_UNCHECKED), -1 without the item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
// Checks `check` as a radio item and unchecks the others from `first` to `last`.
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
// The previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED), -1 without the item.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);

// Shows the menu at the screen point for the owner window until a choice or
// a dismissal ends it. Answers the chosen id with TPM_RETURNCMD (0 when
// dismissed), otherwise TRUE, and posts WM_COMMAND (the id in the low word)
// to the owner for a choice. FALSE when the menu or window is bad or a menu
// is already shown.
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS* params);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* rect);
// Ends the menu being shown, as a dismissal.
BOOL EndMenu();

namespace detail {

// Shows a popup menu on the screen for a person, at the screen point, and
// answers the command chosen, or nothing when the menu was dismissed. Set by
// the live desktop; TrackPopupMenu uses it when no choice is queued.
using PopupMenuRunner = std::optional<UINT> (*)(HMENU menu, POINT at, HWND owner);
void SetPopupMenuRunner(PopupMenuRunner runner);
// Whether EndMenu asked the menu being shown to go away.
bool MenuTrackingEnded();

}  // namespace detail

namespace test {

// What a shown menu does: choose an item by its command id, or by the path of
// captions from the top menu (accelerator marks are ignored: "E&xit" is
// "Exit"), or be dismissed. `whileShown` runs while the menu is up, after
// the messages already waiting were served.
void QueueMenuChoice(UINT id, std::function<void()> whileShown = {});
void QueueMenuChoice(std::vector<std::string> captions, std::function<void()> whileShown = {});
void QueueMenuDismiss(std::function<void()> whileShown = {});
size_t PendingMenuChoices();
void ClearMenuChoices();

// A menu shown with no queued choice is dismissed. A choice that names no
// item, or an item that is grayed, disabled, a separator or a submenu, is a
// fault of the test: reported (to the reporter set, else stderr), recorded,
// and the menu is dismissed.
void SetMenuErrorReporter(std::function<void(const std::string&)> report);
std::vector<std::string> MenuErrors();

// The menu being tracked now; null when none.
HMENU ShownMenu();

struct MenuItemView {
  std::string caption;  // as set, ampersands included; empty for a separator
  char accelerator;     // the marked character, 0 when none
  UINT id;
  bool separator;
  bool checked;
  bool radio;
  bool grayed;  // MF_GRAYED or MF_DISABLED
  HMENU submenu;
  std::vector<MenuItemView> items;  // the submenu's items
};
// The items of a menu and, deep, of its submenus; empty for a bad handle.
std::vector<MenuItemView> ReadMenu(HMENU menu);

}  // namespace test
}  // namespace win
