// The platform prefix of a fuzz target: a fresh temporary one unless the
// environment names one (the corpus tests give each process its own), with
// a drive map of drive C: alone, so that no input reaches the host's files.
// A fresh prefix goes when the process ends normally.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

inline void UseFuzzPrefix() {
  // In memory where the machine has such a folder: every save syncs its file.
  static std::string fresh =
      std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/lozg-fuzz-prefix-XXXXXX";
  if (!std::getenv("LOZG_PREFIX") && mkdtemp(fresh.data())) {
    setenv("LOZG_PREFIX", fresh.c_str(), 1);
    setenv("LOZG_MUTEX_DIR", (fresh + "/mutex").c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(fresh, ignored);
    });
  }
  const std::string prefix = std::getenv("LOZG_PREFIX");
  std::ofstream(prefix + "/drives", std::ios::trunc) << "C: " << prefix << "/drive_c\n";
}

}  // namespace testsupport
