// libFuzzer target: any bytes as the names of files dropped on the lozenge
// (one name a line, at most 32), handed over by the platform's drop as
// another program's drag would, to the real plug-in in a running player.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz --target drop_fuzzer
//   nice build-fuzz/bin/drop_fuzzer NEW_INPUTS plugin/tests/drop-corpus -max_total_time=600
//
// Every input that ever failed belongs in plugin/tests/drop-corpus, which
// the tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Com.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Window.h"
#include "player/PlayerTestApi.h"
#include "player/PluginLoader.h"
#include "player/TextFile.h"
#include "plugin/Main.h"
#include "testsupport/FuzzPrefix.h"

namespace {

constexpr size_t kMostNames = 32;
constexpr char kPluginFolder[] = "C:\\Plugins";
constexpr char kPluginPath[] = "C:\\Plugins\\LozgPlus.so";

// Runs until the process ends.
koru::test::TestPlayer* koruPlayer = nullptr;

// The library and the designs shipped beside it, in the fuzzer's own prefix.
void CopyPlugin() {
  const std::filesystem::path built = std::filesystem::path(LOZG_PLUGIN).parent_path();
  const std::filesystem::path folder = win::detail::ToHostPath(kPluginFolder);
  std::filesystem::create_directories(folder);
  for (const char* name : {"LozgPlus.so", "KORULozengeT.korud", "KORULozengeM.korud"})
    std::filesystem::copy_file(built / name, folder / name, std::filesystem::copy_options::overwrite_existing);
}

win::POINT LozengeMiddle() {
  const auto module = win::GetModuleHandleA(kPluginPath);
  auto** form = reinterpret_cast<TFormKORULozenge**>(win::GetProcAddress(module, "_FormKORULozenge"));
  if (!form || !*form) std::abort();
  win::RECT rect{};
  win::GetWindowRect((*form)->Handle(), &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testsupport::UseFuzzPrefix();
  CopyPlugin();
  win::CoInitialize(nullptr);
  koru::PlayerOptions options;
  options.readSettings = false;
  koruPlayer = koru::test::TestPlayer::StartHere(options).release();
  // Held loaded for good: the fuzzer's coverage counters live in it.
  if (!koruPlayer || !win::LoadLibraryA(kPluginPath)) std::abort();
  // Something for the names to find.
  win::CreateDirectoryA("C:\\Music", nullptr);
  koru::WriteTextFile("C:\\Music\\song.trk", "[Track]\r\nTitle=Song\r\nLength=1000\r\n");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<std::string> names;
  for (std::string name; names.size() < kMostNames && std::getline(text, name);) names.push_back(name);
  if (names.empty()) return 0;
  std::vector<const char*> files;
  for (const std::string& name : names) files.push_back(name.c_str());
  // The lozenge comes and goes with each input, as a person starts and ends
  // it: no window outlives the fuzzer.
  koru::PluginLoader& plugins = koruPlayer->player().Plugins();
  if (!plugins.Load(kPluginPath)) std::abort();
  koru::test::PumpMessages();
  if (!win::test::DropFiles(LozengeMiddle(), files.data(), static_cast<int>(files.size()))) std::abort();
  koru::test::PumpMessages();
  plugins.End(win::GetModuleHandleA(kPluginPath));
  koru::test::PumpMessages();
  koruPlayer->player().NewPlayList();
  return 0;
}
