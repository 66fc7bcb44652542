// The screen that the platform presents: one monitor of a configurable size,
// shared by the window manager, the system metrics and the device caps.
#pragma once

#include "platform/Types.h"

namespace win {

namespace detail {

// The size of the screen in pixels; 1024 by 768 unless a test changes it.
// Safe to call with or without KernelMutex held.
SIZE ScreenSize();
// Called by the window manager when the desktop window takes a new size.
void RecordScreenSize(SIZE size);

}  // namespace detail

namespace test {

// Resizes the screen, which is the desktop window (the window manager's).
void SetScreenSize(int width, int height);

}  // namespace test
}  // namespace win
