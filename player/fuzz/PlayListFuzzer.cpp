// libFuzzer target: any bytes as a play-list file. A list that loads saves
// and loads back as it was; one that does not load leaves the tracks alone.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz --target playlist_fuzzer
//   nice build-fuzz/bin/playlist_fuzzer NEW_INPUTS player/tests/playlist-corpus -max_total_time=600
//
// Every input that ever failed belongs in player/tests/playlist-corpus,
// which the tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "player/PlayListFile.h"
#include "player/TextFile.h"
#include "testsupport/FuzzPrefix.h"

namespace {

constexpr char kFile[] = "C:\\Lists\\fuzz.kpl";
constexpr char kSaved[] = "C:\\Lists\\saved.kpl";

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testsupport::UseFuzzPrefix();
  win::CreateDirectoryA("C:\\Lists", nullptr);
  // A track that lines naming only a file can find.
  koru::WriteTextFile("C:\\Lists\\song.trk", "[Track]\r\nTitle=Song\r\nLength=1:00\r\n");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Require(koru::WriteTextFile(kFile, std::string(reinterpret_cast<const char*>(data), size)));
  const std::vector<koru::Track> untouched(1);
  std::vector<koru::Track> tracks = untouched;
  if (!koru::LoadPlayListFile(kFile, tracks)) {
    Require(tracks == untouched);
    return 0;
  }
  Require(koru::SavePlayListFile(kSaved, tracks));
  std::vector<koru::Track> again;
  Require(koru::LoadPlayListFile(kSaved, again));
  Require(again == tracks);
  return 0;
}
