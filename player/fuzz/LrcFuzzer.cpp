// libFuzzer target: any bytes as LRC lyrics. The reader never fails; its
// lines come in time order, and the line showing at any moment is one of
// them, started at or before that moment.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz --target lrc_fuzzer
//   nice build-fuzz/bin/lrc_fuzzer NEW_INPUTS player/tests/lrc-corpus -max_total_time=600
//
// Every input that ever failed belongs in player/tests/lrc-corpus, which the
// tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/Lrc.h"
#include "testsupport/FuzzPrefix.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckLineAt(const koru::LrcDocument& lyrics, win::LONG moment) {
  const int index = koru::LineAt(lyrics, moment);
  Require(index >= -1 && index < static_cast<int>(lyrics.lines.size()));
  if (index >= 0) Require(lyrics.lines[index].tag <= moment);
  if (index + 1 < static_cast<int>(lyrics.lines.size())) Require(lyrics.lines[index + 1].tag > moment);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  testsupport::UseFuzzPrefix();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const koru::LrcDocument lyrics = koru::ParseLrc(std::string_view(reinterpret_cast<const char*>(data), size));
  for (size_t i = 1; i < lyrics.lines.size(); ++i) Require(lyrics.lines[i - 1].tag <= lyrics.lines[i].tag);
  for (const koru::LyricsLine& line : lyrics.lines) {
    CheckLineAt(lyrics, line.tag);
    if (line.tag > INT32_MIN) CheckLineAt(lyrics, line.tag - 1);
  }
  CheckLineAt(lyrics, 0);
  CheckLineAt(lyrics, INT32_MAX);
  CheckLineAt(lyrics, INT32_MIN);
  return 0;
}
