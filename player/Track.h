// One play-list entry: the five texts and seven values that the play-list
// interface carries, and the length the player simulates it with.
#pragma once

#include <string>

#include "platform/Types.h"

namespace koru {

// Track kinds the player tells apart.
constexpr win::LONG kKindFile = 1;
constexpr win::LONG kKindCdAudio = 16;

// The length of a track whose file does not describe it.
constexpr win::LONG kDefaultTrackLength = 180000;

struct Track {
  std::string title;
  std::string artist;
  std::string fileName;  // full Windows path
  std::string text3;
  std::string lyricsName;  // the lyrics file beside the track, when there is one
  win::LONG value1 = 0;
  win::LONG value2 = 0;
  win::LONG value3 = 0;
  win::LONG kind = kKindFile;
  win::LONG driveTrack = 0;  // CD drive index in the high 16 bits, CD track number in the low 16
  win::LONG value4 = 0;
  win::LONG value5 = 0;
  win::LONG length = kDefaultTrackLength;  // milliseconds

  friend bool operator==(const Track&, const Track&) = default;
};

// A track for the file at the full Windows path `fileName`. The player does
// not decode sound: a track file describes itself in the profile format,
// section "Track" with "Title", "Artist", "Comment" (the third text) and
// "Length" (milliseconds, or minutes and seconds as "m:ss"). Another file
// gets its name without extension as title and the default length. CD audio
// files ("TrackNN.cda") are of kind 16 with their drive and track number.
// Lyrics are the LRC file of the same name beside the track.
Track ReadTrack(const std::string& fileName);

// "m:ss" or plain milliseconds; `fallback` for anything else or a negative time.
win::LONG ParseLength(const std::string& text, win::LONG fallback);

// `name` as a full path, relative names taken from `folder`.
std::string ResolvePath(const std::string& folder, const std::string& name);

}  // namespace koru
