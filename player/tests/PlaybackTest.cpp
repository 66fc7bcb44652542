// The transport: the position runs with the clock while playing, holds
// while paused or stopped, follows the rate, and seeking runs it faster.
#include <gtest/gtest.h>

#include "player/Levels.h"
#include "player/Playback.h"

namespace koru {
namespace {

TEST(KoruPlayback, PositionRunsOnlyWhilePlaying) {
  Playback p;
  EXPECT_EQ(p.Status(), kStatusNotReady);
  p.Play(0);
  EXPECT_EQ(p.Status(), kStatusNotReady);
  p.Load(10000, 1000);
  EXPECT_EQ(p.Status(), kStatusStopped);
  EXPECT_EQ(p.Position(5000), 0);
  p.Play(1000);
  EXPECT_EQ(p.Position(3500), 2500);
  p.Pause(3500);
  EXPECT_EQ(p.Status(), kStatusPaused);
  EXPECT_EQ(p.Position(9000), 2500);
  p.Pause(9000);
  EXPECT_EQ(p.Position(10000), 3500);
  EXPECT_FALSE(p.AtEnd(16499));
  EXPECT_TRUE(p.AtEnd(16500));
  EXPECT_EQ(p.Position(99999), 10000);
  p.Stop(20000);
  EXPECT_EQ(p.Position(30000), 0);
  p.Eject(30000);
  EXPECT_EQ(p.Status(), kStatusOpen);
}

TEST(KoruPlayback, RateAndSeekingChangeTheSpeed) {
  Playback p;
  p.Load(100000, 0);
  p.SetRate(200, 0);
  p.Play(0);
  EXPECT_EQ(p.Position(1000), 2000);
  p.SetRate(100, 1000);
  p.Seek(true, true, 1000);
  EXPECT_EQ(p.Status(), kStatusSeeking);
  EXPECT_EQ(p.Position(2000), 2000 + 1000 * kSeekSpeed);
  p.Seek(false, true, 2000);
  EXPECT_EQ(p.Status(), kStatusPlaying);
  p.Seek(true, false, 2000);
  EXPECT_TRUE(p.AtEnd(4000));
  EXPECT_EQ(p.Position(4000), 0);
  p.SetPosition(-5, 4000);
  EXPECT_EQ(p.Position(4000), 0);
}

TEST(KoruLevels, MoveWithThePositionAndFollowVolumeAndAdjustment) {
  bool moved = false;
  for (win::LONG pos = 0; pos < 2000; pos += 50) {
    const Levels a = LevelsAt(1, pos, 1000, 100, 100);
    const Levels b = LevelsAt(1, pos + 50, 1000, 100, 100);
    moved = moved || a != b;
    EXPECT_EQ(a, LevelsAt(1, pos, 1000, 100, 100));
    EXPECT_LE(a.left, kMaxChannelLevel);
    for (win::LONG band : a.bands) EXPECT_LE(band, kMaxBandLevel);
    const Levels loud = LevelsAt(1, pos, 1000, 1000, 1000);
    EXPECT_LE(loud.right, kMaxChannelLevel);
    for (win::LONG band : loud.bands) EXPECT_LE(band, kMaxBandLevel);
  }
  EXPECT_TRUE(moved);
  EXPECT_EQ(LevelsAt(1, 500, 0, 100, 100), Levels{});
}

TEST(KoruLevels, PackAsTheNotificationsCarryThem) {
  Levels l;
  l.bands = {1, 2, 3, 4, 5, 6, 7, 8, 2, 1};
  l.left = 1;
  l.right = 10;
  EXPECT_EQ(SpectrumEvent(l), 0x10000012u);
  EXPECT_EQ(static_cast<win::DWORD>(SpectrumParam(l)), 0x87654321u);
  EXPECT_EQ(ChannelParam(l), 0x000A0001);
}

}  // namespace
}  // namespace koru
