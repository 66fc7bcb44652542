// An X server of a test's own, so that tests of the live desktop never
// touch the person's display: Xvfb on a free display number, with $DISPLAY
// naming it while it runs, and the X clients the tests drive it with.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace testsupport {

class XServer {
 public:
  // Starts Xvfb with one 24-bit screen of the size given and waits until
  // it takes connections; Running() tells whether it did.
  XServer(int width, int height);
  // Stops the server and puts back the $DISPLAY of before.
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  bool Running() const { return pid_ > 0; }
  const std::string& Name() const { return name_; }  // ":N"

 private:
  pid_t pid_ = -1;
  std::string name_;
  std::string oldDisplay_;
  bool hadDisplay_ = false;
};

// The screen as the X server holds it, 0x00RRGGBB by pixel.
struct ScreenImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
ScreenImage ReadScreen();

// The bounding shape of an X window as the server holds it (the whole
// window when it has none); each rectangle as left, top, right, bottom.
struct XRect {
  int left, top, right, bottom;
  friend bool operator==(const XRect&, const XRect&) = default;
};
std::ostream& operator<<(std::ostream& out, const XRect& r);
std::vector<XRect> WindowShape(unsigned long window);
// The window's place and size on the screen: left, top, right, bottom.
XRect WindowPlace(unsigned long window);

// The window that has the X input focus (0 for none).
unsigned long FocusedXWindow();

// Drags files onto an X window and drops them there, as a file manager does
// (the XDND protocol, offering the host paths as a text/uri-list), with the
// pointer at the root point given; true once the window reports the drop
// finished.
bool DropFilesOnWindow(unsigned long window, int rootX, int rootY, const std::vector<std::string>& hostPaths);

// Runs xdotool with the arguments; true when it exits with 0.
bool Xdotool(const std::vector<std::string>& args);

}  // namespace testsupport
