// libFuzzer target: any bytes through the bitmap reading path of ktvImage
// (the colour-table reader and the framework's bitmap loader), and what the
// loader takes written back at its depth; see images/fuzz/BitmapFileCheck.h
// for what must hold.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz -j2 --target bitmap_fuzzer
//   build/bin/bmp_make_seeds NEW_SEEDS      # the seeds, once
//   LSAN_OPTIONS=suppressions=images/fuzz/lsan.supp \
//   nice build-fuzz/bin/bitmap_fuzzer NEW_INPUTS images/tests/bmp-corpus \
//     -dict=images/fuzz/bmp.dict -max_total_time=600 -rss_limit_mb=2048
//
// images/tests/bmp-corpus holds the seeds (seed-*) and the inputs of a
// run merged down to those that add coverage (found-*: `-merge=1`); every
// input that ever failed belongs there too. The tests replay it in every
// build.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "images/fuzz/BitmapFileCheck.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keep the platform's files out of the user's own prefix.
  static char prefix[] = "/tmp/lozg-fuzz-prefix-XXXXXX";
  if (!std::getenv("LOZG_PREFIX") && mkdtemp(prefix)) setenv("LOZG_PREFIX", prefix, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string failure = bmpcheck::CheckBitmapFile(std::string(reinterpret_cast<const char*>(data), size));
  if (!failure.empty()) {
    std::fprintf(stderr, "bitmap_fuzzer: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
