#include "player/MenuServer.h"

#include "player/Player.h"
#include "player/Server.h"

namespace koru {

namespace {
constexpr char kIKORUMenu[] = "IKORUMenu";
}  // namespace

using win::HRESULT;
using win::LONG;

HRESULT MenuServer::Add(LONG window, LONG parentId, win::BSTR caption, LONG* newId) {
  return server_.Call(kIKORUMenu, "Add", Args(window, parentId, caption),
                      [&](Player& p) { return p.MenuAdd(window, parentId, win::BstrToAnsi(caption), newId); });
}
HRESULT MenuServer::Delete(LONG id) {
  return server_.Call(kIKORUMenu, "Delete", Args(id), [&](Player& p) { return p.MenuDelete(id); });
}
HRESULT MenuServer::SetCaption(LONG id, win::BSTR caption) {
  return server_.Call(kIKORUMenu, "SetCaption", Args(id, caption),
                      [&](Player& p) { return p.MenuSetCaption(id, win::BstrToAnsi(caption)); });
}

}  // namespace koru
