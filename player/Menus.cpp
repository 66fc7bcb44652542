#include "player/Menus.h"

#include <algorithm>

#include "platform/Text.h"

namespace koru {

PlayerMenus::PlayerMenus() {
  items_.push_back({kMenuPlugins, 0, SJ("プラグイン"), {}});
  items_.push_back({kMenuPlayList, 0, SJ("プレイリスト"), {}});
  items_.push_back({kMenuTools, 0, SJ("ツール"), {}});
  items_.push_back({kMenuPopup, 0, SJ("ポップアップ"), {}});
}

bool PlayerMenus::IsFixed(win::LONG id) {
  return id == kMenuPlugins || id == kMenuPlayList || id == kMenuTools || id == kMenuPopup;
}

const MenuItem* PlayerMenus::Find(win::LONG id) const {
  auto it = std::find_if(items_.begin(), items_.end(), [id](const MenuItem& m) { return m.id == id; });
  return it == items_.end() ? nullptr : &*it;
}

std::vector<MenuItem> PlayerMenus::Children(win::LONG parent) const {
  std::vector<MenuItem> children;
  for (const MenuItem& m : items_) {
    if (m.parent == parent && !IsFixed(m.id)) children.push_back(m);
  }
  return children;
}

win::HRESULT PlayerMenus::Add(win::HWND owner, win::LONG parent, const std::string& caption, win::LONG* id) {
  if (!id) return win::E_POINTER;
  if (!Find(parent)) return win::E_INVALIDARG;
  *id = nextId_++;
  items_.push_back({*id, parent, caption, owner});
  return win::S_OK;
}

void PlayerMenus::CollectSubtree(win::LONG id, std::vector<win::LONG>& ids) const {
  ids.push_back(id);
  for (const MenuItem& m : items_) {
    if (m.parent == id && !IsFixed(m.id)) CollectSubtree(m.id, ids);
  }
}

void PlayerMenus::Erase(const std::vector<win::LONG>& ids, std::vector<MenuItem>* removed) {
  auto gone = [&ids](const MenuItem& m) { return std::find(ids.begin(), ids.end(), m.id) != ids.end(); };
  if (removed) {
    for (const MenuItem& m : items_) {
      if (gone(m)) removed->push_back(m);
    }
  }
  items_.erase(std::remove_if(items_.begin(), items_.end(), gone), items_.end());
}

win::HRESULT PlayerMenus::Delete(win::LONG id, std::vector<MenuItem>* removed) {
  if (IsFixed(id) || !Find(id)) return win::E_INVALIDARG;
  std::vector<win::LONG> ids;
  CollectSubtree(id, ids);
  Erase(ids, removed);
  return win::S_OK;
}

win::HRESULT PlayerMenus::SetCaption(win::LONG id, const std::string& caption) {
  auto it = std::find_if(items_.begin(), items_.end(), [id](const MenuItem& m) { return m.id == id; });
  if (it == items_.end()) return win::E_INVALIDARG;
  it->caption = caption;
  return win::S_OK;
}

std::vector<MenuItem> PlayerMenus::RemoveOwnedBy(win::HWND owner) {
  std::vector<win::LONG> ids;
  for (const MenuItem& m : items_) {
    if (m.owner == owner && !IsFixed(m.id) &&
        std::find(ids.begin(), ids.end(), m.id) == ids.end()) {
      CollectSubtree(m.id, ids);
    }
  }
  std::vector<MenuItem> removed;
  Erase(ids, &removed);
  return removed;
}

}  // namespace koru
