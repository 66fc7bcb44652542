// The simulated transport of the current track: the play status in the
// numbering of the media control interface modes, and the position, which
// runs with the platform's tick count while playing, recording or seeking.
#pragma once

#include "platform/Types.h"

namespace koru {

enum PlayStatus : win::LONG {
  kStatusNotReady = 524,
  kStatusStopped = 525,
  kStatusPlaying = 526,
  kStatusRecording = 527,
  kStatusSeeking = 528,
  kStatusPaused = 529,
  kStatusOpen = 530,
};

// How many times faster than playing the position runs while seeking.
constexpr int kSeekSpeed = 10;

class Playback {
 public:
  PlayStatus Status() const { return status_; }
  bool Running() const {
    return status_ == kStatusPlaying || status_ == kStatusRecording || status_ == kStatusSeeking;
  }

  // The position at tick `now`, held between 0 and the track's length.
  win::LONG Position(win::ULONGLONG now) const;
  win::LONG Length() const { return length_; }
  // Whether the position has run to the end of the track (forward) or to
  // its start (seeking backward).
  bool AtEnd(win::ULONGLONG now) const;

  // A track of `length` ms is ready, stopped at its start (not ready for none).
  void Load(win::LONG length, win::ULONGLONG now);
  void Unload();
  void SetPosition(win::LONG ms, win::ULONGLONG now);
  // Rate in percent of normal speed (at least 1).
  void SetRate(win::LONG percent, win::ULONGLONG now);

  void Play(win::ULONGLONG now);
  void Record(win::ULONGLONG now);
  void Stop(win::ULONGLONG now);
  // Playing pauses; paused plays on. Other states are left alone.
  void Pause(win::ULONGLONG now);
  // Seeking forward or backward while on; back to what it was when off.
  void Seek(bool on, bool forward, win::ULONGLONG now);
  // The medium is taken out: stopped at the start, status open.
  void Eject(win::ULONGLONG now);

 private:
  void Rebase(win::ULONGLONG now);
  void Enter(PlayStatus status, win::ULONGLONG now);

  PlayStatus status_ = kStatusNotReady;
  PlayStatus beforeSeek_ = kStatusStopped;
  bool seekForward_ = true;
  win::LONG length_ = 0;
  win::LONG rate_ = 100;
  win::LONG basePosition_ = 0;
  win::ULONGLONG baseTick_ = 0;
};

}  // namespace koru
