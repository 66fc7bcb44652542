#include "player/Playback.h"

#include <algorithm>
#include <cstdint>

namespace koru {

win::LONG Playback::Position(win::ULONGLONG now) const {
  int64_t position = basePosition_;
  if (Running() && now > baseTick_) {
    const int64_t elapsed = static_cast<int64_t>(now - baseTick_) * rate_ / 100;
    if (status_ == kStatusSeeking) {
      position += seekForward_ ? elapsed * kSeekSpeed : -elapsed * kSeekSpeed;
    } else {
      position += elapsed;
    }
  }
  return static_cast<win::LONG>(std::clamp<int64_t>(position, 0, length_));
}

bool Playback::AtEnd(win::ULONGLONG now) const {
  if (!Running()) return false;
  const win::LONG position = Position(now);
  if (status_ == kStatusSeeking && !seekForward_) return position == 0;
  return position >= length_ && status_ != kStatusRecording;
}

void Playback::Rebase(win::ULONGLONG now) {
  basePosition_ = Position(now);
  baseTick_ = now;
}

void Playback::Enter(PlayStatus status, win::ULONGLONG now) {
  Rebase(now);
  status_ = status;
}

void Playback::Load(win::LONG length, win::ULONGLONG now) {
  length_ = std::max<win::LONG>(length, 0);
  basePosition_ = 0;
  baseTick_ = now;
  if (status_ == kStatusNotReady || status_ == kStatusOpen) status_ = kStatusStopped;
}

void Playback::Unload() {
  length_ = 0;
  basePosition_ = 0;
  status_ = kStatusNotReady;
}

void Playback::SetPosition(win::LONG ms, win::ULONGLONG now) {
  basePosition_ = std::clamp<win::LONG>(ms, 0, length_);
  baseTick_ = now;
}

void Playback::SetRate(win::LONG percent, win::ULONGLONG now) {
  Rebase(now);
  rate_ = std::max<win::LONG>(percent, 1);
}

void Playback::Play(win::ULONGLONG now) {
  if (status_ == kStatusNotReady) return;
  Enter(kStatusPlaying, now);
}

void Playback::Record(win::ULONGLONG now) {
  if (status_ == kStatusNotReady) return;
  Enter(kStatusRecording, now);
}

void Playback::Stop(win::ULONGLONG now) {
  if (status_ == kStatusNotReady) return;
  Enter(kStatusStopped, now);
  basePosition_ = 0;
}

void Playback::Pause(win::ULONGLONG now) {
  if (status_ == kStatusPlaying) {
    Enter(kStatusPaused, now);
  } else if (status_ == kStatusPaused) {
    Enter(kStatusPlaying, now);
  }
}

void Playback::Seek(bool on, bool forward, win::ULONGLONG now) {
  if (status_ == kStatusNotReady || status_ == kStatusOpen) return;
  if (on) {
    if (status_ != kStatusSeeking) beforeSeek_ = status_;
    seekForward_ = forward;
    Enter(kStatusSeeking, now);
  } else if (status_ == kStatusSeeking) {
    Enter(beforeSeek_, now);
  }
}

void Playback::Eject(win::ULONGLONG now) {
  if (status_ == kStatusNotReady) return;
  Enter(kStatusOpen, now);
  basePosition_ = 0;
}

}  // namespace koru
