// Replays every file of a fuzzing corpus (seeds and the inputs that once
// failed) through the fuzz target linked beside it, so that every build
// checks them again, sanitizers or not.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Named after the target, so that the tests of the corpora tell apart.
TEST(FUZZ_CORPUS_SUITE, EveryFileRunsThroughTheTarget) {
  int argc = 0;
  char** argv = nullptr;
  LLVMFuzzerInitialize(&argc, &argv);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(FUZZ_CORPUS_DIR)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    SCOPED_TRACE(entry.path().filename().string());
    const std::string bytes = ReadFile(entry.path());
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
  }
  EXPECT_GT(files, 0);
}

}  // namespace
