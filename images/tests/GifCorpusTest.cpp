// Replays every file of the fuzzing corpus (inputs that once failed and a
// few seeds): each must load, or end in the invalid-image error, and never
// touch memory it does not own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/Exceptions.h"
#include "images/tests/support/GifTestSupport.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GifCorpusTest, EveryFileLoadsOrEndsInTheInvalidImageError) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(GIF_CORPUS_DIR)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const std::string bytes = ReadFile(entry.path());
    for (bool keepSize : {false, true}) {
      ktvGIF gif(nullptr);
      gif.UseDelay = false;
      gif.KeepSize = keepSize;
      TBitmap bitmap;
      if (keepSize) bitmap.SetSize(16, 12);
      try {
        giftest::Decode(gif, bytes, bitmap);
      } catch (const EInvalidGraphic&) {
      } catch (const EOutOfResources&) {
        // A logical screen too large for a bitmap.
      }
    }
  }
  EXPECT_GT(files, 0);
}

}  // namespace
