// libFuzzer target: any bytes as a player design file, taken by a running
// player as a person's choice of design is.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz --target design_fuzzer
//   nice build-fuzz/bin/design_fuzzer NEW_INPUTS player/tests/design-corpus -max_total_time=600
//
// Every input that ever failed belongs in player/tests/design-corpus, which
// the tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Com.h"
#include "player/PlayerTestApi.h"
#include "player/TextFile.h"
#include "testsupport/FuzzPrefix.h"

namespace {

constexpr char kFile[] = "C:\\fuzz.korud";

// Runs for the life of the process.
koru::test::TestPlayer* koruPlayer = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testsupport::UseFuzzPrefix();
  win::CoInitialize(nullptr);
  koru::PlayerOptions options;
  options.readSettings = false;
  koruPlayer = koru::test::TestPlayer::StartHere(options).release();
  if (!koruPlayer) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!koru::WriteTextFile(kFile, std::string(reinterpret_cast<const char*>(data), size))) std::abort();
  koruPlayer->player().SetDesign(kFile);
  koru::test::PumpMessages();
  if (koruPlayer->player().Design() != kFile) std::abort();
  koruPlayer->player().SetDesign("");
  return 0;
}
