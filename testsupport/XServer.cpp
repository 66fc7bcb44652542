#include "testsupport/XServer.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

extern char** environ;

namespace testsupport {

namespace {

// Reads the display number that Xvfb writes once it takes connections.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') number += c;
  return number;
}

struct DisplayCloser {
  void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr Open() { return DisplayPtr(XOpenDisplay(nullptr)); }

int RunAndWait(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

XServer::XServer(int width, int height) {
  int fds[2];
  if (pipe(fds) != 0) return;
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const std::string fd = std::to_string(fds[1]);
  const pid_t pid = fork();
  if (pid == 0) {
    // The server ends with the test process, even when that one crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    close(fds[0]);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 2);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
           "-noreset", "+extension", "SHAPE", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  const std::string number = pid > 0 ? ReadDisplayNumber(fds[0]) : std::string();
  close(fds[0]);
  if (pid <= 0) return;
  if (number.empty()) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return;
  }
  pid_ = pid;
  name_ = ":" + number;
  if (const char* old = std::getenv("DISPLAY")) {
    hadDisplay_ = true;
    oldDisplay_ = old;
  }
  setenv("DISPLAY", name_.c_str(), 1);
}

XServer::~XServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  if (hadDisplay_)
    setenv("DISPLAY", oldDisplay_.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

ScreenImage ReadScreen() {
  ScreenImage image;
  DisplayPtr display = Open();
  if (!display) return image;
  const Window root = DefaultRootWindow(display.get());
  XWindowAttributes attributes;
  XGetWindowAttributes(display.get(), root, &attributes);
  XImage* x = XGetImage(display.get(), root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
  if (!x) return image;
  image.width = attributes.width;
  image.height = attributes.height;
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y)
    for (int xx = 0; xx < image.width; ++xx)
      image.pixels[static_cast<size_t>(y) * image.width + xx] = XGetPixel(x, xx, y) & 0xFFFFFF;
  XDestroyImage(x);
  return image;
}

std::vector<XRect> WindowShape(unsigned long window) {
  std::vector<XRect> result;
  DisplayPtr display = Open();
  if (!display) return result;
  int count = 0;
  int ordering = 0;
  XRectangle* rects = XShapeGetRectangles(display.get(), window, ShapeBounding, &count, &ordering);
  for (int i = 0; i < count; ++i)
    result.push_back(XRect{rects[i].x, rects[i].y, rects[i].x + rects[i].width, rects[i].y + rects[i].height});
  if (rects) XFree(rects);
  return result;
}

XRect WindowPlace(unsigned long window) {
  DisplayPtr display = Open();
  if (!display) return {};
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display.get(), window, &attributes)) return {};
  int x = 0;
  int y = 0;
  Window child = 0;
  XTranslateCoordinates(display.get(), window, DefaultRootWindow(display.get()), 0, 0, &x, &y, &child);
  return XRect{x, y, x + attributes.width, y + attributes.height};
}

bool Xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunAndWait(argv) == 0;
}

}  // namespace testsupport
