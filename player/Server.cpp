#include "player/Server.h"

#include "player/Player.h"

namespace koru {

namespace {

// The class object: every instance it makes is the player's one object.
class ServerFactory final : public win::IClassFactory {
 public:
  explicit ServerFactory(KoruServer& server) : server_(server) { server_.AddRef(); }

  win::HRESULT QueryInterface(const win::IID& iid, void** object) override {
    if (!object) return win::E_POINTER;
    if (iid == win::IID_IUnknown || iid == win::IID_IClassFactory) {
      *object = static_cast<win::IClassFactory*>(this);
      AddRef();
      return win::S_OK;
    }
    *object = nullptr;
    return win::E_NOINTERFACE;
  }
  win::ULONG AddRef() override { return ++references_; }
  win::ULONG Release() override {
    const win::ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  win::HRESULT CreateInstance(win::IUnknown* outer, const win::IID& iid, void** object) override {
    if (!object) return win::E_POINTER;
    *object = nullptr;
    if (outer) return win::CLASS_E_NOAGGREGATION;
    return server_.QueryInterface(iid, object);
  }
  win::HRESULT LockServer(win::BOOL) override { return win::S_OK; }

 private:
  ~ServerFactory() { server_.Release(); }

  KoruServer& server_;
  std::atomic<win::ULONG> references_{1};
};

}  // namespace

KoruServer::KoruServer(Player& player) : player_(&player) {}

win::HRESULT KoruServer::QueryInterface(const win::IID& iid, void** object) {
  if (!object) return win::E_POINTER;
  if (iid == win::IID_IUnknown || iid == win::IID_IDispatch || iid == Koru_tlb::IID_IKORUControl) {
    *object = static_cast<Koru_tlb::IKORUControl*>(&control_);
  } else if (iid == Koru_tlb::IID_IKORUPlayList) {
    *object = static_cast<Koru_tlb::IKORUPlayList*>(&playList_);
  } else if (iid == Koru_tlb::IID_IKORULyrics) {
    *object = static_cast<Koru_tlb::IKORULyrics*>(&lyrics_);
  } else if (iid == Koru_tlb::IID_IKORUMenu) {
    *object = static_cast<Koru_tlb::IKORUMenu*>(&menu_);
  } else {
    *object = nullptr;
    return win::E_NOINTERFACE;
  }
  AddRef();
  return win::S_OK;
}

win::ULONG KoruServer::AddRef() { return ++references_; }

win::ULONG KoruServer::Release() {
  const win::ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

win::HRESULT KoruServer::RegisterClassObject(win::DWORD* cookie) {
  auto* factory = new ServerFactory(*this);
  // The table holds its own reference for as long as the class is registered.
  const win::HRESULT result = win::CoRegisterClassObject(Koru_tlb::CLSID_KORU, factory, win::CLSCTX_LOCAL_SERVER,
                                                         win::REGCLS_MULTIPLEUSE, cookie);
  factory->Release();
  return result;
}

void KoruServer::Disconnect() {
  std::lock_guard lock(mutex_);
  player_ = nullptr;
}

}  // namespace koru
