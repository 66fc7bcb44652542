// The channel levels and spectrum bands the player shows while playing:
// made up from the track and its position, so that they move with the music
// and are the same on every run.
#pragma once

#include <array>

#include "platform/Types.h"

namespace koru {

constexpr int kBandCount = 10;
constexpr win::LONG kMaxChannelLevel = 10;
constexpr win::LONG kMaxBandLevel = 15;

struct Levels {
  win::LONG left = 0;
  win::LONG right = 0;
  std::array<win::LONG, kBandCount> bands{};

  friend bool operator==(const Levels&, const Levels&) = default;
};

// The levels at `positionMs` of track `track` at volume `volume` (0 to
// 1000), each group scaled by its adjustment in percent and held at its maximum.
Levels LevelsAt(int track, win::LONG positionMs, win::LONG volume, win::LONG volumeAdjust, win::LONG spectrumAdjust);

// The spectrum notification's two values: bands 0 to 7 as the eight 4-bit
// groups of the parameter, lowest first; bands 8 and 9 in bits 0-3 and 4-7
// of the event's low half.
win::DWORD SpectrumEvent(const Levels& levels);
win::LONG SpectrumParam(const Levels& levels);
// The volume notification's value: left in the low 16 bits, right in the high.
win::LONG ChannelParam(const Levels& levels);

}  // namespace koru
