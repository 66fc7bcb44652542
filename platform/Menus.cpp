#include "platform/Menus.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/Errors.h"
#include "platform/Handles.h"
#include "platform/Messages.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/Window.h"

namespace win {
namespace detail {

namespace {

struct MenuItem {
  UINT type = MFT_STRING;  // MFT_ bits
  UINT state = 0;          // MFS_ bits
  UINT id = 0;
  HMENU submenu{};  // owned by the item
  std::string text;
  DWORD_PTR data = 0;
};

class MenuObject final : public HandleObject {
 public:
  HandleKind Kind() const override { return HandleKind::Menu; }
  HMENU handle{};
  bool attached = false;  // held by an item of another menu
  std::vector<MenuItem> items;
};

// Guards every menu's items; never held while a window procedure runs.
std::mutex& MenuMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::shared_ptr<MenuObject> MenuOf(HMENU menu) { return HandleTable::Get<MenuObject>(menu); }

// With MenuMutex held: the menu, or null with ERROR_INVALID_MENU_HANDLE.
std::shared_ptr<MenuObject> CheckedMenuLocked(HMENU menu) {
  auto object = MenuOf(menu);
  if (!object) SetLastError(ERROR_INVALID_MENU_HANDLE);
  return object;
}

struct ItemRef {
  MenuObject* menu;
  size_t index;
  MenuItem& Item() const { return menu->items[index]; }
};

// With MenuMutex held: the command item with that id, in this menu or, depth
// first, in its submenus.
std::optional<ItemRef> FindCommandLocked(MenuObject& menu, UINT id) {
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const MenuItem& item = menu.items[i];
    if (!item.submenu && item.id == id) return ItemRef{&menu, i};
    if (auto sub = MenuOf(item.submenu))
      if (auto found = FindCommandLocked(*sub, id)) return found;
  }
  return std::nullopt;
}

// With MenuMutex held: the item named by position or command, or nothing
// with ERROR_MENU_ITEM_NOT_FOUND.
std::optional<ItemRef> FindItemLocked(MenuObject& menu, UINT item, bool byPosition) {
  std::optional<ItemRef> found;
  if (byPosition) {
    if (item < menu.items.size()) found = ItemRef{&menu, item};
  } else {
    found = FindCommandLocked(menu, item);
  }
  if (!found) SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
  return found;
}

// With MenuMutex held: whether `menu` is `root` or lies in its submenus.
bool ContainsLocked(const MenuObject& root, const MenuObject& menu) {
  if (&root == &menu) return true;
  for (const MenuItem& item : root.items)
    if (auto sub = MenuOf(item.submenu))
      if (ContainsLocked(*sub, menu)) return true;
  return false;
}

// With MenuMutex held: whether `submenu` may become an item's submenu in
// `menu`: a free menu that would not hold its own parent.
bool CanAttachLocked(const MenuObject& menu, HMENU submenu) {
  auto sub = MenuOf(submenu);
  if (!sub || sub->attached || ContainsLocked(*sub, menu)) {
    SetLastError(sub ? ERROR_INVALID_PARAMETER : ERROR_INVALID_MENU_HANDLE);
    return false;
  }
  return true;
}

void SetAttachedLocked(HMENU submenu, bool attached) {
  if (auto sub = MenuOf(submenu)) sub->attached = attached;
}

// With MenuMutex held: takes the menu and its submenus out of the handle table.
void DestroyLocked(HMENU menu) {
  auto object = MenuOf(menu);
  if (!object) return;
  HandleTable::Remove(HandleId(menu));
  for (const MenuItem& item : object->items) DestroyLocked(item.submenu);
}

HMENU NewMenu() {
  auto object = std::make_shared<MenuObject>();
  object->handle = HandleFromId<HMENU>(HandleTable::Insert(object));
  return object->handle;
}

// The item that the classic MF_ flags describe.
MenuItem ItemFromFlags(UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
  MenuItem item;
  item.type = flags & (MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY);
  item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
  if (flags & MF_POPUP)
    item.submenu = HandleFromId<HMENU>(static_cast<uint32_t>(idOrSubmenu));
  else
    item.id = static_cast<UINT>(idOrSubmenu);
  if (!(flags & MF_SEPARATOR) && text) item.text = text;
  return item;
}

// Inserts before the item named by position or command; a position past
// the end appends.
BOOL InsertItem(HMENU menu, UINT position, bool byPosition, MenuItem item) {
  std::lock_guard lock(MenuMutex());
  auto object = CheckedMenuLocked(menu);
  if (!object) return FALSE;
  if (item.submenu && !CanAttachLocked(*object, item.submenu)) return FALSE;
  MenuObject* target = object.get();
  size_t index = std::min<size_t>(position, object->items.size());
  if (!byPosition) {
    auto found = FindCommandLocked(*object, position);
    if (!found) {
      SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
      return FALSE;
    }
    target = found->menu;
    index = found->index;
  }
  SetAttachedLocked(item.submenu, true);
  target->items.insert(target->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  return TRUE;
}

BOOL TakeOut(HMENU menu, UINT position, UINT flags, bool destroySubmenu) {
  std::lock_guard lock(MenuMutex());
  auto object = CheckedMenuLocked(menu);
  if (!object) return FALSE;
  auto found = FindItemLocked(*object, position, flags & MF_BYPOSITION);
  if (!found) return FALSE;
  const HMENU submenu = found->Item().submenu;
  found->menu->items.erase(found->menu->items.begin() + static_cast<std::ptrdiff_t>(found->index));
  if (destroySubmenu)
    DestroyLocked(submenu);
  else
    SetAttachedLocked(submenu, false);
  return TRUE;
}

constexpr size_t kLeastItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);

bool CheckItemInfo(const MENUITEMINFOA* info) {
  if (!info || info->cbSize < kLeastItemInfoSize) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

// With MenuMutex held: applies the members that the mask names.
bool ApplyItemInfoLocked(const MenuObject& menu, MenuItem& item, const MENUITEMINFOA& info) {
  if ((info.fMask & MIIM_SUBMENU) && info.hSubMenu && info.hSubMenu != item.submenu &&
      !CanAttachLocked(menu, info.hSubMenu))
    return false;
  if (info.fMask & (MIIM_FTYPE | MIIM_TYPE)) item.type = info.fType;
  if ((info.fMask & MIIM_TYPE) && !(info.fType & MFT_SEPARATOR)) item.text = info.dwTypeData ? info.dwTypeData : "";
  if (info.fMask & MIIM_STRING) item.text = info.dwTypeData ? info.dwTypeData : "";
  if (info.fMask & MIIM_STATE) item.state = info.fState;
  if (info.fMask & MIIM_ID) item.id = info.wID;
  if (info.fMask & MIIM_DATA) item.data = info.dwItemData;
  if ((info.fMask & MIIM_SUBMENU) && info.hSubMenu != item.submenu) {
    SetAttachedLocked(item.submenu, false);  // the replaced submenu is the caller's again
    SetAttachedLocked(info.hSubMenu, true);
    item.submenu = info.hSubMenu;
  }
  return true;
}

// Copies the text cut to the buffer's size (never splitting a double-byte
// character), terminated; the length copied.
int CopyCut(const std::string& text, LPSTR buffer, int size) {
  if (size <= 0) return 0;
  size_t length = 0;
  while (length < text.size()) {
    const size_t width = IsDBCSLeadByte(static_cast<BYTE>(text[length])) && length + 1 < text.size() ? 2 : 1;
    if (length + width > static_cast<size_t>(size - 1)) break;
    length += width;
  }
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

UINT StateFlags(const MenuItem& item) {
  UINT flags = item.type & ~MFT_RADIOCHECK;
  flags |= item.state;
  if (auto sub = MenuOf(item.submenu))
    flags |= MF_POPUP | (static_cast<UINT>(std::min<size_t>(sub->items.size(), 0xFF)) << 8);
  return flags;
}

// The text without its accelerator marks: "E&xit" is "Exit", "&&" is "&".
std::string WithoutAccelerators(const std::string& caption) {
  std::string plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    plain += caption[i];
    if (IsDBCSLeadByte(static_cast<BYTE>(caption[i])) && i + 1 < caption.size()) plain += caption[++i];
  }
  return plain;
}

char AcceleratorOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(caption[i]))) {
      ++i;
    } else if (caption[i] == '&') {
      if (caption[i + 1] != '&') return caption[i + 1];
      ++i;
    }
  }
  return 0;
}

}  // namespace
}  // namespace detail

using detail::MenuItem;
using detail::MenuMutex;

HMENU CreateMenu() { return detail::NewMenu(); }

HMENU CreatePopupMenu() { return detail::NewMenu(); }

BOOL DestroyMenu(HMENU menu) {
  std::lock_guard lock(MenuMutex());
  if (!detail::CheckedMenuLocked(menu)) return FALSE;
  detail::DestroyLocked(menu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return detail::MenuOf(menu) != nullptr; }

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
  return detail::InsertItem(menu, 0xFFFFFFFF, true, detail::ItemFromFlags(flags, idOrSubmenu, text));
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
  return detail::InsertItem(menu, position, flags & MF_BYPOSITION, detail::ItemFromFlags(flags, idOrSubmenu, text));
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR idOrSubmenu, LPCSTR text) {
  MenuItem replacement = detail::ItemFromFlags(flags, idOrSubmenu, text);
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object) return FALSE;
  auto found = detail::FindItemLocked(*object, position, flags & MF_BYPOSITION);
  if (!found) return FALSE;
  MenuItem& item = found->Item();
  const bool keepsSubmenu = replacement.submenu && replacement.submenu == item.submenu;
  if (replacement.submenu && !keepsSubmenu && !detail::CanAttachLocked(*found->menu, replacement.submenu)) return FALSE;
  // The submenu that the item opened goes with it.
  if (!keepsSubmenu) detail::DestroyLocked(item.submenu);
  detail::SetAttachedLocked(replacement.submenu, true);
  item = std::move(replacement);
  return TRUE;
}

BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info) {
  if (!detail::CheckItemInfo(info)) return FALSE;
  MenuItem fresh;
  MENUITEMINFOA withoutSubmenu = *info;
  withoutSubmenu.fMask &= ~MIIM_SUBMENU;
  {
    std::lock_guard lock(MenuMutex());
    auto object = detail::CheckedMenuLocked(menu);
    if (!object || !detail::ApplyItemInfoLocked(*object, fresh, withoutSubmenu)) return FALSE;
  }
  if (info->fMask & MIIM_SUBMENU) fresh.submenu = info->hSubMenu;
  return detail::InsertItem(menu, item, byPosition, std::move(fresh));
}

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info) {
  if (!detail::CheckItemInfo(info)) return FALSE;
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object) return FALSE;
  auto found = detail::FindItemLocked(*object, item, byPosition);
  if (!found) return FALSE;
  MenuItem changed = found->Item();
  if (!detail::ApplyItemInfoLocked(*found->menu, changed, *info)) return FALSE;
  found->Item() = std::move(changed);
  return TRUE;
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFOA* info) {
  if (!detail::CheckItemInfo(info)) return FALSE;
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object) return FALSE;
  auto found = detail::FindItemLocked(*object, item, byPosition);
  if (!found) return FALSE;
  const MenuItem& source = found->Item();
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) info->fType = source.type;
  if (info->fMask & MIIM_STATE) info->fState = source.state;
  if (info->fMask & MIIM_ID) info->wID = source.id;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = source.submenu;
  if (info->fMask & MIIM_DATA) info->dwItemData = source.data;
  if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
    if (info->dwTypeData && info->cch > 0)
      info->cch = static_cast<UINT>(detail::CopyCut(source.text, info->dwTypeData, static_cast<int>(info->cch)));
    else
      info->cch = static_cast<UINT>(source.text.size());
  }
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return detail::TakeOut(menu, position, flags, true); }

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return detail::TakeOut(menu, position, flags, false); }

int GetMenuItemCount(HMENU menu) {
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  return object ? static_cast<int>(object->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object || position < 0 || static_cast<size_t>(position) >= object->items.size()) return 0xFFFFFFFF;
  const MenuItem& item = object->items[static_cast<size_t>(position)];
  return item.submenu ? 0xFFFFFFFF : item.id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object || position < 0 || static_cast<size_t>(position) >= object->items.size()) return nullptr;
  return object->items[static_cast<size_t>(position)].submenu;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int size, UINT flags) {
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object) return 0;
  auto found = detail::FindItemLocked(*object, item, flags & MF_BYPOSITION);
  if (!found) return 0;
  const std::string& text = found->Item().text;
  return buffer ? detail::CopyCut(text, buffer, size) : static_cast<int>(text.size());
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object) return 0xFFFFFFFF;
  auto found = detail::FindItemLocked(*object, item, flags & MF_BYPOSITION);
  return found ? detail::StateFlags(found->Item()) : 0xFFFFFFFF;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object) return 0xFFFFFFFF;
  auto found = detail::FindItemLocked(*object, item, check & MF_BYPOSITION);
  if (!found) return 0xFFFFFFFF;
  UINT& state = found->Item().state;
  const DWORD previous = state & MF_CHECKED;
  state = (state & ~MF_CHECKED) | (check & MF_CHECKED);
  return previous;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
  const bool byPosition = flags & MF_BYPOSITION;
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object) return FALSE;
  auto from = detail::FindItemLocked(*object, first, byPosition);
  auto to = detail::FindItemLocked(*object, last, byPosition);
  auto chosen = detail::FindItemLocked(*object, check, byPosition);
  if (!from || !to || !chosen) return FALSE;
  // The three must lie in one menu, the chosen one between the others, or
  // nothing changes.
  if (from->menu != to->menu || chosen->menu != from->menu || chosen->index < from->index ||
      chosen->index > to->index) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (size_t i = from->index; i <= to->index; ++i) {
    MenuItem& item = from->menu->items[i];
    if (i == chosen->index) {
      item.type |= MFT_RADIOCHECK;
      item.state |= MFS_CHECKED;
    } else {
      item.state &= ~MFS_CHECKED;
    }
  }
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  std::lock_guard lock(MenuMutex());
  auto object = detail::CheckedMenuLocked(menu);
  if (!object) return -1;
  auto found = detail::FindItemLocked(*object, item, enable & MF_BYPOSITION);
  if (!found) return -1;
  UINT& state = found->Item().state;
  const BOOL previous = static_cast<BOOL>(state & (MF_GRAYED | MF_DISABLED));
  state = (state & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return previous;
}

// ---- tracking ---------------------------------------------------------------

namespace detail {
namespace {

struct QueuedChoice {
  enum class Kind { Command, Captions, Dismiss };
  Kind kind = Kind::Dismiss;
  UINT id = 0;
  std::vector<std::string> captions;
  std::function<void()> whileShown;
  bool queued = false;  // false: no choice was queued for this showing
};

struct Tracking {
  std::mutex lock;
  std::deque<QueuedChoice> choices;
  std::vector<std::string> errors;
  std::function<void(const std::string&)> reporter;
  HMENU shown{};
  bool ended = false;  // EndMenu or a quit message ended the shown menu
};

Tracking& TrackingState() {
  static auto* state = new Tracking;
  return *state;
}

void ReportChoiceError(const std::string& error) {
  Tracking& t = TrackingState();
  std::function<void(const std::string&)> reporter;
  {
    std::lock_guard guard(t.lock);
    t.errors.push_back(error);
    reporter = t.reporter;
  }
  if (reporter)
    reporter(error);
  else
    std::fprintf(stderr, "menu choice: %s\n", error.c_str());
}

bool Ended() {
  std::lock_guard guard(TrackingState().lock);
  return TrackingState().ended;
}

// Serves the messages already waiting, as the menu's own loop does; a quit
// message ends the menu and is posted again for the caller's loop.
void ServeWaitingMessages() {
  MSG msg;
  while (!Ended() && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      EndMenu();
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// With MenuMutex held: the positions from the top menu down to the command.
bool PathToCommandLocked(const MenuObject& menu, UINT id, std::vector<size_t>& path) {
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const MenuItem& item = menu.items[i];
    path.push_back(i);
    if (!item.submenu && item.id == id) return true;
    if (auto sub = MenuOf(item.submenu))
      if (PathToCommandLocked(*sub, id, path)) return true;
    path.pop_back();
  }
  return false;
}

// The item of `menu` at the step of the choice, copied; `index` is its position.
std::optional<MenuItem> StepItem(HMENU menu, const QueuedChoice& choice, const std::vector<size_t>& path, size_t step,
                                 size_t& index) {
  std::lock_guard lock(MenuMutex());
  auto object = MenuOf(menu);
  if (!object) return std::nullopt;
  if (choice.kind == QueuedChoice::Kind::Command) {
    index = path[step];
    if (index < object->items.size()) return object->items[index];
    return std::nullopt;
  }
  const std::string wanted = WithoutAccelerators(choice.captions[step]);
  for (index = 0; index < object->items.size(); ++index) {
    const MenuItem& item = object->items[index];
    if (!(item.type & MFT_SEPARATOR) && WithoutAccelerators(item.text) == wanted) return item;
  }
  return std::nullopt;
}

std::string Describe(const QueuedChoice& choice) {
  if (choice.kind == QueuedChoice::Kind::Command) return "the item with id " + std::to_string(choice.id);
  std::string path;
  for (const std::string& caption : choice.captions) path += (path.empty() ? "" : " > ") + AnsiToUtf8(caption);
  return "the item \"" + path + "\"";
}

// Why the item at a step of the choice cannot be taken; empty when it can.
std::string StepError(const MenuItem* item, bool last, const QueuedChoice& choice) {
  if (!item) return "the shown menu has no " + Describe(choice);
  if (item->type & MFT_SEPARATOR) return Describe(choice) + " is a separator";
  if (item->state & (MF_GRAYED | MF_DISABLED)) return Describe(choice) + " is grayed";
  if (last && item->submenu) return Describe(choice) + " opens a submenu";
  if (!last && !item->submenu) return Describe(choice) + " opens no submenu";
  if (last && choice.kind == QueuedChoice::Kind::Command && item->id != choice.id)
    return Describe(choice) + " went away while its submenu opened";
  return {};
}

// Walks the choice from the top menu down, opening each submenu on the way
// (its owner hears WM_INITMENUPOPUP), and answers the chosen command id; an
// error when the choice cannot be made.
std::optional<UINT> MakeChoice(HMENU top, const QueuedChoice& choice, HWND owner, bool notify, std::string& error) {
  std::vector<size_t> path;
  size_t steps = choice.captions.size();
  if (choice.kind == QueuedChoice::Kind::Command) {
    std::lock_guard lock(MenuMutex());
    auto object = MenuOf(top);
    if (!object || !PathToCommandLocked(*object, choice.id, path)) {
      error = "no menu item has the id " + std::to_string(choice.id);
      return std::nullopt;
    }
    steps = path.size();
  }
  HMENU menu = top;
  for (size_t step = 0; step < steps; ++step) {
    size_t index = 0;
    std::optional<MenuItem> item = StepItem(menu, choice, path, step, index);
    const bool last = step + 1 == steps;
    error = StepError(item ? &*item : nullptr, last, choice);
    if (!error.empty()) return std::nullopt;
    if (last) return item->id;
    menu = item->submenu;
    if (notify)
      SendMessageA(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                   MAKELPARAM(static_cast<WORD>(index), FALSE));
  }
  error = "the menu choice names no item";
  return std::nullopt;
}

// Makes the menu the shown one; false when another is shown.
bool BeginShowing(HMENU menu, QueuedChoice& choice) {
  Tracking& t = TrackingState();
  std::lock_guard guard(t.lock);
  if (t.shown) return false;
  t.shown = menu;
  t.ended = false;
  if (!t.choices.empty()) {
    choice = std::move(t.choices.front());
    t.choices.pop_front();
  }
  return true;
}

void EndShowing() {
  std::lock_guard guard(TrackingState().lock);
  TrackingState().shown = nullptr;
  TrackingState().ended = false;
}

void Queue(QueuedChoice choice) {
  choice.queued = true;
  std::lock_guard guard(TrackingState().lock);
  TrackingState().choices.push_back(std::move(choice));
}

test::MenuItemView ViewLocked(const MenuItem& item) {
  test::MenuItemView view{item.text,
                          AcceleratorOf(item.text),
                          item.id,
                          (item.type & MFT_SEPARATOR) != 0,
                          (item.state & MFS_CHECKED) != 0,
                          (item.type & MFT_RADIOCHECK) != 0,
                          (item.state & (MF_GRAYED | MF_DISABLED)) != 0,
                          item.submenu,
                          {}};
  if (auto sub = MenuOf(item.submenu))
    for (const MenuItem& child : sub->items) view.items.push_back(ViewLocked(child));
  return view;
}

}  // namespace
}  // namespace detail

namespace detail {
namespace {
std::atomic<PopupMenuRunner> popupMenuRunner{nullptr};
}  // namespace

void SetPopupMenuRunner(PopupMenuRunner runner) { popupMenuRunner = runner; }

bool MenuTrackingEnded() { return Ended(); }

}  // namespace detail

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS*) {
  if (!IsMenu(menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (!IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (GetWindowThreadProcessId(owner, nullptr) != GetCurrentThreadId()) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return FALSE;
  }
  detail::QueuedChoice choice;
  if (!detail::BeginShowing(menu, choice)) {
    SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
    return FALSE;
  }
  const bool notify = !(flags & TPM_NONOTIFY);
  if (notify) {
    SendMessageA(owner, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    SendMessageA(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
  }
  detail::ServeWaitingMessages();
  std::optional<UINT> chosen;
  std::string error;
  if (const detail::PopupMenuRunner runner = detail::popupMenuRunner.load(); runner && !choice.queued) {
    // A person chooses on a menu window of the screen.
    if (!detail::Ended()) chosen = runner(menu, POINT{x, y}, owner);
  } else {
    if (choice.whileShown && !detail::Ended()) {
      choice.whileShown();
      detail::ServeWaitingMessages();
    }
    if (!detail::Ended() && choice.kind != detail::QueuedChoice::Kind::Dismiss)
      chosen = detail::MakeChoice(menu, choice, owner, notify && IsWindow(owner), error);
  }
  detail::EndShowing();
  if (!error.empty()) detail::ReportChoiceError(error);
  if (flags & TPM_RETURNCMD) return chosen ? static_cast<BOOL>(*chosen) : 0;
  if (chosen && notify) PostMessageA(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(*chosen), 0), 0);
  return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu() {
  std::lock_guard guard(detail::TrackingState().lock);
  if (detail::TrackingState().shown) detail::TrackingState().ended = true;
  return TRUE;
}

namespace test {

void QueueMenuChoice(UINT id, std::function<void()> whileShown) {
  detail::Queue({detail::QueuedChoice::Kind::Command, id, {}, std::move(whileShown)});
}

void QueueMenuChoice(std::vector<std::string> captions, std::function<void()> whileShown) {
  detail::Queue({detail::QueuedChoice::Kind::Captions, 0, std::move(captions), std::move(whileShown)});
}

void QueueMenuDismiss(std::function<void()> whileShown) {
  detail::Queue({detail::QueuedChoice::Kind::Dismiss, 0, {}, std::move(whileShown)});
}

size_t PendingMenuChoices() {
  std::lock_guard guard(detail::TrackingState().lock);
  return detail::TrackingState().choices.size();
}

void ClearMenuChoices() {
  std::lock_guard guard(detail::TrackingState().lock);
  detail::TrackingState().choices.clear();
}

void SetMenuErrorReporter(std::function<void(const std::string&)> report) {
  std::lock_guard guard(detail::TrackingState().lock);
  detail::TrackingState().reporter = std::move(report);
}

std::vector<std::string> MenuErrors() {
  std::lock_guard guard(detail::TrackingState().lock);
  return detail::TrackingState().errors;
}

HMENU ShownMenu() {
  std::lock_guard guard(detail::TrackingState().lock);
  return detail::TrackingState().shown;
}

std::vector<MenuItemView> ReadMenu(HMENU menu) {
  std::lock_guard lock(MenuMutex());
  std::vector<MenuItemView> views;
  if (auto object = detail::MenuOf(menu))
    for (const MenuItem& item : object->items) views.push_back(detail::ViewLocked(item));
  return views;
}

}  // namespace test
}  // namespace win
