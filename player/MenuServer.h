// IKORUMenu of the automation object: the player's menus.
#pragma once

#include "player/ServerPart.h"

namespace koru {

class MenuServer final : public ServerPart<Koru_tlb::IKORUMenu> {
 public:
  using ServerPart::ServerPart;

  win::HRESULT Add(win::LONG window, win::LONG parentId, win::BSTR caption, win::LONG* newId) override;  // 10
  win::HRESULT Delete(win::LONG id) override;  // 13
  win::HRESULT SetCaption(win::LONG id, win::BSTR caption) override;  // 18
};

}  // namespace koru
