// Replays every file of the bitmap fuzzing corpus (inputs that once failed
// and the seeds) through what the fuzzer checks.
#include <gtest/gtest.h>

#include <filesystem>

#include "images/fuzz/BitmapFileCheck.h"
#include "testsupport/RunProgram.h"

namespace {

TEST(BitmapCorpusTest, EveryFileIsReadRefusedOrWrittenBackSoundly) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(BMP_CORPUS_DIR)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    EXPECT_EQ(bmpcheck::CheckBitmapFile(testsupport::ReadWholeFile(entry.path())), "") << entry.path();
  }
  EXPECT_GT(files, 0);
}

}  // namespace
