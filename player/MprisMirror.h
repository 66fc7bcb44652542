// The player as the mirror of another MPRIS player on the session bus (mpv,
// VLC, Audacious, ...): the play list, track, play status, position,
// length, titles, volume, repeat and random follow that player, and every
// command that would change playback goes to it instead.
//
// The followed player is the one whose bus name ends in the wanted name
// (or continues it with ".instance..."), else, with no name wanted, the
// first one playing, else the first one found. When it leaves the bus the
// player stops with an empty track, and follows it again when it returns.
//
// Nothing is polled. The followed player's signals arrive on sdbus's
// event-loop thread, which reads what changed and hands it to the player's
// thread-safe Follow calls; between two reads the player moves the position
// on with the clock at the followed player's rate. Commands come from the
// player under its lock, where nothing may touch the bus: they are posted
// to a window of the player's thread, which sends them without waiting for
// the answer.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "player/Mpris.h"
#include "player/Player.h"
#include "player/RemoteControl.h"

namespace sdbus {
class IProxy;
}

namespace koru {

class MprisMirror : private RemoteControl {
 public:
  using Report = std::function<void(const std::string&)>;

  // Created on the player's thread, after the player has started; `report`
  // is told, a line at a time, which player is followed and when it goes.
  // Throws sdbus::Error when the bus cannot be watched.
  MprisMirror(Player& player, std::unique_ptr<sdbus::IConnection> connection, std::string wanted, Report report);
  ~MprisMirror() override;
  MprisMirror(const MprisMirror&) = delete;
  MprisMirror& operator=(const MprisMirror&) = delete;

  // The bus name of the player followed now; empty while there is none.
  std::string PeerName() const;

 private:
  void Send(RemoteCommand command, win::LONG value) override;
  void SendNow(RemoteCommand command, win::LONG value);
  bool Wanted(const std::string& busName) const;
  std::string ChoosePeer();
  void OnNameOwnerChanged(const std::string& name, const std::string& newOwner);
  void Attach(const std::string& busName);
  void Detach();
  void Read();
  void ReadFrom(sdbus::IProxy& peer);
  void FollowTracks(sdbus::IProxy& peer, const mpris::Metadata& current);

  Player& player_;
  std::unique_ptr<sdbus::IConnection> connection_;  // first in, last out: the proxies need it
  std::string wanted_;
  Report report_;
  std::unique_ptr<sdbus::IProxy> bus_;
  win::HWND window_{};

  mutable std::mutex mutex_;  // guards what follows; never held while calling out
  std::shared_ptr<sdbus::IProxy> peer_;
  std::string peerName_;
  std::string trackId_;                // the followed player's current track
  std::vector<std::string> trackIds_;  // its track list, when it offers one
};

}  // namespace koru
