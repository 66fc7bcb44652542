// The player's menus: four fixed menus that plug-ins extend (ids 0x4000,
// 0x5000, 0x8000, 0x9000) and the items added to them, each owned by the
// plug-in window that added it. Items may hold items of their own.
#pragma once

#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/Types.h"

namespace koru {

constexpr win::LONG kMenuPlugins = 0x4000;
constexpr win::LONG kMenuPlayList = 0x5000;
constexpr win::LONG kMenuTools = 0x8000;
constexpr win::LONG kMenuPopup = 0x9000;

struct MenuItem {
  win::LONG id = 0;
  win::LONG parent = 0;
  std::string caption;
  win::HWND owner{};  // the plug-in window told of its clicks; null for the fixed menus
};

class PlayerMenus {
 public:
  PlayerMenus();

  // A new item under `parent` (a fixed menu or an item); E_INVALIDARG for
  // an unknown parent, with nothing added.
  win::HRESULT Add(win::HWND owner, win::LONG parent, const std::string& caption, win::LONG* id);
  // Removes an item with everything under it and answers the ids removed;
  // the fixed menus cannot be removed (E_INVALIDARG).
  win::HRESULT Delete(win::LONG id, std::vector<MenuItem>* removed = nullptr);
  // Renames an item or a fixed menu; E_INVALIDARG for an unknown id.
  win::HRESULT SetCaption(win::LONG id, const std::string& caption);
  // Removes every item a window added, with what lies under them.
  std::vector<MenuItem> RemoveOwnedBy(win::HWND owner);

  const MenuItem* Find(win::LONG id) const;
  std::vector<MenuItem> Children(win::LONG parent) const;
  static bool IsFixed(win::LONG id);

 private:
  void CollectSubtree(win::LONG id, std::vector<win::LONG>& ids) const;
  void Erase(const std::vector<win::LONG>& ids, std::vector<MenuItem>* removed);

  std::vector<MenuItem> items_;  // the fixed menus first, then items in the order added
  win::LONG nextId_ = 0xA000;    // above the fixed ids, so an item never takes one of theirs
};

}  // namespace koru
