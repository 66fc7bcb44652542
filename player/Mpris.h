// What the player's two sides of MPRIS (the media players' remote interface
// on the D-Bus session bus) share: names, the conversions
// between the player's values and MPRIS's, and the connection to the bus.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/Types.h"
#include "player/Playback.h"

namespace sdbus {
class IConnection;
class Variant;
}  // namespace sdbus

namespace koru::mpris {

inline constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
inline constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
inline constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
inline constexpr char kTrackListInterface[] = "org.mpris.MediaPlayer2.TrackList";
inline constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
inline constexpr char kBusNamePrefix[] = "org.mpris.MediaPlayer2.";
inline constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

// The values of a track's metadata, or of properties, by name.
using Metadata = std::map<std::string, sdbus::Variant>;
using Properties = std::map<std::string, sdbus::Variant>;

// Times: the player counts milliseconds, MPRIS microseconds.
int64_t ToMicroseconds(win::LONG ms);
win::LONG ToMilliseconds(int64_t us);
// Volume: the player's 0 to 1000, MPRIS's 0.0 to 1.0.
double ToMprisVolume(win::LONG volume);
win::LONG FromMprisVolume(double volume);
// Rate: the player's percent, MPRIS's factor.
win::LONG FromMprisRate(double rate);

// "Playing", "Paused" or "Stopped".
std::string PlaybackStatusName(PlayStatus status);
PlayStatus ParsePlaybackStatus(const std::string& name);

// A Windows path (code page 932) as a "file://" URL, and back: empty for a
// URL that names no local file.
std::string FileUrl(const std::string& windowsPath);
std::string WindowsPathOfUrl(const std::string& url);

// A number a player sent in whatever integer or floating type it chose;
// `fallback` for anything else.
int64_t NumberOf(const sdbus::Variant& value, int64_t fallback = 0);

// The session bus; null with the reason in `why` when there is none.
std::unique_ptr<sdbus::IConnection> ConnectSessionBus(std::string& why);

}  // namespace koru::mpris
