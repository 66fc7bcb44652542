// One pixel of the X screen, read apart from the platform's headers, whose
// names the X library's own would clash with.
#pragma once

namespace xscreen {

// Opens the display that $DISPLAY names; false when there is none.
bool Open();
void Close();
// The pixel at the screen point as 0xRRGGBB.
unsigned long PixelAt(int x, int y);

}  // namespace xscreen
