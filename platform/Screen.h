// The screen that the platform presents: one monitor of a configurable size,
// shared by the window manager, the system metrics and the device caps.
#pragma once

#include "platform/Types.h"

namespace win {

namespace detail {

// The size of the screen in pixels; 1024 by 768 unless a test changes it.
SIZE ScreenSize();

}  // namespace detail

namespace test {

void SetScreenSize(int width, int height);

}  // namespace test
}  // namespace win
