// libFuzzer target: any bytes through ktvGIF::LoadFromStream, once into a
// target sized from the header (when that is small) and once into a small
// target of fixed size. A load may only succeed, raise EInvalidGraphic,
// or EOutOfResources for a screen larger than a bitmap can be.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DLOZG_FUZZ=ON
//   cmake --build build-fuzz -j2 --target gif_fuzzer
//   LSAN_OPTIONS=suppressions=images/fuzz/lsan.supp \
//   nice build-fuzz/bin/gif_fuzzer NEW_INPUTS images/tests/gif-corpus \
//     -dict=images/fuzz/gif.dict -max_total_time=600 -rss_limit_mb=2048
//
// Every input that ever failed belongs in images/tests/gif-corpus, which
// the tests replay in every build.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/Bitmaps.h"
#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "images/Gif.h"

namespace {

void Load(const std::string& bytes, bool keepSize) {
  ktvGIF gif(nullptr);
  gif.UseDelay = false;
  gif.KeepSize = keepSize;
  TBitmap bitmap;
  if (keepSize) bitmap.SetSize(24, 16);
  TStringStream stream(bytes);
  try {
    gif.LoadFromStream(&stream, &bitmap);
  } catch (const EInvalidGraphic&) {
  } catch (const EOutOfResources&) {
    // A logical screen beyond what a bitmap can be.
  }
}

// Logical screens beyond this many pixels are decoded into the small target only.
constexpr long kMaxScreenPixels = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keep the platform's files out of the user's own prefix.
  static char prefix[] = "/tmp/lozg-fuzz-prefix-XXXXXX";
  if (!std::getenv("LOZG_PREFIX") && mkdtemp(prefix)) setenv("LOZG_PREFIX", prefix, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  Load(bytes, true);
  if (size >= 10) {
    const long width = data[6] | data[7] << 8;
    const long height = data[8] | data[9] << 8;
    if (width * height <= kMaxScreenPixels) Load(bytes, false);
  }
  return 0;
}
