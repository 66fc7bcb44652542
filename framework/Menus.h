// Menus: items in a tree (TMenuItem), the menu that holds the root item
// (TMenu) and the popup menu shown at a screen point (TPopupMenu). The
// platform menu is built afresh from the visible items on every popup, so
// changes to captions and marks made up to then (OnPopup) are shown.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/AllocateHWnd.h"
#include "framework/Classes.h"
#include "framework/Exceptions.h"
#include "platform/Types.h"

class EMenuError : public Exception {
 public:
  using Exception::Exception;
};

class TMenu;

// One item: a command, a separator (Caption "-") or, with items of its own,
// a submenu. Items belong to their owner by the owner rule; an item also
// frees the items under it when it goes, and leaves its parent.
class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value) { caption_ = Value; }
  bool IsLine() const { return caption_ == "-"; }
  // Checking a radio item unchecks the other radio items of its group index
  // under the same parent.
  bool Checked() const { return checked_; }
  void SetChecked(bool Value);
  bool RadioItem = false;
  int GroupIndex = 0;
  bool Enabled = true;
  bool Visible = true;
  bool AutoCheck = false;  // a click toggles Checked
  std::string Hint;
  TNotifyEvent OnClick;
  // Toggles Checked with AutoCheck, then calls OnClick; nothing when disabled.
  virtual void Click();

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const;  // EMenuError for a bad index
  void Add(TMenuItem* Item) { Insert(Count(), Item); }
  // EMenuError when the item already has a parent or the index is bad.
  void Insert(int Index, TMenuItem* Item);
  // Takes the item out of the list without freeing it.
  void Delete(int Index);
  void Remove(TMenuItem* Item);        // EMenuError when it is not here
  int IndexOf(TMenuItem* Item) const;  // -1 when it is not here
  // Frees every item under this one.
  void Clear();
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;  // -1 without a parent
  void SetMenuIndex(int Value);
  // The item's command id, unique among the live items; WM_COMMAND carries it.
  win::UINT Command() const { return command_; }
  // The platform menu of this item's items as last built; null before.
  win::HMENU Handle() const { return handle_; }

 private:
  friend class TMenu;

  std::string caption_;
  bool checked_ = false;
  std::vector<TMenuItem*> items_;
  TMenuItem* parent_ = nullptr;
  win::UINT command_ = 0;
  win::HMENU handle_{};
};

enum TMenuAutoFlag { maAutomatic, maManual };

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  TMenuItem* Items() const { return items_; }
  // Automatic: an item whose shown caption has no accelerator gets an '&'
  // before its first letter or digit not yet taken by a sibling; Caption
  // itself is not changed.
  TMenuAutoFlag AutoHotkeys = maAutomatic;
  // The item under the root with that command, or null.
  TMenuItem* FindItem(win::UINT Command) const;
  win::HMENU Handle() const { return items_->Handle(); }

 protected:
  // Builds the platform menu from the visible items (the old one goes).
  void RebuildHandle();

 private:
  win::HMENU BuildMenu(TMenuItem* Item);
  void DestroyHandle();

  TMenuItem* items_;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;

  TNotifyEvent OnPopup;
  // Whether a right click on a control with this menu shows it.
  bool AutoPopup = true;
  // The component the menu was shown for, set by whoever shows it.
  TComponent* PopupComponent = nullptr;
  TPopupAlignment Alignment = paLeft;
  // Fires OnPopup, shows the menu at the screen point until it is closed,
  // and clicks the item chosen before it returns.
  virtual void Popup(int X, int Y);

 private:
  void WndProc(TMessage& Message);

  win::HWND window_{};
};
