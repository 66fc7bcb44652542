// libFuzzer target: any bytes as a track file (its description in the
// profile format), its first line also as a length and as the name of a CD
// track. A track always has a positive length, a described one a title.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz --target track_fuzzer
//   nice build-fuzz/bin/track_fuzzer NEW_INPUTS player/tests/track-corpus -max_total_time=600
//
// Every input that ever failed belongs in player/tests/track-corpus, which
// the tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "player/TextFile.h"
#include "player/Track.h"
#include "testsupport/FuzzPrefix.h"

namespace {

constexpr char kFile[] = "C:\\fuzz.trk";

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testsupport::UseFuzzPrefix();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Require(koru::WriteTextFile(kFile, bytes));
  const koru::Track track = koru::ReadTrack(kFile);
  Require(!track.title.empty() && track.length > 0 && track.kind == koru::kKindFile);

  const std::string firstLine = bytes.substr(0, bytes.find_first_of("\r\n"));
  const win::LONG length = koru::ParseLength(firstLine, -1);
  Require(length >= -1);
  // The line's last byte may lead a double-byte character that takes the
  // dot: the name is then no CD track's.
  const koru::Track cd = koru::ReadTrack(firstLine + ".cda");
  Require(cd.length > 0);
  return 0;
}
