// The player on the session bus as an MPRIS player: it owns the name
// "org.mpris.MediaPlayer2.koru" (or, when another player holds it, the
// same name with ".instance" and the process id) and serves the root,
// player and track-list interfaces, so that desktops and tools such as
// playerctl see and drive it.
//
// Calls from the bus arrive on sdbus's event-loop thread and go straight
// to the player, whose operations may be called from any thread. The
// player tells of its changes under its lock, where nothing may touch the
// bus; so the server only notes them there and posts itself a message, and
// the player's thread then sends the signals.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "player/Mpris.h"
#include "player/Player.h"

namespace sdbus {
class IObject;
class ObjectPath;
}  // namespace sdbus

namespace koru {

class MprisServer {
 public:
  // Created on the player's thread, after the player has started. Throws
  // sdbus::Error when the bus refuses the object or every name.
  MprisServer(Player& player, std::unique_ptr<sdbus::IConnection> connection);
  ~MprisServer();
  MprisServer(const MprisServer&) = delete;
  MprisServer& operator=(const MprisServer&) = delete;

  const std::string& BusName() const { return busName_; }

 private:
  void RegisterRoot();
  void RegisterPlayer();
  void RegisterTrackList();
  void OwnName();
  void OnChange(PlayerChange change);
  void EmitChanges();

  // Player methods.
  void PlayPause();
  void PauseOnly();
  void SeekBy(int64_t offsetUs);
  void SetPositionOf(const std::string& trackId, int64_t positionUs);
  void OpenUri(const std::string& uri);
  void SetLoopStatus(const std::string& status);
  void SetRate(double rate);

  // Player properties.
  bool HasTrack() const;
  // The play list's entry `index`; "NoTrack" for none.
  mpris::Metadata MetadataOf(win::LONG index) const;
  std::vector<sdbus::ObjectPath> TrackIds() const;
  win::LONG IndexOf(const std::string& trackId) const;
  std::string LoopStatus() const;

  Player& player_;
  std::unique_ptr<sdbus::IConnection> connection_;  // first in, last out: the object needs it
  std::unique_ptr<sdbus::IObject> object_;
  std::string busName_;
  win::HWND window_{};
  std::atomic<unsigned> pending_{0};  // PlayerChange bits not yet signalled
};

// The object path naming the play list's entry `index` on the bus.
std::string TrackIdOf(win::LONG index);

}  // namespace koru
