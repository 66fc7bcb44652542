// The player's automation object: one object serving IKORUControl,
// IKORUPlayList, IKORULyrics and IKORUMenu, offered in-process through the
// platform's class-object table under the automation class. Every call is
// logged with its arguments and may be answered by a plan of the test API
// (CallLog) instead; otherwise it is carried out on the player. Once the
// player has quit, calls answer RPC_E_DISCONNECTED, as a server gone away.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "player/CallLog.h"
#include "player/ControlServer.h"
#include "player/LyricsServer.h"
#include "player/MenuServer.h"
#include "player/PlayListServer.h"
#include "player/ServerPart.h"

namespace koru {

class Player;

class KoruServer {
 public:
  // The object starts with one reference, the player's.
  explicit KoruServer(Player& player);
  KoruServer(const KoruServer&) = delete;
  KoruServer& operator=(const KoruServer&) = delete;

  win::HRESULT QueryInterface(const win::IID& iid, void** object);
  win::ULONG AddRef();
  win::ULONG Release();

  // Registers the class object in the process's table (the calling thread
  // must have initialised COM); answers the table's result and its cookie.
  win::HRESULT RegisterClassObject(win::DWORD* cookie);
  // The player is going: every later call answers RPC_E_DISCONNECTED.
  void Disconnect();

  CallLog& Log() { return log_; }

  // Carries out one call: logs it and follows its plan. `carryOut` gets the
  // player and the plan (for getters that answer a planned value).
  template <class Fn>
  win::HRESULT Run(const char* interfaceName, const char* operation, std::string arguments, Fn&& carryOut) {
    const PlannedAnswer plan = log_.Take(interfaceName, operation);
    win::HRESULT result;
    {
      std::lock_guard lock(mutex_);
      if (!player_) {
        result = RPC_E_DISCONNECTED;
      } else if (plan.kind == PlannedAnswer::kFail) {
        result = plan.result;
      } else {
        result = carryOut(*player_, plan);
        if (plan.kind == PlannedAnswer::kFailAfterRun) result = plan.result;
      }
    }
    log_.Record({interfaceName, operation, std::move(arguments), result});
    return result;
  }

  // A call without out-values.
  template <class Fn>
  win::HRESULT Call(const char* interfaceName, const char* operation, std::string arguments, Fn&& carryOut) {
    return Run(interfaceName, operation, std::move(arguments), [&](Player& p, const PlannedAnswer& plan) -> win::HRESULT {
      const win::HRESULT result = carryOut(p);
      return plan.kind == PlannedAnswer::kValue ? plan.result : result;
    });
  }

  // A property read: `read` gives the value, stored in `*out`.
  template <class T, class Fn>
  win::HRESULT Get(const char* interfaceName, const char* operation, T* out, Fn&& read) {
    return Run(interfaceName, operation, "", [&](Player& p, const PlannedAnswer& plan) -> win::HRESULT {
      if (!out) return win::E_POINTER;
      if (plan.kind == PlannedAnswer::kValue) {
        *out = static_cast<T>(plan.value);
        return plan.result;
      }
      *out = static_cast<T>(read(p));
      return win::S_OK;
    });
  }

 private:
  ~KoruServer() = default;

  std::recursive_mutex mutex_;
  Player* player_;
  std::atomic<win::ULONG> references_{1};
  CallLog log_;
  ControlServer control_{*this};
  PlayListServer playList_{*this};
  LyricsServer lyrics_{*this};
  MenuServer menu_{*this};
};

template <class Interface>
win::HRESULT ServerPart<Interface>::QueryInterface(const win::IID& iid, void** object) {
  return server_.QueryInterface(iid, object);
}
template <class Interface>
win::ULONG ServerPart<Interface>::AddRef() {
  return server_.AddRef();
}
template <class Interface>
win::ULONG ServerPart<Interface>::Release() {
  return server_.Release();
}

}  // namespace koru
