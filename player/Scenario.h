// Scenario files for the koru program: UTF-8 text, one command a line, blank
// lines and lines starting with '#' skipped. File names are host paths
// (relative ones taken from the scenario file's folder) or Windows paths
// ("C:\..."). Points are screen coordinates.
//
//   play | pause | stop | next | back | eject      transport
//   ff on|off | rewind on|off                      seeking
//   seek TIME | track N                            position (m:ss or ms) | track number, from 1
//   volume N | repeat on|off | random on|off       values
//   display N | rate N                             display mode | rate in percent
//   move X Y | show | hide | ontop on|off          the main window
//   click N | key N                                a player button | a virtual key (0x.. or decimal)
//   menu ID | menu-delete ID                       click an item | the player deletes it
//   menus                                          show menu 0x4000 and the tool menu
//   add FILE | load FILE | save FILE | new         the play list
//   design FILE | plugin FILE | end-plugins        designs | plug-ins
//   drag X1 Y1 X2 Y2 [left|right|middle]          press, move and release the mouse
//   lclick X Y | rclick X Y                        a left click | a right click (popup menus)
//   choose CAPTION/CAPTION...                      the item the next menu shown picks, by
//                                                  its captions from the top (before rclick)
//   drop X Y FILE...                               files dropped at the point
//   post EVENT PARAM                               a notification to every registered window
//   wait TIME                                      let the player run (messages, timers, playback)
//   print                                          the player's state
//   snapshot FILE                                  the screen as a PNG file (a host path;
//                                                  relative ones in the snapshot folder)
//   quit                                           the player closes
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace koru {

class Player;

class Scenario {
 public:
  // `out` gets every line the scenario prints. With `manualClock`, waits
  // advance the platform's manual clock (already enabled by the caller) in
  // steps of `tickMs` instead of letting real time pass.
  Scenario(Player& player, std::function<void(const std::string&)> out, bool manualClock, win::UINT tickMs);

  // Runs a scenario file; false after the first line that fails (the
  // message names the line) or when the file cannot be read.
  bool RunFile(const std::string& hostPath);
  // Runs one command; false with a message through `out` when it fails.
  bool RunLine(const std::string& line);
  // Lets the player run for `ms` milliseconds of the platform clock.
  void Wait(win::DWORD ms);
  bool QuitRequested() const { return quit_; }
  // Where relative snapshot names go; the scenario file's folder when empty.
  void SetSnapshotFolder(const std::string& hostFolder) { snapshotFolder_ = hostFolder; }

  // The Windows path of a file name as the command line gives it (UTF-8):
  // a Windows path ("C:\...") as it is, a host path relative to `hostFolder`.
  static std::string WindowsPath(const std::string& name, const std::string& hostFolder);

 private:
  bool Fail(const std::string& message);
  bool Drag(const std::string& rest);
  bool Drop(win::POINT at, const std::vector<std::string>& names);
  std::string PathInLine(const std::string& name) const;

  Player& player_;
  std::function<void(const std::string&)> out_;
  bool manualClock_;
  win::UINT tickMs_;
  std::string folder_;  // the host folder relative names are taken from
  std::string snapshotFolder_;
  bool quit_ = false;
};

}  // namespace koru
