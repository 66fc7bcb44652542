#include "player/MprisServer.h"

#include <sdbus-c++/sdbus-c++.h>

#include <cmath>
#include <vector>

#include "framework/AllocateHWnd.h"
#include "framework/SysUtils.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/Window.h"

namespace koru {

namespace {

using namespace mpris;

constexpr char kBusName[] = "org.mpris.MediaPlayer2.koru";
constexpr char kIdentity[] = "KORU";
constexpr char kInvalidArgs[] = "org.freedesktop.DBus.Error.InvalidArgs";
constexpr char kFailed[] = "org.freedesktop.DBus.Error.Failed";
constexpr double kMinimumRate = 0.01;
constexpr double kMaximumRate = 10.0;

constexpr win::UINT kEmitChanges = 0x8000 + 20;  // WM_APP + 20

unsigned Bit(PlayerChange change) { return 1u << static_cast<unsigned>(change); }

// The player's properties that a change of each kind touches.
std::vector<std::string> PropertiesOf(unsigned changes) {
  std::vector<std::string> names;
  auto add = [&](PlayerChange change, std::initializer_list<const char*> touched) {
    if (changes & Bit(change)) names.insert(names.end(), touched.begin(), touched.end());
  };
  add(PlayerChange::kStatus, {"PlaybackStatus"});
  add(PlayerChange::kTrack, {"Metadata", "CanPlay", "CanPause", "CanSeek"});
  add(PlayerChange::kPlayList, {"CanGoNext", "CanGoPrevious"});
  add(PlayerChange::kVolume, {"Volume"});
  add(PlayerChange::kRepeat, {"LoopStatus"});
  add(PlayerChange::kRandom, {"Shuffle"});
  add(PlayerChange::kRate, {"Rate"});
  return names;
}

bool IsPlaying(PlayStatus status) { return PlaybackStatusName(status) == "Playing"; }

}  // namespace

std::string TrackIdOf(win::LONG index) { return "/org/koru/track/" + std::to_string(index); }

MprisServer::MprisServer(Player& player, std::unique_ptr<sdbus::IConnection> connection)
    : player_(player), connection_(std::move(connection)) {
  object_ = sdbus::createObject(*connection_, kObjectPath);
  RegisterRoot();
  RegisterPlayer();
  RegisterTrackList();
  object_->finishRegistration();
  OwnName();
  connection_->enterEventLoopAsync();
  // Last, once nothing can fail: the player now tells its changes here.
  window_ = AllocateHWnd([this](TMessage& m) {
    if (m.Msg == kEmitChanges) {
      EmitChanges();
    } else {
      m.Result = win::DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
    }
  });
  player_.SetWatcher([this](PlayerChange change) { OnChange(change); });
}

MprisServer::~MprisServer() {
  player_.SetWatcher(nullptr);
  // No call from the bus runs once the loop has ended.
  connection_->leaveEventLoop();
  if (window_) DeallocateHWnd(window_);
}

void MprisServer::OwnName() {
  try {
    connection_->requestName(kBusName);
    busName_ = kBusName;
  } catch (const sdbus::Error&) {
    // Another koru holds the name: take one of this process's own, as
    // other players do.
    busName_ = std::string(kBusName) + ".instance" + std::to_string(win::GetCurrentProcessId());
    connection_->requestName(busName_);
  }
}

void MprisServer::RegisterRoot() {
  object_->registerMethod("Raise").onInterface(kRootInterface).implementedAs([this] { player_.SetVisible(true); });
  object_->registerMethod("Quit").onInterface(kRootInterface).implementedAs([this] { player_.Close(); });
  object_->registerProperty("CanQuit").onInterface(kRootInterface).withGetter([] { return true; });
  object_->registerProperty("CanRaise").onInterface(kRootInterface).withGetter([] { return true; });
  object_->registerProperty("HasTrackList").onInterface(kRootInterface).withGetter([] { return true; });
  object_->registerProperty("Identity").onInterface(kRootInterface).withGetter([] { return std::string(kIdentity); });
  object_->registerProperty("SupportedUriSchemes").onInterface(kRootInterface).withGetter([] {
    return std::vector<std::string>{"file"};
  });
  object_->registerProperty("SupportedMimeTypes").onInterface(kRootInterface).withGetter([] {
    return std::vector<std::string>{"audio/mpeg", "audio/flac", "audio/ogg", "audio/x-wav", "audio/x-ms-wma"};
  });
}

void MprisServer::RegisterPlayer() {
  object_->registerMethod("Next").onInterface(kPlayerInterface).implementedAs([this] { player_.Next(); });
  object_->registerMethod("Previous").onInterface(kPlayerInterface).implementedAs([this] { player_.Back(); });
  object_->registerMethod("Pause").onInterface(kPlayerInterface).implementedAs([this] { PauseOnly(); });
  object_->registerMethod("PlayPause").onInterface(kPlayerInterface).implementedAs([this] { PlayPause(); });
  object_->registerMethod("Stop").onInterface(kPlayerInterface).implementedAs([this] { player_.Stop(); });
  object_->registerMethod("Play").onInterface(kPlayerInterface).implementedAs([this] { player_.Play(); });
  object_->registerMethod("Seek")
      .onInterface(kPlayerInterface)
      .withInputParamNames("Offset")
      .implementedAs([this](int64_t offset) { SeekBy(offset); });
  object_->registerMethod("SetPosition")
      .onInterface(kPlayerInterface)
      .withInputParamNames("TrackId", "Position")
      .implementedAs([this](const sdbus::ObjectPath& id, int64_t position) { SetPositionOf(id, position); });
  object_->registerMethod("OpenUri")
      .onInterface(kPlayerInterface)
      .withInputParamNames("Uri")
      .implementedAs([this](const std::string& uri) { OpenUri(uri); });
  object_->registerSignal("Seeked").onInterface(kPlayerInterface).withParameters<int64_t>("Position");

  object_->registerProperty("PlaybackStatus").onInterface(kPlayerInterface).withGetter([this] {
    return PlaybackStatusName(player_.Status());
  });
  object_->registerProperty("LoopStatus")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return LoopStatus(); })
      .withSetter([this](const std::string& status) { SetLoopStatus(status); });
  object_->registerProperty("Rate")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return player_.Rate() / 100.0; })
      .withSetter([this](const double& rate) { SetRate(rate); });
  object_->registerProperty("Shuffle")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return player_.Random(); })
      .withSetter([this](const bool& on) { player_.SetRandom(on); });
  object_->registerProperty("Metadata").onInterface(kPlayerInterface).withGetter([this] {
    return MetadataOf(player_.Track());
  });
  object_->registerProperty("Volume")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return ToMprisVolume(player_.Volume()); })
      .withSetter([this](const double& volume) { player_.SetVolume(FromMprisVolume(volume)); });
  // The position moves on by itself: clients ask for it, and hear of jumps
  // through Seeked.
  object_->registerProperty("Position")
      .onInterface(kPlayerInterface)
      .withGetter([this] { return ToMicroseconds(player_.Position()); })
      .withUpdateBehavior(sdbus::Flags::EMITS_NO_SIGNAL);
  object_->registerProperty("MinimumRate").onInterface(kPlayerInterface).withGetter([] { return kMinimumRate; });
  object_->registerProperty("MaximumRate").onInterface(kPlayerInterface).withGetter([] { return kMaximumRate; });
  object_->registerProperty("CanGoNext").onInterface(kPlayerInterface).withGetter([this] {
    return player_.Tracks() > 0;
  });
  object_->registerProperty("CanGoPrevious").onInterface(kPlayerInterface).withGetter([this] {
    return player_.Tracks() > 0;
  });
  object_->registerProperty("CanPlay").onInterface(kPlayerInterface).withGetter([this] { return HasTrack(); });
  object_->registerProperty("CanPause").onInterface(kPlayerInterface).withGetter([this] { return HasTrack(); });
  object_->registerProperty("CanSeek").onInterface(kPlayerInterface).withGetter([this] { return HasTrack(); });
  object_->registerProperty("CanControl")
      .onInterface(kPlayerInterface)
      .withGetter([] { return true; })
      .withUpdateBehavior(sdbus::Flags::CONST_PROPERTY_VALUE);
}

// The play list as a track list that clients read and move in; it is not
// theirs to edit.
void MprisServer::RegisterTrackList() {
  object_->registerMethod("GetTracksMetadata")
      .onInterface(kTrackListInterface)
      .withInputParamNames("TrackIds")
      .withOutputParamNames("Metadata")
      .implementedAs([this](const std::vector<sdbus::ObjectPath>& ids) {
        std::vector<mpris::Metadata> described;
        for (const sdbus::ObjectPath& id : ids) {
          if (const win::LONG index = IndexOf(id); index >= 0) described.push_back(MetadataOf(index));
        }
        return described;
      });
  object_->registerMethod("AddTrack")
      .onInterface(kTrackListInterface)
      .withInputParamNames("Uri", "AfterTrack", "SetAsCurrent")
      .implementedAs([](const std::string&, const sdbus::ObjectPath&, bool) {});
  object_->registerMethod("RemoveTrack")
      .onInterface(kTrackListInterface)
      .withInputParamNames("TrackId")
      .implementedAs([](const sdbus::ObjectPath&) {});
  object_->registerMethod("GoTo")
      .onInterface(kTrackListInterface)
      .withInputParamNames("TrackId")
      .implementedAs([this](const sdbus::ObjectPath& id) {
        if (const win::LONG index = IndexOf(id); index >= 0) player_.SetTrack(index);
      });
  object_->registerSignal("TrackListReplaced")
      .onInterface(kTrackListInterface)
      .withParameters<std::vector<sdbus::ObjectPath>, sdbus::ObjectPath>("Tracks", "CurrentTrack");
  object_->registerSignal("TrackAdded")
      .onInterface(kTrackListInterface)
      .withParameters<mpris::Metadata, sdbus::ObjectPath>("Metadata", "AfterTrack");
  object_->registerSignal("TrackRemoved").onInterface(kTrackListInterface).withParameters<sdbus::ObjectPath>("TrackId");
  object_->registerSignal("TrackMetadataChanged")
      .onInterface(kTrackListInterface)
      .withParameters<sdbus::ObjectPath, mpris::Metadata>("TrackId", "Metadata");
  object_->registerProperty("Tracks")
      .onInterface(kTrackListInterface)
      .withGetter([this] { return TrackIds(); })
      .withUpdateBehavior(sdbus::Flags::EMITS_INVALIDATION_SIGNAL);
  object_->registerProperty("CanEditTracks").onInterface(kTrackListInterface).withGetter([] { return false; });
}

// ---- Changes, noted under the player's lock and signalled on its thread ------

void MprisServer::OnChange(PlayerChange change) {
  if (pending_.fetch_or(Bit(change)) == 0 && window_) win::PostMessageA(window_, kEmitChanges, 0, 0);
}

void MprisServer::EmitChanges() {
  const unsigned changes = pending_.exchange(0);
  const std::vector<std::string> names = PropertiesOf(changes);
  if (!names.empty()) object_->emitPropertiesChangedSignal(kPlayerInterface, names);
  if (changes & Bit(PlayerChange::kPlayList)) {
    const win::LONG current = player_.Track();
    object_->emitSignal("TrackListReplaced")
        .onInterface(kTrackListInterface)
        .withArguments(TrackIds(), sdbus::ObjectPath(current >= 0 ? TrackIdOf(current) : kNoTrack));
  }
  if (changes & Bit(PlayerChange::kSeeked)) {
    object_->emitSignal("Seeked").onInterface(kPlayerInterface).withArguments(ToMicroseconds(player_.Position()));
  }
}

// ---- Methods ---------------------------------------------------------------

void MprisServer::PlayPause() {
  if (IsPlaying(player_.Status())) {
    player_.Pause();
  } else {
    player_.Play();
  }
}

// The player's pause is a toggle; MPRIS's only pauses.
void MprisServer::PauseOnly() {
  if (player_.Status() == kStatusPlaying) player_.Pause();
}

void MprisServer::SeekBy(int64_t offsetUs) {
  if (!HasTrack()) return;
  const int64_t target = ToMicroseconds(player_.Position()) + offsetUs;
  if (target > ToMicroseconds(player_.Length())) {
    player_.Next();
    return;
  }
  player_.SetPosition(ToMilliseconds(std::max<int64_t>(target, 0)));
}

void MprisServer::SetPositionOf(const std::string& trackId, int64_t positionUs) {
  // A position meant for another track, or outside this one, is ignored.
  if (!HasTrack() || trackId != TrackIdOf(player_.Track())) return;
  if (positionUs < 0 || positionUs > ToMicroseconds(player_.Length())) return;
  player_.SetPosition(ToMilliseconds(positionUs));
}

void MprisServer::OpenUri(const std::string& uri) {
  const std::string path = WindowsPathOfUrl(uri);
  if (path.empty()) throw sdbus::Error(kInvalidArgs, "Only local files can be opened: " + uri);
  const win::HRESULT result = player_.AddFile(path);
  if (result != win::S_OK) {
    throw sdbus::Error(kFailed, FormatC("Cannot open %s (0x%08X)", {uri, static_cast<win::DWORD>(result)}));
  }
  player_.SetTrack(player_.Tracks() - 1);
  player_.Play();
}

void MprisServer::SetLoopStatus(const std::string& status) {
  // The player repeats the whole list; a track's repeat is the nearest it has.
  if (status == "None") {
    player_.SetRepeat(false);
  } else if (status == "Playlist" || status == "Track") {
    player_.SetRepeat(true);
  } else {
    throw sdbus::Error(kInvalidArgs, "LoopStatus is None, Track or Playlist, not " + status);
  }
}

void MprisServer::SetRate(double rate) {
  if (!std::isfinite(rate)) throw sdbus::Error(kInvalidArgs, "The rate is not a number");
  // A rate of zero pauses, as MPRIS asks.
  if (rate <= 0) {
    PauseOnly();
    return;
  }
  player_.SetRate(FromMprisRate(std::clamp(rate, kMinimumRate, kMaximumRate)));
}

// ---- Properties ------------------------------------------------------------

bool MprisServer::HasTrack() const { return player_.Track() >= 0; }

std::string MprisServer::LoopStatus() const { return player_.Repeat() ? "Playlist" : "None"; }

std::vector<sdbus::ObjectPath> MprisServer::TrackIds() const {
  std::vector<sdbus::ObjectPath> ids;
  for (win::LONG i = 0, count = player_.Tracks(); i < count; ++i) ids.emplace_back(TrackIdOf(i));
  return ids;
}

win::LONG MprisServer::IndexOf(const std::string& trackId) const {
  for (win::LONG i = 0, count = player_.Tracks(); i < count; ++i) {
    if (trackId == TrackIdOf(i)) return i;
  }
  return -1;
}

mpris::Metadata MprisServer::MetadataOf(win::LONG index) const {
  mpris::Metadata metadata;
  koru::Track track;
  if (index < 0 || player_.GetTrackInfo(index, &track) != win::S_OK) {
    metadata["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(kNoTrack));
    return metadata;
  }
  metadata["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(TrackIdOf(index)));
  metadata["mpris:length"] = sdbus::Variant(ToMicroseconds(track.length));
  metadata["xesam:title"] = sdbus::Variant(win::AnsiToUtf8(track.title));
  if (!track.artist.empty()) {
    metadata["xesam:artist"] = sdbus::Variant(std::vector<std::string>{win::AnsiToUtf8(track.artist)});
  }
  if (const std::string url = FileUrl(track.fileName); !url.empty()) metadata["xesam:url"] = sdbus::Variant(url);
  metadata["xesam:trackNumber"] = sdbus::Variant(static_cast<int32_t>(index + 1));
  return metadata;
}

}  // namespace koru
