// libFuzzer target: any bytes as scenario lines, run one by one on a player
// with the manual clock. Lines that reach outside the fuzzer's own platform
// prefix (plug-ins, saves, snapshots), that end the player, or that wait
// longer than a minute are left out; every other line must run or fail
// with a message, never crash or hang.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz --target scenario_fuzzer
//   nice build-fuzz/bin/scenario_fuzzer NEW_INPUTS player/tests/scenario-corpus -max_total_time=600
//
// Every input that ever failed belongs in player/tests/scenario-corpus,
// which the tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "framework/SysUtils.h"
#include "platform/Clock.h"
#include "platform/Com.h"
#include "player/PlayerTestApi.h"
#include "player/Scenario.h"
#include "player/Track.h"
#include "testsupport/FuzzPrefix.h"

namespace {

constexpr win::LONG kLongestWaitMs = 60000;

// Run for the life of the process.
koru::test::TestPlayer* koruPlayer = nullptr;
koru::Scenario* scenario = nullptr;

bool Allowed(const std::string& line) {
  std::istringstream words(line);
  std::string command;
  std::string argument;
  words >> command >> argument;
  command = LowerCase(command);
  if (command == "plugin" || command == "end-plugins" || command == "save" || command == "snapshot" ||
      command == "quit")
    return false;
  return command != "wait" || koru::ParseLength(argument, 0) <= kLongestWaitMs;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testsupport::UseFuzzPrefix();
  win::test::ManualClock::Enable();
  win::CoInitialize(nullptr);
  koru::PlayerOptions options;
  options.readSettings = false;
  koruPlayer = koru::test::TestPlayer::StartHere(options).release();
  if (!koruPlayer) std::abort();
  scenario = new koru::Scenario(koruPlayer->player(), [](const std::string&) {}, true, 100);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
  for (std::string line; std::getline(lines, line);) {
    if (Allowed(line)) scenario->RunLine(line);
  }
  koruPlayer->player().NewPlayList();
  return 0;
}
