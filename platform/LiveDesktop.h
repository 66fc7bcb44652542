// The live desktop: the platform's windows mirrored onto a real X display.
// The platform's window manager stays the one truth; a display thread
// follows it. Every visible top-level window becomes an X window at the
// same place and size (a captioned window shows its client area inside the
// desktop's own decorations), cut to its window region by the X SHAPE
// extension, stacked as the platform stacks them, with the pixels its DCs
// painted. What a person does on the X windows (mouse, keys, focus, files
// dropped from a file manager, moves by the desktop's window manager)
// comes back as the platform's own input. Message boxes, the shell and
// beeps go to the desktop through the live presenter.
//
// The display thread sleeps until the X connection or the platform has
// something new, so an idle program uses no CPU.
#pragma once

#include <string>

#include "platform/Types.h"

namespace win::live {

struct Options {
  // Every platform pixel becomes scale by scale pixels of the display, and
  // the display's input is scaled back, for screens of high density.
  int scale = 1;
};

// Starts mirroring onto the X display that $DISPLAY names; the platform's
// screen takes the display's size (divided by the scale). False, with the
// reason in `error`, when the display cannot be used or mirroring runs already.
bool Start(const Options& options, std::string* error);
// Closes the X windows and puts back the presenter that was there before.
void Stop();
bool IsRunning();

// Starts mirroring when $LOZG_LIVE is "1" ($LOZG_SCALE a whole number from 1
// to 8 gives the scale), at most once per process; a failure is written to
// stderr. The platform calls it whenever a top-level window is shown.
void StartIfAskedByEnvironment();

// Rings the display's bell; false when mirroring is not running.
bool Bell();

namespace test {

// The X window that shows a top-level window; 0 when none does.
unsigned long XWindowOf(HWND hwnd);
// Returns once the display shows what the platform held when it was called
// (the X server has taken every request). Messages sent to the calling
// thread meanwhile are served, as the display thread may be waiting for them.
void Flush();

}  // namespace test
}  // namespace win::live
