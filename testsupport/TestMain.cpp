// Every test process gets a platform prefix of its own in a fresh temporary
// folder, removed afterwards, so tests run in parallel and never touch the
// user's own prefix or named mutexes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "testsupport/TempDir.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string prefix = testsupport::MakeTempDir("lozg-prefix-");
  setenv("LOZG_PREFIX", prefix.c_str(), 1);
  // Named mutexes are per logon, not per prefix: keep the test's own apart
  // from the user's and from other tests running at the same time.
  setenv("LOZG_MUTEX_DIR", (prefix + "/mutex").c_str(), 1);
  // Tests never show their windows on the person's display.
  unsetenv("LOZG_LIVE");
  int result = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(prefix, ignored);
  return result;
}
