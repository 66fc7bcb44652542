// A player elsewhere that the stand-in follows: the commands that would
// change the simulated playback go to it instead, and its state comes back
// through the player's Follow calls.
#pragma once

#include "platform/Types.h"

namespace koru {

enum class RemoteCommand {
  kPlay,
  kPause,
  kStop,
  kNext,
  kPrevious,
  kSetPosition,  // value: milliseconds into the current track
  kGoTo,         // value: a play-list index
  kSetVolume,    // value: 0 to 1000
  kSetRepeat,    // value: 0 or 1
  kSetRandom,    // value: 0 or 1
};

class RemoteControl {
 public:
  virtual ~RemoteControl() = default;
  // Called under the player's lock from any thread: it must not block nor
  // call the player back, only hand the command on.
  virtual void Send(RemoteCommand command, win::LONG value) = 0;
};

}  // namespace koru
