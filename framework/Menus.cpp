#include "framework/Menus.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <set>

#include "framework/Consts.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Window.h"

namespace {

// Command ids in use; WM_COMMAND carries them in 16 bits.
std::set<win::UINT>& UsedCommands() {
  static auto* used = new std::set<win::UINT>;
  return *used;
}

win::UINT NewCommand() {
  static win::UINT next = 0;
  std::set<win::UINT>& used = UsedCommands();
  do next = next % 0xFFFF + 1;
  while (used.count(next));
  used.insert(next);
  return next;
}

constexpr char kHotkeys[] = "1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ";

bool IsHotkey(char c) {
  return c != '\0' && std::strchr(kHotkeys, std::toupper(static_cast<unsigned char>(c))) != nullptr;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// The position of the character an '&' marks, or npos.
size_t MarkedPosition(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (win::IsDBCSLeadByte(static_cast<win::BYTE>(caption[i]))) {
      ++i;
    } else if (caption[i] == '&') {
      if (caption[i + 1] != '&') return i + 1;
      ++i;
    }
  }
  return std::string::npos;
}

// The captions as shown with automatic accelerators: a caption without one
// gets an '&' before its first hotkey character that no sibling has taken,
// those that have one keeping it.
std::vector<std::string> WithHotkeys(std::vector<std::string> captions) {
  std::set<char> taken;
  for (const std::string& caption : captions)
    if (size_t marked = MarkedPosition(caption); marked != std::string::npos) taken.insert(Upper(caption[marked]));
  for (std::string& caption : captions) {
    if (caption == "-" || MarkedPosition(caption) != std::string::npos) continue;
    for (size_t i = 0; i < caption.size(); ++i) {
      if (win::IsDBCSLeadByte(static_cast<win::BYTE>(caption[i])) || caption[i] == '&') {
        ++i;  // a double-byte character or an escaped ampersand
      } else if (IsHotkey(caption[i]) && !taken.count(Upper(caption[i]))) {
        taken.insert(Upper(caption[i]));
        caption.insert(caption.begin() + static_cast<std::ptrdiff_t>(i), '&');
        break;
      }
    }
  }
  return captions;
}

std::vector<TMenuItem*> VisibleItems(const TMenuItem* item) {
  std::vector<TMenuItem*> visible;
  for (int i = 0; i < item->Count(); ++i)
    if (item->Items(i)->Visible) visible.push_back(item->Items(i));
  return visible;
}

TMenuItem* FindIn(TMenuItem* item, win::UINT command) {
  for (int i = 0; i < item->Count(); ++i) {
    TMenuItem* child = item->Items(i);
    if (child->Command() == command) return child;
    if (TMenuItem* found = FindIn(child, command)) return found;
  }
  return nullptr;
}

}  // namespace

// ---- TMenuItem --------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), command_(NewCommand()) {}

TMenuItem::~TMenuItem() {
  Destroying();
  if (parent_) parent_->Remove(this);
  Clear();
  UsedCommands().erase(command_);
}

void TMenuItem::SetChecked(bool Value) {
  checked_ = Value;
  if (!Value || !RadioItem || !parent_) return;
  for (TMenuItem* sibling : parent_->items_)
    if (sibling != this && sibling->RadioItem && sibling->GroupIndex == GroupIndex) sibling->checked_ = false;
}

void TMenuItem::Click() {
  if (!Enabled) return;
  if (AutoCheck) SetChecked(!checked_);
  if (OnClick) OnClick(this);
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EMenuError(SMenuIndexError);
  return items_[static_cast<size_t>(Index)];
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Item->parent_) throw EMenuError(SMenuInserted);
  if (Index < 0 || Index > Count()) throw EMenuError(SMenuIndexError);
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
}

void TMenuItem::Delete(int Index) {
  TMenuItem* item = Items(Index);
  items_.erase(items_.begin() + Index);
  item->parent_ = nullptr;
}

void TMenuItem::Remove(TMenuItem* Item) {
  const int index = IndexOf(Item);
  if (index < 0) throw EMenuError(SMenuNotFound);
  Delete(index);
}

int TMenuItem::IndexOf(TMenuItem* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();  // each leaves the list as it goes
}

int TMenuItem::MenuIndex() const { return parent_ ? parent_->IndexOf(const_cast<TMenuItem*>(this)) : -1; }

void TMenuItem::SetMenuIndex(int Value) {
  if (!parent_) return;
  TMenuItem* parent = parent_;
  const int clamped = std::clamp(Value, 0, parent->Count() - 1);
  parent->Remove(this);
  parent->Insert(clamped, this);
}

// ---- TMenu ------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(this)) {}

TMenu::~TMenu() {
  Destroying();
  DestroyHandle();
  delete items_;
}

TMenuItem* TMenu::FindItem(win::UINT Command) const { return FindIn(items_, Command); }

void TMenu::DestroyHandle() {
  if (items_->handle_) win::DestroyMenu(items_->handle_);  // submenus go with it
  std::function<void(TMenuItem*)> forget = [&](TMenuItem* item) {
    item->handle_ = nullptr;
    for (TMenuItem* child : item->items_) forget(child);
  };
  forget(items_);
}

void TMenu::RebuildHandle() {
  DestroyHandle();
  items_->handle_ = BuildMenu(items_);
}

win::HMENU TMenu::BuildMenu(TMenuItem* Item) {
  win::HMENU menu = win::CreatePopupMenu();
  const std::vector<TMenuItem*> visible = VisibleItems(Item);
  std::vector<std::string> shown;
  for (TMenuItem* child : visible) shown.push_back(child->caption_);
  if (AutoHotkeys == maAutomatic) shown = WithHotkeys(std::move(shown));
  for (size_t i = 0; i < visible.size(); ++i) {
    TMenuItem* child = visible[i];
    win::MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = win::MIIM_FTYPE | win::MIIM_STATE | win::MIIM_ID;
    info.wID = child->command_;
    if (child->IsLine()) {
      info.fType = win::MFT_SEPARATOR;
    } else {
      info.fType = child->RadioItem ? win::MFT_RADIOCHECK : win::MFT_STRING;
      info.fState = (child->checked_ ? win::MFS_CHECKED : 0) | (child->Enabled ? 0 : win::MFS_GRAYED);
      info.fMask |= win::MIIM_STRING;
      info.dwTypeData = shown[i].data();
      if (child->Count() > 0) {
        child->handle_ = BuildMenu(child);
        info.fMask |= win::MIIM_SUBMENU;
        info.hSubMenu = child->handle_;
      }
    }
    win::InsertMenuItemA(menu, static_cast<win::UINT>(i), win::TRUE, &info);
  }
  return menu;
}

// ---- TPopupMenu -------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() {
  if (window_) DeallocateHWnd(window_);
}

void TPopupMenu::WndProc(TMessage& Message) {
  if (Message.Msg == win::WM_COMMAND) {
    if (TMenuItem* item = FindItem(win::LOWORD(Message.WParam))) item->Click();
    Message.Result = 0;
    return;
  }
  Message.Result = win::DefWindowProcA(window_, Message.Msg, Message.WParam, Message.LParam);
}

void TPopupMenu::Popup(int X, int Y) {
  if (!window_) window_ = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
  if (OnPopup) OnPopup(this);
  RebuildHandle();
  static constexpr win::UINT kAlignments[] = {win::TPM_LEFTALIGN, win::TPM_RIGHTALIGN, win::TPM_CENTERALIGN};
  win::TrackPopupMenu(Handle(), kAlignments[Alignment] | win::TPM_RIGHTBUTTON, X, Y, 0, window_, nullptr);
  // The chosen item is clicked now rather than at the next turn of the
  // message loop, so that a caller sees its effect when Popup returns.
  // A click may free this menu: only the window's handle is used from here.
  const win::HWND window = window_;
  win::MSG msg;
  while (win::IsWindow(window) && win::PeekMessageA(&msg, window, win::WM_COMMAND, win::WM_COMMAND, win::PM_REMOVE))
    win::DispatchMessageA(&msg);
}
