// On the X display that $DISPLAY names, runs the real lozenge live inside
// the player and measures the time from a posted spectrum notification to
// the X server showing the new pixels: a segment of band 0 is lit and put
// out in turn, and the screen is read at that segment until it shows the
// colour sent. Prints the median and the 99th percentile.
//
//   DISPLAY=:N lozenge_live_bench [NOTIFICATIONS]
//
// It works in a platform prefix of its own; scripts/live-bench.sh runs it
// on an Xvfb of its own.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/LiveDesktop.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "player/Levels.h"
#include "player/PlayerTestApi.h"
#include "player/PluginLoader.h"
#include "plugin/Main.h"
#include "plugin/bench/XScreen.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned long kLitRgb = 0x46463A;  // the segments' low colour, as X holds it
constexpr unsigned long kOffRgb = 0xBCBCAC;  // the pane's colour

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(20, std::atoi(argv[1])) : 500;
  if (!xscreen::Open()) {
    std::fprintf(stderr, "lozenge_live_bench: no X display (set DISPLAY)\n");
    return 1;
  }
  std::string prefix = (std::filesystem::temp_directory_path() / "lozenge-live-bench-XXXXXX").string();
  if (!mkdtemp(prefix.data())) return 1;
  setenv("LOZG_PREFIX", prefix.c_str(), 1);
  std::string error;
  if (!win::live::Start(win::live::Options{}, &error)) {
    std::fprintf(stderr, "lozenge_live_bench: %s\n", error.c_str());
    return 1;
  }
  win::CoInitialize(nullptr);
  koru::PlayerOptions options;
  options.readSettings = false;
  auto koru = koru::test::TestPlayer::StartOnOwnThread(options);
  if (!koru) return 1;
  const std::filesystem::path folder = win::detail::ToHostPath("C:\\Plugins");
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(LOZG_PLUGIN, folder / "LozgPlus.so");
  TFormKORULozenge* form = nullptr;
  koru->RunOnPlayerThread([&] {
    koru->player().Plugins().Load("C:\\Plugins\\LozgPlus.so");
    const win::HMODULE module = win::GetModuleHandleA("C:\\Plugins\\LozgPlus.so");
    auto** symbol = reinterpret_cast<TFormKORULozenge**>(win::GetProcAddress(module, "_FormKORULozenge"));
    form = symbol ? *symbol : nullptr;
    if (!form) return;
    form->SetBounds(100, 100, form->Width(), form->Height());
    form->PopupSpeana->Click();
  });
  if (!form) {
    std::fprintf(stderr, "lozenge_live_bench: the plug-in did not start\n");
    return 1;
  }
  // The lowest segment of band 0, on the screen.
  const int x = 100 + 37 + 4 + 2, y = 100 + 11 + 32;
  const win::HWND link = form->KORU->WindowHandle;

  std::vector<double> micros;
  for (int i = 0; i < count; ++i) {
    koru::Levels levels;
    levels.bands[0] = i % 2 ? 0 : 10;
    const unsigned long wanted = i % 2 ? kOffRgb : kLitRgb;
    const auto start = Clock::now();
    koru->Post(link, koru::SpectrumEvent(levels), koru::SpectrumParam(levels));
    while (xscreen::PixelAt(x, y) != wanted) {
      if (Clock::now() - start > std::chrono::seconds(5)) {
        std::fprintf(stderr, "lozenge_live_bench: the screen never showed the level\n");
        return 1;
      }
    }
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  std::printf("spectrum notification to pixels on the X screen (%d): median %.0f us, 99th percentile %.0f us\n",
              count, micros[micros.size() / 2], micros[micros.size() * 99 / 100]);

  koru->RunOnPlayerThread([&] { koru->player().Quit(); });
  koru.reset();
  win::live::Stop();
  win::CoUninitialize();
  xscreen::Close();
  std::filesystem::remove_all(prefix);
  return 0;
}
