// Runs the real lozenge inside the stand-in player and measures, from a
// posted notification to the end of the repaint it causes, the median and
// the 99th percentile for counter and spectrum notifications; and counts
// the repaints of the spectrum pane while the spectrum stands still, which
// must be none.
//
//   lozenge_bench [NOTIFICATIONS]
//
// It works in a platform prefix of its own, so nothing of the person's is
// touched.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/Desktop.h"
#include "platform/Painting.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "player/Levels.h"
#include "player/Notifier.h"
#include "player/PlayerTestApi.h"
#include "player/PluginLoader.h"
#include "plugin/Main.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
  double median;
  double p99;
};

Figures Summarise(std::vector<double> micros) {
  std::sort(micros.begin(), micros.end());
  return {micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
}

// Posts the notification, then handles it and paints what it changed.
double Deliver(koru::test::TestPlayer& koru, win::HWND link, win::DWORD event, win::LONG param) {
  const auto start = Clock::now();
  koru.Post(link, event, param);
  koru::test::PumpMessages();
  win::test::PaintPending();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

koru::Levels Moving(int i) {
  koru::Levels levels;
  for (int k = 0; k < koru::kBandCount; ++k) levels.bands[k] = (i * 3 + k * 5) % 16;
  return levels;
}

std::string TemporaryPrefix() {
  std::string pattern = (std::filesystem::temp_directory_path() / "lozenge-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return {};
  return pattern;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;
  const std::string prefix = TemporaryPrefix();
  if (prefix.empty()) return 1;
  setenv("LOZG_PREFIX", prefix.c_str(), 1);

  win::CoInitialize(nullptr);
  auto koru = koru::test::TestPlayer::StartHere();
  if (!koru) return 1;
  const std::filesystem::path folder = win::detail::ToHostPath("C:\\Plugins");
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(LOZG_PLUGIN, folder / "LozgPlus.so");
  if (!koru->player().Plugins().Load("C:\\Plugins\\LozgPlus.so")) {
    std::fprintf(stderr, "lozenge_bench: the plug-in did not load\n");
    return 1;
  }
  const win::HMODULE module = win::GetModuleHandleA("C:\\Plugins\\LozgPlus.so");
  TFormKORULozenge* form = *reinterpret_cast<TFormKORULozenge**>(win::GetProcAddress(module, "_FormKORULozenge"));
  const win::HWND link = form->KORU->WindowHandle;
  koru::test::PumpMessages();

  form->PopupTitle->Click();
  std::vector<double> counter;
  for (int i = 0; i < count; ++i) counter.push_back(Deliver(*koru, link, koru::kNotifyCounter, i * 1000));

  form->PopupSpeana->Click();
  std::vector<double> spectrum;
  for (int i = 0; i < count; ++i) {
    const koru::Levels levels = Moving(i);
    spectrum.push_back(Deliver(*koru, link, koru::SpectrumEvent(levels), koru::SpectrumParam(levels)));
  }

  const koru::Levels steady = Moving(7);
  Deliver(*koru, link, koru::SpectrumEvent(steady), koru::SpectrumParam(steady));
  int repaints = 0;
  for (int i = 0; i < count; ++i) {
    koru->Post(link, koru::SpectrumEvent(steady), koru::SpectrumParam(steady));
    koru::test::PumpMessages();
    win::RECT update{};
    if (win::GetUpdateRect(form->PanelSpeana->Handle(), &update, win::FALSE)) ++repaints;
    win::test::PaintPending();
  }

  const Figures c = Summarise(counter), s = Summarise(spectrum);
  std::printf("notifications per kind: %d\n", count);
  std::printf("counter:  median %.1f us, 99th percentile %.1f us\n", c.median, c.p99);
  std::printf("spectrum: median %.1f us, 99th percentile %.1f us\n", s.median, s.p99);
  std::printf("segment repaints for a steady spectrum: %d\n", repaints);

  koru->player().Quit();
  koru.reset();
  win::CoUninitialize();
  std::filesystem::remove_all(prefix);
  return repaints == 0 ? 0 : 1;
}
