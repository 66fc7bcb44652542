#include "player/Track.h"

#include <climits>
#include <cstdint>

#include "framework/SysUtils.h"
#include "platform/Profile.h"
#include "player/TextFile.h"

namespace koru {

namespace {

constexpr char kSection[] = "Track";

std::string ProfileText(const std::string& file, const char* key) {
  char buffer[1024] = {};
  win::GetPrivateProfileStringA(kSection, key, "", buffer, sizeof buffer, file.c_str());
  return buffer;
}

bool IsAbsolute(const std::string& name) {
  return (name.size() >= 2 && name[1] == ':') || (name.size() >= 1 && (name[0] == '\\' || name[0] == '/'));
}

void DescribeCdTrack(Track& track) {
  const std::string lower = LowerCase(track.fileName);
  win::LONG drive = 0;
  if (lower.size() >= 2 && lower[1] == ':' && lower[0] >= 'a' && lower[0] <= 'z') drive = lower[0] - 'a';
  win::LONG number = 0;
  if (const size_t at = lower.rfind("track"); at != std::string::npos) {
    number = StrToIntDef(lower.substr(at + 5, lower.size() - 4 - (at + 5)), 0);
  }
  track.kind = kKindCdAudio;
  track.driveTrack = (drive << 16) | (number & 0xFFFF);
  track.title = Format("Track %.2d", {number});
}

}  // namespace

win::LONG ParseLength(const std::string& text, win::LONG fallback) {
  const std::string t = Trim(text);
  int minutes = 0;
  int seconds = 0;
  if (const size_t colon = t.find(':'); colon != std::string::npos) {
    if (!TryStrToInt(t.substr(0, colon), minutes) || !TryStrToInt(t.substr(colon + 1), seconds) || minutes < 0 ||
        seconds < 0 || seconds > 59) {
      return fallback;
    }
    const int64_t ms = (static_cast<int64_t>(minutes) * 60 + seconds) * 1000;
    return ms > INT32_MAX ? fallback : static_cast<win::LONG>(ms);
  }
  int ms = 0;
  return TryStrToInt(t, ms) && ms >= 0 ? ms : fallback;
}

std::string ResolvePath(const std::string& folder, const std::string& name) {
  if (name.empty()) return name;
  if (IsAbsolute(name) || folder.empty()) return ExpandFileName(name);
  return ExpandFileName(IncludeTrailingBackslash(folder) + name);
}

Track ReadTrack(const std::string& fileName) {
  Track track;
  track.fileName = fileName;
  if (SameText(ExtractFileExt(fileName), ".cda")) {
    DescribeCdTrack(track);
    return track;
  }
  track.title = ProfileText(fileName, "Title");
  if (track.title.empty()) track.title = ChangeFileExt(ExtractFileName(fileName), "");
  track.artist = ProfileText(fileName, "Artist");
  track.text3 = ProfileText(fileName, "Comment");
  track.length = ParseLength(ProfileText(fileName, "Length"), kDefaultTrackLength);
  if (track.length == 0) track.length = kDefaultTrackLength;
  const std::string lyrics = ChangeFileExt(fileName, ".lrc");
  if (FileExists(lyrics)) track.lyricsName = lyrics;
  return track;
}

}  // namespace koru
