#include "plugin/bench/XScreen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace xscreen {

namespace {
Display* display = nullptr;
}

bool Open() {
  display = XOpenDisplay(nullptr);
  return display != nullptr;
}

void Close() {
  if (display) XCloseDisplay(display);
  display = nullptr;
}

unsigned long PixelAt(int x, int y) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

}  // namespace xscreen
