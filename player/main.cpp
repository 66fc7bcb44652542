// koru: the stand-in KORU player, headless. It loads the play lists and
// files of its command line and the plug-ins named with --plugin, then
// follows a scenario file (--scenario) and quits, or runs until its window
// is closed. Everything that happens is printed, one line at a time.
//
//   koru [--manual-clock] [--fresh] [--live] [--scale N] [--mirror [NAME]] [--scenario FILE]
//        [--snapshots DIR] [--plugin LIBRARY]... [FILE]...
//   koru --help
//
// On a session bus the player is an MPRIS player that desktops and tools
// such as playerctl drive. With --mirror it is instead the mirror of
// another MPRIS player (the one whose bus name ends in NAME, else the first
// one playing, else the first one found): it follows that player and sends
// it every command.
//
// With --manual-clock the platform clock stands still except when the
// scenario waits, so a scenario runs at once; with --fresh the player starts
// from its default settings instead of those it saved last time, so the
// scenario prints the same on every run; --snapshots names the folder for
// the scenario's snapshots (made when missing). With --live the windows show
// on the X display that $DISPLAY names and a person uses them there
// (--scale N enlarges every pixel N times, for screens of high density);
// without a scenario the player then runs until its window is closed.
#include <unistd.h>

#include <sdbus-c++/sdbus-c++.h>

#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/Errors.h"
#include "platform/LiveDesktop.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "player/MprisMirror.h"
#include "player/MprisServer.h"
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

constexpr const char* kUsageLine =
    "usage: koru [--manual-clock] [--fresh] [--live] [--scale N] [--mirror [NAME]] [--scenario FILE]\n"
    "            [--snapshots DIR] [--plugin LIBRARY]... [FILE]...\n";

constexpr const char* kHelp =
    "\n"
    "The stand-in KORU player, headless. It loads the play lists (.kpl) and the\n"
    "files given, and the plug-ins named with --plugin, then follows the scenario\n"
    "file and quits, or runs until its window is closed. Everything that happens\n"
    "is printed, one line at a time.\n"
    "\n"
    "  --manual-clock    the clock moves only when the scenario waits, so a\n"
    "                    scenario runs at once\n"
    "  --fresh           start from the default settings, not those saved last time\n"
    "  --live            show the windows on the X display that $DISPLAY names\n"
    "  --scale N         with --live, every pixel N times (1 to 8)\n"
    "  --mirror [NAME]   follow another MPRIS player on the session bus (the one\n"
    "                    whose bus name ends in NAME, else the first one playing,\n"
    "                    else the first one found) and send it every command\n"
    "  --scenario FILE   follow the commands of FILE, then quit\n"
    "  --snapshots DIR   where the scenario's relative snapshot names are written\n"
    "  --plugin LIBRARY  load the plug-in LIBRARY (a host path); may be repeated\n"
    "  --help            print this and exit\n"
    "\n"
    "A scenario file holds one command a line (play, wait 0:05, move 240 160,\n"
    "menu ID, snapshot FILE, quit, ...). The commands are described in\n"
    "player/Scenario.h and in README.md, section \"The stand-in player\".\n"
    "\n"
    "The player keeps its settings and registry in the platform prefix\n"
    "($LOZG_PREFIX, else $XDG_DATA_HOME/lozg, else ~/.local/share/lozg).\n";

int Usage() {
  std::fputs(kUsageLine, stderr);
  std::fputs("koru --help tells more.\n", stderr);
  return 2;
}

int Help() {
  std::fputs(kUsageLine, stdout);
  std::fputs(kHelp, stdout);
  return 0;
}

std::string CurrentFolder() {
  char buffer[PATH_MAX] = {};
  return getcwd(buffer, sizeof buffer) ? buffer : ".";
}

// The player on the session bus: served, or mirroring another player.
struct BusLink {
  std::unique_ptr<koru::MprisServer> server;
  std::unique_ptr<koru::MprisMirror> mirror;
};

// False when mirroring was asked for and cannot be done; without a bus the
// player otherwise runs on, told why MPRIS is off.
bool LinkToBus(koru::Player& player, bool mirror, const std::string& mirrorName, BusLink& link) {
  std::string why;
  std::unique_ptr<sdbus::IConnection> connection = koru::mpris::ConnectSessionBus(why);
  try {
    if (connection && mirror) {
      link.mirror = std::make_unique<koru::MprisMirror>(player, std::move(connection), mirrorName, Print);
    } else if (connection) {
      link.server = std::make_unique<koru::MprisServer>(player, std::move(connection));
      Print("MPRIS: " + link.server->BusName());
    }
  } catch (const sdbus::Error& e) {
    why = e.getName() + ": " + e.getMessage();
  }
  if (link.server || link.mirror) return true;
  Print((mirror ? "error: cannot mirror: " : "MPRIS off: ") + why);
  return !mirror;
}

}  // namespace

int main(int argc, char** argv) {
  bool manualClock = false;
  bool fresh = false;
  bool mirror = false;
  std::string mirrorName;
  bool live = false;
  win::live::Options liveOptions;
  std::string scenarioFile;
  std::string snapshotFolder;
  std::vector<std::string> plugins;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      return Help();
    } else if (arg == "--manual-clock") {
      manualClock = true;
    } else if (arg == "--fresh") {
      fresh = true;
    } else if (arg == "--mirror") {
      mirror = true;
      if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) mirrorName = argv[++i];
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
    } else if (arg == "--snapshots" && i + 1 < argc) {
      snapshotFolder = argv[++i];
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
  if (!snapshotFolder.empty()) {
    std::filesystem::create_directories(snapshotFolder);
    scenario.SetSnapshotFolder(snapshotFolder);
  }
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
  BusLink bus;
  if (!LinkToBus(player, mirror, mirrorName, bus)) status = 1;
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
  bus = {};
  win::live::Stop();
  win::CoUninitialize();
  return status;
}
