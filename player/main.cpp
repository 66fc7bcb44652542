// koru: the stand-in KORU player, headless. It loads the play lists and
// files of its command line and the plug-ins named with --plugin, then
// follows a scenario file (--scenario) and quits, or runs until its window
// is closed. Everything that happens is printed, one line at a time.
//
//   koru [--manual-clock] [--fresh] [--live] [--scale N] [--scenario FILE] [--plugin LIBRARY]... [FILE]...
//
// With --manual-clock the platform clock stands still except when the
// scenario waits, so a scenario runs at once; with --fresh the player starts
// from its default settings instead of those it saved last time, so the
// scenario prints the same on every run. With --live the windows show on
// the X display that $DISPLAY names and a person uses them there (--scale N
// enlarges every pixel N times, for screens of high density); without a
// scenario the player then runs until its window is closed.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/Errors.h"
#include "platform/LiveDesktop.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "player/Player.h"
#include "player/PluginLoader.h"
#include "player/Scenario.h"

namespace {

win::ULONGLONG startTick = 0;

void Print(const std::string& ansi) {
  const win::ULONGLONG ms = win::GetTickCount64() - startTick;
  std::printf("[%02u:%02u.%03u] %s\n", static_cast<unsigned>(ms / 60000), static_cast<unsigned>(ms / 1000 % 60),
              static_cast<unsigned>(ms % 1000), win::AnsiToUtf8(ansi).c_str());
  std::fflush(stdout);
}

int Usage() {
  std::fprintf(stderr,
               "usage: koru [--manual-clock] [--fresh] [--live] [--scale N] [--scenario FILE] [--plugin LIBRARY]... "
               "[FILE]...\n");
  return 2;
}

std::string CurrentFolder() {
  char buffer[PATH_MAX] = {};
  return getcwd(buffer, sizeof buffer) ? buffer : ".";
}

}  // namespace

int main(int argc, char** argv) {
  bool manualClock = false;
  bool fresh = false;
  bool live = false;
  win::live::Options liveOptions;
  std::string scenarioFile;
  std::vector<std::string> plugins;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--manual-clock") {
      manualClock = true;
    } else if (arg == "--fresh") {
      fresh = true;
    } else if (arg == "--live") {
      live = true;
    } else if (arg == "--scale" && i + 1 < argc) {
      char* end = nullptr;
      liveOptions.scale = static_cast<int>(std::strtol(argv[++i], &end, 10));
      if (*end != '\0' || liveOptions.scale < 1 || liveOptions.scale > 8) {
        std::fprintf(stderr, "koru: --scale takes a whole number from 1 to 8\n");
        return 2;
      }
    } else if (arg == "--scenario" && i + 1 < argc) {
      scenarioFile = argv[++i];
    } else if (arg == "--plugin" && i + 1 < argc) {
      plugins.push_back(argv[++i]);
    } else if (arg.rfind("--", 0) == 0) {
      return Usage();
    } else {
      files.push_back(arg);
    }
  }
  if (manualClock) win::test::ManualClock::Enable();
  std::string liveError;
  if (live && !win::live::Start(liveOptions, &liveError)) {
    std::fprintf(stderr, "koru: %s\n", liveError.c_str());
    return 1;
  }
  startTick = win::GetTickCount64();

  win::CoInitialize(nullptr);
  koru::PlayerOptions options;
  options.report = Print;
  options.readSettings = !fresh;
  koru::Player player(options);
  if (!player.Start()) {
    std::fprintf(stderr, "koru: the player could not start (error %u)\n", static_cast<unsigned>(win::GetLastError()));
    return 1;
  }
  koru::Scenario scenario(player, Print, manualClock, options.tickMs);
  const std::string here = CurrentFolder();
  int status = 0;
  for (const std::string& file : files) {
    const std::string path = koru::Scenario::WindowsPath(file, here);
    const bool playList = SameText(ExtractFileExt(path), ".kpl");
    const win::HRESULT result = playList ? player.LoadPlayList(path) : player.AddFile(path);
    if (result != win::S_OK) {
      Print(
          FormatC("error: cannot %s %s (0x%08X)", {playList ? "load" : "add", path, static_cast<win::DWORD>(result)}));
      status = 1;
    }
  }
  for (const std::string& plugin : plugins) {
    const std::string path = koru::Scenario::WindowsPath(plugin, here);
    if (!player.Plugins().Load(path)) {
      Print(FormatC("error: cannot load the plug-in %s (error %d)", {path, win::GetLastError()}));
      status = 1;
    }
  }
  if (!scenarioFile.empty()) {
    if (!scenario.RunFile(scenarioFile)) status = 1;
    player.Quit();
  } else {
    // Runs until the window closes (or the process is ended), asleep
    // until something happens.
    while (!scenario.QuitRequested()) scenario.Wait(manualClock ? 1000 : win::INFINITE);
  }
  scenario.Wait(0);
  win::live::Stop();
  win::CoUninitialize();
  return status;
}
