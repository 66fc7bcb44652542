#include "player/MprisMirror.h"

#include <sdbus-c++/sdbus-c++.h>

#include <algorithm>

#include "framework/AllocateHWnd.h"
#include "framework/SysUtils.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Window.h"

namespace koru {

namespace {

using namespace mpris;

constexpr char kDBusName[] = "org.freedesktop.DBus";
constexpr char kDBusPath[] = "/org/freedesktop/DBus";

constexpr win::UINT kSendCommand = 0x8000 + 21;  // WM_APP + 21: wParam the command, lParam its value

template <typename T>
T ValueOr(const Properties& values, const std::string& key, T fallback) {
  const auto it = values.find(key);
  if (it == values.end() || !it->second.containsValueOfType<T>()) return fallback;
  return it->second.get<T>();
}

// Players send object paths, and some plain strings, as track ids.
std::string TrackIdIn(const Metadata& metadata) {
  const auto it = metadata.find("mpris:trackid");
  if (it == metadata.end()) return {};
  if (it->second.containsValueOfType<sdbus::ObjectPath>()) return it->second.get<sdbus::ObjectPath>();
  if (it->second.containsValueOfType<std::string>()) return it->second.get<std::string>();
  return {};
}

bool DescribesTrack(const Metadata& metadata) {
  return metadata.count("xesam:url") || metadata.count("xesam:title") ||
         (metadata.count("mpris:trackid") && TrackIdIn(metadata) != kNoTrack);
}

std::string ArtistsIn(const Metadata& metadata) {
  const auto it = metadata.find("xesam:artist");
  if (it == metadata.end()) return {};
  if (it->second.containsValueOfType<std::string>()) return it->second.get<std::string>();
  if (!it->second.containsValueOfType<std::vector<std::string>>()) return {};
  std::string artists;
  for (const std::string& artist : it->second.get<std::vector<std::string>>()) {
    artists += (artists.empty() ? "" : ", ") + artist;
  }
  return artists;
}

// A play-list entry for a track the other player describes: a local file
// gets the lyrics of the LRC file beside it.
Track TrackOf(const Metadata& metadata) {
  Track track;
  const std::string url = ValueOr<std::string>(metadata, "xesam:url", "");
  const std::string path = WindowsPathOfUrl(url);
  track.fileName = path.empty() ? win::Utf8ToAnsi(url) : path;
  track.title = win::Utf8ToAnsi(ValueOr<std::string>(metadata, "xesam:title", ""));
  if (track.title.empty() && !path.empty()) track.title = ChangeFileExt(ExtractFileName(path), "");
  track.artist = win::Utf8ToAnsi(ArtistsIn(metadata));
  const auto length = metadata.find("mpris:length");
  track.length = length == metadata.end() ? 0 : std::max<win::LONG>(ToMilliseconds(NumberOf(length->second)), 0);
  if (!path.empty()) {
    const std::string lyrics = ChangeFileExt(path, ".lrc");
    if (FileExists(lyrics)) track.lyricsName = lyrics;
  }
  return track;
}

}  // namespace

MprisMirror::MprisMirror(Player& player, std::unique_ptr<sdbus::IConnection> connection, std::string wanted,
                         Report report)
    : player_(player), connection_(std::move(connection)), wanted_(std::move(wanted)), report_(std::move(report)) {
  bus_ = sdbus::createProxy(*connection_, kDBusName, kDBusPath);
  bus_->uponSignal("NameOwnerChanged")
      .onInterface(kDBusName)
      .call([this](const std::string& name, const std::string&, const std::string& newOwner) {
        OnNameOwnerChanged(name, newOwner);
      });
  bus_->finishRegistration();
  if (const std::string name = ChoosePeer(); !name.empty()) {
    Attach(name);
  } else {
    report_("no MPRIS player" + (wanted_.empty() ? std::string() : " named " + wanted_) + " on the bus yet");
  }
  connection_->enterEventLoopAsync();
  // Last, once nothing can fail: the player now sends its commands here.
  window_ = AllocateHWnd([this](TMessage& m) {
    if (m.Msg == kSendCommand) {
      SendNow(static_cast<RemoteCommand>(m.WParam), static_cast<win::LONG>(m.LParam));
    } else {
      m.Result = win::DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
    }
  });
  player_.SetRemote(this);
}

MprisMirror::~MprisMirror() {
  player_.SetRemote(nullptr);
  connection_->leaveEventLoop();
  if (window_) DeallocateHWnd(window_);
}

std::string MprisMirror::PeerName() const {
  std::lock_guard lock(mutex_);
  return peerName_;
}

// ---- Choosing the player to follow ------------------------------------------

bool MprisMirror::Wanted(const std::string& busName) const {
  if (busName.rfind(kBusNamePrefix, 0) != 0) return false;
  if (wanted_.empty()) return true;
  const std::string own = busName.substr(sizeof kBusNamePrefix - 1);
  return busName.ends_with(wanted_) || own.rfind(wanted_ + ".", 0) == 0;
}

std::string MprisMirror::ChoosePeer() {
  std::vector<std::string> names;
  bus_->callMethod("ListNames").onInterface(kDBusName).storeResultsTo(names);
  std::erase_if(names, [this](const std::string& name) { return !Wanted(name); });
  std::sort(names.begin(), names.end());
  if (names.empty()) return {};
  if (!wanted_.empty()) return names.front();
  for (const std::string& name : names) {
    try {
      auto proxy = sdbus::createProxy(*connection_, name, kObjectPath);
      const sdbus::Variant status = proxy->getProperty("PlaybackStatus").onInterface(kPlayerInterface);
      if (status.containsValueOfType<std::string>() && status.get<std::string>() == "Playing") return name;
    } catch (const sdbus::Error&) {
      // A player that does not answer is not playing.
    }
  }
  return names.front();
}

void MprisMirror::OnNameOwnerChanged(const std::string& name, const std::string& newOwner) {
  const std::string followed = PeerName();
  try {
    if (!followed.empty() && name == followed && newOwner.empty()) {
      report_(followed + " left the bus");
      Detach();
      if (const std::string next = ChoosePeer(); !next.empty()) Attach(next);
    } else if (followed.empty() && !newOwner.empty() && Wanted(name)) {
      Attach(name);
    }
  } catch (const sdbus::Error& e) {
    // The next player to come onto the bus gets its chance.
    report_("cannot follow " + name + ": " + e.getMessage());
  }
}

void MprisMirror::Attach(const std::string& busName) {
  std::shared_ptr<sdbus::IProxy> peer = sdbus::createProxy(*connection_, busName, kObjectPath);
  peer->uponSignal("PropertiesChanged")
      .onInterface(kPropertiesInterface)
      .call([this](const std::string& interface, const Properties&, const std::vector<std::string>&) {
        if (interface == kPlayerInterface || interface == kTrackListInterface) Read();
      });
  peer->uponSignal("Seeked").onInterface(kPlayerInterface).call([this](int64_t position) {
    player_.FollowPosition(ToMilliseconds(position));
  });
  peer->uponSignal("TrackListReplaced")
      .onInterface(kTrackListInterface)
      .call([this](const std::vector<sdbus::ObjectPath>&, const sdbus::ObjectPath&) { Read(); });
  peer->uponSignal("TrackAdded")
      .onInterface(kTrackListInterface)
      .call([this](const Metadata&, const sdbus::ObjectPath&) { Read(); });
  peer->uponSignal("TrackRemoved").onInterface(kTrackListInterface).call([this](const sdbus::ObjectPath&) { Read(); });
  peer->uponSignal("TrackMetadataChanged")
      .onInterface(kTrackListInterface)
      .call([this](const sdbus::ObjectPath&, const Metadata&) { Read(); });
  peer->finishRegistration();
  {
    std::lock_guard lock(mutex_);
    peer_ = peer;
    peerName_ = busName;
    trackId_.clear();
    trackIds_.clear();
  }
  report_("mirroring " + busName);
  ReadFrom(*peer);
}

void MprisMirror::Detach() {
  std::shared_ptr<sdbus::IProxy> gone;  // let go of outside the lock
  {
    std::lock_guard lock(mutex_);
    gone = std::move(peer_);
    peerName_.clear();
    trackId_.clear();
    trackIds_.clear();
  }
  player_.FollowTracks({}, -1, false);
}

// ---- Following ---------------------------------------------------------------

void MprisMirror::Read() {
  std::shared_ptr<sdbus::IProxy> peer;
  {
    std::lock_guard lock(mutex_);
    peer = peer_;
  }
  if (peer) ReadFrom(*peer);
}

void MprisMirror::ReadFrom(sdbus::IProxy& peer) {
  try {
    Properties values;
    peer.callMethod("GetAll").onInterface(kPropertiesInterface).withArguments(kPlayerInterface).storeResultsTo(values);
    FollowTracks(peer, ValueOr<Metadata>(values, "Metadata", {}));
    const auto position = values.find("Position");
    player_.FollowPlayback(ParsePlaybackStatus(ValueOr<std::string>(values, "PlaybackStatus", "Stopped")),
                           position == values.end() ? 0 : ToMilliseconds(NumberOf(position->second)),
                           FromMprisRate(ValueOr<double>(values, "Rate", 1.0)));
    if (values.count("Volume")) player_.FollowVolume(FromMprisVolume(ValueOr<double>(values, "Volume", 0)));
    if (values.count("LoopStatus")) player_.FollowRepeat(ValueOr<std::string>(values, "LoopStatus", "None") != "None");
    if (values.count("Shuffle")) player_.FollowRandom(ValueOr<bool>(values, "Shuffle", false));
  } catch (const sdbus::Error& e) {
    report_("cannot read " + PeerName() + ": " + e.getMessage());
  }
}

// The play list is the other player's track list when it offers one, else
// its current track alone.
void MprisMirror::FollowTracks(sdbus::IProxy& peer, const Metadata& current) {
  const std::string currentId = TrackIdIn(current);
  std::vector<std::string> ids;
  std::vector<Track> tracks;
  win::LONG index = -1;
  bool hasTrackList = false;
  try {
    hasTrackList = peer.getProperty("HasTrackList").onInterface(kRootInterface).get<bool>();
  } catch (const sdbus::Error&) {
    // Without the root interface's answer, the current track stands alone.
  }
  if (hasTrackList) {
    std::vector<sdbus::ObjectPath> paths = peer.getProperty("Tracks").onInterface(kTrackListInterface);
    std::vector<Metadata> described;
    peer.callMethod("GetTracksMetadata")
        .onInterface(kTrackListInterface)
        .withArguments(paths)
        .storeResultsTo(described);
    for (const Metadata& metadata : described) {
      ids.push_back(TrackIdIn(metadata));
      tracks.push_back(TrackOf(metadata));
      if (ids.back() == currentId) index = static_cast<win::LONG>(ids.size() - 1);
    }
  } else if (DescribesTrack(current)) {
    ids.push_back(currentId);
    tracks.push_back(TrackOf(current));
    index = 0;
  }
  bool reopen = false;
  {
    std::lock_guard lock(mutex_);
    reopen = currentId != trackId_;
    trackId_ = currentId;
    trackIds_ = ids;
  }
  player_.FollowTracks(std::move(tracks), index, reopen);
}

// ---- Commands ----------------------------------------------------------------

void MprisMirror::Send(RemoteCommand command, win::LONG value) {
  win::PostMessageA(window_, kSendCommand, static_cast<win::WPARAM>(command), static_cast<win::LPARAM>(value));
}

void MprisMirror::SendNow(RemoteCommand command, win::LONG value) {
  std::shared_ptr<sdbus::IProxy> peer;
  std::string trackId;
  std::vector<std::string> trackIds;
  {
    std::lock_guard lock(mutex_);
    peer = peer_;
    trackId = trackId_;
    trackIds = trackIds_;
  }
  if (!peer) return;
  auto done = [report = report_](const sdbus::Error* error) {
    if (error) report("the followed player refused a command: " + error->getMessage());
  };
  auto set = [&](const char* property, sdbus::Variant setting) {
    peer->callMethodAsync("Set")
        .onInterface(kPropertiesInterface)
        .withArguments(std::string(kPlayerInterface), std::string(property), setting)
        .uponReplyInvoke(done);
  };
  switch (command) {
    case RemoteCommand::kPlay:
      peer->callMethodAsync("Play").onInterface(kPlayerInterface).uponReplyInvoke(done);
      break;
    case RemoteCommand::kPause:
      peer->callMethodAsync("Pause").onInterface(kPlayerInterface).uponReplyInvoke(done);
      break;
    case RemoteCommand::kStop:
      peer->callMethodAsync("Stop").onInterface(kPlayerInterface).uponReplyInvoke(done);
      break;
    case RemoteCommand::kNext:
      peer->callMethodAsync("Next").onInterface(kPlayerInterface).uponReplyInvoke(done);
      break;
    case RemoteCommand::kPrevious:
      peer->callMethodAsync("Previous").onInterface(kPlayerInterface).uponReplyInvoke(done);
      break;
    case RemoteCommand::kSetPosition:
      // Without a track id only a relative seek can say where to go.
      if (trackId.empty()) {
        peer->callMethodAsync("Seek")
            .onInterface(kPlayerInterface)
            .withArguments(ToMicroseconds(value - player_.Position()))
            .uponReplyInvoke(done);
        break;
      }
      peer->callMethodAsync("SetPosition")
          .onInterface(kPlayerInterface)
          .withArguments(sdbus::ObjectPath(trackId), ToMicroseconds(std::max<win::LONG>(value, 0)))
          .uponReplyInvoke(done);
      break;
    case RemoteCommand::kGoTo:
      if (value < 0 || value >= static_cast<win::LONG>(trackIds.size()) || trackIds[value] == trackId) break;
      peer->callMethodAsync("GoTo")
          .onInterface(kTrackListInterface)
          .withArguments(sdbus::ObjectPath(trackIds[value]))
          .uponReplyInvoke(done);
      break;
    case RemoteCommand::kSetVolume:
      set("Volume", sdbus::Variant(ToMprisVolume(value)));
      break;
    case RemoteCommand::kSetRepeat:
      set("LoopStatus", sdbus::Variant(std::string(value ? "Playlist" : "None")));
      break;
    case RemoteCommand::kSetRandom:
      set("Shuffle", sdbus::Variant(value != 0));
      break;
  }
}

}  // namespace koru
