// koru: the stand-in KORU player, headless. It loads the play lists and
// files of its command line and the plug-ins named with --plugin, then
// follows a scenario file (--scenario) and quits, or runs until its window
// is closed. Everything that happens is printed, one line at a time.
//
//   koru [--manual-clock] [--fresh] [--scenario FILE] [--plugin LIBRARY]... [FILE]...
//   koru --help
//
// With --manual-clock the platform clock stands still except when the
// scenario waits, so a scenario runs at once; with --fresh the player starts
// from its default settings instead of those it saved last time, so the
// scenario prints the same on every run.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/Errors.h"
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

constexpr const char* kUsageLine =
    "usage: koru [--manual-clock] [--fresh] [--scenario FILE] [--plugin LIBRARY]... [FILE]...\n";

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
    "  --scenario FILE   follow the commands of FILE, then quit\n"
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

}  // namespace

int main(int argc, char** argv) {
  bool manualClock = false;
  bool fresh = false;
  std::string scenarioFile;
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
    // Runs until the window closes (or the process is ended).
    while (!scenario.QuitRequested()) scenario.Wait(1000);
  }
  scenario.Wait(0);
  win::CoUninitialize();
  return status;
}
