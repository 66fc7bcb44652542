#include "testsupport/XServer.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
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

std::ostream& operator<<(std::ostream& out, const XRect& r) {
  return out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
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

unsigned long FocusedXWindow() {
  DisplayPtr display = Open();
  if (!display) return 0;
  Window focus = 0;
  int revertTo = 0;
  XGetInputFocus(display.get(), &focus, &revertTo);
  return focus == PointerRoot ? 0 : focus;
}

namespace {

// One party of a drag on its own connection: the source window, and the
// messages of the protocol.
class DragSource {
 public:
  explicit DragSource(Display* display)
      : display_(display),
        window_(XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)),
        selection_(Atom("XdndSelection")),
        uriList_(Atom("text/uri-list")) {}
  ~DragSource() { XDestroyWindow(display_, window_); }

  bool Drop(Window target, int rootX, int rootY, const std::string& uris) {
    XSetSelectionOwner(display_, selection_, window_, CurrentTime);
    Send(target, "XdndEnter", {static_cast<long>(window_), 5L << 24, static_cast<long>(uriList_), 0, 0});
    Send(target, "XdndPosition",
         {static_cast<long>(window_), 0, (static_cast<long>(rootX) << 16) | rootY, CurrentTime,
          static_cast<long>(Atom("XdndActionCopy"))});
    if (!WaitFor("XdndStatus", target, uris)) return false;
    Send(target, "XdndDrop", {static_cast<long>(window_), 0, CurrentTime, 0, 0});
    return WaitFor("XdndFinished", target, uris);
  }

 private:
  ::Atom Atom(const char* name) { return XInternAtom(display_, name, False); }

  void Send(Window target, const char* type, std::vector<long> data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = Atom(type);
    event.xclient.format = 32;
    for (size_t i = 0; i < data.size(); ++i) event.xclient.data.l[i] = data[i];
    XSendEvent(display_, target, False, NoEventMask, &event);
    XFlush(display_);
  }

  // Serves the target's requests for the dropped data until the message
  // of `type` arrives; false when it does not come within a generous bound.
  bool WaitFor(const char* type, Window target, const std::string& uris) {
    const ::Atom wanted = Atom(type);
    for (int round = 0; round < 200; ++round) {
      while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == ClientMessage && event.xclient.message_type == wanted &&
            static_cast<Window>(event.xclient.data.l[0]) == target)
          return true;
        if (event.type == SelectionRequest) Answer(event.xselectionrequest, uris);
      }
      pollfd fd{ConnectionNumber(display_), POLLIN, 0};
      poll(&fd, 1, 50);
    }
    return false;
  }

  void Answer(const XSelectionRequestEvent& request, const std::string& uris) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    if (request.target == uriList_) {
      XChangeProperty(display_, request.requestor, request.property, uriList_, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(uris.data()), static_cast<int>(uris.size()));
      reply.xselection.property = request.property;
    }
    XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
    XFlush(display_);
  }

  Display* display_;
  Window window_;
  ::Atom selection_;
  ::Atom uriList_;
};

}  // namespace

// The path as a URI writes it: bytes other than letters, digits, "/-._~"
// as %XX.
std::string UriPath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~", c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool DropFilesOnWindow(unsigned long window, int rootX, int rootY, const std::vector<std::string>& hostPaths) {
  DisplayPtr display = Open();
  if (!display) return false;
  std::string uris;
  for (const std::string& path : hostPaths) uris += "file://" + UriPath(path) + "\r\n";
  DragSource source(display.get());
  return source.Drop(window, rootX, rootY, uris);
}

bool Xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunAndWait(argv) == 0;
}

}  // namespace testsupport
