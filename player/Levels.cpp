#include "player/Levels.h"

#include <algorithm>
#include <cstdint>

#include "player/Notifier.h"

namespace koru {

namespace {

// The step of the made-up signal: a new value every 50 ms.
constexpr win::LONG kStepMs = 50;

uint32_t Mix(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

// A value from 0 to `ceiling` for one channel or band at one step.
win::LONG Sample(int track, win::LONG step, int lane, win::LONG ceiling) {
  const uint32_t noise = Mix(static_cast<uint32_t>(track) * 0x9E3779B9u ^ static_cast<uint32_t>(step) * 0x85EBCA6Bu ^
                             static_cast<uint32_t>(lane) * 0xC2B2AE35u);
  return static_cast<win::LONG>(noise % static_cast<uint32_t>(ceiling + 1));
}

win::LONG Scale(win::LONG value, win::LONG volume, win::LONG adjust, win::LONG max) {
  const int64_t scaled = static_cast<int64_t>(value) * std::clamp<win::LONG>(volume, 0, 1000) / 1000 *
                         std::max<win::LONG>(adjust, 0) / 100;
  return static_cast<win::LONG>(std::min<int64_t>(scaled, max));
}

}  // namespace

Levels LevelsAt(int track, win::LONG positionMs, win::LONG volume, win::LONG volumeAdjust,
                win::LONG spectrumAdjust) {
  Levels levels;
  const win::LONG step = positionMs / kStepMs;
  levels.left = Scale(Sample(track, step, 100, kMaxChannelLevel), volume, volumeAdjust, kMaxChannelLevel);
  levels.right = Scale(Sample(track, step, 101, kMaxChannelLevel), volume, volumeAdjust, kMaxChannelLevel);
  for (int band = 0; band < kBandCount; ++band) {
    // Lower bands carry more energy, as music does.
    const win::LONG ceiling = kMaxBandLevel - band / 3;
    levels.bands[band] = Scale(Sample(track, step, band, ceiling), volume, spectrumAdjust, kMaxBandLevel);
  }
  return levels;
}

win::DWORD SpectrumEvent(const Levels& levels) {
  return kNotifySpectrum | static_cast<win::DWORD>(levels.bands[8] & 0xF) |
         static_cast<win::DWORD>(levels.bands[9] & 0xF) << 4;
}

win::LONG SpectrumParam(const Levels& levels) {
  win::DWORD param = 0;
  for (int band = 0; band < 8; ++band) param |= static_cast<win::DWORD>(levels.bands[band] & 0xF) << (4 * band);
  return static_cast<win::LONG>(param);
}

win::LONG ChannelParam(const Levels& levels) {
  return static_cast<win::LONG>(static_cast<win::DWORD>(levels.left & 0xFFFF) |
                                static_cast<win::DWORD>(levels.right & 0xFFFF) << 16);
}

}  // namespace koru
